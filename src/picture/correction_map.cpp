// The correction map: per pixel, whether the decoder left it as received
// (white), restored the source pixel (blue) or changed it to something else
// (red). Pixels are compared whole, all three bytes at once.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "picture/pane_geometry.h"

namespace vok {

void buildCorrectionMap(const std::uint8_t* sourceImage, const std::uint8_t* channelImage,
                        const std::uint8_t* decodedImage, std::int32_t width, std::int32_t height,
                        std::uint8_t* correctionMap) {
  if (width <= 0 || height <= 0) return;
  static constexpr std::uint8_t kWhite[3] = {0xFF, 0xFF, 0xFF};
  static constexpr std::uint8_t kBlue[3] = {0xFF, 0x00, 0x00};  // blue, green, red
  static constexpr std::uint8_t kRed[3] = {0x00, 0x00, 0xFF};
  const std::size_t end = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
  for (std::size_t i = 0; i < end; i += 3) {
    const std::uint8_t* colour = kRed;
    if (std::memcmp(decodedImage + i, channelImage + i, 3) == 0) {
      colour = kWhite;
    } else if (std::memcmp(decodedImage + i, sourceImage + i, 3) == 0) {
      colour = kBlue;
    }
    std::memcpy(correctionMap + i, colour, 3);
  }
}

}  // namespace vok
