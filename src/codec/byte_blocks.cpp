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

// The byte shuffles within 16-byte parts for a move of r bytes between
// lanes (r in 0..15): byte l of a part takes byte l + r of the same part
// (first) or byte l + r - 16 of the next (next); 0x80 gives 0.
template <std::size_t kBytes>
constexpr void fillByteShuffles(std::uint8_t (&first)[16][kBytes],
                                std::uint8_t (&next)[16][kBytes]) {
  for (std::size_t r = 0; r < 16; ++r) {
    for (std::size_t l = 0; l < kBytes; ++l) {
      const std::size_t b = l % 16 + r;
      first[r][l] = static_cast<std::uint8_t>(b < 16 ? b : 0x80);
      next[r][l] = static_cast<std::uint8_t>(b >= 16 ? b - 16 : 0x80);
    }
  }
}

template <std::int32_t kCount>
constexpr SortingNetwork kSortingNetwork = sortingNetwork(kCount);

// AVX2: a mask is a vector of 0 or -1 in each lane.
namespace avx2 {
constexpr std::int32_t kWidth = kAvx2Width;
#define VOK_LANES_TARGET __attribute__((target("avx2")))
using Bytes = std::uint8_t __attribute__((vector_size(kWidth)));
using Counts = std::int8_t __attribute__((vector_size(kWidth)));
using Mask = Counts;
VOK_LANES_TARGET inline Mask equal(Bytes a, Bytes b) { return (Mask)(a == b); }
VOK_LANES_TARGET inline Mask equal(Counts a, Counts b) { return (Mask)(a == b); }
VOK_LANES_TARGET inline Mask notEqual(Bytes a, Bytes b) { return (Mask)(a != b); }
VOK_LANES_TARGET inline Mask nonzero(Bytes a) { return (Mask)(a != Bytes{}); }
VOK_LANES_TARGET inline Mask greater(Counts a, Counts b) { return (Mask)(a > b); }
VOK_LANES_TARGET inline Mask allLanes() { return Mask{} - 1; }
VOK_LANES_TARGET inline Counts plusOne(Counts a, Mask m) { return a - m; }
// Lanes of m take the greater of a and b, the others a.
VOK_LANES_TARGET inline Counts maxWhere(Mask m, Counts a, Counts b) {
  return (Counts)_mm256_blendv_epi8((__m256i)a, _mm256_max_epi8((__m256i)a, (__m256i)b),
                                    (__m256i)m);
}
VOK_LANES_TARGET inline Counts pick(Mask m, Counts a, Counts b) { return (a & m) | (b & ~m); }
VOK_LANES_TARGET inline Bytes pick(Mask m, Bytes a, Bytes b) {
  return (a & (Bytes)m) | (b & ~(Bytes)m);
}
VOK_LANES_TARGET inline Bytes keep(Bytes a, Mask m) { return a & (Bytes)m; }
VOK_LANES_TARGET inline Bytes lower(Bytes a, Bytes b) {
  return (Bytes)_mm256_min_epu8((__m256i)a, (__m256i)b);
}
VOK_LANES_TARGET inline Bytes higher(Bytes a, Bytes b) {
  return (Bytes)_mm256_max_epu8((__m256i)a, (__m256i)b);
}
VOK_LANES_TARGET inline Counts smaller(Counts a, Counts b) {
  return (Counts)_mm256_min_epi8((__m256i)a, (__m256i)b);
}
VOK_LANES_TARGET inline std::uint64_t laneBits(Mask m) {
  return static_cast<std::uint32_t>(_mm256_movemask_epi8((__m256i)m));
}

// Tables for moving bytes between lanes: the 16-byte halves picked for a
// move of q halves (q + 2 in 0..5), the byte shuffles within halves for a
// move of r bytes (r in 0..15), taking from the first and the next half, and
// a window of 0xff whose slice at 32 + s marks the lanes l with l + s inside.
struct LaneMoves {
  alignas(32) std::int32_t halves[6][8];
  alignas(32) std::uint8_t first[16][32];
  alignas(32) std::uint8_t next[16][32];
  std::uint8_t inside[96];
};
constexpr LaneMoves makeLaneMoves() {
  LaneMoves t{};
  for (int q = -2; q <= 3; ++q) {
    for (int i = 0; i < 8; ++i) t.halves[q + 2][i] = ((i / 4 + q) & 1) * 4 + i % 4;
  }
  fillByteShuffles(t.first, t.next);
  for (int l = 32; l < 64; ++l) t.inside[l] = 0xff;
  return t;
}
constexpr LaneMoves kLaneMoves = makeLaneMoves();

VOK_LANES_TARGET inline __m256i table(const void* row) {
  return _mm256_load_si256(static_cast<const __m256i*>(row));
}

// Lane l of the result is lane l + s of v, 0 where that lies outside.
// REQUIRES: -32 <= s <= 32.
VOK_LANES_TARGET inline Bytes moveLanes(Bytes v, std::int32_t s) {
  const int q = s >> 4;
  const int r = s & 15;
  const __m256i x = (__m256i)v;
  const __m256i from = _mm256_permutevar8x32_epi32(x, table(kLaneMoves.halves[q + 2]));
  const __m256i next = _mm256_permutevar8x32_epi32(x, table(kLaneMoves.halves[q + 3]));
  const __m256i moved = _mm256_shuffle_epi8(from, table(kLaneMoves.first[r])) |
                        _mm256_shuffle_epi8(next, table(kLaneMoves.next[r]));
  return (Bytes)(moved & _mm256_loadu_si256((const __m256i*)(kLaneMoves.inside + 32 + s)));
}
// A conflict's corrections, moved in registers.
VOK_LANES_TARGET inline Bytes movedCorrections(const Bytes* corrections, const std::uint8_t*,
                                               ByteConflict conflict) {
  return moveLanes(corrections[conflict.source], conflict.shift);
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
VOK_LANES_TARGET inline Mask equal(Counts a, Counts b) {
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
// Lanes of m take the greater of a and b, the others a.
VOK_LANES_TARGET inline Counts maxWhere(Mask m, Counts a, Counts b) {
  return (Counts)_mm512_mask_max_epi8((__m512i)a, m, (__m512i)a, (__m512i)b);
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
VOK_LANES_TARGET inline Bytes lower(Bytes a, Bytes b) {
  return (Bytes)_mm512_min_epu8((__m512i)a, (__m512i)b);
}
VOK_LANES_TARGET inline Bytes higher(Bytes a, Bytes b) {
  return (Bytes)_mm512_max_epu8((__m512i)a, (__m512i)b);
}
VOK_LANES_TARGET inline Counts smaller(Counts a, Counts b) {
  return (Counts)_mm512_min_epi8((__m512i)a, (__m512i)b);
}
VOK_LANES_TARGET inline std::uint64_t laneBits(Mask m) { return m; }

// A conflict's corrections, read at their shift from the padded copy: on
// processors with AVX-512 a load that straddles a recent store costs about
// as much as one that does not, and a move in registers several steps.
VOK_LANES_TARGET inline Bytes movedCorrections(const Bytes*, const std::uint8_t* padded,
                                               ByteConflict conflict) {
  Bytes v;
  __builtin_memcpy(&v, padded + paddedCorrectionsAt(kWidth, conflict.source, conflict.shift),
                   sizeof v);
  return v;
}
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
