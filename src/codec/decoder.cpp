// The iterative threshold decoder: one pass of majority votes over the
// syndromes, with every correction pushed at once into U, D and S.
//
// The vote gives exactly the result of the candidate list (values in order
// of first appearance, the received value's vote first, ties to the earlier
// candidate, runner-up the best count of another value), without searching
// the list: each value's count is kept in a table indexed by the value, and
// the leading count, its value and the best count of any other value are
// updated as counts grow. When the lead is strict the leader is the list's
// winner; only a lead of 0 (a tie, which decides nothing unless the
// threshold is negative) needs the list order, found by a second look.
#include <algorithm>
#include <cstddef>

#include "codec/codec.h"

namespace vok {

namespace {

// (x - e) mod q for x and e in 0..q-1, as (q + x - e) % q.
inline std::int32_t subtractMod(std::int32_t x, std::int32_t e, std::int32_t q) {
  const std::int32_t difference = x - e;
  return difference < 0 ? difference + q : difference;
}

}  // namespace

void Codec::iterate(int k) {
  const std::int32_t split = std::min(maxDelay_, length_);
  if (!voteTable_.empty()) {
    decodePositions<false, true>(length_ - 1, split, k);
    decodePositions<true, true>(split - 1, 0, k);
  } else {
    decodePositions<false, false>(length_ - 1, split, k);
    decodePositions<true, false>(split - 1, 0, k);
  }
}

template <bool kWrap, bool kTable>
void Codec::decodePositions(std::int32_t high, std::int32_t low, int k) {
  const int decoded = schedule_.i[k];
  const int voters = std::max(schedule_.p[k], 0);
  const std::int64_t weight = schedule_.w[k];
  const std::int64_t threshold = schedule_.t[k];
  const std::int32_t q = q_;
  const std::int32_t length = length_;
  const std::size_t stride = static_cast<std::size_t>(length_);
  std::int32_t* const syndromes = syndromes_.data();
  std::int64_t* const table = voteTable_.data();
  const std::int32_t mask = voteMask_;
  std::int32_t* const values = voteValues_.data();
  std::int64_t* const counts = voteCounts_.data();

  for (std::int32_t y = high; y >= low; --y) {
    for (int r = 0; r < decoded; ++r) {
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
      std::int32_t& difference =
          differences_[static_cast<std::size_t>(r) * stride + static_cast<std::size_t>(y)];
      const std::int32_t own = difference;

      std::int64_t leadCount = 0;   // the largest count so far
      std::int32_t leader = 0;      // a value with that count
      std::int64_t otherCount = 0;  // the largest count of any other value
      std::int32_t winner = 0;
      std::int64_t margin = 0;
      if constexpr (kTable) {
        if (weight != 0) {
          leadCount = weight;
          leader = own;
          table[own & mask] = weight;
        }
        for (std::int32_t n = 0; n < voting; ++n) {
          const std::int32_t value = *at(n);
          const std::int64_t count = ++table[value & mask];
          const bool same = value == leader;
          const bool overtakes = !same && count > leadCount;
          const bool second = !same && count > otherCount;
          otherCount = overtakes ? leadCount : (second ? count : otherCount);
          leadCount = (same || overtakes) ? count : leadCount;
          leader = overtakes ? value : leader;
        }
        margin = leadCount - std::max<std::int64_t>(otherCount, 0);
        winner = leader;
        if (margin <= 0 && margin > threshold) {
          // A possible tie: the winner is the first candidate in list order
          // with the leading count (value 0 when there is no candidate).
          winner = 0;
          if (weight != 0 && table[own & mask] == leadCount) {
            winner = own;
          } else {
            for (std::int32_t n = 0; n < voting; ++n) {
              const std::int32_t value = *at(n);
              if (table[value & mask] == leadCount) {
                winner = value;
                break;
              }
            }
          }
        }
        for (std::int32_t n = 0; n < voting; ++n) table[*at(n) & mask] = 0;
        if (weight != 0) table[own & mask] = 0;
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

      if (margin > threshold && winner != 0) {
        for (std::int32_t n = 0; n < taps.total; ++n) {
          std::int32_t* const cell = at(n);
          *cell = subtractMod(*cell, winner, q);
        }
        difference = subtractMod(own, winner, q);
        std::int32_t& decision =
            decisions_[static_cast<std::size_t>(r) * stride + static_cast<std::size_t>(y)];
        decision = subtractMod(decision, winner, q);
      }
    }
  }
}

}  // namespace vok
