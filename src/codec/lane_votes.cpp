// Lane votes with AVX-512 and with AVX2 (see lane_votes.h).
#include "codec/lane_votes.h"

#include <array>
#include <climits>
#include <cstddef>
#include <utility>

#include "codec/vector_votes.h"

#if VOK_VECTOR_VOTES
#include <immintrin.h>
#endif

namespace vok::detail {

#if VOK_VECTOR_VOTES
namespace {

// GCC 12 warns about the deliberately undefined vectors inside some of the
// intrinsics below (shifts); the lanes they leave are unused.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// count * 64 + priority in every lane.
__attribute__((target("avx512f"))) inline __m512i voteKey(__m512i count, std::int32_t priority) {
  return _mm512_add_epi32(_mm512_slli_epi32(count, 6), _mm512_set1_epi32(priority));
}

// With AVX-512: tap n's count is the number of taps holding its value; it
// is a candidate where no earlier tap holds its value (first appearance
// orders the list) and, when the received value votes, where that value is
// not the received one, whose count it joins. Keys count * 64 + priority,
// with priority 31 - n for tap n and 32 for the received value's vote, are
// largest for the winner. Compiled for each number of voting taps, so that
// the loops unroll and the values and counts stay in registers.
template <std::int32_t kVoting>
__attribute__((target("avx512f"))) std::uint32_t voteLanes(const std::int32_t* const* cells,
                                                           const std::int32_t* own,
                                                           std::int32_t weight,
                                                           std::int32_t threshold,
                                                           std::int32_t* corrections) {
  const __m512i one = _mm512_set1_epi32(1);
  __m512i values[kVoting + 1];
  __m512i counts[kVoting + 1];
  __mmask16 candidate[kVoting + 1];
#pragma GCC unroll 16
  for (std::int32_t n = 0; n < kVoting; ++n) {
    values[n] = _mm512_loadu_si512(cells[n]);
    counts[n] = one;
    candidate[n] = 0xFFFF;
#pragma GCC unroll 16
    for (std::int32_t m = 0; m < n; ++m) {
      const __mmask16 same = _mm512_cmpeq_epi32_mask(values[m], values[n]);
      counts[n] = _mm512_mask_add_epi32(counts[n], same, counts[n], one);
      counts[m] = _mm512_mask_add_epi32(counts[m], same, counts[m], one);
      candidate[n] &= static_cast<__mmask16>(~same);
    }
  }
  const bool ownVotes = weight != 0;
  const __m512i ownValues = _mm512_loadu_si512(own);
  __m512i ownCount = _mm512_set1_epi32(weight);
  __m512i best = _mm512_set1_epi32(INT32_MIN);  // no candidate
  if (ownVotes) {
#pragma GCC unroll 16
    for (std::int32_t n = 0; n < kVoting; ++n) {
      const __mmask16 same = _mm512_cmpeq_epi32_mask(values[n], ownValues);
      ownCount = _mm512_mask_add_epi32(ownCount, same, ownCount, one);
      candidate[n] &= static_cast<__mmask16>(~same);
    }
    best = voteKey(ownCount, 32);
  }
#pragma GCC unroll 16
  for (std::int32_t n = 0; n < kVoting; ++n) {
    best = _mm512_mask_max_epi32(best, candidate[n], best, voteKey(counts[n], 31 - n));
  }
  // The winner's value (0 when there is no candidate) and count.
  __m512i winner = _mm512_setzero_si512();
  if (ownVotes) {
    winner = _mm512_mask_mov_epi32(winner, _mm512_cmpeq_epi32_mask(best, voteKey(ownCount, 32)),
                                   ownValues);
  }
#pragma GCC unroll 16
  for (std::int32_t n = 0; n < kVoting; ++n) {
    const __mmask16 wins =
        _mm512_mask_cmpeq_epi32_mask(candidate[n], best, voteKey(counts[n], 31 - n));
    winner = _mm512_mask_mov_epi32(winner, wins, values[n]);
  }
  const __m512i winnerCount = _mm512_srai_epi32(best, 6);
  // The runner-up: the best count of another candidate, at least 0.
  __m512i runnerUp = _mm512_setzero_si512();
#pragma GCC unroll 16
  for (std::int32_t n = 0; n < kVoting; ++n) {
    const __mmask16 other = _mm512_mask_cmpneq_epi32_mask(candidate[n], values[n], winner);
    runnerUp = _mm512_mask_max_epi32(runnerUp, other, runnerUp, counts[n]);
  }
  if (ownVotes) {
    const __mmask16 other = _mm512_cmpneq_epi32_mask(ownValues, winner);
    runnerUp = _mm512_mask_max_epi32(runnerUp, other, runnerUp, ownCount);
  }
  const __m512i margin = _mm512_sub_epi32(winnerCount, runnerUp);
  const __mmask16 corrects = _mm512_mask_cmpgt_epi32_mask(_mm512_test_epi32_mask(winner, winner),
                                                          margin, _mm512_set1_epi32(threshold));
  _mm512_storeu_si512(corrections, winner);
  return corrects;
}

// Eight int32 lanes in the compiler's generic vectors: one AVX2 register.
using Lanes = std::int32_t __attribute__((vector_size(32)));

// With AVX2, the same rules as voteLanes, eight lanes at a time:
// comparisons give -1 in the lanes where they hold, and selections are bit
// masks.
template <std::int32_t kVoting>
__attribute__((target("avx2"))) std::uint32_t voteLanesAvx2(const std::int32_t* const* cells,
                                                            const std::int32_t* own,
                                                            std::int32_t weight,
                                                            std::int32_t threshold,
                                                            std::int32_t* corrections) {
  const Lanes zero{};
  const bool ownVotes = weight != 0;
  std::uint32_t corrects = 0;
  for (int half = 0; half < kLaneCount; half += 8) {
    Lanes values[kVoting + 1];
    Lanes counts[kVoting + 1];
    Lanes candidate[kVoting + 1];  // -1 where tap n is a candidate
#pragma GCC unroll 16
    for (std::int32_t n = 0; n < kVoting; ++n) {
      __builtin_memcpy(&values[n], cells[n] + half, sizeof(Lanes));
      counts[n] = zero + 1;
      candidate[n] = zero - 1;
#pragma GCC unroll 16
      for (std::int32_t m = 0; m < n; ++m) {
        const Lanes same = values[m] == values[n];
        counts[n] -= same;
        counts[m] -= same;
        candidate[n] &= ~same;
      }
    }
    Lanes ownValues;
    __builtin_memcpy(&ownValues, own + half, sizeof(Lanes));
    Lanes ownCount = zero + weight;
    Lanes best = zero + INT32_MIN;  // no candidate
    if (ownVotes) {
#pragma GCC unroll 16
      for (std::int32_t n = 0; n < kVoting; ++n) {
        const Lanes same = values[n] == ownValues;
        ownCount -= same;
        candidate[n] &= ~same;
      }
      best = ownCount * 64 + 32;
    }
#pragma GCC unroll 16
    for (std::int32_t n = 0; n < kVoting; ++n) {
      const Lanes key = counts[n] * 64 + (31 - n);
      const Lanes take = candidate[n] & (key > best);
      best = (key & take) | (best & ~take);
    }
    // The winner's value (0 when there is no candidate) and count.
    Lanes winner = zero;
    if (ownVotes) winner = ownValues & (best == ownCount * 64 + 32);
#pragma GCC unroll 16
    for (std::int32_t n = 0; n < kVoting; ++n) {
      const Lanes wins = candidate[n] & (best == counts[n] * 64 + (31 - n));
      winner = (values[n] & wins) | (winner & ~wins);
    }
    const Lanes winnerCount = best >> 6;
    // The runner-up: the best count of another candidate, at least 0.
    Lanes runnerUp = zero;
#pragma GCC unroll 16
    for (std::int32_t n = 0; n < kVoting; ++n) {
      const Lanes take = candidate[n] & (values[n] != winner) & (counts[n] > runnerUp);
      runnerUp = (counts[n] & take) | (runnerUp & ~take);
    }
    if (ownVotes) {
      const Lanes take = (ownValues != winner) & (ownCount > runnerUp);
      runnerUp = (ownCount & take) | (runnerUp & ~take);
    }
    const Lanes apply = (winner != zero) & (winnerCount - runnerUp > threshold);
    __builtin_memcpy(corrections + half, &winner, sizeof(Lanes));
    for (int l = 0; l < 8; ++l) {
      corrects |= static_cast<std::uint32_t>(apply[l] & 1) << (half + l);
    }
  }
  return corrects;
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

template <std::size_t... kVoting>
constexpr std::array<LaneVote, sizeof...(kVoting)> avx512LaneVotes(
    std::index_sequence<kVoting...>) {
  return {&voteLanes<static_cast<std::int32_t>(kVoting)>...};
}

template <std::size_t... kVoting>
constexpr std::array<LaneVote, sizeof...(kVoting)> avx2LaneVotes(std::index_sequence<kVoting...>) {
  return {&voteLanesAvx2<static_cast<std::int32_t>(kVoting)>...};
}

}  // namespace

LaneVote laneVoteFor(std::int32_t voting, bool avx512) {
  static constexpr auto kAvx512 = avx512LaneVotes(std::make_index_sequence<kLaneCount + 1>());
  static constexpr auto kAvx2 = avx2LaneVotes(std::make_index_sequence<kLaneCount + 1>());
  if (voting < 0 || voting > kLaneCount) return nullptr;
  if (avx512) return vectorVotesSupported() ? kAvx512[static_cast<std::size_t>(voting)] : nullptr;
  return avx2Supported() ? kAvx2[static_cast<std::size_t>(voting)] : nullptr;
}

#else

LaneVote laneVoteFor(std::int32_t, bool) { return nullptr; }

#endif

}  // namespace vok::detail
