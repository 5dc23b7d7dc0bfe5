// The block pass over byte registers for AVX2 (32 positions per vector) and
// AVX-512 (64): the same code, byte_block_pass.inc, compiled once for each.
#include "codec/byte_blocks.h"

#include <algorithm>
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

// GCC 12 warns about the deliberately undefined vectors inside some of the
// intrinsics; the lanes they leave are unused.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// AVX2: a mask is a vector of 0 or -1 in each lane.
namespace avx2 {
constexpr std::int32_t kWidth = kAvx2Width;
#define VOK_LANES_TARGET __attribute__((target("avx2")))
using Bytes = std::uint8_t __attribute__((vector_size(kWidth)));
using Counts = std::int8_t __attribute__((vector_size(kWidth)));
using Mask = Counts;
VOK_LANES_TARGET inline Mask equal(Bytes a, Bytes b) { return (Mask)(a == b); }
VOK_LANES_TARGET inline Mask notEqual(Bytes a, Bytes b) { return (Mask)(a != b); }
VOK_LANES_TARGET inline Mask nonzero(Bytes a) { return (Mask)(a != Bytes{}); }
VOK_LANES_TARGET inline Mask greater(Counts a, Counts b) { return (Mask)(a > b); }
VOK_LANES_TARGET inline Mask allLanes() { return Mask{} - 1; }
VOK_LANES_TARGET inline Counts plusOne(Counts a, Mask m) { return a - m; }
VOK_LANES_TARGET inline Counts pick(Mask m, Counts a, Counts b) { return (a & m) | (b & ~m); }
VOK_LANES_TARGET inline Bytes pick(Mask m, Bytes a, Bytes b) {
  return (a & (Bytes)m) | (b & ~(Bytes)m);
}
VOK_LANES_TARGET inline Bytes keep(Bytes a, Mask m) { return a & (Bytes)m; }
VOK_LANES_TARGET inline std::uint64_t laneBits(Mask m) {
  return static_cast<std::uint32_t>(_mm256_movemask_epi8((__m256i)m));
}
#include "codec/byte_block_pass.inc"
#undef VOK_LANES_TARGET
}  // namespace avx2

// AVX-512: a mask is a mask register, one bit per lane.
namespace avx512 {
constexpr std::int32_t kWidth = kAvx512Width;
#define VOK_LANES_TARGET __attribute__((target("avx512f,avx512bw")))
using Bytes = std::uint8_t __attribute__((vector_size(kWidth)));
using Counts = std::int8_t __attribute__((vector_size(kWidth)));
using Mask = __mmask64;
VOK_LANES_TARGET inline Mask equal(Bytes a, Bytes b) {
  return _mm512_cmpeq_epi8_mask((__m512i)a, (__m512i)b);
}
VOK_LANES_TARGET inline Mask notEqual(Bytes a, Bytes b) {
  return _mm512_cmpneq_epi8_mask((__m512i)a, (__m512i)b);
}
VOK_LANES_TARGET inline Mask nonzero(Bytes a) {
  return _mm512_test_epi8_mask((__m512i)a, (__m512i)a);
}
VOK_LANES_TARGET inline Mask greater(Counts a, Counts b) {
  return _mm512_cmpgt_epi8_mask((__m512i)a, (__m512i)b);
}
VOK_LANES_TARGET inline Mask allLanes() { return ~Mask{0}; }
VOK_LANES_TARGET inline Counts plusOne(Counts a, Mask m) {
  return (Counts)_mm512_mask_add_epi8((__m512i)a, m, (__m512i)a, _mm512_set1_epi8(1));
}
VOK_LANES_TARGET inline Counts pick(Mask m, Counts a, Counts b) {
  return (Counts)_mm512_mask_blend_epi8(m, (__m512i)b, (__m512i)a);
}
VOK_LANES_TARGET inline Bytes pick(Mask m, Bytes a, Bytes b) {
  return (Bytes)_mm512_mask_blend_epi8(m, (__m512i)b, (__m512i)a);
}
VOK_LANES_TARGET inline Bytes keep(Bytes a, Mask m) {
  return (Bytes)_mm512_maskz_mov_epi8(m, (__m512i)a);
}
VOK_LANES_TARGET inline std::uint64_t laneBits(Mask m) { return m; }
#include "codec/byte_block_pass.inc"
#undef VOK_LANES_TARGET
}  // namespace avx512

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

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
