// Thinning a picture out to fit the source pane: whole rows and columns are
// dropped by one rule chosen from the reduction factor; surviving pixels keep
// their exact bytes. Nothing is averaged.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "picture/picture.h"

namespace vok {
namespace {

enum class Rule { None, DropEveryFourth, DropEveryThird, KeepEveryKth };

struct Thinning {
  Rule rule = Rule::None;
  std::int64_t k = 0;  // for KeepEveryKth
};

// n / d in double precision; a zero divisor gives the infinity of IEEE
// division (n >= 1), so an empty pane keeps nothing and falls back unreduced.
double quotient(std::int32_t n, std::int32_t d) {
  if (d == 0) return std::numeric_limits<double>::infinity();
  return static_cast<double>(n) / static_cast<double>(d);
}

// The rule for reduction factor u. k = ceil(u) is found by counting from 2,
// and from 3 upward when u > 2, until k >= u. Counting stops past `limit`
// (the larger picture side): no index survives any k beyond it, whatever k is.
Thinning chooseThinning(float u, std::int64_t limit) {
  const double ud = u;
  if (ud <= 1.0) return {Rule::None, 0};
  if (0.75 * ud <= 1.0) return {Rule::DropEveryFourth, 0};
  if (ud <= 1.5) return {Rule::DropEveryThird, 0};
  std::int64_t k = 2;
  if (ud > 2.0) {
    k = 3;
    while (static_cast<double>(k) < ud && k <= limit) ++k;
  }
  return {Rule::KeepEveryKth, k};
}

bool survives(const Thinning& t, std::int64_t i) {
  switch (t.rule) {
    case Rule::None:
      return true;
    case Rule::DropEveryFourth:
      return (i + 1) % 4 != 0;
    case Rule::DropEveryThird:
      return (i + 1) % 3 != 0;
    case Rule::KeepEveryKth:
      return (i + 1) % t.k == 0;
  }
  return true;
}

}  // namespace

// `out` may be `pixels` itself: every kept pixel is written at or before the
// place it is read from, and nothing is written when nothing survives.
Picture reducePicture(const std::uint8_t* pixels, std::int32_t w, std::int32_t h,
                      std::int32_t paneWidth, std::int32_t paneHeight, std::uint8_t* out) {
  const auto total = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3;
  const auto u = static_cast<float>(std::max(quotient(w, paneWidth), quotient(h, paneHeight)));
  const Thinning t = chooseThinning(u, std::max(w, h));

  if (t.rule != Rule::None) {
    std::int64_t keptRows = 0;
    std::int64_t keptPixels = 0;
    std::size_t at = 0;
    for (std::int32_t r = 0; r < h; ++r) {
      if (!survives(t, r)) continue;
      ++keptRows;
      const std::uint8_t* row = pixels + static_cast<std::size_t>(r) * w * 3;
      for (std::int32_t c = 0; c < w; ++c) {
        if (!survives(t, c)) continue;
        ++keptPixels;
        std::memmove(out + at, row + static_cast<std::size_t>(c) * 3, 3);
        at += 3;
      }
    }
    if (keptRows > 0 && keptPixels > 0) {
      return Picture{static_cast<std::int32_t>(keptPixels / keptRows),
                     static_cast<std::int32_t>(keptRows)};
    }
  }
  // No reduction needed, or none kept any pixel: the picture as it is.
  if (out != pixels) std::memcpy(out, pixels, total);
  return Picture{w, h};
}

}  // namespace vok
