// A 24-bit BMP is read by the loader; anything else by QImageReader, whose
// size is checked against the loader's limits before it decodes a pixel.
#include "import/picture_import.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <cstring>
#include <utility>

namespace vok {
namespace {

constexpr std::size_t kBmpHeaderBytes = 54;

// The largest image Qt may allocate while decoding: a picture of as many
// pixels as the loader takes, at 8 bytes per pixel (16-bit colour with
// alpha), in MiB.
int allocationLimitMiB() {
  const std::int64_t pixels = kMaxTotalImageBytes / 4 / 3;
  return static_cast<int>((pixels * 8 + (1 << 20) - 1) >> 20);
}

std::string nameOf(const QString& path) { return QFileInfo(path).fileName().toStdString(); }

// Whether the first bytes are those of a 24-bit BMP ("BM", biBitCount 24):
// such a file goes to the loader unchanged, whatever else its header says.
bool isBmp24(const QByteArray& head) {
  if (head.size() < 30 || head[0] != 'B' || head[1] != 'M') return false;
  const auto low = static_cast<std::uint8_t>(head[28]);
  const auto high = static_cast<std::uint8_t>(head[29]);
  return low == 24 && high == 0;
}

void put16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t* at, std::uint32_t value) {
  put16(at, value);
  put16(at + 2, value >> 16);
}

// One colour channel `c` of alpha `a` over white, rounded to nearest.
std::uint8_t overWhite(int c, int a) {
  return static_cast<std::uint8_t>((c * a + 255 * (255 - a) + 127) / 255);
}

// Whether every chunk of a PNG on `device` fits in the file. The PNG
// library allocates a chunk's claimed length before it reads the chunk, so
// a file of a few bytes could otherwise make it ask for gigabytes; such a
// file is damaged and refused before decoding. Other formats pass.
bool pngChunksFit(QIODevice& device) {
  static constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
  if (device.peek(8) != QByteArray(kSignature, 8)) return true;
  const qint64 size = device.size();
  qint64 at = 8;
  bool fits = true;
  while (at < size) {
    if (!device.seek(at)) break;
    const QByteArray head = device.read(8);
    if (head.size() < 8) break;  // a short tail is left to the decoder
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length = (length << 8) | static_cast<std::uint8_t>(head[i]);
    if (static_cast<qint64>(length) + 12 > size - at) {
      fits = false;
      break;
    }
    if (head.mid(4, 4) == "IEND") break;
    at += static_cast<qint64>(length) + 12;
  }
  device.seek(0);
  return fits;
}

// A GIF's logical screen (width and height after the signature), or an
// invalid size when the bytes are not a GIF's start.
QSize gifScreenSize(const QByteArray& head) {
  if (head.size() < 10 || !(head.startsWith("GIF87a") || head.startsWith("GIF89a"))) return {};
  const auto le16 = [&head](int at) {
    return static_cast<std::uint8_t>(head[at]) | (static_cast<std::uint8_t>(head[at + 1]) << 8);
  };
  return {le16(6), le16(8)};
}

PictureOutcome decodeWithQt(QIODevice& device, const std::string& name,
                            std::optional<PaneSize> pane, LoadedPicture& out) {
  if (!pngChunksFit(device)) {
    return {InitStatus::PictureUnreadable, pictureUnreadableMessage(name)};
  }
  // The reader decides the format from the content, so that a file with a
  // wrong or missing suffix still reads.
  const QSize canvas = decodedSizeBound(device);
  if (canvas.isValid() && !pictureSizeSupported(canvas.width(), canvas.height())) {
    return outcomeOf(PictureLoadStatus::Unsupported, name);
  }
  QImageReader reader(&device);
  reader.setDecideFormatFromContent(true);
  reader.setAutoTransform(true);
  reader.setAllocationLimit(allocationLimitMiB());
  const QImage image = reader.read();
  if (image.isNull()) {
    return {InitStatus::PictureUnreadable, pictureUnreadableMessage(name)};
  }
  if (!pictureSizeSupported(image.width(), image.height())) {
    return outcomeOf(PictureLoadStatus::Unsupported, name);
  }
  const std::vector<std::uint8_t> file = bmpFileOf(image);
  return outcomeOf(loadPictureFromBytes(file, pane, out), name);
}

}  // namespace

std::vector<std::uint8_t> bmpFileOf(const QImage& image) {
  const bool alpha = image.hasAlphaChannel();
  const QImage argb = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  const std::int64_t width = argb.width();
  const std::int64_t height = argb.height();
  const std::int64_t rowStride = (width * 3 + 3) / 4 * 4;
  const std::int64_t imageBytes = rowStride * height;
  std::vector<std::uint8_t> file(kBmpHeaderBytes + static_cast<std::size_t>(imageBytes), 0);
  std::uint8_t* h = file.data();
  h[0] = 'B';
  h[1] = 'M';
  put32(h + 2, static_cast<std::uint32_t>(file.size()));
  put32(h + 10, kBmpHeaderBytes);
  put32(h + 14, 40);
  put32(h + 18, static_cast<std::uint32_t>(width));
  put32(h + 22, static_cast<std::uint32_t>(height));
  put16(h + 26, 1);
  put16(h + 28, 24);
  put32(h + 34, static_cast<std::uint32_t>(imageBytes));
  // The file's first row is the picture's bottom row.
  for (std::int64_t r = 0; r < height; ++r) {
    const auto* line =
        reinterpret_cast<const QRgb*>(argb.constScanLine(static_cast<int>(height - 1 - r)));
    std::uint8_t* dst = h + kBmpHeaderBytes + r * rowStride;
    for (std::int64_t c = 0; c < width; ++c, dst += 3) {
      const QRgb p = line[c];
      const int a = alpha ? qAlpha(p) : 255;
      dst[0] = overWhite(qBlue(p), a);
      dst[1] = overWhite(qGreen(p), a);
      dst[2] = overWhite(qRed(p), a);
    }
  }
  return file;
}

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
  out = LoadedPicture{};
  const QString file = QFile::decodeName(path.c_str());
  const std::string name = nameOf(file);
  const QFileInfo info(file);
  QFile device(file);
  if (!info.exists() || info.isDir() || !device.open(QIODevice::ReadOnly)) {
    return outcomeOf(PictureLoadStatus::FileMissing, name);
  }
  if (isBmp24(device.peek(30))) {
    device.close();
    return outcomeOf(loadPicture(path, pane, out), name);
  }
  return decodeWithQt(device, name, pane, out);
}

PictureOutcome importPictureFromBytes(std::span<const std::uint8_t> bytes, std::string_view name,
                                      std::optional<PaneSize> pane, LoadedPicture& out) {
  out = LoadedPicture{};
  const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                  static_cast<qsizetype>(bytes.size()));
  if (isBmp24(data.left(30))) {
    return outcomeOf(loadPictureFromBytes(bytes, pane, out), name);
  }
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  return decodeWithQt(buffer, std::string(name), pane, out);
}

QSize decodedSizeBound(QIODevice& device) {
  // Asking the reader for a damaged PNG's size would already make the PNG
  // library allocate a chunk's claimed length.
  if (!pngChunksFit(device)) return {};
  const QSize screen = gifScreenSize(device.peek(10));
  QSize size;
  {
    QImageReader reader(&device);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    size = reader.size();
    if (size.isValid() && (reader.transformation() & QImageIOHandler::TransformationRotate90)) {
      size.transpose();
    }
  }
  device.seek(0);
  if (!screen.isValid()) return size;
  return size.isValid() ? size.expandedTo(screen) : screen;
}

PictureReader pictureFileReader(std::string path) {
  return [path = std::move(path)](std::optional<PaneSize> pane, LoadedPicture& out) {
    return importPicture(path, pane, out);
  };
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
