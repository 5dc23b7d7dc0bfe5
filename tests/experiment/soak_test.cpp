// A long run of one Experiment: 2 000 experiments (transmit, decode all,
// repeat) with P0 and the seed changed every 100, checking after each that
// the counters agree with a direct comparison of the images, that nothing the
// run must keep (the source picture, the code and schedule in force) has
// changed, and that the process does not grow.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "experiment/experiment.h"
#include "picture/bmp_writer.h"

namespace vok {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class SilentObserver final : public NullExperimentObserver {
 public:
  void failure(const std::string& text) override { failures.push_back(text); }
  std::vector<std::string> failures;
};

std::int64_t differences(const Bytes& a, const Bytes& b, std::size_t n) {
  std::int64_t count = 0;
  for (std::size_t i = 0; i < n; ++i) count += a[i] != b[i];
  return count;
}

bool allWhite(const Bytes& v) {
  return std::all_of(v.begin(), v.end(), [](std::uint8_t b) { return b == 0xFF; });
}

// Resident set size in bytes, from /proc (0 where there is none).
std::int64_t residentBytes() {
  std::ifstream statm("/proc/self/statm");
  std::int64_t total = 0, resident = 0;
  statm >> total >> resident;
  return resident * ::sysconf(_SC_PAGESIZE);
}

constexpr AvailableActions kReady{true, false, false, false, true, true};
constexpr AvailableActions kFinished{false, false, false, true, true, true};

TEST(Soak, TwoThousandExperimentsKeepCountersTrueAndStateIntact) {
  const fs::path dir = fs::temp_directory_path() / ("vok_soak_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  // 13 x 9 pixels: rows of 39 bytes carry one byte of padding in the file.
  constexpr std::int32_t kWidth = 13, kHeight = 9;
  Bytes pixels(kWidth * kHeight * 3);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 53);
  ASSERT_TRUE(writeBmp((dir / "pic.bmp").string(), pixels.data(), kWidth, kHeight));

  SilentObserver observer;
  Experiment e(observer, dir.string(), [](int) {});
  ASSERT_EQ(e.initialise(std::nullopt, std::nullopt), InitStatus::Ok);
  const auto n = static_cast<std::size_t>(e.symbolCount());
  const Bytes source = e.sourceImage();
  const CodeDescription code = e.codec()->code();
  const DecoderSchedule schedule = e.codec()->schedule();
  const std::int32_t length = e.branchLength();
  const float rate = e.codeRate();

  // P0 in turn for each block of 100 experiments; 0 proves that the source
  // branches still encode the source picture.
  const float p0s[] = {0.25f, 0.1f, 0.0f, 0.4f, 0.05f};
  std::int64_t totalChannelErrors = 0;
  std::int64_t residentAfterWarmUp = 0;
  for (int x = 0; x < 2000; ++x) {
    SCOPED_TRACE(testing::Message() << "experiment " << x);
    if (x % 100 == 0) {
      e.applySettings(p0s[(x / 100) % 5], 1000 + x);
      ASSERT_EQ(e.available(), kReady);
    }
    e.transmit();
    ASSERT_EQ(e.channelErrors(), differences(e.channelImage(), source, n));
    ASSERT_TRUE(std::equal(e.channelImage().begin(), e.channelImage().begin() + n,
                           e.decodedImage().begin()));
    ASSERT_TRUE(std::all_of(e.channelImage().begin() + n, e.channelImage().end(),
                            [](std::uint8_t b) { return b == 0xFF; }));
    if (e.p0() == 0.0f) {
      ASSERT_EQ(e.channelErrors(), 0);
    }
    totalChannelErrors += e.channelErrors();

    e.decodeAll();
    ASSERT_EQ(e.decoderErrors(), differences(e.decodedImage(), source, n));
    ASSERT_GE(e.iteration(), 1);
    ASSERT_LE(e.iteration(), e.itert());
    if (e.iteration() < e.itert()) {
      ASSERT_EQ(e.decoderErrors(), 0) << "stopped early with errors";
    }
    if (e.p0() == 0.0f) {
      ASSERT_EQ(e.iteration(), 1);
    }
    ASSERT_EQ(e.available(), kFinished);

    ASSERT_EQ(e.sourceImage(), source);
    ASSERT_EQ(e.codec()->code(), code);
    ASSERT_EQ(e.codec()->schedule(), schedule);
    ASSERT_EQ(e.branchLength(), length);
    ASSERT_EQ(e.codeRate(), rate);

    e.repeat();
    ASSERT_TRUE(allWhite(e.channelImage()) && allWhite(e.decodedImage()));
    ASSERT_EQ(e.available(), kReady);
    if (x == 199) residentAfterWarmUp = residentBytes();
  }
  EXPECT_TRUE(observer.failures.empty());
  // About a quarter, a tenth, ... of 351 symbols per experiment.
  EXPECT_GT(totalChannelErrors, 2000 * 351 / 20);
  // Nothing is allocated per experiment, so the process must not grow.
  EXPECT_LT(residentBytes() - residentAfterWarmUp, 4 << 20);
  e.shutDown();
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vok
