#include "experiment/experiment.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "picture/bmp_writer.h"

namespace vok {
namespace {

namespace fs = std::filesystem;

// Records every notification as a short text, in order.
class RecordingObserver : public ExperimentObserver {
 public:
  std::vector<std::string> events;
  std::vector<std::string> failures;
  std::function<void()> onBreathe;
  float settingsP0 = -1.0f;
  std::int32_t settingsSeed = -1;

  void redraw() override { events.push_back("redraw"); }
  void iterationShown(int k) override { events.push_back("shown " + std::to_string(k)); }
  void valuesChanged(ValueGroup group) override {
    events.push_back(group == ValueGroup::Code      ? "values code"
                     : group == ValueGroup::Channel ? "values channel"
                                                    : "values decoder");
  }
  void cleared() override { events.push_back("cleared"); }
  void breathe() override {
    events.push_back("breathe");
    if (onBreathe) onBreathe();
  }
  void failure(const std::string& text) override { failures.push_back(text); }
  void availabilityChanged() override { events.push_back("available"); }
  void settingsInitialised(float p0, std::int32_t seed) override {
    settingsP0 = p0;
    settingsSeed = seed;
  }
};

constexpr AvailableActions kOnlyExit{false, false, false, false, false, true};
constexpr AvailableActions kReady{true, false, false, false, true, true};
constexpr AvailableActions kTransmitted{false, true, true, true, true, true};
constexpr AvailableActions kFinished{false, false, false, true, true, true};
constexpr AvailableActions kNone{false, false, false, false, false, false};

class ExperimentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vok_experiment_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void writePicture(std::int32_t width, std::int32_t height, unsigned seed = 1) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
    std::mt19937 random(seed);
    for (auto& byte : pixels) byte = static_cast<std::uint8_t>(random());
    ASSERT_TRUE(writeBmp((dir_ / "pic.bmp").string(), pixels.data(), width, height));
  }
  void writeFile(const char* name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }

  std::unique_ptr<Experiment> make() {
    return std::make_unique<Experiment>(observer_, dir_.string(),
                                        [this](int ms) { sleptMs_ += ms; });
  }

  fs::path dir_;
  RecordingObserver observer_;
  int sleptMs_ = 0;
};

TEST_F(ExperimentTest, EachInitialisationFailureLeavesOnlyExitWithItsMessage) {
  {
    auto experiment = make();
    EXPECT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}),
              InitStatus::FileMissing);
    EXPECT_EQ(experiment->available(), kOnlyExit);
    EXPECT_FALSE(experiment->pictureLoaded());
  }
  {
    // A 40 x 30 picture with 8 bits per pixel.
    std::vector<std::uint8_t> file = encodeBmp(std::vector<std::uint8_t>(3600).data(), 40, 30);
    file[28] = 8;
    writeFile("pic.bmp", std::string(file.begin(), file.end()));
    auto experiment = make();
    EXPECT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}), InitStatus::Not24Bit);
    EXPECT_EQ(experiment->available(), kOnlyExit);
  }
  {
    std::vector<std::uint8_t> file = encodeBmp(std::vector<std::uint8_t>(3600).data(), 40, 30);
    file[22] = 0xE2;  // biHeight = -30: a top-down picture
    file[23] = file[24] = file[25] = 0xFF;
    writeFile("pic.bmp", std::string(file.begin(), file.end()));
    auto experiment = make();
    EXPECT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}),
              InitStatus::PictureUnsupported);
    EXPECT_EQ(experiment->available(), kOnlyExit);
  }
  {
    writePicture(40, 30);
    writeFile("encoder.vok", "nk=8\n  nr=8\n  i=0  v=0 2 0 780\n");
    auto experiment = make();
    EXPECT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}),
              InitStatus::CodecNotLoaded);
    EXPECT_EQ(experiment->available(), kOnlyExit);
    // The picture stays loaded so that the source pane can still show it.
    EXPECT_TRUE(experiment->pictureLoaded());
    experiment->transmit();
    experiment->applySettings(0.5f, 7);
    EXPECT_EQ(experiment->channelErrors(), 0);
  }
  EXPECT_EQ(observer_.failures,
            (std::vector<std::string>{kMessageFileMissing, kMessageNot24Bit,
                                      kMessagePictureUnsupported, kMessageCodecNotLoaded}));
}

TEST_F(ExperimentTest, BranchLengthTailFillAndShownSizeFollowThePictureSize) {
  struct Case {
    std::int32_t width, height, symbols, length, tail;
  };
  for (const Case& c :
       {Case{100, 80, 24000, 3000, 0}, Case{101, 80, 24240, 3030, 0}, Case{33, 33, 3267, 409, 5}}) {
    writePicture(c.width, c.height);
    auto experiment = make();
    ASSERT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}), InitStatus::Ok);
    EXPECT_EQ(experiment->symbolCount(), c.symbols);
    EXPECT_EQ(experiment->branchLength(), c.length);
    EXPECT_EQ(experiment->tailFill(), c.tail);
    EXPECT_EQ(experiment->shownSize(), c.symbols + c.tail);
    EXPECT_EQ(experiment->codeRate(), 0.5f);
    EXPECT_EQ(experiment->itert(), 20);
    EXPECT_EQ(experiment->available(), kReady);
  }
  EXPECT_EQ(observer_.settingsP0, 0.25f);
  EXPECT_EQ(observer_.settingsSeed, 123);
}

TEST_F(ExperimentTest, ActionsFollowTheAvailabilityTableAndNotifyInOrder) {
  writePicture(40, 30);
  auto experiment = make();
  ASSERT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}), InitStatus::Ok);
  EXPECT_EQ(observer_.events, (std::vector<std::string>{"available", "values code"}));

  // Unavailable actions do nothing.
  observer_.events.clear();
  experiment->iterateOnce();
  experiment->decodeAll();
  experiment->repeat();
  EXPECT_TRUE(observer_.events.empty());

  experiment->transmit();
  EXPECT_EQ(observer_.events, (std::vector<std::string>{"values channel", "available", "redraw"}));
  EXPECT_EQ(experiment->available(), kTransmitted);
  EXPECT_GT(experiment->channelErrors(), 0);

  observer_.events.clear();
  experiment->iterateOnce();
  EXPECT_EQ(observer_.events,
            (std::vector<std::string>{"redraw", "shown 0", "values decoder", "breathe"}));
  EXPECT_EQ(experiment->iteration(), 1);
  EXPECT_EQ(experiment->available(), kTransmitted);

  for (int k = 1; k < experiment->itert(); ++k) experiment->iterateOnce();
  EXPECT_EQ(experiment->iteration(), 20);
  EXPECT_EQ(experiment->available(), kFinished);
  observer_.events.clear();
  experiment->iterateOnce();  // k has reached itert: nothing happens
  EXPECT_TRUE(observer_.events.empty());

  experiment->repeat();
  EXPECT_EQ(observer_.events, (std::vector<std::string>{"redraw", "cleared", "available"}));
  EXPECT_EQ(experiment->available(), kReady);
  EXPECT_EQ(experiment->iteration(), 0);
  for (std::uint8_t byte : experiment->channelImage()) ASSERT_EQ(byte, 0xFF);
  for (std::uint8_t byte : experiment->decodedImage()) ASSERT_EQ(byte, 0xFF);
}

TEST_F(ExperimentTest, DecodeAllDisablesEverythingWhileRunningAndPausesAfterEachIteration) {
  writePicture(40, 30);
  auto experiment = make();
  ASSERT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}), InitStatus::Ok);
  experiment->transmit();
  std::vector<AvailableActions> whileRunning;
  observer_.onBreathe = [&] { whileRunning.push_back(experiment->available()); };
  experiment->decodeAll();
  ASSERT_FALSE(whileRunning.empty());
  for (const AvailableActions& a : whileRunning) EXPECT_EQ(a, kNone);
  EXPECT_EQ(experiment->available(), kFinished);
  EXPECT_EQ(sleptMs_, 500 * static_cast<int>(whileRunning.size()));
  // Stopped early at zero errors or ran the whole schedule.
  EXPECT_TRUE(experiment->decoderErrors() == 0 || experiment->iteration() == 20);
}

TEST_F(ExperimentTest, StopDuringDecodeAllLeavesTheStateOfThatManySingleIterations) {
  writePicture(40, 30);
  // The reference: k single iterations on a second experiment with the
  // same picture, code and seed.
  RecordingObserver single;
  Experiment reference(single, dir_.string(), [](int) {});
  ASSERT_EQ(reference.initialise(PaneSize{200, 150}, PaneSize{400, 300}), InitStatus::Ok);
  reference.transmit();
  auto experiment = make();
  ASSERT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}), InitStatus::Ok);
  experiment->transmit();
  EXPECT_FALSE(experiment->isDecodingAll());

  for (int k : {1, 2, 5}) {
    SCOPED_TRACE(k);
    while (reference.iteration() < k) reference.iterateOnce();
    int breaths = 0;
    const int before = experiment->iteration();
    observer_.onBreathe = [&, before] {
      EXPECT_TRUE(experiment->isDecodingAll());
      // iteration() is the index of the iteration running, from 0.
      if (experiment->iteration() + 1 == k) experiment->stopDecoding();
      ASSERT_LE(++breaths, k - before) << "an iteration ran after the stop";
    };
    sleptMs_ = 0;
    experiment->decodeAll();
    EXPECT_FALSE(experiment->isDecodingAll());
    EXPECT_EQ(breaths, k - before);
    // No pause after the iteration during which the stop came.
    EXPECT_EQ(sleptMs_, 500 * (k - before - 1));
    EXPECT_EQ(experiment->iteration(), reference.iteration());
    EXPECT_EQ(experiment->decoderErrors(), reference.decoderErrors());
    EXPECT_EQ(experiment->decodedImage(), reference.decodedImage());
    EXPECT_EQ(experiment->available(), reference.available());
    EXPECT_EQ(experiment->available(), kTransmitted);
  }

  // After a stop, stopping outside decode all does nothing, and a new
  // decode all runs to its end.
  observer_.onBreathe = nullptr;
  experiment->stopDecoding();
  experiment->decodeAll();
  EXPECT_EQ(experiment->available(), kFinished);
  EXPECT_TRUE(experiment->decoderErrors() == 0 || experiment->iteration() == 20);
}

TEST_F(ExperimentTest, StopDuringTheLastScheduledIterationLeavesOnlyRepeat) {
  writePicture(40, 30);
  auto experiment = make();
  // Beyond the code's threshold errors remain, so all 20 iterations run.
  ASSERT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}, 0.35f), InitStatus::Ok);
  experiment->transmit();
  observer_.onBreathe = [&] {
    if (experiment->iteration() == 19) experiment->stopDecoding();
  };
  experiment->decodeAll();
  EXPECT_EQ(experiment->iteration(), 20);
  EXPECT_GT(experiment->decoderErrors(), 0);
  EXPECT_EQ(experiment->available(), kFinished);
}

TEST_F(ExperimentTest, ErrorFreeTransmissionDecodesInExactlyOneIteration) {
  writePicture(40, 30);
  auto experiment = make();
  ASSERT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}, -1.0f), InitStatus::Ok);
  experiment->transmit();
  EXPECT_EQ(experiment->channelErrors(), 0);
  experiment->decodeAll();
  EXPECT_EQ(experiment->iteration(), 1);
  EXPECT_EQ(experiment->decoderErrors(), 0);
  EXPECT_EQ(experiment->available(), kFinished);
}

TEST_F(ExperimentTest, ZeroIterationScheduleRunsNothing) {
  writePicture(40, 30);
  writeFile("decoder.vok", "itert=0\nw\nt\nc\no\np\ni\n");
  auto experiment = make();
  ASSERT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}), InitStatus::Ok);
  EXPECT_EQ(experiment->itert(), 0);
  experiment->transmit();
  observer_.events.clear();
  experiment->iterateOnce();
  EXPECT_TRUE(observer_.events.empty());
  experiment->decodeAll();
  EXPECT_EQ(observer_.events, (std::vector<std::string>{"available", "available"}));
  EXPECT_EQ(experiment->available(), kFinished);
}

TEST_F(ExperimentTest, CountersAgreeWithTheImagesAndTheSourceNeverChanges) {
  writePicture(60, 40);
  auto experiment = make();
  ASSERT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}, 0.3f), InitStatus::Ok);
  const std::vector<std::uint8_t> source = experiment->sourceImage();
  auto differences = [&](const std::vector<std::uint8_t>& image) {
    std::int64_t count = 0;
    for (std::int32_t i = 0; i < experiment->symbolCount(); ++i) count += image[i] != source[i];
    return count;
  };
  for (int round = 0; round < 3; ++round) {
    experiment->transmit();
    EXPECT_EQ(experiment->channelErrors(), differences(experiment->channelImage()));
    EXPECT_EQ(experiment->decodedImage(), experiment->channelImage());
    EXPECT_DOUBLE_EQ(experiment->channelErrorRate(),
                     static_cast<double>(experiment->channelErrors()) / experiment->symbolCount());
    experiment->iterateOnce();
    experiment->iterateOnce();
    EXPECT_EQ(experiment->decoderErrors(), differences(experiment->decodedImage()));
    experiment->repeat();
    EXPECT_EQ(experiment->sourceImage(), source);
  }
}

TEST_F(ExperimentTest, RepeatMeetsFreshErrorsAndReseedingReplaysTheFirstPattern) {
  writePicture(40, 30);
  auto experiment = make();
  ASSERT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}), InitStatus::Ok);
  experiment->transmit();
  const std::vector<std::uint8_t> first = experiment->channelImage();
  experiment->repeat();
  experiment->transmit();
  EXPECT_NE(experiment->channelImage(), first);
  experiment->repeat();
  experiment->applySettings(0.25f, 123);
  experiment->transmit();
  EXPECT_EQ(experiment->channelImage(), first);
}

TEST_F(ExperimentTest, SettingsP0TakesEffectAtTheNextTransmission) {
  writePicture(40, 30);
  auto experiment = make();
  ASSERT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}), InitStatus::Ok);
  experiment->applySettings(-1.0f, 5);
  EXPECT_EQ(experiment->p0(), -1.0f);
  EXPECT_EQ(experiment->seed(), 5);
  experiment->transmit();
  EXPECT_EQ(experiment->channelErrors(), 0);
}

TEST_F(ExperimentTest, RequestsWhileBreathingRunAfterTheRunningActionNotInsideIt) {
  writePicture(40, 30);
  auto experiment = make();
  ASSERT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}), InitStatus::Ok);
  experiment->transmit();

  // A second click on "iterate" while the first iteration breathes.
  int nested = 0;
  observer_.onBreathe = [&] {
    if (nested++ == 0) {
      experiment->iterateOnce();
      EXPECT_EQ(experiment->iteration(), 0) << "the nested request ran inside the action";
      EXPECT_TRUE(experiment->isBusy());
    }
  };
  observer_.events.clear();
  experiment->iterateOnce();
  EXPECT_EQ(experiment->iteration(), 2);
  EXPECT_FALSE(experiment->isBusy());
  EXPECT_EQ(observer_.events,
            (std::vector<std::string>{"redraw", "shown 0", "values decoder", "breathe", "redraw",
                                      "shown 1", "values decoder", "breathe"}));

  // A shut down requested while breathing is deferred, never run nested.
  bool stateIntactDuringBreathe = false;
  observer_.onBreathe = [&] {
    experiment->shutDown();
    stateIntactDuringBreathe =
        !experiment->isShutDown() && experiment->pictureLoaded() && experiment->codec() != nullptr;
  };
  experiment->iterateOnce();
  EXPECT_TRUE(stateIntactDuringBreathe);
  EXPECT_TRUE(experiment->isShutDown());
  EXPECT_FALSE(experiment->pictureLoaded());
  EXPECT_EQ(experiment->codec(), nullptr);

  // Nothing runs after shut down.
  observer_.events.clear();
  experiment->transmit();
  experiment->repeat();
  EXPECT_TRUE(observer_.events.empty());
}

TEST_F(ExperimentTest, DeferredRequestsRespectTheAvailabilityReachedMeanwhile) {
  writePicture(40, 30);
  auto experiment = make();
  ASSERT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}), InitStatus::Ok);
  experiment->transmit();
  // Repeat and then iterate, both requested during one iteration: after the
  // repeat, iterate is no longer available and must not run.
  observer_.onBreathe = [&] {
    observer_.onBreathe = nullptr;
    experiment->repeat();
    experiment->iterateOnce();
  };
  experiment->iterateOnce();
  EXPECT_EQ(experiment->available(), kReady);
  EXPECT_EQ(experiment->iteration(), 0);
}

TEST_F(ExperimentTest, UnreducedWhenNoPaneIsGiven) {
  writePicture(300, 20);
  auto experiment = make();
  ASSERT_EQ(experiment->initialise(std::nullopt, std::nullopt), InitStatus::Ok);
  EXPECT_EQ(experiment->picture(), (Picture{300, 20}));
  EXPECT_EQ(experiment->smallPaneGeometry(), (PaneGeometry{1, 0, 0}));
}

// --- Opening another picture ---

namespace open_picture {

// A reader that gives a w x h picture of one grey value, or fails.
PictureReader greyReader(std::int32_t w, std::int32_t h, std::uint8_t grey) {
  return [=](std::optional<PaneSize> pane, LoadedPicture& out) {
    const std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w) * h * 3, grey);
    const std::vector<std::uint8_t> file = encodeBmp(pixels.data(), w, h);
    return outcomeOf(loadPictureFromBytes(file, pane, out), "grey.bmp");
  };
}

PictureReader failingReader() {
  return [](std::optional<PaneSize>, LoadedPicture&) {
    return PictureOutcome{InitStatus::PictureUnreadable, pictureUnreadableMessage("x.png")};
  };
}

}  // namespace open_picture

TEST_F(ExperimentTest, OpenPictureStartsAFreshExperimentFromTheSeedInForce) {
  writePicture(60, 40);
  auto experiment = make();
  ASSERT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}), InitStatus::Ok);
  experiment->applySettings(0.2f, 77);
  experiment->transmit();
  const std::int64_t first = experiment->channelErrors();
  experiment->decodeAll();

  // The same picture again: the generator restarts from seed 77.
  ASSERT_EQ(experiment->openPicture(bmpFileReader((dir_ / "pic.bmp").string(), "pic.bmp"),
                                    PaneSize{200, 150}, PaneSize{400, 300}),
            InitStatus::Ok);
  EXPECT_EQ(experiment->available(), kReady);
  EXPECT_EQ(experiment->iteration(), 0);
  EXPECT_EQ(observer_.settingsSeed, 77);
  experiment->transmit();
  EXPECT_EQ(experiment->channelErrors(), first);

  // A picture of another size takes over the geometry and the code length.
  ASSERT_EQ(experiment->openPicture(open_picture::greyReader(10, 7, 90), PaneSize{200, 150},
                                    PaneSize{400, 300}),
            InitStatus::Ok);
  EXPECT_EQ(experiment->picture(), (Picture{10, 7}));
  EXPECT_EQ(experiment->symbolCount(), 210);
  EXPECT_EQ(experiment->smallPaneGeometry(), fitToPane(200, 150, 10, 7));
  EXPECT_EQ(experiment->sourceImage()[0], 90);
}

TEST_F(ExperimentTest, OpenPictureThatFailsChangesNothing) {
  writePicture(60, 40);
  auto experiment = make();
  ASSERT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}), InitStatus::Ok);
  experiment->transmit();
  experiment->iterateOnce();
  const auto channel = experiment->channelImage();
  const auto decoded = experiment->decodedImage();
  const auto errors = experiment->decoderErrors();
  const auto available = experiment->available();

  EXPECT_EQ(experiment->openPicture(open_picture::failingReader(), PaneSize{200, 150},
                                    PaneSize{400, 300}),
            InitStatus::PictureUnreadable);
  // Code files that no longer load refuse the new picture as well.
  writeFile("encoder.vok", "nk = 99\n");
  EXPECT_EQ(experiment->openPicture(open_picture::greyReader(8, 8, 1), PaneSize{200, 150},
                                    PaneSize{400, 300}),
            InitStatus::CodecNotLoaded);
  ASSERT_EQ(observer_.failures.size(), 2u);
  EXPECT_EQ(observer_.failures[1], kMessageCodecNotLoaded);
  EXPECT_EQ(experiment->initStatus(), InitStatus::Ok);
  EXPECT_EQ(experiment->picture(), (Picture{60, 40}));
  EXPECT_EQ(experiment->channelImage(), channel);
  EXPECT_EQ(experiment->decodedImage(), decoded);
  EXPECT_EQ(experiment->decoderErrors(), errors);
  EXPECT_EQ(experiment->available(), available);
  experiment->iterateOnce();  // the experiment goes on
  EXPECT_EQ(experiment->iteration(), 2);
}

TEST_F(ExperimentTest, OpenPictureIsRefusedWhileDecodingAndAfterShutDown) {
  writePicture(60, 40);
  auto experiment = make();
  ASSERT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}), InitStatus::Ok);
  experiment->transmit();
  bool tried = false;
  observer_.onBreathe = [&] {
    if (tried) return;
    tried = true;
    experiment->openPicture(open_picture::greyReader(5, 5, 3), PaneSize{200, 150},
                            PaneSize{400, 300});
  };
  experiment->decodeAll();
  EXPECT_TRUE(tried);
  EXPECT_EQ(experiment->picture(), (Picture{60, 40}));
  experiment->shutDown();
  experiment->openPicture(open_picture::greyReader(5, 5, 3), std::nullopt, std::nullopt);
  EXPECT_FALSE(experiment->pictureLoaded());
}

TEST_F(ExperimentTest, APictureReaderReplacesPicBmpAtInitialise) {
  auto experiment = make();  // no pic.bmp in the directory
  experiment->setPictureReader(open_picture::greyReader(12, 9, 200));
  ASSERT_EQ(experiment->initialise(PaneSize{200, 150}, PaneSize{400, 300}), InitStatus::Ok);
  EXPECT_EQ(experiment->picture(), (Picture{12, 9}));
  auto failing = make();
  failing->setPictureReader(open_picture::failingReader());
  EXPECT_EQ(failing->initialise(PaneSize{200, 150}, PaneSize{400, 300}),
            InitStatus::PictureUnreadable);
  EXPECT_EQ(failing->available(), kOnlyExit);
  EXPECT_EQ(observer_.failures.back(), pictureUnreadableMessage("x.png"));
}

}  // namespace
}  // namespace vok
