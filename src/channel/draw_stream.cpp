#include "channel/draw_stream.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "common/processor_features.h"

#if VOK_X86_VECTORS
#include <immintrin.h>
#endif

namespace vok {

namespace {
constexpr std::uint64_t kStateMask = (std::uint64_t{1} << 52) - 1;
constexpr std::uint64_t kNumeratorMask = RandomGenerator::kMaskB;
// Bits from the state's first one after which a stream word is the XOR of
// the words 52 and 31 back.
constexpr int kPlainBits = 52 * 64;
constexpr int kWordRuleFrom = kPlainBits / 64;
// Words [from, end) of the stream, and up to the end of the last vector of
// 8 words this reaches, each the XOR of the words 416 and 248 back; returns
// where it stopped. The lags are constants far beyond a vector, so the
// compiler makes the loop vector loads, XORs and stores, as wide as the
// function's instruction set has them.
[[gnu::always_inline]] inline int xorVectorsBody(std::uint64_t* words, int from, int end) {
  constexpr int kFar = DrawStream::kFarLag;
  constexpr int kNear = DrawStream::kNearLag;
  for (; from < end; from += DrawStream::kVectorWords) {
    for (int k = 0; k < DrawStream::kVectorWords; ++k) {
      words[from + k] = words[from + k - kFar] ^ words[from + k - kNear];
    }
  }
  return from;
}

int xorVectorsPlain(std::uint64_t* words, int from, int end) {
  return xorVectorsBody(words, from, end);
}

#if VOK_X86_VECTORS
__attribute__((target("avx2"))) int xorVectorsAvx2(std::uint64_t* words, int from, int end) {
  return xorVectorsBody(words, from, end);
}

__attribute__((target("avx512f"))) int xorVectorsAvx512(std::uint64_t* words, int from, int end) {
  return xorVectorsBody(words, from, end);
}
#endif

using XorVectors = int (*)(std::uint64_t*, int, int);

// The widest of the above the processor runs, asked once.
XorVectors xorVectors() {
#if VOK_X86_VECTORS
  static const XorVectors chosen = processorHasAvx512() ? &xorVectorsAvx512
                                   : processorHasAvx2() ? &xorVectorsAvx2
                                                        : &xorVectorsPlain;
  return chosen;
#else
  return &xorVectorsPlain;
#endif
}

#if VOK_X86_VECTORS
// GCC 12 warns about the deliberately undefined vectors inside some of the
// intrinsics; the lanes they leave are unused.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// The numerators of draws whose 31 bits start at bit `at`, at + 126, ... of
// the little-endian bytes stream[0 .. size), eight at a time: eight draws
// span 126 bytes exactly, so every group has its bits at the same places
// in the 128 bytes from its first one. One two-source byte permute puts
// each draw's 8 bytes into a 64-bit lane, then a shift per lane and a mask
// leave its numerator. Stops before a group would read past `size`, and
// returns how many it wrote (a multiple of 8, at most count); the caller
// takes the rest.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) std::int32_t permutedNumerators(
    const unsigned char* stream, std::size_t size, std::int64_t at, std::uint32_t* numerators,
    std::int32_t count) {
  const int phase = static_cast<int>(at & 7);
  alignas(64) std::uint8_t gather[64];
  alignas(64) std::uint64_t shifts[8];
  for (int k = 0; k < 8; ++k) {
    const int first = phase + 126 * k;
    for (int j = 0; j < 8; ++j) gather[8 * k + j] = static_cast<std::uint8_t>((first >> 3) + j);
    shifts[k] = static_cast<std::uint64_t>(first & 7);
  }
  const __m512i byteIndex = _mm512_load_si512(gather);
  const __m512i laneShift = _mm512_load_si512(shifts);
  const __m512i mask = _mm512_set1_epi64(static_cast<long long>(kNumeratorMask));
  std::int32_t n = 0;
  for (; n + 8 <= count; n += 8, at += 8 * 126) {
    const auto from = static_cast<std::size_t>(at >> 3);
    if (from + 128 > size) break;
    const __m512i low = _mm512_loadu_si512(stream + from);
    const __m512i high = _mm512_loadu_si512(stream + from + 64);
    const __m512i windows = _mm512_permutex2var_epi8(low, byteIndex, high);
    const __m512i values = _mm512_and_si512(_mm512_srlv_epi64(windows, laneShift), mask);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(numerators + n), _mm512_cvtepi64_epi32(values));
  }
  return n;
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

}  // namespace

std::uint64_t DrawStream::bitsAt(std::int64_t at) const {
  const std::int64_t word = at >> 6;
  const int shift = static_cast<int>(at & 63);
  // The second word's part is shifted in two steps, so that a shift of 0
  // (the bits lie in one word) brings in nothing without a branch.
  return (words_[word] >> shift) | ((words_[word + 1] << 1) << (63 - shift));
}

std::uint32_t DrawStream::numeratorAt(std::int64_t at) const {
  if constexpr (std::endian::native == std::endian::little) {
    // Stream bit p is then bit p % 8 of byte p / 8 of words_: one unaligned
    // read of 8 bytes holds the 31 bits and the up to 7 before them.
    std::uint64_t bits = 0;
    std::memcpy(&bits, reinterpret_cast<const unsigned char*>(words_) + (at >> 3), sizeof bits);
    return static_cast<std::uint32_t>((bits >> (at & 7)) & kNumeratorMask);
  } else {
    return static_cast<std::uint32_t>(bitsAt(at) & kNumeratorMask);
  }
}

DrawStream::DrawStream(RandomGenerator& generator) : generator_(generator) {
  // The first kPlainBits bits by the plain rule, bit p = bit p - 52 XOR bit
  // p - 31, 31 bits at a time (the nearer lag); then word by word.
  const std::int64_t origin = std::int64_t{kHistory} * 64;
  words_[kHistory] = generator.packed();
  for (int p = 52; p < kPlainBits; p += 31) {
    const int count = std::min(31, kPlainBits - p);
    const std::uint64_t bits =
        (bitsAt(origin + p - 31) ^ bitsAt(origin + p - 52)) & ((std::uint64_t{1} << count) - 1);
    const std::int64_t at = origin + p;
    const int shift = static_cast<int>(at & 63);
    words_[at >> 6] |= bits << shift;
    if (shift + count > 64) words_[(at >> 6) + 1] |= bits >> (64 - shift);
  }
  // Then word by word up to where the vector rule holds.
  for (int i = kHistory + kWordRuleFrom; i < kHistory + kFarLag; ++i) {
    words_[i] = words_[i - kWordRuleFrom] ^ words_[i - 31];
  }
  filled_ = kHistory + kFarLag;
}

void DrawStream::fill(int end) { filled_ = xorVectors()(words_, filled_, end); }

void DrawStream::take(std::uint32_t* numerators, std::int32_t count) {
  if (count <= 0) return;
  const std::int64_t origin = std::int64_t{kHistory} * 64 + base_;
  const std::int64_t after = origin + std::int64_t{126} * count;
  fill(static_cast<int>((after + 51) >> 6) + 2);
  std::int64_t at = origin + 126 + 21;
  std::int32_t n = 0;
#if VOK_X86_VECTORS
  if (processorHasAvx512Vbmi()) {
    n = permutedNumerators(reinterpret_cast<const unsigned char*>(words_), sizeof words_, at,
                           numerators, count);
    at += std::int64_t{126} * n;
  }
#endif
  for (; n < count; ++n, at += 126) {
    numerators[n] = numeratorAt(at);
  }
  generator_.setPacked(bitsAt(after) & kStateMask);
  // The next state's word becomes word kHistory again, with its history.
  const int shift = static_cast<int>(after >> 6) - kHistory;
  std::copy(words_ + shift, words_ + filled_, words_);
  filled_ -= shift;
  base_ = static_cast<int>(after & 63);
}

}  // namespace vok
