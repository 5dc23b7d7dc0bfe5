// Fitting a picture into a pane: the largest whole block size that fits both
// directions, and the picture centred in what is left.
#include "picture/pane_geometry.h"

#include <algorithm>

namespace vok {

// A negative client size is taken as an empty pane, and a picture without
// pixels gets scale 0, so the geometry is never negative.
PaneGeometry fitToPane(std::int32_t clientWidth, std::int32_t clientHeight, std::int32_t width,
                       std::int32_t height) {
  const std::int32_t cw = std::max(clientWidth, std::int32_t{0});
  const std::int32_t ch = std::max(clientHeight, std::int32_t{0});
  PaneGeometry g;
  if (width >= 1 && height >= 1) g.scale = std::min(cw / width, ch / height);
  // width * scale <= cw, so neither product overflows.
  g.offsetX = (cw - width * g.scale) / 2;
  g.offsetY = (ch - height * g.scale) / 2;
  return g;
}

}  // namespace vok
