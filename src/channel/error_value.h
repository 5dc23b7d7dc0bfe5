// The error step d of the Q-ary symmetric channel: an error draw r adds the
// smallest n in 1..q with n * d >= float(r) to its symbol.
#ifndef VOK_CHANNEL_ERROR_VALUE_H_
#define VOK_CHANNEL_ERROR_VALUE_H_

#include <cstdint>

namespace vok::detail {

// d = P0 / (q - 1) in double, rounded to float, as the channel uses it.
// REQUIRES: q >= 2.
inline float errorStep(float p0, std::int32_t q) {
  return static_cast<float>(static_cast<double>(p0) / static_cast<double>(q - 1));
}

}  // namespace vok::detail

#endif  // VOK_CHANNEL_ERROR_VALUE_H_
