// The error value of one channel draw computed in closed form: the same n as
// the counting search of errorValue() (error_value.h), without the up to Q
// steps of counting.
#ifndef VOK_CHANNEL_ERROR_VALUE_CLOSED_FORM_H_
#define VOK_CHANNEL_ERROR_VALUE_CLOSED_FORM_H_

#include <cmath>
#include <cstdint>

namespace vok::detail {

// The smallest n in 1..q with n * d >= rf, or q when there is none, for
// rf >= 0 and d (both exact doubles; n * d is exact for n <= q). `inverse`
// is 1 / d or any approximation of it: the rounded estimate ceil(rf *
// inverse) is only a starting point, and the two corrections compare the
// exact products, as the counting search does, so the result is exact.
// REQUIRES: q >= 2; rf, d and inverse not NaN.
inline std::int32_t smallestCoveringMultiple(double rf, double d, double inverse, std::int32_t q) {
  if (rf <= d) return 1;  // also d = +infinity, and rf = d = 0
  const double estimate = std::ceil(rf * inverse);
  // Also a NaN or negative estimate (d = 0, or d < 0) ends in range.
  std::int32_t n = estimate >= q ? q : (estimate >= 1 ? static_cast<std::int32_t>(estimate) : 1);
  while (n > 1 && static_cast<double>(n - 1) * d >= rf) --n;
  while (n < q && static_cast<double>(n) * d < rf) ++n;
  return n;
}

// errorValue() with the closed form: 0 when r > P0 (in double) or P0 is NaN,
// else the smallest n >= 1 with n * d >= float(r), at most q.
// REQUIRES: q >= 2.
inline std::int32_t errorValueClosedForm(double r, float p0, float d, std::int32_t q) {
  if (!(r <= static_cast<double>(p0))) return 0;
  return smallestCoveringMultiple(static_cast<float>(r), d, 1.0 / static_cast<double>(d), q);
}

}  // namespace vok::detail

#endif  // VOK_CHANNEL_ERROR_VALUE_CLOSED_FORM_H_
