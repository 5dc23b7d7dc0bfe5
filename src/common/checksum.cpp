#include "common/checksum.h"

#include <zlib.h>

#include <array>
#include <charconv>

namespace vok {

std::uint32_t crc32Of(const void* data, std::size_t size) {
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, static_cast<const Bytef*>(data), static_cast<uInt>(size));
  return static_cast<std::uint32_t>(crc);
}

std::string crc32Text(std::uint32_t crc) {
  std::array<char, 8> buffer{};
  const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), crc, 16);
  std::string text(buffer.data(), r.ptr);
  return std::string(8 - text.size(), '0') + text;
}

}  // namespace vok
