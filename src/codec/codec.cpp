// The Codec's construction, encoder and syndrome former.
//
// Delays are reduced into 0..L-1 once, at construction, so that positions
// are at most one turn away from the branch. Check sums are formed a chunk
// of positions at a time: for each tap, the shifted information branch is
// added to a small array of sums that stays in the first-level cache, which
// the compiler turns into vector additions.
#include "codec/codec.h"

#include <algorithm>
#include <cstddef>
#include <limits>

namespace vok {

namespace {

// Positions formed per pass of the check sums.
constexpr std::int32_t kChunk = 1024;

// The non-negative residue of `delay` modulo `length`, for any int32 delay.
std::int32_t reduceDelay(std::int32_t delay, std::int32_t length) {
  const std::int64_t r = std::int64_t{delay} % length;
  return static_cast<std::int32_t>(r < 0 ? r + length : r);
}

bool scheduleIsWellFormed(const DecoderSchedule& s) {
  if (s.itert < 0 || s.itert > kMaxIterations) return false;
  const std::size_t n = static_cast<std::size_t>(s.itert);
  return s.w.size() == n && s.t.size() == n && s.c.size() == n && s.o.size() == n &&
         s.p.size() == n && s.i.size() == n;
}

// value mod q for value >= 0.
template <typename Sum>
std::int32_t reduceSum(Sum value, std::int32_t q) {
  if ((q & (q - 1)) == 0) return static_cast<std::int32_t>(value & static_cast<Sum>(q - 1));
  return static_cast<std::int32_t>(value % q);
}

}  // namespace

Codec::Codec(const std::string& codePath, const std::string& schedulePath,
             std::int32_t symbolCount) {
  switch (readCodeDescription(codePath, code_)) {
    case CodeFileStatus::kRead:
      break;
    case CodeFileStatus::kMissing:
      code_ = CodeDescription::builtIn();
      break;
    case CodeFileStatus::kInvalid:
      return;  // the schedule is not read
  }
  switch (readDecoderSchedule(schedulePath, schedule_)) {
    case CodeFileStatus::kRead:
      break;
    case CodeFileStatus::kMissing:
      schedule_ = DecoderSchedule::builtIn();
      break;
    case CodeFileStatus::kInvalid:
      return;
  }
  initialise(symbolCount);
}

Codec::Codec(const CodeDescription& code, const DecoderSchedule& schedule, std::int32_t symbolCount)
    : code_(code), schedule_(schedule) {
  initialise(symbolCount);
}

void Codec::initialise(std::int32_t symbolCount) {
  if (code_.nk < 1 || code_.nk > kMaxBranches || code_.nr < 1 || code_.nr > kMaxBranches) return;
  if (!scheduleIsWellFormed(schedule_) || symbolCount < 1) return;
  symbolCount_ = symbolCount;
  length_ = symbolCount / code_.nk + (symbolCount % code_.nk != 0 ? 1 : 0);
  schedule_.bound(code_.nk, code_.nr);
  buildTapTables();

  const std::size_t length = static_cast<std::size_t>(length_);
  const std::size_t capacity = static_cast<std::size_t>(code_.voteScratchCapacity());
  voteValues_.assign(capacity, 0);
  voteCounts_.assign(capacity, 0);
  decisions_.assign(static_cast<std::size_t>(code_.nk) * length, 0);
  differences_.assign(static_cast<std::size_t>(code_.nk) * length, 0);
  syndromes_.assign(static_cast<std::size_t>(code_.nr) * length, 0);
  setQ(q_);  // sizes the count table for this code
  loaded_ = true;
}

void Codec::buildConflictTable() {
  blockConflicts_ = {};
  blockConflictsBuilt_ = false;
  for (int i = 0; i < code_.nk; ++i) {
    if (branchTaps_[i].total > kBlockPositions) return;
  }
  // Cell S[j][y - d] of branch r's tap is cell S[j][(y - a) - d2] of branch
  // r2's tap exactly when d - d2 = a modulo L (positions are cyclic).
  for (int r = 0; r < code_.nk; ++r) {
    const BranchTaps& taps = branchTaps_[r];
    for (int r2 = 0; r2 < code_.nk; ++r2) {
      const BranchTaps& reader = branchTaps_[r2];
      for (int j = 0; j < code_.nr; ++j) {
        for (std::int32_t n = taps.upTo[j]; n < taps.upTo[j + 1]; ++n) {
          for (std::int32_t m = reader.upTo[j]; m < reader.upTo[j + 1]; ++m) {
            std::int64_t a =
                std::int64_t{tapDelays_[taps.start + n]} - tapDelays_[reader.start + m];
            if (a < 0) a += length_;
            if (a >= kBlockPositions) continue;
            // Read by r2 whenever check branch j votes: p > j.
            for (int p = j + 1; p <= kMaxBranches; ++p) {
              blockConflicts_[p][r][a] |= static_cast<std::uint16_t>(1u << r2);
            }
          }
        }
      }
    }
  }
  blockConflictsBuilt_ = true;
}

void Codec::buildTapTables() {
  tapOffsets_.clear();
  tapDelays_.clear();
  maxDelay_ = 0;
  for (int i = 0; i < code_.nk; ++i) {
    BranchTaps& branch = branchTaps_[i];
    branch.start = static_cast<std::int32_t>(tapDelays_.size());
    for (int j = 0; j < code_.nr; ++j) {
      branch.upTo[j] = static_cast<std::int32_t>(tapDelays_.size()) - branch.start;
      for (std::int32_t delay : code_.taps[i][j].delays) {
        const std::int32_t d = reduceDelay(delay, length_);
        tapDelays_.push_back(d);
        tapOffsets_.push_back(std::int64_t{j} * length_ - d);
        maxDelay_ = std::max(maxDelay_, d);
      }
    }
    branch.total = static_cast<std::int32_t>(tapDelays_.size()) - branch.start;
    branch.distinctCells = true;
    for (std::int32_t a = branch.start; a < branch.start + branch.total; ++a) {
      for (std::int32_t b = branch.start; b < a; ++b) {
        branch.distinctCells = branch.distinctCells && tapOffsets_[a] != tapOffsets_[b];
      }
    }
    for (int p = code_.nr; p <= kMaxBranches; ++p) branch.upTo[p] = branch.total;
  }
  buildConflictTable();
  tapOffsets32_.clear();
  if (std::int64_t{code_.nr} * length_ <= std::numeric_limits<std::int32_t>::max()) {
    tapOffsets32_.assign(tapOffsets_.begin(), tapOffsets_.end());
  }

  checkTapBranch_.clear();
  checkTapDelay_.clear();
  maxCheckTaps_ = 0;
  for (int j = 0; j < code_.nr; ++j) {
    checkTapStart_[j] = static_cast<std::int32_t>(checkTapDelay_.size());
    for (int i = 0; i < code_.nk; ++i) {
      for (std::int32_t delay : code_.taps[i][j].delays) {
        checkTapBranch_.push_back(i);
        checkTapDelay_.push_back(reduceDelay(delay, length_));
      }
    }
    maxCheckTaps_ = std::max(maxCheckTaps_,
                             static_cast<std::int32_t>(checkTapDelay_.size()) - checkTapStart_[j]);
  }
  checkTapStart_[code_.nr] = static_cast<std::int32_t>(checkTapDelay_.size());
}

void Codec::setQ(std::int32_t q) {
  q_ = q;
  if (q > kMaxTableQ) {
    voteTable_.clear();
    voteTable_.shrink_to_fit();
    voteStamps_.clear();
    voteStamps_.shrink_to_fit();
    voteMask_ = 0;
    return;
  }
  std::int32_t size = 1;
  while (size < q) size *= 2;
  // One spare entry per vote position beyond the values.
  voteTable_.assign(static_cast<std::size_t>(size) + voteValues_.size(), 0);
  voteStamps_.assign(static_cast<std::size_t>(size), 0);
  voteStamp_ = 0;
  voteMask_ = size - 1;
}

float Codec::codeRate() const {
  return static_cast<float>(static_cast<double>(code_.nk) /
                            static_cast<double>(code_.nk + code_.nr));
}

bool Codec::narrowSumsSuffice() const {
  return std::int64_t{maxCheckTaps_} * (q_ - 1) + q_ <= std::numeric_limits<std::int32_t>::max();
}

template <typename Sum>
void Codec::checkSums(const std::int32_t* const* info, std::int32_t x0, std::int32_t n, int j,
                      Sum* sums) const {
  std::fill(sums, sums + n, Sum{0});
  for (std::int32_t t = checkTapStart_[j]; t < checkTapStart_[j + 1]; ++t) {
    const std::int32_t* branch = info[checkTapBranch_[t]];
    // Positions x0 + d .. x0 + d + n - 1, wrapping once past L - 1.
    std::int64_t start = std::int64_t{x0} + checkTapDelay_[t];
    if (start >= length_) start -= length_;
    const std::int32_t before =
        static_cast<std::int32_t>(std::min<std::int64_t>(n, length_ - start));
    const std::int32_t* from = branch + start;
    for (std::int32_t x = 0; x < before; ++x) sums[x] += from[x];
    for (std::int32_t x = before; x < n; ++x) sums[x] += branch[x - before];
  }
}

template <typename Sum>
void Codec::formChecks(const std::int32_t* const* info, const std::int32_t* const* received,
                       std::int32_t* const* out) const {
  Sum sums[kChunk];
  for (std::int32_t x0 = 0; x0 < length_; x0 += std::min(kChunk, length_ - x0)) {
    const std::int32_t n = std::min(kChunk, length_ - x0);
    for (int j = 0; j < code_.nr; ++j) {
      checkSums(info, x0, n, j, sums);
      std::int32_t* target = out[j] + x0;
      if (received == nullptr) {
        for (std::int32_t x = 0; x < n; ++x) target[x] = reduceSum(sums[x], q_);
      } else {
        const std::int32_t* check = received[j] + x0;
        for (std::int32_t x = 0; x < n; ++x) target[x] = reduceSum(q_ - check[x] + sums[x], q_);
      }
    }
  }
}

void Codec::encode(const std::int32_t* const* info, std::int32_t* const* check) const {
  if (narrowSumsSuffice()) {
    formChecks<std::int32_t>(info, nullptr, check);
  } else {
    formChecks<std::int64_t>(info, nullptr, check);
  }
}

void Codec::loadReceived(const std::int32_t* const* info, const std::int32_t* const* check) {
  const std::size_t length = static_cast<std::size_t>(length_);
  for (int i = 0; i < code_.nk; ++i) {
    std::copy(info[i], info[i] + length, decisions_.begin() + i * length);
  }
  std::fill(differences_.begin(), differences_.end(), 0);
  std::int32_t* syndromes[kMaxBranches];
  for (int j = 0; j < code_.nr; ++j) syndromes[j] = syndromes_.data() + j * length;
  if (narrowSumsSuffice()) {
    formChecks<std::int32_t>(info, check, syndromes);
  } else {
    formChecks<std::int64_t>(info, check, syndromes);
  }
}

void Codec::copyDecisions(std::int32_t* const* out) const {
  for (int i = 0; i < code_.nk; ++i) {
    const std::int32_t* u = decision(i);
    std::copy(u, u + length_, out[i]);
  }
}

const std::int32_t* Codec::decision(int i) const {
  return decisions_.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(length_);
}

const std::int32_t* Codec::difference(int i) const {
  return differences_.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(length_);
}

const std::int32_t* Codec::syndrome(int j) const {
  return syndromes_.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(length_);
}

}  // namespace vok
