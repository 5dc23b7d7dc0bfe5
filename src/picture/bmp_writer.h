// Writing an image buffer as a standard 24-bit BMP file, so that the
// pictures of an experiment can be looked at with any viewer.
#ifndef VOK_PICTURE_BMP_WRITER_H_
#define VOK_PICTURE_BMP_WRITER_H_

#include <cstdint>
#include <string>
#include <vector>

namespace vok {

// The bytes of a 24-bit BMP (14 + 40 byte headers, rows padded to 4 bytes,
// bottom row first) of the width x height picture in `pixels` (packed BGR,
// bottom row first, as the image buffers hold it).
std::vector<std::uint8_t> encodeBmp(const std::uint8_t* pixels, std::int32_t width,
                                    std::int32_t height);

// Writes encodeBmp() to `path`; false when the file cannot be written.
bool writeBmp(const std::string& path, const std::uint8_t* pixels, std::int32_t width,
              std::int32_t height);

}  // namespace vok

#endif  // VOK_PICTURE_BMP_WRITER_H_
