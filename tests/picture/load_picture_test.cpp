// Tests of reading the 24-bit picture and thinning it out for the source pane.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "picture/bmp_writer.h"
#include "picture/picture.h"

namespace vok {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Pixel (row r, column c) tells where it came from: blue = r, green = c,
// red = the high bits of both.
Bytes patternPixels(std::int32_t w, std::int32_t h) {
  Bytes p(static_cast<std::size_t>(w) * h * 3);
  for (std::int32_t r = 0; r < h; ++r) {
    for (std::int32_t c = 0; c < w; ++c) {
      const std::size_t at = (static_cast<std::size_t>(r) * w + c) * 3;
      p[at] = static_cast<std::uint8_t>(r);
      p[at + 1] = static_cast<std::uint8_t>(c);
      p[at + 2] = static_cast<std::uint8_t>((r >> 8) | ((c >> 8) << 4));
    }
  }
  return p;
}

void put32(Bytes& file, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A 24-bit file whose header claims w x h, with no pixel array at all.
Bytes headerOnly(std::int32_t w, std::int32_t h, std::uint16_t bits = 24) {
  Bytes file = encodeBmp(nullptr, 0, 0);
  put32(file, 18, static_cast<std::uint32_t>(w));
  put32(file, 22, static_cast<std::uint32_t>(h));
  file[28] = static_cast<std::uint8_t>(bits);
  file[29] = static_cast<std::uint8_t>(bits >> 8);
  return file;
}

constexpr PaneSize kPane{200, 150};

struct ReductionCase {
  std::int32_t w, h, reducedW, reducedH;
};

TEST(ReducePicture, SizesFollowTheRuleChosenByTheFloatFactor) {
  const ReductionCase cases[] = {
      {200, 150, 200, 150},  // u = 1: unchanged
      {266, 100, 200, 75},   // 0.75 u <= 1: every fourth dropped
      {267, 100, 178, 67},   // every third dropped
      {300, 100, 200, 67},   // u = 1.5 exactly: still every third
      {301, 100, 150, 50},   // k = 2
      {400, 100, 200, 50},   // u = 2 exactly: k = 2
      {401, 100, 133, 33},   // k = 3
      {100, 200, 67, 134},   // u = 4/3 as a float exceeds 4/3: every third
      {800, 2, 800, 2},      // k = 4 keeps no row: unreduced
      {2, 1000, 2, 1000},    // k = 7 keeps no column: unreduced
      {1, 1, 1, 1},
  };
  for (const ReductionCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    const Bytes pixels = patternPixels(c.w, c.h);
    Bytes out(pixels.size());
    const Picture p = reducePicture(pixels.data(), c.w, c.h, kPane.width, kPane.height, out.data());
    EXPECT_EQ(p, (Picture{c.reducedW, c.reducedH}));

    LoadedPicture loaded;
    const Bytes file = encodeBmp(pixels.data(), c.w, c.h);
    ASSERT_EQ(loadPictureFromBytes(file, kPane, loaded), PictureLoadStatus::Loaded);
    EXPECT_EQ(loaded.picture, p);
    EXPECT_EQ(loaded.symbolCount, c.reducedW * c.reducedH * 3);
    EXPECT_EQ(loaded.imageBytes, c.h * ((c.w * 3 + 3) / 4 * 4));
  }
}

// Which rows and columns of an 8 x 8 picture survive in a square pane of the
// given side, read back from the pixels' own coordinates.
std::vector<int> survivors(std::int32_t paneSide, bool rows) {
  const Bytes pixels = patternPixels(8, 8);
  Bytes out(pixels.size());
  const Picture p = reducePicture(pixels.data(), 8, 8, paneSide, paneSide, out.data());
  std::vector<int> kept;
  const int n = rows ? p.height : p.width;
  for (int i = 0; i < n; ++i) {
    const std::size_t pixel = rows ? static_cast<std::size_t>(i) * p.width : i;
    kept.push_back(out[pixel * 3 + (rows ? 0 : 1)]);
  }
  return kept;
}

TEST(ReducePicture, KeepsTheRightRowsAndColumnsWithExactBytes) {
  using V = std::vector<int>;
  EXPECT_EQ(survivors(7, true), (V{0, 1, 2, 4, 5, 6}));  // u = 8/7: drop every fourth
  EXPECT_EQ(survivors(7, false), (V{0, 1, 2, 4, 5, 6}));
  EXPECT_EQ(survivors(6, true), (V{0, 1, 3, 4, 6, 7}));  // u = 4/3: drop every third
  EXPECT_EQ(survivors(6, false), (V{0, 1, 3, 4, 6, 7}));
  EXPECT_EQ(survivors(4, true), (V{1, 3, 5, 7}));  // u = 2: every second kept
  EXPECT_EQ(survivors(3, false), (V{2, 5}));       // u = 8/3: every third kept
  EXPECT_EQ(survivors(1, true), (V{7}));           // u = 8: k = 8
}

TEST(ReducePicture, InPlaceGivesTheSameAsIntoAnotherBuffer) {
  for (std::int32_t side : {7, 6, 4, 3, 1}) {
    Bytes pixels = patternPixels(8, 8);
    Bytes out(pixels.size());
    const Picture a = reducePicture(pixels.data(), 8, 8, side, side, out.data());
    const Picture b = reducePicture(pixels.data(), 8, 8, side, side, pixels.data());
    ASSERT_EQ(a, b);
    const std::size_t n = static_cast<std::size_t>(a.width) * a.height * 3;
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + n, pixels.begin())) << side;
  }
}

TEST(ReducePicture, HugeFactorEndsAndFallsBackUnreduced) {
  // u is about 2e9: counting k must stop early, and no pixel survives.
  const Bytes pixels = patternPixels(3, 2);
  Bytes out(pixels.size());
  EXPECT_EQ(reducePicture(pixels.data(), 3, 2, 1, 1, out.data()), (Picture{3, 2}));
  EXPECT_EQ(out, pixels);
  EXPECT_EQ(reducePicture(pixels.data(), 3, 2, 0, 0, out.data()), (Picture{3, 2}));
}

TEST(LoadPicture, OnePixelPaddingNeverReachesTheSource) {
  const Bytes pixel = {1, 2, 3};
  Bytes file = encodeBmp(pixel.data(), 1, 1);
  file.back() = 0xAB;  // the padding byte
  LoadedPicture p;
  ASSERT_EQ(loadPictureFromBytes(file, kPane, p), PictureLoadStatus::Loaded);
  EXPECT_EQ(p.imageBytes, 4);
  EXPECT_EQ(p.symbolCount, 3);
  EXPECT_EQ(p.sourceImage, (Bytes{1, 2, 3, 0xFF}));
  EXPECT_EQ(p.channelImage, Bytes(4, 0xFF));
  EXPECT_EQ(p.decodedImage, Bytes(4, 0xFF));
  EXPECT_EQ(p.correctionMap.size(), 4u);
}

TEST(LoadPicture, ReducedPictureIsFollowedByWhiteUpToImageBytes) {
  const Bytes pixels = patternPixels(266, 100);
  LoadedPicture p;
  ASSERT_EQ(loadPictureFromBytes(encodeBmp(pixels.data(), 266, 100), kPane, p),
            PictureLoadStatus::Loaded);
  ASSERT_EQ(p.sourceImage.size(), static_cast<std::size_t>(p.imageBytes));
  for (std::size_t i = p.symbolCount; i < p.sourceImage.size(); ++i) {
    ASSERT_EQ(p.sourceImage[i], 0xFF) << i;
  }
}

TEST(LoadPicture, NoPaneMeansNoReduction) {
  const Bytes pixels = patternPixels(401, 3);
  LoadedPicture p;
  ASSERT_EQ(loadPictureFromBytes(encodeBmp(pixels.data(), 401, 3), std::nullopt, p),
            PictureLoadStatus::Loaded);
  EXPECT_EQ(p.picture, (Picture{401, 3}));
  EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), p.sourceImage.begin()));
}

TEST(LoadPicture, LongInfoHeaderLoadsThroughTheOffset) {
  const Bytes pixels = patternPixels(5, 4);
  const Bytes plain = encodeBmp(pixels.data(), 5, 4);
  Bytes longer(plain.begin(), plain.begin() + 54);
  longer.resize(14 + 124, 0x5A);  // the rest of a 124-byte information header
  longer.insert(longer.end(), plain.begin() + 54, plain.end());
  put32(longer, 10, 14 + 124);
  put32(longer, 14, 124);
  LoadedPicture a, b;
  ASSERT_EQ(loadPictureFromBytes(plain, std::nullopt, a), PictureLoadStatus::Loaded);
  ASSERT_EQ(loadPictureFromBytes(longer, std::nullopt, b), PictureLoadStatus::Loaded);
  EXPECT_EQ(a.picture, b.picture);
  EXPECT_EQ(a.sourceImage, b.sourceImage);
}

TEST(LoadPicture, HeadersTooShortOrNot24BitAreRefusedAndLeaveNothing) {
  const Bytes pixels = patternPixels(4, 4);
  const Bytes good = encodeBmp(pixels.data(), 4, 4);
  LoadedPicture p;
  ASSERT_EQ(loadPictureFromBytes(good, kPane, p), PictureLoadStatus::Loaded);

  EXPECT_EQ(loadPictureFromBytes(std::span(good).first(20), kPane, p), PictureLoadStatus::Not24Bit);
  EXPECT_TRUE(p.sourceImage.empty());
  EXPECT_EQ(p.picture, Picture{});
  // The bit count's first byte is there, its second is not: the field stays 0.
  EXPECT_EQ(loadPictureFromBytes(std::span(good).first(29), kPane, p), PictureLoadStatus::Not24Bit);
  EXPECT_EQ(loadPictureFromBytes({}, kPane, p), PictureLoadStatus::Not24Bit);
  // 8 bits, whatever size the header claims.
  EXPECT_EQ(loadPictureFromBytes(headerOnly(100000, 100000, 8), kPane, p),
            PictureLoadStatus::Not24Bit);
  EXPECT_EQ(loadPictureFromBytes(headerOnly(4, 4, 32), kPane, p), PictureLoadStatus::Not24Bit);
}

TEST(LoadPicture, ShortPixelArrayIsFilledWithZeros) {
  const Bytes pixels = patternPixels(3, 3);  // rows of 9 bytes, stride 12
  Bytes file = encodeBmp(pixels.data(), 3, 3);
  file.resize(54 + 12 + 5);  // row 0 whole, 5 bytes of row 1
  LoadedPicture p;
  ASSERT_EQ(loadPictureFromBytes(file, std::nullopt, p), PictureLoadStatus::Loaded);
  EXPECT_EQ(p.picture, (Picture{3, 3}));
  ASSERT_EQ(p.imageBytes, 36);
  for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(p.sourceImage[i], pixels[i]);
  for (std::size_t i = 9; i < 14; ++i) EXPECT_EQ(p.sourceImage[i], pixels[i]);
  for (std::size_t i = 14; i < 27; ++i) EXPECT_EQ(p.sourceImage[i], 0) << i;
  for (std::size_t i = 27; i < 36; ++i) EXPECT_EQ(p.sourceImage[i], 0xFF) << i;
}

TEST(LoadPicture, PixelArrayOffsetPastTheEndReadsZeros) {
  // 30 bytes: the bit count is whole, the pixel offset (54) lies past the end.
  Bytes file = headerOnly(2, 1);
  file.resize(30);
  LoadedPicture p;
  ASSERT_EQ(loadPictureFromBytes(file, kPane, p), PictureLoadStatus::Loaded);
  EXPECT_EQ(p.sourceImage, (Bytes{0, 0, 0, 0, 0, 0, 0xFF, 0xFF}));

  Bytes far = headerOnly(2, 1);
  far.resize(far.size() + 8, 7);
  put32(far, 10, 0xFFFFFFF0u);  // an offset that is unsigned, not negative
  ASSERT_EQ(loadPictureFromBytes(far, kPane, p), PictureLoadStatus::Loaded);
  EXPECT_EQ(p.sourceImage, (Bytes{0, 0, 0, 0, 0, 0, 0xFF, 0xFF}));
}

TEST(LoadPicture, EmptyTopDownAndOversizedPicturesAreUnsupported) {
  LoadedPicture p;
  for (const auto& [w, h] : std::vector<std::pair<std::int32_t, std::int32_t>>{
           {0, 5},
           {5, 0},
           {-5, 5},
           {5, -5},  // top-down rows
           {INT32_MIN, INT32_MIN},
           {INT32_MAX, 1},  // rowStride overflows int32
           {1, INT32_MAX},  // imageBytes overflows int32
           {30000, 30000},  // fits int32 but 4 buffers exceed 1 GiB
           {16384, 5462},   // 4 * 268 468 224 bytes: just over 1 GiB
       }) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    EXPECT_EQ(loadPictureFromBytes(headerOnly(w, h), kPane, p), PictureLoadStatus::Unsupported);
    EXPECT_TRUE(p.sourceImage.empty());
  }
}

class LoadPictureFile : public testing::Test {
 protected:
  std::string pathFor(const char* name) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("vok_picture_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    dirs_.push_back(dir);
    return (dir / name).string();
  }
  void TearDown() override {
    for (const auto& d : dirs_) std::filesystem::remove_all(d);
  }
  std::vector<std::filesystem::path> dirs_;
};

TEST_F(LoadPictureFile, MissingFileOrDirectoryIsFileMissing) {
  LoadedPicture p;
  EXPECT_EQ(loadPicture(pathFor("absent.bmp"), kPane, p), PictureLoadStatus::FileMissing);
  EXPECT_TRUE(p.sourceImage.empty());
  const std::string dir = pathFor("pic.bmp");
  std::filesystem::create_directory(dir);
  EXPECT_EQ(loadPicture(dir, kPane, p), PictureLoadStatus::FileMissing);
}

TEST_F(LoadPictureFile, FileLoadsExactlyAsTheSameBytesInMemory) {
  // Padded rows, a long info header and a short pixel array all at once.
  const Bytes pixels = patternPixels(267, 101);
  Bytes file = encodeBmp(pixels.data(), 267, 101);
  Bytes longer(file.begin(), file.begin() + 54);
  longer.resize(14 + 108, 0);
  longer.insert(longer.end(), file.begin() + 54, file.end() - 1000);
  put32(longer, 10, 14 + 108);
  const std::string path = pathFor("pic.bmp");
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(longer.data()), std::streamsize(longer.size()));
  }
  LoadedPicture fromFile, fromBytes;
  ASSERT_EQ(loadPicture(path, kPane, fromFile), PictureLoadStatus::Loaded);
  ASSERT_EQ(loadPictureFromBytes(longer, kPane, fromBytes), PictureLoadStatus::Loaded);
  EXPECT_EQ(fromFile.picture, (Picture{178, 68}));
  EXPECT_EQ(fromFile.picture, fromBytes.picture);
  EXPECT_EQ(fromFile.sourceImage, fromBytes.sourceImage);
  EXPECT_EQ(fromFile.imageBytes, fromBytes.imageBytes);
}

TEST(EncodeBmp, RoundTripsEveryRowPadding) {
  for (std::int32_t w = 1; w <= 5; ++w) {
    const Bytes pixels = patternPixels(w, 3);
    const Bytes file = encodeBmp(pixels.data(), w, 3);
    EXPECT_EQ(file.size(), 54u + 3 * ((w * 3 + 3) / 4 * 4));
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    LoadedPicture p;
    ASSERT_EQ(loadPictureFromBytes(file, std::nullopt, p), PictureLoadStatus::Loaded);
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), p.sourceImage.begin())) << w;
  }
}

}  // namespace
}  // namespace vok
