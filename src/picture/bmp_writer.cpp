// Writing packed BGR image buffers as standard 24-bit BMP files.
#include "picture/bmp_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vok {
namespace {

void put16(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t value) {
  v[at] = static_cast<std::uint8_t>(value);
  v[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t value) {
  put16(v, at, value & 0xFFFF);
  put16(v, at + 2, value >> 16);
}

}  // namespace

// A negative width or height is written as 0 (a picture without pixels).
std::vector<std::uint8_t> encodeBmp(const std::uint8_t* pixels, std::int32_t width,
                                    std::int32_t height) {
  const auto w = static_cast<std::size_t>(std::max(width, std::int32_t{0}));
  const auto h = static_cast<std::size_t>(std::max(height, std::int32_t{0}));
  const std::size_t rowBytes = w * 3;
  const std::size_t rowStride = (rowBytes + 3) / 4 * 4;
  const std::size_t pixelBytes = rowStride * h;
  constexpr std::size_t kHeaders = 14 + 40;
  constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 dpi

  std::vector<std::uint8_t> file(kHeaders + pixelBytes, 0);
  file[0] = 'B';
  file[1] = 'M';
  put32(file, 2, static_cast<std::uint32_t>(file.size()));
  put32(file, 10, kHeaders);
  put32(file, 14, 40);
  put32(file, 18, static_cast<std::uint32_t>(w));
  put32(file, 22, static_cast<std::uint32_t>(h));
  put16(file, 26, 1);   // planes
  put16(file, 28, 24);  // bits per pixel
  put32(file, 34, static_cast<std::uint32_t>(pixelBytes));
  put32(file, 38, kPixelsPerMetre);
  put32(file, 42, kPixelsPerMetre);
  for (std::size_t r = 0; r < h && rowBytes > 0; ++r) {
    std::memcpy(file.data() + kHeaders + r * rowStride, pixels + r * rowBytes, rowBytes);
  }
  return file;
}

bool writeBmp(const std::string& path, const std::uint8_t* pixels, std::int32_t width,
              std::int32_t height) {
  const std::vector<std::uint8_t> bytes = encodeBmp(pixels, width, height);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  return written && closed;
}

}  // namespace vok
