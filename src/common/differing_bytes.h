// How many bytes of one array differ from another: the errors of a block of
// byte symbols against the one sent. Vectorised; allocates nothing.
#ifndef VOK_COMMON_DIFFERING_BYTES_H_
#define VOK_COMMON_DIFFERING_BYTES_H_

#include <cstdint>

namespace vok {

// How many of a[0..count) differ from b[0..count). REQUIRES: count >= 0.
std::int64_t countDifferingBytes(const std::uint8_t* a, const std::uint8_t* b, std::int32_t count);

}  // namespace vok

#endif  // VOK_COMMON_DIFFERING_BYTES_H_
