// The window's picture import: files read by picture_files, pictures that
// are not 24-bit BMPs decoded by Qt's image reader in this process.
#include "import/picture_import.h"

#include <QImageReader>
#include <utility>

namespace vok {
namespace {

DecodedPicture decodeBytes(std::span<const std::uint8_t> file) {
  return decodeWithQt(file, &pictureSizeSupported);
}

}  // namespace

QImage imageOf(const std::uint8_t* pixels, std::int32_t width, std::int32_t height) {
  QImage image(width, height, QImage::Format_RGB32);
  if (image.isNull()) return image;
  for (std::int32_t r = 0; r < height; ++r) {
    const std::uint8_t* src = pixels + std::int64_t{r} * width * 3;
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(height - 1 - r));
    for (std::int32_t c = 0; c < width; ++c, src += 3) line[c] = qRgb(src[2], src[1], src[0]);
  }
  return image;
}

PictureOutcome importPicture(const std::string& path, std::optional<PaneSize> pane,
                             LoadedPicture& out) {
  return importPictureWith(&decodeBytes, path, pane, out);
}

PictureOutcome importPictureFromBytes(std::span<const std::uint8_t> bytes, std::string_view name,
                                      std::optional<PaneSize> pane, LoadedPicture& out) {
  return importPictureBytesWith(&decodeBytes, bytes, name, pane, out);
}

PictureReader pictureFileReader(std::string path) {
  return pictureReaderWith(&decodeBytes, std::move(path));
}

QStringList readablePicturePatterns() {
  QStringList patterns;
  for (const QByteArray& format : QImageReader::supportedImageFormats()) {
    patterns << QStringLiteral("*.") + QString::fromLatin1(format).toLower();
  }
  patterns.removeDuplicates();
  return patterns;
}

}  // namespace vok
