// How a picture sits in a pane: the block size in points per picture pixel
// and the margins. Also the correction map that shows what the decoder did.
#ifndef VOK_PICTURE_PANE_GEOMETRY_H_
#define VOK_PICTURE_PANE_GEOMETRY_H_

#include <cstdint>

namespace vok {

struct PaneGeometry {
  std::int32_t scale = 0;    // points per pixel edge; 0: nothing is drawn
  std::int32_t offsetX = 0;  // points left of the picture
  std::int32_t offsetY = 0;  // points above the picture
  bool operator==(const PaneGeometry&) const = default;
};

// The largest whole enlargement that fits, centred; an odd margin puts the
// extra point right or below. REQUIRES: width, height >= 1.
PaneGeometry fitToPane(std::int32_t clientWidth, std::int32_t clientHeight, std::int32_t width,
                       std::int32_t height);

// For every pixel of the width x height pictures: white (FF FF FF) where the
// decoded pixel equals the received one, blue (FF 00 00 as B, G, R) where it
// differs from it and equals the source pixel, red (00 00 FF) otherwise.
void buildCorrectionMap(const std::uint8_t* sourceImage, const std::uint8_t* channelImage,
                        const std::uint8_t* decodedImage, std::int32_t width, std::int32_t height,
                        std::uint8_t* correctionMap);

}  // namespace vok

#endif  // VOK_PICTURE_PANE_GEOMETRY_H_
