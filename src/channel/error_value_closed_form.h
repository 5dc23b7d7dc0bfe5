// The error value of one channel draw computed in closed form: the smallest
// n with n * d >= float(r), as counting n = 1, 2, ... would find it, without
// the up to Q steps of counting.
#ifndef VOK_CHANNEL_ERROR_VALUE_CLOSED_FORM_H_
#define VOK_CHANNEL_ERROR_VALUE_CLOSED_FORM_H_

#include <algorithm>
#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// smallestCoveringMultiple() without data-dependent branches, for the
// channel's inner loop: the estimate trunc(rf * inverse) + 1 lies within one
// of the answer when `inverse` is 1 / d rounded (the quotient is below about
// q, so its rounding error is far below 1), and one correction each way
// comparing the exact products settles it.
// REQUIRES: q >= 2; rf >= 0 and d not NaN; inverse = 1.0 / d.
inline std::int32_t coveringMultipleNearEstimate(double rf, double d, double inverse,
                                                 std::int32_t q) {
  const double quotient = rf * inverse;  // NaN for rf = d = 0, taken below
  // Bounded to 0..q (a NaN gives 0) by the processor's minimum and maximum
  // where it has them: compilers turn the plain form into a branch, which
  // mispredicts for draws on either side of P0.
#if defined(__SSE2__)
  const double bounded = _mm_cvtsd_f64(_mm_min_sd(
      _mm_set_sd(static_cast<double>(q)), _mm_max_sd(_mm_set_sd(quotient), _mm_setzero_pd())));
#else
  const double bounded = std::min(static_cast<double>(q), std::max(0.0, quotient));
#endif
  std::int32_t n = static_cast<std::int32_t>(bounded) + 1;
  n = n < q ? n : q;
  // Both sides of each test are formed ('&', not '&&'): no branch.
  n -= static_cast<std::int32_t>((n > 1) & (static_cast<double>(n - 1) * d >= rf));
  n += static_cast<std::int32_t>((n < q) & (static_cast<double>(n) * d < rf));
  // Also d = +infinity and rf = d = 0; no multiple reaches rf > d with d <= 0.
  return rf <= d ? 1 : (d > 0 ? n : q);
}

// The largest numerator y in 0..2^31-1 whose draw y / (2^31 - 1), formed in
// double, is at most P0 (widened to double): the draws that are errors are
// exactly those with y at most this. -1 when there is none (P0 < 0 or NaN).
inline std::int64_t largestErrorNumerator(float p0) {
  constexpr std::int64_t kDivisor = 0x7FFFFFFF;
  const double limit = p0;
  const auto draw = [](std::int64_t y) {
    return static_cast<double>(y) / static_cast<double>(kDivisor);
  };
  if (!(draw(0) <= limit)) return -1;  // also NaN
  if (draw(kDivisor) <= limit) return kDivisor;
  // 0 <= limit < 1: start near limit * B and step to the exact edge.
  auto y = static_cast<std::int64_t>(limit * static_cast<double>(kDivisor));
  while (y > 0 && !(draw(y) <= limit)) --y;
  while (y < kDivisor && draw(y + 1) <= limit) ++y;
  return y;
}

}  // namespace vok::detail

#endif  // VOK_CHANNEL_ERROR_VALUE_CLOSED_FORM_H_
