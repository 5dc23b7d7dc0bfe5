#include "channel/draw_stream.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vok {

namespace {
constexpr std::uint64_t kStateMask = (std::uint64_t{1} << 52) - 1;
constexpr std::uint64_t kNumeratorMask = RandomGenerator::kMaskB;
// Bits from the state's first one after which a stream word is the XOR of
// the words 52 and 31 back.
constexpr int kPlainBits = 52 * 64;
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
  filled_ = kHistory + kPlainBits / 64;
}

// One word at a time: each load then reads one earlier store whole. Loads
// of two words would straddle two stores 31 words back (an odd lag), which
// the processor cannot forward, and wait for them to reach the cache.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("no-tree-vectorize")))
#endif
void DrawStream::fill(int end) {
#if defined(__clang__)
#pragma clang loop vectorize(disable)
#endif
  for (int i = filled_; i < end; ++i) words_[i] = words_[i - 52] ^ words_[i - 31];
  filled_ = std::max(filled_, end);
}

void DrawStream::take(std::uint32_t* numerators, std::int32_t count) {
  if (count <= 0) return;
  const std::int64_t origin = std::int64_t{kHistory} * 64 + base_;
  const std::int64_t after = origin + std::int64_t{126} * count;
  fill(static_cast<int>((after + 51) >> 6) + 2);
  std::int64_t at = origin + 126 + 21;
  for (std::int32_t n = 0; n < count; ++n, at += 126) {
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
