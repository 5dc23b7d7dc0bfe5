// Loading of the 24-bit picture: the BMP headers are read field by field,
// the size is checked before anything is allocated, the rows are read
// without their padding straight into the source buffer, and the picture is
// then thinned out in place for the source pane.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "picture/picture.h"

namespace vok {
namespace {

constexpr std::size_t kHeaderBytes = 54;  // 14-byte file header + first 40 of the info header

// The header fields the loader uses; a field the file is too short to supply
// in full is 0.
struct BmpHeader {
  std::uint32_t bfOffBits = 0;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;
  std::uint16_t biBitCount = 0;
};

// Little-endian unsigned field of `size` bytes at `offset`, or 0 when the
// `available` header bytes do not hold all of it.
std::uint32_t field(const std::uint8_t* bytes, std::size_t available, std::size_t offset,
                    std::size_t size) {
  if (offset + size > available) return 0;
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value |= std::uint32_t{bytes[offset + i]} << (8 * i);
  return value;
}

// The fields are laid out as in the published format: bfType (0, 2),
// bfSize (2, 4), bfReserved (6, 4), bfOffBits (10, 4), biSize (14, 4),
// biWidth (18, 4), biHeight (22, 4), biPlanes (26, 2), biBitCount (28, 2),
// then biCompression .. biClrImportant, which nothing uses.
BmpHeader parseHeader(const std::uint8_t* bytes, std::size_t available) {
  BmpHeader h;
  h.bfOffBits = field(bytes, available, 10, 4);
  h.biWidth = static_cast<std::int32_t>(field(bytes, available, 18, 4));
  h.biHeight = static_cast<std::int32_t>(field(bytes, available, 22, 4));
  h.biBitCount = static_cast<std::uint16_t>(field(bytes, available, 28, 2));
  return h;
}

// Sizes of an accepted picture.
struct Layout {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t rowStride = 0;   // width * 3 rounded up to a multiple of 4
  std::int32_t imageBytes = 0;  // height * rowStride
};

// Refuses, with 64-bit arithmetic, pictures with no rows or columns (top-down
// bitmaps included) and pictures whose sizes do not fit int32 or whose four
// buffers together exceed kMaxTotalImageBytes.
std::optional<Layout> layoutOf(const BmpHeader& h) {
  if (h.biWidth <= 0 || h.biHeight <= 0) return std::nullopt;
  constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
  const std::int64_t rowStride = (std::int64_t{h.biWidth} * 3 + 3) / 4 * 4;
  if (rowStride > kInt32Max) return std::nullopt;
  const std::int64_t imageBytes = std::int64_t{h.biHeight} * rowStride;
  if (imageBytes > kInt32Max || imageBytes * 4 > kMaxTotalImageBytes) return std::nullopt;
  // symbolCount <= width * height * 3 <= imageBytes, so it fits as well.
  return Layout{h.biWidth, h.biHeight, static_cast<std::int32_t>(rowStride),
                static_cast<std::int32_t>(imageBytes)};
}

// Random access to the bytes of the file.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Copies up to n bytes from `offset` to `dst`; returns how many there were.
  virtual std::size_t readAt(std::uint64_t offset, std::uint8_t* dst, std::size_t n) = 0;
};

class SpanSource final : public ByteSource {
 public:
  explicit SpanSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::size_t readAt(std::uint64_t offset, std::uint8_t* dst, std::size_t n) override {
    if (offset >= bytes_.size()) return 0;
    const std::size_t count = std::min<std::uint64_t>(n, bytes_.size() - offset);
    std::memcpy(dst, bytes_.data() + offset, count);
    return count;
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

class FileSource final : public ByteSource {
 public:
  // `position` is where the file stands now.
  FileSource(std::FILE* file, std::uint64_t position) : file_(file), position_(position) {}
  std::size_t readAt(std::uint64_t offset, std::uint8_t* dst, std::size_t n) override {
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return 0;
    if (offset != position_) {
      if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return 0;
      position_ = offset;
    }
    const std::size_t count = std::fread(dst, 1, n, file_);
    position_ += count;
    return count;
  }

 private:
  std::FILE* file_;
  std::uint64_t position_;
};

// Everything after the header has been read: checks, allocates, reads the
// rows and reduces.
PictureLoadStatus loadFrom(ByteSource& source, const std::uint8_t* header, std::size_t headerBytes,
                           std::optional<PaneSize> pane, LoadedPicture& out) {
  const BmpHeader h = parseHeader(header, headerBytes);
  if (h.biBitCount != 24) return PictureLoadStatus::Not24Bit;
  const std::optional<Layout> layout = layoutOf(h);
  if (!layout) return PictureLoadStatus::Unsupported;

  const auto bytes = static_cast<std::size_t>(layout->imageBytes);
  LoadedPicture result;
  result.sourceImage.assign(bytes, 0);
  result.channelImage.assign(bytes, 0xFF);
  result.decodedImage.assign(bytes, 0xFF);
  result.correctionMap.assign(bytes, 0xFF);

  // The rows go without their padding straight into sourceImage; bytes the
  // file does not supply stay 0. Reading stops at the first short row.
  const auto rowBytes = static_cast<std::size_t>(layout->width) * 3;
  std::uint8_t* const pixels = result.sourceImage.data();
  for (std::int32_t r = 0; r < layout->height; ++r) {
    const std::uint64_t offset =
        std::uint64_t{h.bfOffBits} + std::uint64_t(r) * std::uint64_t(layout->rowStride);
    if (source.readAt(offset, pixels + r * rowBytes, rowBytes) < rowBytes) break;
  }

  Picture picture{layout->width, layout->height};
  if (pane) {
    picture =
        reducePicture(pixels, layout->width, layout->height, pane->width, pane->height, pixels);
  }
  result.picture = picture;
  result.imageBytes = layout->imageBytes;
  result.symbolCount = picture.width * picture.height * 3;
  std::fill(result.sourceImage.begin() + result.symbolCount, result.sourceImage.end(),
            std::uint8_t{0xFF});
  out = std::move(result);
  return PictureLoadStatus::Loaded;
}

}  // namespace

bool pictureSizeSupported(std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0 || width > std::numeric_limits<std::int32_t>::max() ||
      height > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  BmpHeader h;
  h.biWidth = static_cast<std::int32_t>(width);
  h.biHeight = static_cast<std::int32_t>(height);
  return layoutOf(h).has_value();
}

PictureLoadStatus loadPicture(const std::string& path, std::optional<PaneSize> pane,
                              LoadedPicture& out) {
  out = LoadedPicture{};
  const FilePtr file(std::fopen(path.c_str(), "rb"));
  // A directory opens for reading here but is no file to read: missing.
  struct stat info {};
  if (!file || fstat(fileno(file.get()), &info) != 0 || S_ISDIR(info.st_mode)) {
    return PictureLoadStatus::FileMissing;
  }
  std::uint8_t header[kHeaderBytes] = {};
  const std::size_t headerBytes = std::fread(header, 1, kHeaderBytes, file.get());
  FileSource source(file.get(), headerBytes);
  return loadFrom(source, header, headerBytes, pane, out);
}

PictureLoadStatus loadPictureFromBytes(std::span<const std::uint8_t> file,
                                       std::optional<PaneSize> pane, LoadedPicture& out) {
  out = LoadedPicture{};
  const std::size_t headerBytes = std::min(file.size(), kHeaderBytes);
  SpanSource source(file);
  return loadFrom(source, file.data(), headerBytes, pane, out);
}

}  // namespace vok
