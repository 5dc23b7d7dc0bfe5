// The `Experiment` owns one run of the demonstration: the picture and its
// four images, the codec, the channel, the symbol branches and the counters.
// It carries out every action the window offers and reports back only
// through its `ExperimentObserver`.
//
// Everything runs on one thread. The only re-entry point is
// ExperimentObserver::breathe(), called after every decoding iteration; an
// action requested from inside it does not run nested but is queued and
// run, if still available, as soon as the running action returns. A shut
// down requested there is likewise deferred.
#ifndef VOK_EXPERIMENT_EXPERIMENT_H_
#define VOK_EXPERIMENT_EXPERIMENT_H_

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "channel/qary_channel.h"
#include "codec/codec.h"
#include "experiment/experiment_observer.h"
#include "experiment/transmission.h"
#include "picture/pane_geometry.h"
#include "picture/picture.h"

namespace vok {

// The three failures of initialise, plus the refusal of a picture whose size
// or layout is not supported, and of a file that holds no readable picture
// (only pictures read by a reader other than the BMP loader report that).
enum class InitStatus {
  Ok,
  FileMissing,
  Not24Bit,
  PictureUnsupported,
  CodecNotLoaded,
  PictureUnreadable
};

// The user-visible text of each initialisation failure (UTF-8).
inline constexpr const char* kMessageFileMissing = "Файл pic.bmp не найден";
inline constexpr const char* kMessageNot24Bit =
    "Программа поддерживает только 24-разрядный рисунок";
inline constexpr const char* kMessagePictureUnsupported =
    "Размер или формат рисунка pic.bmp не поддерживается";
inline constexpr const char* kMessageCodecNotLoaded = "Неверный формат файлов с настройками кодека";

// The same failures for a picture file called `name` (for "pic.bmp" these
// are the texts above), and the refusal of a file that holds no readable
// picture.
std::string fileMissingMessage(std::string_view name);
std::string pictureUnsupportedMessage(std::string_view name);
std::string pictureUnreadableMessage(std::string_view name);

// The message that tells the user about `status` when the picture file is
// called `name`: the one mapping of failures to texts. Empty for Ok.
std::string initFailureMessage(InitStatus status, std::string_view name = "pic.bmp");

// What reading a picture gave: Ok, or the failure and the message that tells
// the user about it.
struct PictureOutcome {
  InitStatus status = InitStatus::Ok;
  std::string message;
};

// Reads a picture and reduces it for `pane` (not reduced when absent) into
// `out`; on failure `out` is left empty.
using PictureReader =
    std::function<PictureOutcome(std::optional<PaneSize> pane, LoadedPicture& out)>;

// Reads the BMP at `path` with loadPicture; the messages name the file `name`.
PictureReader bmpFileReader(std::string path, std::string name);
// The outcome of loadPicture's `status` for a file called `name`.
PictureOutcome outcomeOf(PictureLoadStatus status, std::string_view name);

// The actions the window may offer at a moment.
struct AvailableActions {
  bool transmit = false;
  bool iterate = false;
  bool decodeAll = false;
  bool repeat = false;
  bool settings = false;
  bool exit = true;
  bool operator==(const AvailableActions&) const = default;
};

class Experiment {
 public:
  // Sleeps the given number of milliseconds (injected so tests never wait).
  using Sleeper = std::function<void(int milliseconds)>;

  inline static constexpr std::int32_t kQ = 256;
  inline static constexpr float kInitialP0 = 0.25f;
  inline static constexpr std::int32_t kInitialSeed = 123;
  inline static constexpr int kPauseMilliseconds = 500;

  // Reads "pic.bmp", "encoder.vok" and "decoder.vok" from `directory`
  // (another picture with setPictureReader). A null sleeper sleeps for real.
  explicit Experiment(ExperimentObserver& observer, std::string directory = ".",
                      Sleeper sleeper = nullptr);
  ~Experiment();

  Experiment(const Experiment&) = delete;
  Experiment& operator=(const Experiment&) = delete;

  // Loads and reduces the picture for `sourcePane` (not reduced when absent),
  // fits it to both panes, creates the codec and the channel, and encodes.
  // A failure is reported through failure() and leaves only exit available.
  // The initial P0 and seed may be given (the command line does); the
  // defaults are 0.25 and 123.
  InitStatus initialise(std::optional<PaneSize> sourcePane, std::optional<PaneSize> bigPane,
                        float p0 = kInitialP0, std::int32_t seed = kInitialSeed);

  // The picture initialise reads, in place of "pic.bmp" in the directory.
  // REQUIRES: called before initialise.
  void setPictureReader(PictureReader reader) { reader_ = std::move(reader); }

  // Starts a fresh experiment on the picture `reader` gives, with the P0 and
  // seed in force and the code files read again from the directory: the
  // generator restarts from the seed and the picture is encoded, as after
  // initialise. Refused (returning the current status) while an action runs
  // or after shut down. A picture that cannot be read, or for which the code
  // files no longer load, is reported through failure() and changes nothing:
  // the current experiment, its pictures and counts stay as they were.
  // Returns what reading and encoding the new picture gave.
  InitStatus openPicture(const PictureReader& reader, std::optional<PaneSize> sourcePane,
                         std::optional<PaneSize> bigPane);

  // The actions. Each does nothing unless it is available (exit for shutDown)
  // or the experiment was shut down.
  void transmit();
  void iterateOnce();
  void decodeAll();
  void repeat();
  // Stores P0 (used from the next transmit) and reseeds the channel with `seed`.
  void applySettings(float p0, std::int32_t seed);
  // Releases everything; afterwards no action does anything. Deferred when
  // requested while another action runs.
  void shutDown();
  // Ends a running decode all once the running iteration (and nothing
  // more) is done, leaving the state k iterate once calls would have left.
  // Takes effect at once rather than queued; does nothing unless
  // isDecodingAll().
  void stopDecoding();

  // --- Queries ---
  InitStatus initStatus() const { return status_; }
  bool pictureLoaded() const { return pictureLoaded_; }  // a 24-bit picture is held
  bool isBusy() const { return running_; }
  bool isDecodingAll() const { return decodingAll_; }
  bool isShutDown() const { return shutDown_; }
  AvailableActions available() const { return available_; }

  float p0() const { return p0_; }
  std::int32_t seed() const { return seed_; }
  int pauseMilliseconds() const { return pause_; }
  void setPauseMilliseconds(int ms) { pause_ = ms; }

  const Picture& picture() const { return picture_.picture; }
  std::int32_t symbolCount() const { return picture_.symbolCount; }
  std::int32_t imageBytes() const { return picture_.imageBytes; }
  const std::vector<std::uint8_t>& sourceImage() const { return picture_.sourceImage; }
  const std::vector<std::uint8_t>& channelImage() const { return picture_.channelImage; }
  const std::vector<std::uint8_t>& decodedImage() const { return picture_.decodedImage; }
  // Rebuilt from the other three by rebuildCorrectionMap().
  const std::vector<std::uint8_t>& correctionMap() const { return picture_.correctionMap; }
  void rebuildCorrectionMap();
  const PaneGeometry& smallPaneGeometry() const { return smallPane_; }
  const PaneGeometry& bigPaneGeometry() const { return bigPane_; }

  int nk() const;
  int nr() const;
  std::int32_t branchLength() const { return length_; }
  std::int32_t tailFill() const { return tailFill_; }
  std::int64_t shownSize() const;
  float codeRate() const { return codeRate_; }
  int itert() const { return itert_; }
  int iteration() const { return k_; }  // index of the next iteration, 0..itert
  std::int64_t channelErrors() const { return channelErrors_; }
  double channelErrorRate() const;
  std::int64_t decoderErrors() const { return decoderErrors_; }
  double decoderErrorRate() const;

  // The codec, or null before a successful initialise.
  const Codec* codec() const { return codec_.get(); }

 private:
  enum class RequestKind { Transmit, Iterate, DecodeAll, Repeat, Settings, ShutDown };
  struct Request {
    RequestKind kind;
    float p0 = 0.0f;
    std::int32_t seed = 0;
  };

  // Runs `request` now, or queues it when an action is running.
  void submit(const Request& request);
  void perform(const Request& request);
  void doTransmit();
  void doIterateOnce();
  void doDecodeAll();
  void doRepeat();
  void doApplySettings(float p0, std::int32_t seed);
  void doShutDown();

  // Fits picture_ to both panes (a missing pane: the picture's own size).
  void fitPanes(std::optional<PaneSize> sourcePane, std::optional<PaneSize> bigPane);
  // Takes `codec` (loaded, made for picture_'s symbolCount) as the run's
  // codec, restarts the channel from the seed and encodes: everything
  // initialise does once the files were read.
  void start(std::unique_ptr<Codec> codec);
  std::unique_ptr<Codec> makeCodec(std::int32_t symbolCount) const;

  void runIteration(int k);
  void setAvailable(const AvailableActions& actions);
  // Ends a failed initialise: records `status`, leaves only exit available
  // and shows `message`.
  InitStatus fail(InitStatus status, const std::string& message);
  void assemble(const std::vector<std::uint8_t>& branches, std::vector<std::uint8_t>& image) const;
  std::int64_t countErrors(const std::vector<std::uint8_t>& image) const;

  ExperimentObserver& observer_;
  std::string directory_;
  Sleeper sleeper_;
  PictureReader reader_;  // null: "pic.bmp" in directory_

  float p0_ = kInitialP0;
  std::int32_t seed_ = kInitialSeed;
  int pause_ = kPauseMilliseconds;
  int itert_ = 20;

  InitStatus status_ = InitStatus::Ok;
  bool pictureLoaded_ = false;
  LoadedPicture picture_;
  PaneGeometry smallPane_;
  PaneGeometry bigPane_;

  std::unique_ptr<Codec> codec_;
  std::unique_ptr<QaryChannel> channel_;
  float codeRate_ = 0.0f;
  std::int32_t length_ = 0;
  std::int32_t tailFill_ = 0;

  // The sent and received branches and the decoder's decisions on the
  // information branches (no check branches), a byte per symbol (Q = 256).
  BranchBlock<std::uint8_t> sent_, received_, decoded_;

  int k_ = 0;
  std::int64_t channelErrors_ = 0;
  std::int64_t decoderErrors_ = 0;
  AvailableActions available_;

  bool running_ = false;
  bool shutDown_ = false;
  bool decodingAll_ = false;
  bool stopRequested_ = false;
  std::deque<Request> pending_;
};

}  // namespace vok

#endif  // VOK_EXPERIMENT_EXPERIMENT_H_
