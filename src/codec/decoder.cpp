// The iterative threshold decoder: one pass of majority votes over the
// syndromes, with every correction pushed at once into U, D and S.
//
// With byte registers (Q = 256) the pass goes a vector's width of positions
// at a time where the processor has AVX2 (byte_blocks.h); positions left
// below the last whole block, and every position on other processors or
// with other alphabets, are voted one by one.
//
// The vote one by one gives exactly the result of the candidate list
// (values in order of first appearance, the received value's vote first,
// ties to the earlier candidate, runner-up the best count of another value)
// without searching the list. A first look over the syndromes spots any
// nonzero value met twice (the received value's vote included). Usually
// there is none: every nonzero value then counts 1, and the outcome follows
// from w, the received value and the number of zeros (with w > 0 and a
// received value of 0 it is always "no change"). Otherwise the counts go to
// a table indexed by the value, and the winner is the largest of the keys
// count * 2^20 + priority, where the priority falls with the position in
// the list, so that equal counts go to the earlier candidate.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "codec/byte_blocks.h"
#include "codec/codec.h"
#include "codec/vector_votes.h"
#include "common/processor_features.h"

namespace vok {

namespace {

// (x - e) mod q for x and e in 0..q-1, as (q + x - e) % q. Q is added
// through the sign mask, not a branch: the sign of x - e is a coin toss for
// syndromes that meet noise. Bytes (q = 256) wrap by themselves.
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

// Votes of at most this many syndromes look for a repeated value by
// comparing every pair.
constexpr std::int32_t kPairwiseMaximum = 6;

// How far below the current position the one-by-one votes fetch their
// cells.
constexpr std::int32_t kPrefetchAhead = 256;

}  // namespace

namespace detail {

bool avx512Supported() { return VOK_VECTOR_VOTES && processorHasAvx512(); }

bool avx2Supported() { return VOK_VECTOR_VOTES && processorHasAvx2(); }

bool& avx512Enabled() {
  static bool enabled = true;
  return enabled;
}

bool& blockVotesEnabled() {
  static bool enabled = true;
  return enabled;
}

int blockVoteWidth() {
  if (!blockVotesEnabled()) return 0;
  if (avx512Enabled() && avx512Supported()) return kAvx512Width;
  return avx2Supported() ? kAvx2Width : 0;
}

}  // namespace detail

void Codec::iterate(int k) {
  Pass pass;
  pass.decoded = schedule_.i[k];
  pass.voters = std::max(schedule_.p[k], 0);
  pass.weight = schedule_.w[k];
  pass.threshold = schedule_.t[k];
  const auto idle = idlePasses_.begin();
  if (std::find(idle, idle + idleCount_, pass) != idle + idleCount_) return;
  passCorrected_ = false;
  if (byteRegisters()) {
    decodeOneByOne<std::uint8_t>(pass, decodeByteBlocks(pass, length_ - 1));
  } else {
    decodeOneByOne<std::int32_t>(pass, length_ - 1);
  }
  if (passCorrected_) {
    idleCount_ = 0;
  } else if (idleCount_ < static_cast<int>(idlePasses_.size())) {
    idlePasses_[static_cast<std::size_t>(idleCount_++)] = pass;
  } else {
    std::rotate(idle, idle + 1, idlePasses_.end());
    idlePasses_.back() = pass;
  }
}

std::int32_t Codec::decodeByteBlocks(const Pass& pass, std::int32_t high) {
  const std::int32_t width = detail::blockVoteWidth();
  // Branches shorter than two vectors vote one by one: there nearly every
  // pair of taps meets within a block through the wrap, and the block's fixed
  // point then takes up to a round per lane (seconds for a 72-symbol branch).
  if (width == 0 || pass.decoded <= 0 || length_ < 2 * width) return high;
  if (pass.weight > detail::kMaxByteWeight || pass.weight < -detail::kMaxByteWeight) return high;
  const detail::ByteBlockPass blockPass = detail::byteBlockPassFor(width);
  if (blockPass == nullptr) return high;
  BlockPlanSlot& slot = blockPlanFor(pass, width);
  if (!slot.usable) return high;
  detail::ByteBlockPlan& plan = slot.plan;
  plan.decisions = bytes_.decisions.data();
  plan.differences = bytes_.differences.data();
  plan.syndromes = bytes_.syndromes.data();
  plan.weight = static_cast<std::int32_t>(pass.weight);
  plan.threshold = static_cast<std::int32_t>(std::clamp<std::int64_t>(
      pass.threshold, -detail::kByteThresholdBound, detail::kByteThresholdBound));
  bool corrected = false;
  const std::int32_t left = blockPass(plan, high, 0, corrected);
  passCorrected_ |= corrected;
  return left;
}

Codec::BlockPlanSlot& Codec::blockPlanFor(const Pass& pass, std::int32_t width) {
  // Passes of one kind (width, voters, branches decoded) share the plan's
  // conflicts, chunks and first reads.
  const BlockPlanKind kind{width, pass.voters, pass.decoded};
  for (BlockPlanSlot& slot : blockPlans_) {
    if (slot.kind == kind) return slot;
  }
  BlockPlanSlot& slot = blockPlans_[nextBlockPlan_];
  nextBlockPlan_ = (nextBlockPlan_ + 1) % blockPlans_.size();
  slot.kind = kind;
  slot.plan = detail::ByteBlockPlan{};
  slot.plan.length = length_;
  slot.plan.decoded = pass.decoded;
  slot.plan.conflicts = slot.conflicts.data();
  slot.usable = planConflicts(pass, width, slot);
  if (slot.usable) {
    planChunks(pass, width, slot);
    planLeads(pass, slot.plan);
  }
  return slot;
}

template <typename Visit>
void Codec::forEachConflict(const Pass& pass, std::int32_t width, int r, Visit visit) const {
  // Vote tap n of branch r at position y reads cell S[j][y - d]; the
  // correction of branch r2 at position y + s changes it through a tap of
  // delay d2 exactly when d2 - d = s modulo L. Positions above y (s > 0),
  // and y itself for an earlier branch (s = 0, r2 < r), come first.
  const BranchTaps& taps = branchTaps_[r];
  for (int j = 0; j < std::min(pass.voters, code_.nr); ++j) {
    for (std::int32_t n = taps.upTo[j]; n < taps.upTo[j + 1]; ++n) {
      const std::int32_t d =
          tapDelays_[static_cast<std::size_t>(taps.start) + static_cast<std::size_t>(n)];
      for (int r2 = 0; r2 < pass.decoded; ++r2) {
        const BranchTaps& writer = branchTaps_[r2];
        for (std::int32_t m = writer.upTo[j]; m < writer.upTo[j + 1]; ++m) {
          std::int64_t s = std::int64_t{tapDelays_[static_cast<std::size_t>(writer.start) +
                                                   static_cast<std::size_t>(m)]} -
                           d;
          if (s < 0) s += length_;
          if (s < width && (s > 0 || r2 < r)) visit(n, r2, static_cast<std::int32_t>(s));
        }
      }
    }
  }
}

const std::array<std::uint8_t, kMaxBranches>& Codec::blockOrder(const Pass& pass,
                                                                std::int32_t width) {
  const int voters = std::min(pass.voters, code_.nr);
  const std::size_t wide = width == detail::kAvx512Width ? 1 : 0;
  const std::size_t sizes = kMaxBranches + 1;
  BlockOrder& known = blockOrders_[(wide * sizes + static_cast<std::size_t>(voters)) * sizes +
                                   static_cast<std::size_t>(pass.decoded)];
  if (known.found) return known.order;
  std::array<std::uint32_t, kMaxBranches> sources{};
  std::array<std::int32_t, kMaxBranches> cost{};
  for (int r = 0; r < pass.decoded; ++r) {
    forEachConflict(pass, width, r,
                    [&](std::int32_t, int r2, std::int32_t) { sources[r] |= 1u << r2; });
    // A vote costs about the pairs of its syndromes.
    const std::int32_t voting = branchTaps_[r].upTo[static_cast<std::size_t>(voters)];
    cost[r] = voting * (voting + 1) / 2 + 4;
  }
  // The cheapest order, over the sets of branches voted first: a branch
  // placed after set `done` is voted again when it reads one not in it.
  const std::uint32_t all = (1u << pass.decoded) - 1;
  std::fill(orderCosts_.begin(), orderCosts_.begin() + all + 1, INT32_MAX);
  orderCosts_[0] = 0;
  for (std::uint32_t done = 0; done < all; ++done) {
    for (int r = 0; r < pass.decoded; ++r) {
      if ((done >> r & 1u) != 0) continue;
      const std::int32_t total = orderCosts_[done] + ((sources[r] & ~done) != 0 ? cost[r] : 0);
      if (total < orderCosts_[done | 1u << r]) {
        orderCosts_[done | 1u << r] = total;
        orderLast_[done | 1u << r] = static_cast<std::uint8_t>(r);
      }
    }
  }
  for (std::uint32_t done = all, k = static_cast<std::uint32_t>(pass.decoded); done != 0;) {
    const std::uint8_t r = orderLast_[done];
    known.order[--k] = r;
    done &= ~(1u << r);
  }
  known.found = true;
  return known.order;
}

bool Codec::planConflicts(const Pass& pass, std::int32_t width, BlockPlanSlot& slot) {
  detail::ByteBlockPlan& plan = slot.plan;
  std::vector<detail::ByteConflict>& conflicts = slot.conflicts;
  for (int r = 0; r < pass.decoded; ++r) {
    const BranchTaps& taps = branchTaps_[r];
    detail::ByteBranchPlan& b = plan.branches[r];
    b.offsets = tapOffsets_.data() + taps.start;
    b.delays = tapDelays_.data() + taps.start;
    b.voting = taps.upTo[std::min(pass.voters, kMaxBranches)];
    b.total = taps.total;
    if (b.voting > detail::kMaxBlockTaps) return false;
  }
  plan.order = blockOrder(pass, width);
  std::array<int, kMaxBranches> place{};
  for (int k = 0; k < pass.decoded; ++k) place[plan.order[static_cast<std::size_t>(k)]] = k;
  // Each tap's conflicts, those with a source voted before its branch first.
  std::size_t used = 0;
  for (int r = 0; r < pass.decoded; ++r) {
    detail::ByteBranchPlan& b = plan.branches[r];
    // The conflicts come tap after tap; each tap's list starts where the
    // previous one ends.
    std::int32_t next = 0;
    const auto startTapsUpTo = [&](std::int32_t last) {
      for (; next <= last; ++next) {
        b.conflictStart[static_cast<std::size_t>(next)] = static_cast<std::int32_t>(used);
      }
    };
    forEachConflict(pass, width, r, [&](std::int32_t n, int r2, std::int32_t shift) {
      startTapsUpTo(n);
      if (used == conflicts.size()) return;
      conflicts[used++] = {static_cast<std::uint8_t>(r2), static_cast<std::uint8_t>(shift)};
      b.tapSources[static_cast<std::size_t>(n)] |= 1u << r2;
      detail::ByteBranchPlan& source = plan.branches[r2];
      source.readerBranches |= 1u << r;
      source.shiftsTo[static_cast<std::size_t>(r)] |= std::uint64_t{1} << shift;
      for (std::int32_t top = shift; top < width; ++top) {
        source.readers[static_cast<std::size_t>(top)] |= 1u << place[r];
        if (place[r2] >= place[r]) {
          source.readersBefore[static_cast<std::size_t>(top)] |= 1u << place[r];
        }
      }
    });
    startTapsUpTo(b.voting);
    if (used == conflicts.size()) return false;
    for (std::int32_t n = 0; n < b.voting; ++n) {
      const auto list = conflicts.begin();
      const auto earlier =
          std::partition(list + b.conflictStart[static_cast<std::size_t>(n)],
                         list + b.conflictStart[static_cast<std::size_t>(n) + 1],
                         [&](detail::ByteConflict c) { return place[c.source] < place[r]; });
      b.earlierEnd[static_cast<std::size_t>(n)] = static_cast<std::int32_t>(earlier - list);
    }
  }
  return true;
}

void Codec::planLeads(const Pass& pass, detail::ByteBlockPlan& plan) const {
  // Each check branch's cells are first read at its largest delay among the
  // branches decoded; the other taps read cells that one brought in.
  for (int j = 0; j < code_.nr; ++j) {
    std::int32_t lead = -1;
    for (int r = 0; r < pass.decoded; ++r) {
      const BranchTaps& taps = branchTaps_[r];
      for (std::int32_t n = taps.start + taps.upTo[j]; n < taps.start + taps.upTo[j + 1]; ++n) {
        lead = std::max(lead, tapDelays_[static_cast<std::size_t>(n)]);
      }
    }
    if (lead >= 0) plan.leadOffsets[plan.leadCount++] = std::int64_t{j} * length_ - lead;
  }
}

void Codec::planChunks(const Pass& pass, std::int32_t width, BlockPlanSlot& slot) {
  detail::ByteBlockPlan& plan = slot.plan;
  // Every tap's cells for a block start at offset j * L - d from its lowest
  // position, one vector long. In increasing order of offset, cells that
  // overlap form runs; each run is cut into vectors from its start, and
  // every vector takes the corrections of the taps that meet it.
  std::int32_t count = 0;
  std::int32_t deepest = 0;
  for (int r = 0; r < pass.decoded; ++r) {
    const BranchTaps& taps = branchTaps_[r];
    for (std::int32_t n = taps.start; n < taps.start + taps.total; ++n) {
      chunkRows_[static_cast<std::size_t>(count++)] = {tapOffsets_[static_cast<std::size_t>(n)], r};
      deepest = std::max(deepest, tapDelays_[static_cast<std::size_t>(n)]);
    }
  }
  const auto rows = chunkRows_.begin();
  std::sort(rows, rows + count);
  std::int32_t chunks = 0;
  std::int32_t parts = 0;
  for (std::int32_t first = 0; first < count;) {
    std::int64_t start = rows[first].first;
    for (;;) {
      detail::ByteApplyChunk& chunk = slot.chunks[static_cast<std::size_t>(chunks++)];
      chunk = {start, parts, 0};
      for (std::int32_t n = first; n < count && rows[n].first < start + width; ++n) {
        slot.parts[static_cast<std::size_t>(parts++)] = {
            static_cast<std::uint16_t>(detail::paddedCorrectionsAt(
                width, rows[n].second, static_cast<std::int32_t>(start - rows[n].first)))};
        chunk.sources |= 1u << rows[n].second;
      }
      // Rows that started at or below this vector's start end within it.
      while (first < count && rows[first].first <= start) ++first;
      if (first == count || rows[first].first >= start + width) break;
      start += width;
    }
  }
  slot.chunks[static_cast<std::size_t>(chunks)] = {0, parts, 0};
  plan.chunks = slot.chunks.data();
  plan.parts = slot.parts.data();
  plan.chunkCount = chunks;
  plan.chunkedFrom = deepest;
}

template <typename Cell>
void Codec::decodeOneByOne(const Pass& pass, std::int32_t high) {
  // Positions y >= maxDelay_ read no tap across the wrap.
  const std::int32_t split = std::min(maxDelay_, length_);
  if (high >= split) decodeOneByOne<Cell, false>(pass, high, split);
  decodeOneByOne<Cell, true>(pass, std::min(high, split - 1), 0);
}

template <typename Cell, bool kWrap>
void Codec::decodeOneByOne(const Pass& pass, std::int32_t high, std::int32_t low) {
  Registers<Cell>& regs = registers<Cell>();
  const std::size_t stride = static_cast<std::size_t>(length_);
  for (std::int32_t y = high; y >= low; --y) {
#if defined(__GNUC__) || defined(__clang__)
    // U, D and the cells of the votes a few hundred positions below: the
    // streams are too many for the processor's prefetcher to follow.
    if (!kWrap && (y & 15) == 0 && y >= low + kPrefetchAhead) {
      const std::int32_t ahead = y - kPrefetchAhead;
      for (int r = 0; r < pass.decoded; ++r) {
        __builtin_prefetch(regs.decisions.data() + r * stride + ahead, 1, 3);
        __builtin_prefetch(regs.differences.data() + r * stride + ahead, 1, 3);
        const BranchTaps& taps = branchTaps_[r];
        for (std::int32_t n = 0; n < taps.upTo[std::min(pass.voters, kMaxBranches)]; ++n) {
          __builtin_prefetch(regs.syndromes.data() + cellIndex<false>(taps.start + n, ahead), 1, 3);
        }
      }
    }
#endif
    for (int r = 0; r < pass.decoded; ++r) {
      std::int32_t winner = 0;
      std::int64_t margin = 0;
      voteOne<Cell, kWrap>(pass, r, y, winner, margin);
      if (margin > pass.threshold && winner != 0) {
        applyOne<Cell, kWrap>(r, y, winner);
        passCorrected_ = true;
      }
    }
  }
}

template <typename Cell, bool kWrap>
void Codec::voteOne(const Pass& pass, int r, std::int32_t y, std::int32_t& winner,
                    std::int64_t& margin) {
  const bool table = !voteTable_.empty() &&
                     static_cast<std::int64_t>(voteValues_.size()) < kPriorityLimit - 1 &&
                     pass.weight <= kMaxTableWeight && pass.weight >= -kMaxTableWeight;
  if (table) {
    voteByTable<Cell, kWrap>(pass, r, y, winner, margin);
  } else {
    voteByList<Cell, kWrap>(pass, r, y, winner, margin);
  }
}

template <typename Cell, bool kWrap>
void Codec::voteByTable(const Pass& pass, int r, std::int32_t y, std::int32_t& winner,
                        std::int64_t& margin) {
  const Cell* const syndromes = registers<Cell>().syndromes.data();
  const BranchTaps& taps = branchTaps_[r];
  const std::int32_t voting = taps.upTo[std::min(pass.voters, kMaxBranches)];
  const std::int32_t mask = voteMask_;
  const bool ownVotes = pass.weight != 0;
  const std::int32_t own = registers<Cell>().differences[static_cast<std::size_t>(r) * length_ + y];
  // Values in 0..Q-1 never alias under the mask.
  const std::int32_t ownValue = own & mask;
  std::int32_t* const values = voteValues_.data();
  for (std::int32_t n = 0; n < voting; ++n) {
    values[n] = syndromes[cellIndex<kWrap>(taps.start + n, y)] & mask;
  }
  bool repeated = false;
  if (voting <= kPairwiseMaximum) {
    // A few syndromes: compare every pair in registers, no stamps.
    const std::int32_t ownNonzero = ownVotes ? ownValue : 0;
    for (std::int32_t n = 0; n < voting; ++n) {
      bool same = ownNonzero != 0 && values[n] == ownNonzero;
      for (std::int32_t m = 0; m < n; ++m) same |= values[m] == values[n];
      repeated |= same & (values[n] != 0);
    }
  } else {
    std::uint32_t* const stamps = voteStamps_.data();
    if (++voteStamp_ == 0) {
      std::fill(voteStamps_.begin(), voteStamps_.end(), 0);
      voteStamp_ = 1;
    }
    if (ownVotes) stamps[ownValue] = voteStamp_;
    for (std::int32_t n = 0; n < voting; ++n) {
      // The stamp of 0 says nothing: zeros are counted apart.
      repeated |= (values[n] != 0) & (stamps[values[n]] == voteStamp_);
      stamps[values[n]] = voteStamp_;
    }
  }
  // Without a repeated nonzero value nothing can change when the received
  // value 0 votes with w > 0 (it leads or ties first), nor when w = 0,
  // t >= 0 and two or more syndromes vote (0 leads, or the lead is a tie).
  if (!repeated && ((pass.weight > 0 && ownValue == 0) ||
                    (pass.weight == 0 && pass.threshold >= 0 && voting >= 2))) {
    winner = 0;
    margin = 0;
    return;
  }
  std::int64_t zeros = 0;
  for (std::int32_t n = 0; n < voting; ++n) zeros += values[n] == 0;
  bool ownWins = false;
  bool zeroWins = false;
  winner = 0;
  if (repeated || !voteWithoutRepeats(pass.weight, ownValue, zeros, voting - zeros, pass.threshold,
                                      ownWins, zeroWins, margin)) {
    tableVote(values, voting, zeros, ownValue, pass.weight, winner, margin);
  } else if (ownWins) {
    winner = own;
  } else if (!zeroWins && margin > 0) {
    // The one value counted once leads: find it.
    for (std::int32_t n = 0; n < voting; ++n) winner = values[n] != 0 ? values[n] : winner;
  }
}

template <typename Cell, bool kWrap>
void Codec::voteByList(const Pass& pass, int r, std::int32_t y, std::int32_t& winner,
                       std::int64_t& margin) {
  const Cell* const syndromes = registers<Cell>().syndromes.data();
  const BranchTaps& taps = branchTaps_[r];
  const std::int32_t voting = taps.upTo[std::min(pass.voters, kMaxBranches)];
  std::int32_t* const values = voteValues_.data();
  std::int64_t* const counts = voteCounts_.data();
  std::int32_t candidates = 0;
  if (pass.weight != 0) {
    values[0] = registers<Cell>().differences[static_cast<std::size_t>(r) * length_ + y];
    counts[0] = pass.weight;
    candidates = 1;
  }
  for (std::int32_t n = 0; n < voting; ++n) {
    const std::int32_t value = syndromes[cellIndex<kWrap>(taps.start + n, y)];
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

template <typename Cell, bool kWrap>
void Codec::applyOne(int r, std::int32_t y, std::int32_t e) {
  Registers<Cell>& regs = registers<Cell>();
  const BranchTaps& taps = branchTaps_[r];
  for (std::int32_t n = 0; n < taps.total; ++n) {
    Cell& cell = regs.syndromes[static_cast<std::size_t>(cellIndex<kWrap>(taps.start + n, y))];
    cell = static_cast<Cell>(subtractMod(cell, e, q_));
  }
  const std::size_t at = static_cast<std::size_t>(r) * length_ + static_cast<std::size_t>(y);
  regs.differences[at] = static_cast<Cell>(subtractMod(regs.differences[at], e, q_));
  regs.decisions[at] = static_cast<Cell>(subtractMod(regs.decisions[at], e, q_));
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

}  // namespace vok
