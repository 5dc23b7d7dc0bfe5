// Oracles of the channel's error value, for the tests only: the counting
// search that states the corruption rule most plainly, and the same value in
// closed form. The channel computes it by a table (error_value_table.h) or
// by coveringMultipleNearEstimate(); the tests hold both to these.
#ifndef VOK_TESTS_CHANNEL_ERROR_VALUE_ORACLES_H_
#define VOK_TESTS_CHANNEL_ERROR_VALUE_ORACLES_H_

#include <cstdint>

#include "channel/error_value_closed_form.h"

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

// errorValue() with the closed form: 0 when r > P0 (in double) or P0 is NaN,
// else the smallest n >= 1 with n * d >= float(r), at most q.
// REQUIRES: q >= 2.
inline std::int32_t errorValueClosedForm(double r, float p0, float d, std::int32_t q) {
  if (!(r <= static_cast<double>(p0))) return 0;
  return smallestCoveringMultiple(static_cast<float>(r), d, 1.0 / static_cast<double>(d), q);
}

}  // namespace vok::detail

#endif  // VOK_TESTS_CHANNEL_ERROR_VALUE_ORACLES_H_
