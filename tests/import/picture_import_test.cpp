// Pictures of other formats read through Qt: the same buffers as the 24-bit
// BMP of the same pixels, orientation, transparency, the size refusal before
// decoding, and the messages that name the file.
#include "import/picture_import.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryDir>
#include <cstdint>
#include <cstring>
#include <vector>

#include "picture/bmp_writer.h"

namespace vok {
namespace {

// A varied width x height picture in the loader's layout (bottom row first).
std::vector<std::uint8_t> pixels(int width, int height) {
  std::vector<std::uint8_t> p(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = static_cast<std::uint8_t>(i * 7 + i / 5);
  return p;
}

std::vector<std::uint8_t> encoded(const QImage& image, const char* format, int quality = -1) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (quality >= 0) writer.setQuality(quality);
  EXPECT_TRUE(writer.write(image)) << format << ": " << writer.errorString().toStdString();
  return {bytes.begin(), bytes.end()};
}

LoadedPicture load(const std::vector<std::uint8_t>& file, std::optional<PaneSize> pane,
                   InitStatus expected = InitStatus::Ok) {
  LoadedPicture out;
  const PictureOutcome outcome = importPictureFromBytes(file, "photo", pane, out);
  EXPECT_EQ(outcome.status, expected) << outcome.message;
  return out;
}

void expectSameBuffers(const LoadedPicture& a, const LoadedPicture& b) {
  EXPECT_EQ(a.picture, b.picture);
  EXPECT_EQ(a.imageBytes, b.imageBytes);
  EXPECT_EQ(a.symbolCount, b.symbolCount);
  EXPECT_EQ(a.sourceImage, b.sourceImage);
  EXPECT_EQ(a.channelImage, b.channelImage);
  EXPECT_EQ(a.decodedImage, b.decodedImage);
}

TEST(PictureImport, LosslessFormatsGiveTheBuffersOfTheBmpOfTheSamePixels) {
  // Odd widths, so the BMP rows carry padding; with and without reduction.
  for (const auto& [w, h] : {std::pair{7, 5}, std::pair{301, 100}}) {
    const auto p = pixels(w, h);
    const std::vector<std::uint8_t> bmp = encodeBmp(p.data(), w, h);
    const QImage image = imageOf(p.data(), w, h);
    for (const std::optional<PaneSize> pane :
         {std::optional<PaneSize>{}, std::optional{PaneSize{200, 150}}}) {
      LoadedPicture fromBmp;
      ASSERT_EQ(loadPictureFromBytes(bmp, pane, fromBmp), PictureLoadStatus::Loaded);
      for (const char* format : {"png", "tiff", "ppm"}) {
        SCOPED_TRACE(format);
        expectSameBuffers(load(encoded(image, format), pane), fromBmp);
      }
      SCOPED_TRACE("webp");
      expectSameBuffers(load(encoded(image, "webp", 100), pane), fromBmp);  // lossless at 100
    }
  }
}

TEST(PictureImport, LossyAndPaletteFormatsOpen) {
  const QImage image = imageOf(pixels(33, 17).data(), 33, 17);
  const LoadedPicture jpeg = load(encoded(image, "jpeg"), std::nullopt);
  EXPECT_EQ(jpeg.picture, (Picture{33, 17}));
  EXPECT_EQ(jpeg.symbolCount, 33 * 17 * 3);
  // Qt writes no GIF: a 1 x 1 GIF whose one pixel is transparent.
  const std::vector<std::uint8_t> gif = {
      'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, '!', 0xF9, 4,
      1,   0,   0,   0,   0,   ',', 0, 0, 0, 0, 1,    0, 1, 0, 0, 2, 2,    'D',  1,    0,   ';'};
  const LoadedPicture g = load(gif, std::nullopt);
  EXPECT_EQ(g.picture, (Picture{1, 1}));
  EXPECT_EQ(std::vector<std::uint8_t>(g.sourceImage.begin(), g.sourceImage.begin() + 3),
            std::vector<std::uint8_t>(3, 0xFF));
}

TEST(PictureImport, TransparencyIsCompositedOverWhite) {
  QImage image(3, 1, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgba(255, 0, 0, 0));     // fully transparent: white
  image.setPixel(1, 0, qRgba(0, 0, 0, 128));     // half black: mid grey
  image.setPixel(2, 0, qRgba(10, 20, 30, 255));  // opaque: unchanged
  const LoadedPicture p = load(encoded(image, "png"), std::nullopt);
  const std::vector<std::uint8_t> expected = {255, 255, 255, 127, 127, 127, 30, 20, 10};
  EXPECT_EQ(std::vector<std::uint8_t>(p.sourceImage.begin(), p.sourceImage.begin() + 9), expected);
}

TEST(PictureImport, OrientationFromTheFileIsApplied) {
  // 4 x 2 with a marked top-left pixel, stored with a quarter turn clockwise.
  QImage image(4, 2, QImage::Format_RGB32);
  image.fill(qRgb(0, 200, 0));
  image.setPixel(0, 0, qRgb(0, 0, 255));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "tiff");
  writer.setTransformation(QImageIOHandler::TransformationRotate90);
  ASSERT_TRUE(writer.write(image));
  const LoadedPicture p = load({bytes.begin(), bytes.end()}, std::nullopt);
  ASSERT_EQ(p.picture, (Picture{2, 4}));
  // Turned clockwise, the marked pixel is at the top right: the last stored
  // row (the top), second column.
  const std::uint8_t* topRight = p.sourceImage.data() + (3 * 2 + 1) * 3;
  EXPECT_EQ(topRight[0], 255);
  EXPECT_EQ(topRight[2], 0);
}

// A PNG whose header claims width x height, with no pixel data.
std::vector<std::uint8_t> pngHeaderClaiming(std::uint32_t width, std::uint32_t height) {
  QImage small(1, 1, QImage::Format_RGB32);
  small.fill(Qt::white);
  std::vector<std::uint8_t> png = encoded(small, "png");
  auto put = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) png[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
  };
  put(16, width);
  put(20, height);
  // The IHDR chunk's CRC-32 over its type and data (bytes 12..28).
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 12; i < 29; ++i) {
    crc ^= png[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  put(29, ~crc);
  return png;
}

TEST(PictureImport, AHugeClaimedSizeIsRefusedBeforeDecodingWithTheSizeMessage) {
  LoadedPicture out;
  const PictureOutcome o =
      importPictureFromBytes(pngHeaderClaiming(100000, 100000), "huge.png", std::nullopt, out);
  EXPECT_EQ(o.status, InitStatus::PictureUnsupported);
  EXPECT_EQ(o.message, "Размер или формат рисунка huge.png не поддерживается");
  EXPECT_TRUE(out.sourceImage.empty());
}

TEST(PictureImport, AGifScreenBeyondTheLimitIsRefusedThoughItsFrameIsSmall) {
  // Qt's GIF reader reports the 1 x 1 frame as the size but allocates the
  // whole logical screen (here 65535 x 65535) before reading a pixel.
  const std::vector<std::uint8_t> gif = {
      'G',  'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 0,   0, 0, 0xFF, 0xFF,
      0xFF, ',', 0,   0,   0,   0,   1,    0,    1,    0,    0,    2, 2, 'D', 1, 0, ';'};
  LoadedPicture out;
  const PictureOutcome o = importPictureFromBytes(gif, "wide.gif", std::nullopt, out);
  EXPECT_EQ(o.status, InitStatus::PictureUnsupported);
  EXPECT_EQ(o.message, "Размер или формат рисунка wide.gif не поддерживается");
  EXPECT_TRUE(out.sourceImage.empty());
}

TEST(PictureImport, APngChunkLongerThanTheFileIsRefusedBeforeDecoding) {
  // The PNG library would allocate the claimed length (here about 1.5 GB)
  // before finding the file short.
  QImage small(3, 2, QImage::Format_RGB32);
  small.fill(Qt::white);
  std::vector<std::uint8_t> png = encoded(small, "png");
  const std::vector<std::uint8_t> chunk = {0x5A, 0, 0, 0, 't', 'E', 'X', 't', 'a', 'b'};
  png.insert(png.begin() + 33, chunk.begin(), chunk.end());  // after IHDR
  LoadedPicture out;
  const PictureOutcome o = importPictureFromBytes(png, "short.png", std::nullopt, out);
  EXPECT_EQ(o.status, InitStatus::PictureUnreadable);
  EXPECT_TRUE(out.sourceImage.empty());

  // Nor is the reader asked for such a file's size, which reads the chunks.
  QByteArray bytes(reinterpret_cast<const char*>(png.data()), static_cast<qsizetype>(png.size()));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  EXPECT_FALSE(decodedSizeBound(buffer).isValid());
  EXPECT_EQ(buffer.pos(), 0);
}

TEST(PictureImport, FilesThatCannotBeReadAreNamedInTheirMessages) {
  QTemporaryDir dir;
  const std::string missing = dir.filePath("nothere.png").toStdString();
  LoadedPicture out;
  PictureOutcome o = importPicture(missing, std::nullopt, out);
  EXPECT_EQ(o.status, InitStatus::FileMissing);
  EXPECT_EQ(o.message, "Файл nothere.png не найден");
  o = importPicture(dir.path().toStdString(), std::nullopt, out);  // a folder
  EXPECT_EQ(o.status, InitStatus::FileMissing);

  const std::vector<std::uint8_t> junk = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'};
  o = importPictureFromBytes(junk, "broken.jpg", std::nullopt, out);
  EXPECT_EQ(o.status, InitStatus::PictureUnreadable);
  EXPECT_EQ(o.message,
            "Не удалось прочитать рисунок broken.jpg: формат не распознан или файл повреждён");
  EXPECT_TRUE(out.sourceImage.empty());
}

TEST(PictureImport, ATwentyFourBitBmpGoesToTheLoaderWithItsRefusals) {
  // A top-down 24-bit BMP is refused by the loader, even though Qt reads it.
  const auto p = pixels(4, 4);
  std::vector<std::uint8_t> bmp = encodeBmp(p.data(), 4, 4);
  const std::int32_t negative = -4;
  std::memcpy(bmp.data() + 22, &negative, 4);
  LoadedPicture out;
  const PictureOutcome o = importPictureFromBytes(bmp, "top-down.bmp", std::nullopt, out);
  EXPECT_EQ(o.status, InitStatus::PictureUnsupported);
  EXPECT_EQ(o.message, "Размер или формат рисунка top-down.bmp не поддерживается");
}

// vok-sim reads through a decoder it may fail to load: a 24-bit BMP never
// asks for one, and a decoder's failure or refusal reaches the user named.
TEST(PictureFiles, OnlyOtherFormatsAskTheDecoderAndItsFailuresAreNamed) {
  int asked = 0;
  DecodedPicture answer;
  const PictureDecoder decoder = [&](std::span<const std::uint8_t>) {
    ++asked;
    return answer;
  };
  QTemporaryDir dir;
  const std::string bmpPath = dir.filePath("four.bmp").toStdString();
  const auto p = pixels(4, 4);
  ASSERT_TRUE(writeBmp(bmpPath, p.data(), 4, 4));
  LoadedPicture out;
  EXPECT_EQ(importPictureWith(decoder, bmpPath, std::nullopt, out).status, InitStatus::Ok);
  EXPECT_EQ(asked, 0);

  const std::vector<std::uint8_t> other = encoded(imageOf(p.data(), 4, 4), "png");
  answer.status = DecodeStatus::kNoDecoder;
  answer.failure = "модуль не найден";
  PictureOutcome o = importPictureBytesWith(decoder, other, "four.png", std::nullopt, out);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(o.status, InitStatus::PictureUnreadable);
  EXPECT_EQ(o.message, "Не удалось прочитать рисунок four.png: модуль не найден");
  EXPECT_TRUE(out.sourceImage.empty());
  answer.status = DecodeStatus::kUnsupported;
  o = importPictureBytesWith(decoder, other, "four.png", std::nullopt, out);
  EXPECT_EQ(o.message, "Размер или формат рисунка four.png не поддерживается");

  // What the decoder gives is loaded as the BMP it is.
  answer.status = DecodeStatus::kDecoded;
  answer.bmp = encodeBmp(p.data(), 4, 4);
  o = importPictureBytesWith(decoder, other, "four.png", std::nullopt, out);
  EXPECT_EQ(o.status, InitStatus::Ok);
  EXPECT_EQ(out.sourceImage, std::vector<std::uint8_t>(p.begin(), p.end()));
}

TEST(PictureImport, APaletteBmpIsReadThroughQt) {
  const QImage indexed =
      imageOf(pixels(20, 12).data(), 20, 12).convertToFormat(QImage::Format_Indexed8);
  const std::vector<std::uint8_t> bmp = encoded(indexed, "bmp");
  ASSERT_NE(bmp[28], 24);
  const LoadedPicture p = load(bmp, std::nullopt);
  EXPECT_EQ(p.picture, (Picture{20, 12}));
}

}  // namespace
}  // namespace vok
