// Tests of fitting a picture into a pane and of the correction map.
#include "picture/pane_geometry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace vok {
namespace {

TEST(FitToPane, LargestWholeScaleCentredWithOddMarginRightOrBelow) {
  EXPECT_EQ(fitToPane(200, 150, 200, 150), (PaneGeometry{1, 0, 0}));
  EXPECT_EQ(fitToPane(200, 150, 1, 1), (PaneGeometry{150, 25, 0}));
  EXPECT_EQ(fitToPane(200, 150, 67, 134), (PaneGeometry{1, 66, 8}));
  EXPECT_EQ(fitToPane(200, 150, 195, 150), (PaneGeometry{1, 2, 0}));
  EXPECT_EQ(fitToPane(400, 300, 150, 50), (PaneGeometry{2, 50, 100}));
}

TEST(FitToPane, PictureLargerThanThePaneGetsScaleZero) {
  EXPECT_EQ(fitToPane(200, 150, 800, 2), (PaneGeometry{0, 100, 75}));
}

TEST(FitToPane, DegenerateInputsNeverGiveNegativeGeometry) {
  EXPECT_EQ(fitToPane(-10, -4, 3, 3), (PaneGeometry{0, 0, 0}));
  EXPECT_EQ(fitToPane(200, 150, 0, 0), (PaneGeometry{0, 100, 75}));
}

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kGuard = 0x77;

// Correction map of one-pixel-per-case pictures; a guard pixel after them
// must stay untouched.
Bytes mapOf(const Bytes& source, const Bytes& channel, const Bytes& decoded) {
  Bytes map(source.size() + 3, kGuard);
  buildCorrectionMap(source.data(), channel.data(), decoded.data(),
                     static_cast<std::int32_t>(source.size() / 3), 1, map.data());
  return map;
}

TEST(BuildCorrectionMap, ComparesWholePixels) {
  // Pixel 0: channel corrupted it, decoder left it: white (still an error).
  // Pixel 1: decoder restored the source: blue.
  // Pixel 2: decoder restored blue but red still differs: red.
  // Pixel 3: channel left it intact, decoder changed it: red.
  // Pixel 4: nothing happened anywhere: white.
  const Bytes source = {10, 20, 30, 10, 20, 30, 10, 20, 30, 10, 20, 30, 1, 2, 3};
  const Bytes channel = {99, 20, 30, 99, 20, 30, 99, 20, 99, 10, 20, 30, 1, 2, 3};
  const Bytes decoded = {99, 20, 30, 10, 20, 30, 10, 20, 99, 10, 21, 30, 1, 2, 3};
  const Bytes expected = {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00,   0x00,   0xFF,
                          0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, kGuard, kGuard, kGuard};
  EXPECT_EQ(mapOf(source, channel, decoded), expected);
}

TEST(BuildCorrectionMap, UntransmittedPicturesGiveAnAllWhiteMap) {
  const Bytes source = {1, 2, 3, 4, 5, 6};
  const Bytes white(6, 0xFF);
  EXPECT_EQ(mapOf(source, white, white),
            (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, kGuard, kGuard, kGuard}));
}

}  // namespace
}  // namespace vok
