// The block pass over byte registers for AVX2 (32 positions per vector) and
// AVX-512 (64): the same code, byte_block_pass.inc, compiled once for each.
#include "codec/byte_blocks.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "codec/vector_votes.h"

#if VOK_VECTOR_VOTES
#include <immintrin.h>
#endif

namespace vok::detail {

#if VOK_VECTOR_VOTES
namespace {

namespace avx2 {
constexpr std::int32_t kWidth = kAvx2Width;
#define VOK_LANES_TARGET __attribute__((target("avx2")))
#define VOK_LANE_BITS(v) \
  static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8((__m256i)(v))))
#include "codec/byte_block_pass.inc"
#undef VOK_LANE_BITS
#undef VOK_LANES_TARGET
}  // namespace avx2

namespace avx512 {
constexpr std::int32_t kWidth = kAvx512Width;
#define VOK_LANES_TARGET __attribute__((target("avx512f,avx512bw")))
#define VOK_LANE_BITS(v) static_cast<std::uint64_t>(_mm512_movepi8_mask((__m512i)(v)))
#include "codec/byte_block_pass.inc"
#undef VOK_LANE_BITS
#undef VOK_LANES_TARGET
}  // namespace avx512

}  // namespace

ByteBlockPass byteBlockPassFor(std::int32_t width) {
  if (width == kAvx2Width) return avx2Supported() ? &avx2::blockPass : nullptr;
  if (width == kAvx512Width) return avx512Supported() ? &avx512::blockPass : nullptr;
  return nullptr;
}

#else

ByteBlockPass byteBlockPassFor(std::int32_t) { return nullptr; }

#endif

}  // namespace vok::detail
