// `vok-sim run`: argument conversion, the experiment's course, and saving
// the four pictures.
#include "sim/run_command.h"

#include <signal.h>

#include <array>
#include <charconv>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include "common/checksum.h"
#include "common/number_text.h"
#include "experiment/experiment.h"
#include "picture/bmp_writer.h"
#include "sim/picture_reading.h"
#include "sim/run_report.h"

namespace vok::sim {

namespace {

// A run of decimal digits only (no sign, no space) as a positive or
// non-negative int32.
std::optional<std::int32_t> parseDigits(std::string_view text) {
  if (text.empty()) return std::nullopt;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

const char* statusName(InitStatus status) {
  switch (status) {
    case InitStatus::Ok:
      return "ok";
    case InitStatus::FileMissing:
      return "FileMissing";
    case InitStatus::Not24Bit:
      return "Not24Bit";
    case InitStatus::PictureUnsupported:
      return "PictureUnsupported";
    case InitStatus::CodecNotLoaded:
      return "CodecNotLoaded";
    case InitStatus::PictureUnreadable:
      return "PictureUnreadable";
  }
  return "unknown";
}

// While alive, turns SIGINT and SIGTERM into a request to stop after the
// running transmission, so that a long run still reports and saves its
// pictures. A second signal ends the process as usual. A signal the caller
// ignores (nohup, a background job) stays ignored.
class StopOnSignal {
 public:
  StopOnSignal() {
    received_ = 0;
    struct sigaction action {};
    action.sa_handler = &StopOnSignal::handle;
    sigemptyset(&action.sa_mask);
    for (std::size_t k = 0; k < kSignals.size(); ++k) {
      installed_[k] = sigaction(kSignals[k], nullptr, &old_[k]) == 0 &&
                      old_[k].sa_handler != SIG_IGN &&
                      sigaction(kSignals[k], &action, nullptr) == 0;
    }
  }
  ~StopOnSignal() {
    for (std::size_t k = 0; k < kSignals.size(); ++k) {
      if (installed_[k]) sigaction(kSignals[k], &old_[k], nullptr);
    }
  }
  StopOnSignal(const StopOnSignal&) = delete;
  StopOnSignal& operator=(const StopOnSignal&) = delete;

  // The signal received, or 0.
  int received() const { return received_; }

 private:
  static constexpr std::array<int, 2> kSignals = {SIGINT, SIGTERM};

  static void handle(int signal) {
    received_ = signal;
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    for (const int s : kSignals) sigaction(s, &fallback, nullptr);
  }

  static inline volatile std::sig_atomic_t received_ = 0;
  std::array<struct sigaction, 2> old_{};
  std::array<bool, 2> installed_{};
};

// CRC-32 of the first `count` bytes of `image`.
std::uint32_t crcOf(const std::vector<std::uint8_t>& image, std::int32_t count) {
  return crc32Of(image.data(), static_cast<std::size_t>(count));
}

// Stands in for the window: records the failure text and the decoder error
// count after each iteration; breathing and drawing do nothing.
class RunObserver final : public NullExperimentObserver {
 public:
  void attach(const Experiment& experiment) { experiment_ = &experiment; }

  void valuesChanged(ValueGroup group) override {
    if (group == ValueGroup::Decoder && experiment_ != nullptr) {
      decoderErrors_.push_back(experiment_->decoderErrors());
    }
  }
  void failure(const std::string& text) override { failureText_ = text; }

  const std::string& failureText() const { return failureText_; }
  // The counts collected since the last call.
  std::vector<std::int64_t> takeDecoderErrors() { return std::exchange(decoderErrors_, {}); }

 private:
  const Experiment* experiment_ = nullptr;
  std::string failureText_;
  std::vector<std::int64_t> decoderErrors_;
};

InitSummary summarise(const Experiment& experiment, const RunSettings& settings) {
  InitSummary s;
  s.width = experiment.picture().width;
  s.height = experiment.picture().height;
  s.symbolCount = experiment.symbolCount();
  s.nk = experiment.nk();
  s.nr = experiment.nr();
  s.branchLength = experiment.branchLength();
  s.tailFill = experiment.tailFill();
  s.shownSize = experiment.shownSize();
  s.codeRate = experiment.codeRate();
  s.itert = experiment.itert();
  s.sourceCrc32 = crcOf(experiment.sourceImage(), experiment.symbolCount());
  s.p0 = settings.p0;
  s.seed = settings.seed;
  return s;
}

// Writes the four pictures into `directory`; false with `error` set when a
// file cannot be written.
bool saveImages(Experiment& experiment, const std::filesystem::path& directory,
                std::string& error) {
  experiment.rebuildCorrectionMap();
  const std::int32_t width = experiment.picture().width;
  const std::int32_t height = experiment.picture().height;
  const std::pair<const char*, const std::vector<std::uint8_t>*> images[] = {
      {"source.bmp", &experiment.sourceImage()},
      {"channel.bmp", &experiment.channelImage()},
      {"decoded.bmp", &experiment.decodedImage()},
      {"corrections.bmp", &experiment.correctionMap()},
  };
  for (const auto& [name, image] : images) {
    const std::filesystem::path path = directory / name;
    if (!writeBmp(path.string(), image->data(), width, height)) {
      error = "cannot write " + path.string();
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<PaneSize> parsePaneText(std::string_view text) {
  const std::size_t cross = text.find('x');
  if (cross == std::string_view::npos) return std::nullopt;
  const auto width = parseDigits(text.substr(0, cross));
  const auto height = parseDigits(text.substr(cross + 1));
  if (!width || !height || *width <= 0 || *height <= 0) return std::nullopt;
  return PaneSize{*width, *height};
}

std::optional<std::int32_t> parseTransmissionsText(std::string_view text) {
  return parseDigits(text);
}

std::optional<std::string> seedConversionNote(std::string_view text, std::int32_t seed) {
  const std::optional<double> value = parseWholeDecimal(text);
  if (!value || (std::isfinite(*value) && std::trunc(*value) == static_cast<double>(seed))) {
    return std::nullopt;
  }
  return "note: --seed '" + std::string(text) + "' is taken as " + std::to_string(seed) +
         ", as the settings dialog takes it (truncated to 64 bits, 0 beyond them, then the low "
         "32 bits)";
}

std::optional<std::int32_t> parseSeedOption(const std::string& text,
                                            std::optional<std::string>& note, std::string& error) {
  const auto seed = parseSeedText(text);
  if (!seed) {
    error = "--seed: '" + text + "' is not a number";
    return std::nullopt;
  }
  note = seedConversionNote(text, *seed);
  return seed;
}

std::optional<RunSettings> convertRunOptions(const RunOptionTexts& texts, std::string& error) {
  RunSettings settings;
  if (texts.directory.empty()) {
    error = "--dir: the directory must not be empty";
    return std::nullopt;
  }
  settings.directory = texts.directory;
  if (texts.pane) {
    settings.pane = parsePaneText(*texts.pane);
    if (!settings.pane) {
      error = "--pane: '" + *texts.pane + "' is not WxH with two positive integers";
      return std::nullopt;
    }
  }
  if (texts.picture) {
    if (texts.picture->empty()) {
      error = "--picture: the file name must not be empty";
      return std::nullopt;
    }
    settings.picture = texts.picture;
  }
  const auto p0 = parseP0Text(texts.p0);
  if (!p0) {
    error = "--p0: '" + texts.p0 + "' is not a number";
    return std::nullopt;
  }
  settings.p0 = *p0;
  const auto seed = parseSeedOption(texts.seed, settings.seedNote, error);
  if (!seed) return std::nullopt;
  settings.seed = *seed;
  const auto transmissions = parseTransmissionsText(texts.transmissions);
  if (!transmissions || *transmissions > kMaxTransmissions) {
    error = "--transmissions: '" + texts.transmissions + "' is not a whole number from 0 to " +
            std::to_string(kMaxTransmissions);
    return std::nullopt;
  }
  settings.transmissions = *transmissions;
  settings.json = texts.json;
  if (texts.imageDirectory) {
    if (texts.imageDirectory->empty()) {
      error = "--save-images: the directory must not be empty";
      return std::nullopt;
    }
    settings.imageDirectory = texts.imageDirectory;
  }
  return settings;
}

int runExperiment(const RunSettings& settings, CommandStreams& streams) {
  if (settings.seedNote) streams.err << "vok-sim run: " << *settings.seedNote << '\n';
  // The image directory is made first, so that an unusable one is refused
  // before any work is done.
  if (settings.imageDirectory) {
    std::error_code ec;
    const std::filesystem::path directory(*settings.imageDirectory);
    std::filesystem::create_directories(directory, ec);
    if (ec || !std::filesystem::is_directory(directory, ec)) {
      streams.err << "vok-sim run: cannot create the directory " << *settings.imageDirectory
                  << (ec ? ": " + ec.message() : std::string()) << '\n';
      return kExitBadArguments;
    }
  }

  const std::unique_ptr<RunReport> report =
      settings.json ? makeJsonReport(streams.out) : makeTextReport(streams.out);
  RunObserver observer;
  Experiment experiment(observer, settings.directory, [](int) {});
  observer.attach(experiment);
  if (settings.picture) experiment.setPictureReader(pictureFileReader(*settings.picture));

  const InitStatus status =
      experiment.initialise(settings.pane, settings.pane, settings.p0, settings.seed);
  if (status != InitStatus::Ok) {
    const std::string message =
        observer.failureText().empty() ? initFailureMessage(status) : observer.failureText();
    report->initFailed(statusName(status), message);
    streams.err << message << '\n';
    return kExitInitFailure;
  }
  report->initialised(summarise(experiment, settings));

  const std::int32_t n = experiment.symbolCount();
  const StopOnSignal stop;
  std::int32_t done = 0;
  for (std::int32_t t = 0; t < settings.transmissions && stop.received() == 0; ++t) {
    if (t > 0) experiment.repeat();
    experiment.transmit();
    TransmissionSummary summary;
    summary.index = t;
    summary.channelErrors = experiment.channelErrors();
    summary.channelErrorRate = experiment.channelErrorRate();
    summary.channelCrc32 = crcOf(experiment.channelImage(), n);

    observer.takeDecoderErrors();
    experiment.decodeAll();
    summary.decoderErrors = observer.takeDecoderErrors();
    if (!summary.decoderErrors.empty()) summary.decoderErrorRate = experiment.decoderErrorRate();
    summary.decodedCrc32 = crcOf(experiment.decodedImage(), n);
    report->transmitted(summary);
    ++done;
  }

  int result = stop.received() != 0 ? 128 + stop.received() : kExitOk;
  bool saved = false;
  if (settings.imageDirectory) {
    std::string error;
    saved = saveImages(experiment, *settings.imageDirectory, error);
    if (!saved) {
      // A failed write outranks the interruption.
      streams.err << "vok-sim run: " << error << '\n';
      result = kExitBadArguments;
    }
  }
  if (stop.received() != 0) {
    streams.err << "vok-sim run: interrupted after " << done << " of " << settings.transmissions
                << " transmissions" << (saved ? "; the pictures of the last one are saved" : "")
                << '\n';
  }
  experiment.shutDown();
  return result;
}

void addRunCommand(CommandRegistry& registry) {
  struct Bound {
    RunOptionTexts texts;
    std::string pane;
    std::string imageDirectory;
    std::string picture;
    CLI::Option* paneOption = nullptr;
    CLI::Option* pictureOption = nullptr;
    CLI::Option* imageOption = nullptr;
  };
  auto bound = std::make_shared<Bound>();

  CLI::App& run =
      registry.add("run", "Transmit the picture K times and decode each transmission to the end",
                   [bound](CommandStreams& streams) {
                     RunOptionTexts texts = bound->texts;
                     if (bound->paneOption->count() > 0) texts.pane = bound->pane;
                     if (bound->pictureOption->count() > 0) texts.picture = bound->picture;
                     if (bound->imageOption->count() > 0)
                       texts.imageDirectory = bound->imageDirectory;
                     std::string error;
                     const auto settings = convertRunOptions(texts, error);
                     if (!settings) {
                       streams.err << "vok-sim run: " << error << '\n';
                       return kExitBadArguments;
                     }
                     return runExperiment(*settings, streams);
                   });

  run.add_option("--dir", bound->texts.directory,
                 "Directory holding pic.bmp, encoder.vok and decoder.vok")
      ->capture_default_str();
  bound->paneOption = run.add_option(
      "--pane", bound->pane, "Source pane size WxH the picture is reduced for (default: none)");
  bound->pictureOption =
      run.add_option("--picture", bound->picture,
                     "Picture file of any readable format, in place of pic.bmp in --dir");
  run.add_option("--p0", bound->texts.p0,
                 "Symbol error probability of the channel, taken as the settings dialog takes it: "
                 "values outside 0..1 are accepted (unlike sweep)")
      ->capture_default_str();
  run.add_option("--seed", bound->texts.seed, "Seed of the channel's random generator")
      ->capture_default_str();
  run.add_option("--transmissions", bound->texts.transmissions,
                 "Number of transmissions K, 0 to 1000000 (0: initialise only); SIGINT or "
                 "SIGTERM stops after the running one")
      ->capture_default_str();
  run.add_flag("--json", bound->texts.json, "Print one JSON object per line");
  bound->imageOption =
      run.add_option("--save-images", bound->imageDirectory,
                     "Write source.bmp, channel.bmp, decoded.bmp and corrections.bmp here");
}

}  // namespace vok::sim
