// The iterative threshold decoder: one pass of majority votes over the
// syndromes, with every correction pushed at once into U, D and S.
//
// The vote gives exactly the result of the candidate list (values in order
// of first appearance, the received value's vote first, ties to the earlier
// candidate, runner-up the best count of another value) without searching
// the list. A first look over the syndromes spots any nonzero value met
// twice (the received value's vote included). Usually there is none: every
// nonzero value then counts 1, and the outcome follows from w, the received
// value and the number of zeros (with w > 0 and a received value of 0 it is
// always "no change"). Otherwise the counts go to a table indexed by the
// value, and the winner is the largest of the keys count * 2^20 + priority,
// where the priority falls with the position in the list, so that equal
// counts go to the earlier candidate.
//
// Where the processor has AVX-512 or AVX2, the decoder takes 16 positions
// at a time: the votes of one branch at 16 neighbouring positions read 16
// neighbouring cells of each syndrome tap, so they are counted side by side
// in vector lanes (lane_votes.h), from the syndromes as they stand before
// the block. The block is then gone through in the decoder's order,
// applying the corrections found. A correction changes syndromes that a
// later vote of the same block may read (a table built with the code says
// which); such a vote is taken again on its own, so the result is exactly
// that of voting one symbol after another.
#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstddef>

#include "codec/codec.h"
#include "codec/lane_votes.h"
#include "codec/vector_votes.h"

#if VOK_VECTOR_VOTES
#include <immintrin.h>
#endif

namespace vok {

namespace {

// (x - e) mod q for x and e in 0..q-1, as (q + x - e) % q. Q is added
// through the sign mask, not a branch: the sign of x - e is a coin toss for
// syndromes that meet noise.
inline std::int32_t subtractMod(std::int32_t x, std::int32_t e, std::int32_t q) {
  const std::int32_t difference = x - e;
  return difference + (q & (difference >> 31));
}

// Keys are count * 2^kPriorityBits + priority. Counts stay within
// |w| + capacity, so keys fit in 64 bits while these bounds hold.
constexpr int kPriorityBits = 20;
constexpr std::int64_t kPriorityLimit = std::int64_t{1} << kPriorityBits;
constexpr std::int64_t kMaxTableWeight = std::int64_t{1} << 30;

// The vote's result when no nonzero value occurs twice: the candidates are
// the received value's vote (when w != 0), the value 0 counted `zeros`
// times (merged into the received value's vote when that is 0), and
// `singles` values counted once. Returns false when the lead is 0 or less
// and could still pass the threshold, which needs the list order of a tie.
inline bool voteWithoutRepeats(std::int64_t weight, std::int32_t own, std::int64_t zeros,
                               std::int64_t singles, std::int64_t threshold, bool& ownWins,
                               bool& zeroWins, std::int64_t& margin) {
  const bool ownVotes = weight != 0;
  const std::int64_t ownCount = weight + (own == 0 ? zeros : 0);
  const bool zeroApart = zeros > 0 && !(ownVotes && own == 0);
  // The two largest counts among the candidates, and how many reach the top.
  std::int64_t top = -kMaxTableWeight * 4;
  std::int64_t second = top;
  const auto add = [&](std::int64_t count) {
    if (count > top) {
      second = top;
      top = count;
    } else if (count > second) {
      second = count;
    }
  };
  if (ownVotes) add(ownCount);
  if (zeroApart) add(zeros);
  if (singles > 0) add(1);
  if (singles > 1) add(1);
  if (!ownVotes && !zeroApart && singles == 0) {
    // No candidate: value 0 with count 0.
    ownWins = false;
    zeroWins = true;
    margin = 0;
    return true;
  }
  margin = top - std::max<std::int64_t>(second, 0);
  if (margin <= 0) {
    ownWins = zeroWins = false;
    return margin <= threshold;
  }
  ownWins = ownVotes && ownCount == top;
  zeroWins = !ownWins && zeroApart && zeros == top;
  return true;
}

#if VOK_VECTOR_VOTES
// The first look of a vote with AVX-512 (up to 16 voting syndromes): the
// syndromes are gathered at once, written to `values`, and a nonzero value
// met twice (or equal to the received value, when that votes and is
// nonzero) is found by the conflict-detection instruction. Same answer as
// the scalar look.
__attribute__((target("avx512f,avx512cd"))) bool repeatedByVector(
    const std::int32_t* base, const std::int32_t* offsets, std::int32_t voting, std::int32_t mask,
    std::int32_t ownValue, bool ownVotes, std::int32_t* values) {
  const auto active = static_cast<__mmask16>((1u << voting) - 1);
  // Masked-off lanes neither load nor gather.
  const __m512i index = _mm512_maskz_loadu_epi32(active, offsets);
  const __m512i gathered =
      _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), active, index, base, 4);
  const __m512i all = _mm512_and_si512(gathered, _mm512_set1_epi32(mask));
  _mm512_mask_storeu_epi32(values, active, all);
  // Each lane's conflicts are the earlier lanes holding its value.
  const __mmask16 nonzero = _mm512_mask_test_epi32_mask(active, all, all);
  const __m512i conflicts = _mm512_maskz_conflict_epi32(nonzero, all);
  __mmask16 repeated = _mm512_mask_test_epi32_mask(nonzero, conflicts, conflicts);
  if (ownVotes && ownValue != 0) {
    repeated |= _mm512_mask_cmpeq_epi32_mask(nonzero, all, _mm512_set1_epi32(ownValue));
  }
  return repeated != 0;
}

// GCC 12 warns about the deliberately undefined vectors inside some of the
// intrinsics below (shifts, reductions); the lanes they leave are unused.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// The whole vote with AVX-512 (1 to 16 voting syndromes, |w| <= 2^20),
// without a branch on the values. Lane i's conflict mask holds the earlier
// lanes of its value: its popcount + 1 is the value's count so far (the full
// count at the value's last lane), and its lowest bit the value's first lane,
// which orders the candidate list. The key count * 64 + priority, with
// priority 31 - first lane (32 for the received value's vote, candidate 0),
// is largest for the winner; lanes of the received value, when it votes,
// join its count instead. The runner-up is the best count of another value.
__attribute__((target("avx512f,avx512cd,avx512vpopcntdq"))) void voteByVector(
    const std::int32_t* base, const std::int32_t* offsets, std::int32_t voting, std::int32_t mask,
    std::int32_t own, std::int32_t weight, std::int32_t& winner, std::int64_t& margin) {
  const auto active = static_cast<__mmask16>((1u << voting) - 1);
  const __m512i index = _mm512_maskz_loadu_epi32(active, offsets);
  const __m512i none = _mm512_set1_epi32(-1);  // idle lanes: no value
  const __m512i gathered = _mm512_mask_i32gather_epi32(none, active, index, base, 4);
  const __m512i all = _mm512_mask_and_epi32(none, active, gathered, _mm512_set1_epi32(mask));
  const __m512i earlier = _mm512_conflict_epi32(all);
  const bool ownVotes = weight != 0;
  if (weight > 0 && own == 0) {
    // Without a nonzero value met twice the received value 0 leads or ties
    // first: no change. Most votes of the later iterations end here.
    const __mmask16 nonzero = _mm512_mask_test_epi32_mask(active, all, all);
    if (_mm512_mask_test_epi32_mask(nonzero, earlier, earlier) == 0) {
      winner = 0;
      margin = 0;
      return;
    }
  }
  const __m512i counts = _mm512_add_epi32(_mm512_popcnt_epi32(earlier), _mm512_set1_epi32(1));
  const __m512i lowest =
      _mm512_and_si512(earlier, _mm512_sub_epi32(_mm512_setzero_si512(), earlier));
  // 31 - first lane: lzcnt of the lowest earlier bit, or 31 - own lane.
  const __m512i lanes = _mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
  const __mmask16 repeat = _mm512_test_epi32_mask(earlier, earlier);
  const __m512i priority = _mm512_mask_blend_epi32(
      repeat, _mm512_sub_epi32(_mm512_set1_epi32(31), lanes), _mm512_lzcnt_epi32(lowest));
  const __m512i keys = _mm512_add_epi32(_mm512_slli_epi32(counts, 6), priority);

  const __mmask16 ownLanes =
      ownVotes ? _mm512_mask_cmpeq_epi32_mask(active, all, _mm512_set1_epi32(own)) : 0;
  const auto others = static_cast<__mmask16>(active & ~ownLanes);
  const std::int32_t ownCount = weight + __builtin_popcount(ownLanes);
  const std::int32_t ownKey = ownVotes ? ownCount * 64 + 32 : INT32_MIN;
  const std::int32_t laneKey = _mm512_mask_reduce_max_epi32(others, keys);  // INT32_MIN if none
  const bool ownWins = ownKey > laneKey;
  const auto bestLane = static_cast<__mmask16>(
      _mm512_mask_cmpeq_epi32_mask(others, keys, _mm512_set1_epi32(laneKey)) &
      static_cast<__mmask16>(-static_cast<int>(!ownWins)));
  const std::int32_t laneValue =
      _mm_cvtsi128_si32(_mm512_castsi512_si128(_mm512_maskz_compress_epi32(bestLane, all)));
  winner = ownWins ? own : laneValue;
  const std::int32_t winnerCount = ownWins ? ownCount : (laneKey >> 6);
  const auto losers =
      static_cast<__mmask16>(others & ~_mm512_cmpeq_epi32_mask(all, _mm512_set1_epi32(winner)));
  std::int32_t runnerUp = std::max(0, _mm512_mask_reduce_max_epi32(losers, counts));
  if (ownVotes && own != winner) runnerUp = std::max(runnerUp, ownCount);
  margin = std::int64_t{winnerCount} - runnerUp;
}

// The syndrome updates of a correction by e with AVX-512 (up to 16 cells,
// all different, so that the scatter loses no update): every cell becomes
// (cell - e) mod q.
__attribute__((target("avx512f"))) void applyByVector(std::int32_t* base,
                                                      const std::int32_t* offsets,
                                                      std::int32_t total, std::int32_t e,
                                                      std::int32_t q) {
  const auto active = static_cast<__mmask16>((1u << total) - 1);
  const __m512i index = _mm512_maskz_loadu_epi32(active, offsets);
  const __m512i cells = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), active, index, base, 4);
  const __m512i difference = _mm512_sub_epi32(cells, _mm512_set1_epi32(e));
  const __mmask16 negative = _mm512_cmplt_epi32_mask(difference, _mm512_setzero_si512());
  const __m512i reduced =
      _mm512_mask_add_epi32(difference, negative, difference, _mm512_set1_epi32(q));
  _mm512_mask_i32scatter_epi32(base, active, index, reduced, 4);
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

// Votes of kVectorMinimum to kVectorLanes syndromes go through the vector
// look; for fewer, the gather's latency costs more than the scalar look.
constexpr std::int32_t kVectorLanes = 16;
constexpr std::int32_t kVectorMinimum = 8;

// Votes of at most this many syndromes look for a repeated value by
// comparing every pair.
constexpr std::int32_t kPairwiseMaximum = 6;

// Votes of kWholeVectorMinimum to kVectorLanes syndromes are decided
// wholly in vector registers where the processor counts bits in them, with
// weights |w| up to detail::kMaxLaneWeight (the same count * 64 + priority
// keys as the lane votes).
constexpr std::int32_t kWholeVectorMinimum = 8;

// How far below the current position the one-by-one votes fetch their
// cells, and how far below its block the block votes do (a few blocks: the
// fetches are spread over the block, one branch at a time, so that they do
// not all wait for memory at once).
constexpr std::int32_t kPrefetchAhead = 256;
constexpr std::int32_t kBlockPrefetchAhead = 32;

}  // namespace

namespace detail {

// Each is asked of the processor once.
bool vectorVotesSupported() {
#if VOK_VECTOR_VOTES
  static const bool supported = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512cd");
  }();
  return supported;
#else
  return false;
#endif
}

bool vectorCountsSupported() {
#if VOK_VECTOR_VOTES
  static const bool supported = vectorVotesSupported() && __builtin_cpu_supports("avx512vpopcntdq");
  return supported;
#else
  return false;
#endif
}

bool avx2Supported() {
#if VOK_VECTOR_VOTES
  static const bool supported = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return supported;
#else
  return false;
#endif
}

bool& blockVotesEnabled() {
  static bool enabled = true;
  return enabled;
}

bool& vectorVotesEnabled() {
  static bool enabled = vectorVotesSupported();
  return enabled;
}

}  // namespace detail

void Codec::iterate(int k) {
  const std::int32_t split = std::min(maxDelay_, length_);
  const std::int64_t weight = schedule_.w[k];
  const bool table = !voteTable_.empty() &&
                     static_cast<std::int64_t>(voteValues_.size()) < kPriorityLimit - 1 &&
                     weight <= kMaxTableWeight && weight >= -kMaxTableWeight;
  if (table) {
    decodePositions<false, true>(length_ - 1, split, k);
    decodePositions<true, true>(split - 1, 0, k);
  } else {
    decodePositions<false, false>(length_ - 1, split, k);
    decodePositions<true, false>(split - 1, 0, k);
  }
}

void Codec::tableVote(const std::int32_t* values, std::int32_t voting, std::int64_t zeros,
                      std::int32_t own, std::int64_t weight, std::int32_t& winner,
                      std::int64_t& margin) {
  // Written without data-dependent branches: the outcome of each comparison
  // enters as 0 or 1.
  std::int64_t* const table = voteTable_.data();
  // Zeros go to spare entries, one per position, so that no entry is
  // counted up twice in a row unless a nonzero value repeats; their count
  // then goes to the entry of 0.
  const std::int64_t spare = std::int64_t{voteMask_} + 1;
  const auto slot = [&](std::int32_t n) {
    const std::int64_t v = values[n];
    return v + static_cast<std::int64_t>(v == 0) * (spare + n);
  };
  for (std::int32_t n = 0; n < voting; ++n) ++table[slot(n)];
  table[0] = zeros;
  // The received value's vote joins its value's count.
  const bool ownVotes = weight != 0;
  table[own] += weight;
  // The winner: the largest key, the received value's vote first in the
  // list (value 0 with count 0 when there is no candidate).
  std::int64_t best =
      static_cast<std::int64_t>(ownVotes) * table[own] * kPriorityLimit + (kPriorityLimit - 1);
  for (std::int32_t n = 0; n < voting; ++n) {
    best = std::max(best, table[values[n]] * kPriorityLimit + (kPriorityLimit - 2 - n));
  }
  const std::int64_t priority = best & (kPriorityLimit - 1);
  const std::int64_t winnerCount = best >> kPriorityBits;
  winner =
      priority == kPriorityLimit - 1 ? (ownVotes ? own : 0) : values[kPriorityLimit - 2 - priority];
  // The runner-up: the best count of another value, at least 0.
  std::int64_t runnerUp = 0;
  for (std::int32_t n = 0; n < voting; ++n) {
    const std::int64_t other = -static_cast<std::int64_t>(values[n] != winner);
    runnerUp = std::max(runnerUp, table[values[n]] & other);
  }
  const std::int64_t ownOther = -static_cast<std::int64_t>(ownVotes && own != winner);
  runnerUp = std::max(runnerUp, table[own] & ownOther);
  margin = winnerCount - runnerUp;
  for (std::int32_t n = 0; n < voting; ++n) table[slot(n)] = 0;
  table[0] = 0;
  table[own] = 0;
}

template <bool kWrap, bool kTable>
void Codec::decodePositions(std::int32_t high, std::int32_t low, int k) {
  const int decoded = schedule_.i[k];
  const int voters = std::max(schedule_.p[k], 0);
  const std::int64_t weight = schedule_.w[k];
  const bool ownVotes = weight != 0;
  const std::int64_t threshold = schedule_.t[k];
  const std::int32_t q = q_;
  const std::int32_t length = length_;
  const std::size_t stride = static_cast<std::size_t>(length_);
  std::int32_t* const syndromes = syndromes_.data();
  std::uint32_t* const stamps = voteStamps_.data();
  std::uint32_t stamp = voteStamp_;
  const std::int32_t mask = voteMask_;
  [[maybe_unused]] const bool vector =
      detail::vectorVotesEnabled() && detail::vectorVotesSupported() && !tapOffsets32_.empty();
  [[maybe_unused]] const std::int32_t* const offsets32 = tapOffsets32_.data();
  // The whole vote in vector registers, where the weight fits its keys.
  [[maybe_unused]] const bool wholeVector = kTable && vector && detail::vectorCountsSupported() &&
                                            weight <= detail::kMaxLaneWeight &&
                                            weight >= -detail::kMaxLaneWeight;
  // Blocks of positions voted at once (below), with AVX-512 where the
  // vector votes are on, else with AVX2, where the processor has it and the
  // weight fits the lane votes' keys. blockVote[r]: branch r's lane vote.
  // (The conflict table is built only when no branch has more taps than a
  // lane vote takes.)
  std::array<detail::LaneVote, kMaxBranches> blockVote{};
  bool blocks = kTable && detail::blockVotesEnabled() && blockConflictsBuilt_ &&
                weight <= detail::kMaxLaneWeight && weight >= -detail::kMaxLaneWeight;
  for (int r = 0; r < decoded && blocks; ++r) {
    blockVote[r] =
        detail::laneVoteFor(branchTaps_[r].upTo[voters],
                            detail::vectorVotesEnabled() && detail::vectorVotesSupported());
    blocks = blockVote[r] != nullptr;
  }
  std::int32_t* const values = voteValues_.data();
  std::int64_t* const counts = voteCounts_.data();

  const std::int32_t* const differences = differences_.data();
  const std::int32_t* const decisions = decisions_.data();

  // Where each check branch's cells are first read as y falls: at
  // leadOffsets[n] + y, the cell of its largest delay among the branches
  // decoded. The other taps read cells that the leading one brought in.
  std::array<std::int64_t, kMaxBranches> leadOffsets{};
  int leadCount = 0;
  for (int j = 0; j < code_.nr; ++j) {
    std::int32_t lead = -1;
    for (int r = 0; r < decoded; ++r) {
      const BranchTaps& taps = branchTaps_[r];
      for (std::int32_t n = taps.start + taps.upTo[j]; n < taps.start + taps.upTo[j + 1]; ++n) {
        lead = std::max(lead, tapDelays_[n]);
      }
    }
    if (lead >= 0) leadOffsets[leadCount++] = std::int64_t{j} * length_ - lead;
  }
  // Fetches the leading cells, U and D, kPrefetchAhead positions below y,
  // for the one-by-one votes. The streams are too many for the processor's
  // prefetcher to follow.
  [[maybe_unused]] const auto prefetchBelow = [&](std::int32_t y) {
#if defined(__GNUC__) || defined(__clang__)
    if (y < low + kPrefetchAhead) return;
    const std::int32_t ahead = y - kPrefetchAhead;
    for (int n = 0; n < leadCount; ++n) {
      __builtin_prefetch(syndromes + leadOffsets[n] + ahead, 1, 3);
    }
    for (int r = 0; r < decoded; ++r) {
      __builtin_prefetch(decisions + static_cast<std::size_t>(r) * stride + ahead, 1, 3);
      __builtin_prefetch(differences + static_cast<std::size_t>(r) * stride + ahead, 1, 3);
    }
#else
    (void)y;
#endif
  };

  // Corrects the symbol of branch r at position y by e: U, D and every
  // syndrome cell it takes part in become (x - e) mod q.
  const auto applyCorrection = [&](int r, std::int32_t y, std::int32_t e) {
    const BranchTaps& taps = branchTaps_[r];
    bool applied = false;
#if VOK_VECTOR_VOTES
    if constexpr (!kWrap) {
      if (vector && taps.distinctCells && taps.total <= kVectorLanes) {
        applyByVector(syndromes + y, offsets32 + taps.start, taps.total, e, q);
        applied = true;
      }
    }
#endif
    const std::int64_t* const offsets = tapOffsets_.data() + taps.start;
    const std::int32_t* const delays = tapDelays_.data() + taps.start;
    for (std::int32_t n = 0; n < taps.total && !applied; ++n) {
      std::int64_t index = offsets[n] + y;
      if constexpr (kWrap) index += y < delays[n] ? length : 0;
      syndromes[index] = subtractMod(syndromes[index], e, q);
    }
    const std::size_t cell = static_cast<std::size_t>(r) * stride + static_cast<std::size_t>(y);
    differences_[cell] = subtractMod(differences_[cell], e, q);
    decisions_[cell] = subtractMod(decisions_[cell], e, q);
  };

  // Decides the vote of branch r at position y and applies its correction;
  // true when it corrected.
  const auto decodeSymbol = [&](int r, std::int32_t y) -> bool {
    const BranchTaps& taps = branchTaps_[r];
    const std::int64_t* const offsets = tapOffsets_.data() + taps.start;
    const std::int32_t* const delays = tapDelays_.data() + taps.start;
    const std::int32_t voting = taps.upTo[voters];
    // The syndrome register cell of tap n at position y.
    const auto at = [&](std::int32_t n) -> std::int32_t* {
      std::int64_t index = offsets[n] + y;
      if constexpr (kWrap) index += y < delays[n] ? length : 0;
      return syndromes + index;
    };
    const std::int32_t own =
        differences[static_cast<std::size_t>(r) * stride + static_cast<std::size_t>(y)];

    std::int32_t winner = 0;
    std::int64_t margin = 0;
    bool voted = false;
#if VOK_VECTOR_VOTES
    if constexpr (!kWrap) {
      if (wholeVector && voting <= kVectorLanes && voting >= kWholeVectorMinimum) {
        voteByVector(syndromes + y, offsets32 + taps.start, voting, mask, own & mask,
                     static_cast<std::int32_t>(weight), winner, margin);
        voted = true;
      }
    }
#endif
    if (voted) {
      // decided by the vector vote
    } else if constexpr (kTable) {
      // Values in 0..Q-1 never alias under the mask.
      const std::int32_t ownValue = own & mask;
      bool repeated = false;
      bool gathered = false;  // values[] already holds the syndrome values
#if VOK_VECTOR_VOTES
      if constexpr (!kWrap) {
        if (vector && voting <= kVectorLanes && voting >= kVectorMinimum) {
          repeated = repeatedByVector(syndromes + y, offsets32 + taps.start, voting, mask, ownValue,
                                      ownVotes, values);
          gathered = true;
        }
      }
#endif
      if (!gathered && voting <= kPairwiseMaximum) {
        // A few syndromes: compare every pair in registers, no stamps.
        const std::int32_t ownNonzero = ownVotes ? ownValue : 0;
        for (std::int32_t n = 0; n < voting; ++n) {
          const std::int32_t value = *at(n) & mask;
          values[n] = value;
          bool same = ownNonzero != 0 && value == ownNonzero;
          for (std::int32_t m = 0; m < n; ++m) same |= values[m] == value;
          repeated |= same & (value != 0);
        }
        gathered = true;
      }
      if (!gathered) {
        if (++stamp == 0) {
          std::fill(voteStamps_.begin(), voteStamps_.end(), 0);
          stamp = 1;
        }
        if (ownVotes) stamps[ownValue] = stamp;
        for (std::int32_t n = 0; n < voting; ++n) {
          const std::int32_t value = *at(n) & mask;
          // The stamp of 0 says nothing: zeros are counted apart.
          repeated |= (value != 0) & (stamps[value] == stamp);
          stamps[value] = stamp;
        }
      }
      // Without a repeated nonzero value nothing can change when the
      // received value 0 votes with w > 0 (it leads or ties first), nor
      // when w = 0, t >= 0 and two or more syndromes vote (0 leads, or the
      // lead is a tie).
      const bool quiet = !repeated && ((weight > 0 && ownValue == 0) ||
                                       (weight == 0 && threshold >= 0 && voting >= 2));
      if (!quiet) {
        std::int64_t zeros = 0;
        for (std::int32_t n = 0; n < voting; ++n) {
          if (!gathered) values[n] = *at(n) & mask;
          zeros += values[n] == 0;
        }
        bool ownWins = false;
        bool zeroWins = false;
        if (!repeated && voteWithoutRepeats(weight, ownValue, zeros, voting - zeros, threshold,
                                            ownWins, zeroWins, margin)) {
          if (ownWins) {
            winner = own;
          } else if (!zeroWins && margin > 0) {
            // The one value counted once leads: find it.
            for (std::int32_t n = 0; n < voting; ++n) {
              winner = values[n] != 0 ? values[n] : winner;
            }
          }
        } else {
          tableVote(values, voting, zeros, ownValue, weight, winner, margin);
        }
      }
    } else {
      // The candidate list with linear search, for alphabets too large
      // for the count table.
      std::int32_t candidates = 0;
      if (weight != 0) {
        values[0] = own;
        counts[0] = weight;
        candidates = 1;
      }
      for (std::int32_t n = 0; n < voting; ++n) {
        const std::int32_t value = *at(n);
        std::int32_t c = 0;
        while (c < candidates && values[c] != value) ++c;
        if (c < candidates) {
          ++counts[c];
        } else {
          values[c] = value;
          counts[c] = 1;
          ++candidates;
        }
      }
      std::int64_t winnerCount = candidates > 0 ? counts[0] : 0;
      winner = candidates > 0 ? values[0] : 0;
      for (std::int32_t c = 1; c < candidates; ++c) {
        if (counts[c] > winnerCount) {
          winner = values[c];
          winnerCount = counts[c];
        }
      }
      std::int64_t runnerUp = 0;
      for (std::int32_t c = 0; c < candidates; ++c) {
        if (values[c] != winner && counts[c] > runnerUp) runnerUp = counts[c];
      }
      margin = winnerCount - runnerUp;
    }

    if (margin <= threshold || winner == 0) return false;
    applyCorrection(r, y, winner);
    return true;
  };

  std::int32_t y = high;
  if constexpr (kTable) {
    if (blocks && decoded > 0) {
      // Blocks of kBlockPositions positions: first the votes of each branch
      // at all positions of the block at once, from the syndromes as they
      // stand. Then the block in the decoder's order: a correction found is
      // applied, and the later votes whose syndromes it changes are taken
      // again, one by one.
      const auto active = static_cast<std::uint32_t>((1u << decoded) - 1);
      const ConflictRow* const conflicts = blockConflicts_[std::min(voters, kMaxBranches)].data();
      const auto blockThreshold = static_cast<std::int32_t>(
          std::clamp(threshold, -detail::kMaxLaneThreshold, detail::kMaxLaneThreshold));
      std::array<std::array<std::int32_t, kBlockPositions>, kMaxBranches> corrections;
      [[maybe_unused]] std::array<std::array<std::int32_t, kBlockPositions>, kBlockPositions>
          wrapped;
      // Bit kBlockPositions - 1 - a of laterLanes[r] (0 < a <
      // kBlockPositions): a correction of branch r changes some vote a
      // positions further down.
      std::array<std::uint32_t, kMaxBranches> laterLanes{};
      for (int r = 0; r < decoded; ++r) {
        for (std::int32_t a = 1; a < kBlockPositions; ++a) {
          if ((conflicts[r][a] & active) != 0) laterLanes[r] |= 1u << (kBlockPositions - 1 - a);
        }
      }
      for (; y - (kBlockPositions - 1) >= low; y -= kBlockPositions) {
        const std::int32_t bottom = y - (kBlockPositions - 1);
        const bool fetchAhead = !kWrap && bottom - kBlockPrefetchAhead >= low;
        // Bit r of corrects[a]: branch r's vote at position y - a corrects
        // by corrections[r][kBlockPositions - 1 - a]. Of revote[a]: it is to
        // be taken again.
        std::array<std::uint32_t, kBlockPositions> corrects{};
        std::array<std::uint32_t, kBlockPositions> revote{};
        // Bit kBlockPositions - 1 - a: position y - a may have work.
        std::uint32_t pending = 0;
        for (int r = 0; r < decoded; ++r) {
          const BranchTaps& taps = branchTaps_[r];
          const std::int32_t voting = taps.upTo[voters];
#if defined(__GNUC__) || defined(__clang__)
          // What branch r needs a few blocks below: U, D and a share of
          // the leading cells. (Written out here: as a call it slowed the
          // loop down.)
          if (fetchAhead) {
            const std::int32_t ahead = bottom - kBlockPrefetchAhead;
            __builtin_prefetch(decisions + static_cast<std::size_t>(r) * stride + ahead, 1, 3);
            __builtin_prefetch(differences + static_cast<std::size_t>(r) * stride + ahead, 1, 3);
            for (int n = r; n < leadCount; n += decoded) {
              __builtin_prefetch(syndromes + leadOffsets[n] + ahead, 1, 3);
            }
          }
#endif
          // Tap n's cells at the block's positions, side by side: in place,
          // or gathered into wrapped[n] where the block meets the wrap.
          std::array<const std::int32_t*, kBlockPositions> cells;
          for (std::int32_t n = 0; n < voting; ++n) {
            const std::int64_t offset = tapOffsets_[taps.start + n];
            const std::int32_t delay = tapDelays_[taps.start + n];
            if (!kWrap || bottom >= delay) {
              cells[n] = syndromes + offset + bottom;
            } else if (y < delay) {
              cells[n] = syndromes + offset + bottom + length;
            } else {
              for (std::int32_t l = 0; l < kBlockPositions; ++l) {
                const std::int32_t x = bottom + l;
                wrapped[n][l] = syndromes[offset + x + (x < delay ? length : 0)];
              }
              cells[n] = wrapped[n].data();
            }
          }
          const std::uint32_t lanes = blockVote[r](
              cells.data(), differences + static_cast<std::size_t>(r) * stride + bottom,
              static_cast<std::int32_t>(weight), blockThreshold, corrections[r].data());
          for (std::int32_t a = 0; a < kBlockPositions; ++a) {
            corrects[a] |= ((lanes >> (kBlockPositions - 1 - a)) & 1u) << r;
          }
          pending |= lanes;
        }
        // Only the positions with work, in the decoder's order (the highest
        // lane first): far fewer branches to mispredict than a pass over
        // all positions.
        while (pending != 0) {
          const int lane = 31 - std::countl_zero(pending);
          pending &= ~(1u << lane);
          const std::int32_t a = kBlockPositions - 1 - lane;
          std::uint32_t todo = (corrects[a] | revote[a]) & active;
          while (todo != 0) {
            const int r = std::countr_zero(todo);
            bool corrected = true;
            if ((revote[a] >> r) & 1u) {
              corrected = decodeSymbol(r, y - a);
            } else {
              applyCorrection(r, y - a, corrections[r][kBlockPositions - 1 - a]);
            }
            if (corrected) {
              const ConflictRow& changed = conflicts[r];
              for (std::int32_t b = a; b < kBlockPositions; ++b) revote[b] |= changed[b - a];
              pending |= laterLanes[r] >> a;
            }
            todo = (corrects[a] | revote[a]) & active & ~((2u << r) - 1);
          }
        }
      }
    }
  }
  for (; y >= low; --y) {
    if constexpr (!kWrap) {
      if ((y & 15) == 0) prefetchBelow(y);
    }
    for (int r = 0; r < decoded; ++r) decodeSymbol(r, y);
  }
  voteStamp_ = stamp;
}

}  // namespace vok
