// CRC-32 (zlib's, the one of PNG and gzip) of bytes, and the text it is
// shown as in reports and result files.
#ifndef VOK_COMMON_CHECKSUM_H_
#define VOK_COMMON_CHECKSUM_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vok {

// The CRC-32 of `size` bytes from `data`.
std::uint32_t crc32Of(const void* data, std::size_t size);
inline std::uint32_t crc32Of(std::string_view bytes) { return crc32Of(bytes.data(), bytes.size()); }

// Eight lower-case hexadecimal digits, leading zeros kept ("0012abcd").
std::string crc32Text(std::uint32_t crc);

}  // namespace vok

#endif  // VOK_COMMON_CHECKSUM_H_
