// The channel's error value as a function of the draw's numerator y (the
// draw is y / (2^31 - 1)), looked up in a table of buckets instead of
// computed in floating point per symbol.
//
// For error draws (y up to the largest error numerator) the error value n is
// a non-decreasing step function of y: the draw, its float rounding and the
// counting rule are all monotone. The table holds, for each bucket of 2^s
// consecutive numerators, the value n at the bucket's start and the last
// numerator that still gives it; with 2^s no wider than the narrowest step,
// a bucket meets at most one rise of n, so n = start value + (y > last).
// The steps are found by searching the exact rule, so the table gives the
// same n as counting for every numerator.
#ifndef VOK_CHANNEL_ERROR_VALUE_TABLE_H_
#define VOK_CHANNEL_ERROR_VALUE_TABLE_H_

#include <array>
#include <cstdint>
#include <cstring>

#include "channel/error_value.h"
#include "channel/error_value_closed_form.h"

namespace vok::detail {

class ErrorValueTable {
 public:
  static constexpr std::int32_t kCapacity = 1024;  // buckets
  static constexpr std::int64_t kDivisor = 0x7FFFFFFF;

  // Prepares the table for P0 and q (kept while they stay the same). False
  // when the rule does not fit buckets: no error draw at all, a step of n
  // narrower than one numerator, or more buckets than kCapacity; the
  // caller then computes n per draw. Allocates nothing.
  // REQUIRES: q >= 2.
  bool prepare(float p0, std::int32_t q) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &p0, sizeof bits);
    if (known_ && bits == p0Bits_ && q == q_) return usable_;
    known_ = true;
    p0Bits_ = bits;
    q_ = q;
    usable_ = build(p0, q);
    return usable_;
  }

  // The largest error numerator (see largestErrorNumerator()).
  std::int64_t limit() const { return limit_; }

  // n for the numerator y of an error draw; for y above limit() it returns
  // the value of limit() (callers drop it). REQUIRES: prepare() was true.
  std::int32_t value(std::uint32_t y) const {
    const std::uint32_t bounded = y < limitWord_ ? y : limitWord_;
    const std::uint64_t entry = buckets_[bounded >> shift_];
    return static_cast<std::int32_t>(entry >> 32) +
           static_cast<std::int32_t>(bounded > static_cast<std::uint32_t>(entry));
  }

 private:
  // n by the exact rule for an error numerator y.
  std::int32_t exact(std::int64_t y) const {
    const double r = static_cast<double>(y) / static_cast<double>(kDivisor);
    return smallestCoveringMultiple(static_cast<float>(r), step_, 1.0 / step_, q_);
  }

  // The last numerator in 0..limit whose n is at most m (-1 when none).
  std::int64_t lastAtMost(std::int32_t m) const {
    std::int64_t low = -1;  // n(low) <= m, or low = -1
    std::int64_t high = limit_ + 1;
    while (high - low > 1) {
      const std::int64_t middle = low + (high - low) / 2;
      if (exact(middle) <= m) {
        low = middle;
      } else {
        high = middle;
      }
    }
    return low;
  }

  bool build(float p0, std::int32_t q) {
    limit_ = largestErrorNumerator(p0);
    step_ = errorStep(p0, q);
    if (limit_ < 0 || !(step_ > 0) || q > kCapacity / 2) return false;
    // last[k]: the last numerator giving n = first + k; n rises after it.
    const std::int32_t first = exact(0);
    const std::int32_t final = exact(limit_);
    std::array<std::int64_t, kCapacity / 2> last{};
    const std::int32_t rises = final - first;
    std::int64_t narrowest = limit_ + 1;
    for (std::int32_t k = 0; k < rises; ++k) {
      last[k] = lastAtMost(first + k);
      const std::int64_t width = last[k] - (k > 0 ? last[k - 1] : -1);
      if (width < 1) return false;  // n skips a value
      if (k > 0 && width < narrowest) narrowest = width;
    }
    shift_ = 0;
    while (shift_ < 31 && (std::int64_t{2} << shift_) <= narrowest) ++shift_;
    if ((limit_ >> shift_) >= kCapacity) return false;
    std::int32_t k = 0;
    for (std::int64_t b = 0; b <= (limit_ >> shift_); ++b) {
      while (k < rises && last[k] < (b << shift_)) ++k;
      const std::int64_t end = k < rises ? last[k] : limit_;
      buckets_[static_cast<std::size_t>(b)] =
          (static_cast<std::uint64_t>(first + k) << 32) | static_cast<std::uint32_t>(end);
    }
    limitWord_ = static_cast<std::uint32_t>(limit_);
    return true;
  }

  bool known_ = false;
  bool usable_ = false;
  std::uint32_t p0Bits_ = 0;
  std::int32_t q_ = 0;
  std::int64_t limit_ = -1;
  std::uint32_t limitWord_ = 0;
  double step_ = 0;
  int shift_ = 0;
  std::array<std::uint64_t, kCapacity> buckets_{};
};

}  // namespace vok::detail

#endif  // VOK_CHANNEL_ERROR_VALUE_TABLE_H_
