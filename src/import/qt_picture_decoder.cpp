// Qt's image reader behind a picture import: every format it handles, its
// size checked against the loader's limits before it decodes a pixel.
#include "import/qt_picture_decoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <algorithm>

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

}  // namespace

DecodedPicture decodeWithQt(QIODevice& device, PictureSizeCheck supported) {
  DecodedPicture decoded;
  if (!pngChunksFit(device)) return decoded;
  const QSize canvas = decodedSizeBound(device);
  if (canvas.isValid() && !supported(canvas.width(), canvas.height())) {
    decoded.status = DecodeStatus::kUnsupported;
    return decoded;
  }
  QImageReader reader(&device);
  reader.setDecideFormatFromContent(true);
  reader.setAutoTransform(true);
  reader.setAllocationLimit(allocationLimitMiB());
  const QImage image = reader.read();
  if (image.isNull()) return decoded;
  if (!supported(image.width(), image.height())) {
    decoded.status = DecodeStatus::kUnsupported;
    return decoded;
  }
  decoded.bmp = bmpFileOf(image);
  decoded.status = DecodeStatus::kDecoded;
  return decoded;
}

DecodedPicture decodeWithQt(std::span<const std::uint8_t> file, PictureSizeCheck supported) {
  QBuffer buffer;
  buffer.setData(QByteArray::fromRawData(reinterpret_cast<const char*>(file.data()),
                                         static_cast<qsizetype>(file.size())));
  buffer.open(QIODevice::ReadOnly);
  return decodeWithQt(buffer, supported);
}

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

}  // namespace vok
