// The per-symbol corruption rule of the Q-ary symmetric channel, kept apart
// so that single draws at the edges can be checked directly.
#ifndef VOK_CHANNEL_ERROR_VALUE_H_
#define VOK_CHANNEL_ERROR_VALUE_H_

#include <cstdint>

namespace vok::detail {

// The error value added to a symbol for the draw r: 0 when r > P0 (compared
// in double) or P0 is NaN; otherwise the smallest n >= 1 with n * d >= r_f,
// r_f being r rounded to float, found by counting in double precision. n can
// be q (the symbol then passes unchanged) but never more: with
// d = float(P0 / (q - 1)) and r_f <= P0, q * d >= r_f always holds, and the
// bound also keeps the loop finite for any other arguments.
// REQUIRES: q >= 2.
inline std::int32_t errorValue(double r, float p0, float d, std::int32_t q) {
  if (!(r <= static_cast<double>(p0))) return 0;  // also taken for a NaN P0
  const double rf = static_cast<float>(r);
  const double step = d;
  std::int32_t n = 1;
  while (n < q && static_cast<double>(n) * step < rf) ++n;
  return n;
}

// d = P0 / (q - 1) in double, rounded to float, as the channel uses it.
// REQUIRES: q >= 2.
inline float errorStep(float p0, std::int32_t q) {
  return static_cast<float>(static_cast<double>(p0) / static_cast<double>(q - 1));
}

}  // namespace vok::detail

#endif  // VOK_CHANNEL_ERROR_VALUE_H_
