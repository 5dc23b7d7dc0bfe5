// Counts the bytes that differ between two arrays, a vector at a time.
#include "common/differing_bytes.h"

#include <algorithm>

#include "common/processor_features.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if VOK_X86_VECTORS
#include <immintrin.h>
#endif

namespace vok {

namespace {

#if VOK_X86_VECTORS
// The equal bytes among a[n..) and b[n..), 32 at a time while a
// whole vector is left, counted as below; advances n past them.
__attribute__((target("avx2"))) std::int64_t equalBytesAvx2(const std::uint8_t* a,
                                                            const std::uint8_t* b, std::int32_t& n,
                                                            std::int32_t count) {
  std::int64_t equal = 0;
  while (count - n >= 32) {
    const std::int32_t vectors = std::min((count - n) / 32, 255);
    __m256i counters = _mm256_setzero_si256();
    for (std::int32_t v = 0; v < vectors; ++v, n += 32) {
      const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + n));
      const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + n));
      counters = _mm256_sub_epi8(counters, _mm256_cmpeq_epi8(x, y));
    }
    const __m256i sums = _mm256_sad_epu8(counters, _mm256_setzero_si256());
    equal += _mm256_extract_epi64(sums, 0) + _mm256_extract_epi64(sums, 1) +
             _mm256_extract_epi64(sums, 2) + _mm256_extract_epi64(sums, 3);
  }
  return equal;
}
#endif

}  // namespace

// 16 bytes at a time (32 with AVX2): the equal lanes counted in byte
// counters for up to 255 vectors, then summed into 64-bit ones.
std::int64_t countDifferingBytes(const std::uint8_t* a, const std::uint8_t* b, std::int32_t count) {
  std::int64_t equal = 0;
  std::int32_t n = 0;
#if VOK_X86_VECTORS
  if (processorHasAvx2()) equal = equalBytesAvx2(a, b, n, count);
#endif
#if defined(__SSE2__)
  while (count - n >= 16) {
    const std::int32_t vectors = std::min((count - n) / 16, 255);
    __m128i counters = _mm_setzero_si128();
    for (std::int32_t v = 0; v < vectors; ++v, n += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + n));
      const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + n));
      counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(x, y));
    }
    const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
    equal += _mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums));
  }
#endif
  std::int64_t differing = n - equal;
  for (; n < count; ++n) differing += a[n] != b[n];
  return differing;
}

}  // namespace vok
