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
#include <type_traits>

#include "common/differing_bytes.h"

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

  const std::size_t capacity = static_cast<std::size_t>(code_.voteScratchCapacity());
  voteValues_.assign(capacity, 0);
  voteCounts_.assign(capacity, 0);
  loaded_ = true;
  setQ(q_);  // sizes the registers and the count table for this code
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
    for (int p = code_.nr; p <= kMaxBranches; ++p) branch.upTo[p] = branch.total;
  }
  // A block's conflicts pair two taps of one check branch: at most the
  // square of each check branch's tap count, summed.
  std::size_t pairs = 0;
  for (int j = 0; j < code_.nr; ++j) {
    std::size_t taps = 0;
    for (int i = 0; i < code_.nk; ++i) taps += code_.taps[i][j].delays.size();
    pairs += taps * taps;
  }
  // One spare, so that a full list can be told from one that ran out.
  for (BlockPlanSlot& slot : blockPlans_) {
    slot.kind = {};
    slot.conflicts.assign(pairs + 1, detail::ByteConflict{});
    slot.chunks.assign(2 * tapDelays_.size() + 1, detail::ByteApplyChunk{});
    slot.parts.assign(2 * tapDelays_.size(), detail::ByteApplyPart{});
  }
  chunkRows_.assign(tapDelays_.size(), {0, 0});
  orderCosts_.assign(std::size_t{1} << code_.nk, 0);
  orderLast_.assign(std::size_t{1} << code_.nk, 0);
  blockOrders_ = {};

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

template <>
Codec::Registers<std::uint8_t>& Codec::registers<std::uint8_t>() {
  return bytes_;
}

template <>
Codec::Registers<std::int32_t>& Codec::registers<std::int32_t>() {
  return wide_;
}

void Codec::setQ(std::int32_t q) {
  q_ = q;
  idleCount_ = 0;
  if (loaded_) {
    const std::size_t info = static_cast<std::size_t>(code_.nk) * static_cast<std::size_t>(length_);
    const std::size_t check =
        static_cast<std::size_t>(code_.nr) * static_cast<std::size_t>(length_);
    // The byte syndromes have a vector's spare bytes beyond the last check
    // branch, where the block pass may read and write back a few.
    const std::size_t spare = static_cast<std::size_t>(detail::kAvx512Width);
    const auto size = [&](auto& registers, bool used, std::size_t spareCells) {
      for (auto* cells : {&registers.decisions, &registers.differences, &registers.syndromes}) {
        const bool syndromes = cells == &registers.syndromes;
        cells->assign(used ? (syndromes ? check + spareCells : info) : 0, 0);
        if (!used) cells->shrink_to_fit();
      }
    };
    size(bytes_, byteRegisters(), spare);
    size(wide_, !byteRegisters(), 0);
  }
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

template <typename In, typename Sum>
void Codec::checkSums(const In* const* info, std::int32_t x0, std::int32_t n, int j,
                      Sum* sums) const {
  std::fill(sums, sums + n, Sum{0});
  for (std::int32_t t = checkTapStart_[j]; t < checkTapStart_[j + 1]; ++t) {
    const In* branch = info[checkTapBranch_[t]];
    // Positions x0 + d .. x0 + d + n - 1, wrapping once past L - 1.
    std::int64_t start = std::int64_t{x0} + checkTapDelay_[t];
    if (start >= length_) start -= length_;
    const std::int32_t before =
        static_cast<std::int32_t>(std::min<std::int64_t>(n, length_ - start));
    const In* from = branch + start;
    for (std::int32_t x = 0; x < before; ++x) sums[x] += from[x];
    for (std::int32_t x = before; x < n; ++x) sums[x] += branch[x - before];
  }
}

template <typename Sum, typename In, typename Out>
void Codec::formChecks(const In* const* info, const In* const* received, Out* const* out) const {
  Sum sums[kChunk];
  for (std::int32_t x0 = 0; x0 < length_; x0 += std::min(kChunk, length_ - x0)) {
    const std::int32_t n = std::min(kChunk, length_ - x0);
    for (int j = 0; j < code_.nr; ++j) {
      checkSums(info, x0, n, j, sums);
      Out* target = out[j] + x0;
      if (received == nullptr) {
        for (std::int32_t x = 0; x < n; ++x) target[x] = static_cast<Out>(reduceSum(sums[x], q_));
      } else {
        const In* check = received[j] + x0;
        for (std::int32_t x = 0; x < n; ++x) {
          target[x] = static_cast<Out>(reduceSum(q_ - Sum{check[x]} + sums[x], q_));
        }
      }
    }
  }
}

template <typename In, typename Out>
void Codec::formChecksAnySum(const In* const* info, const In* const* received,
                             Out* const* out) const {
  // Bytes in and out with Q = 256: byte sums wrap around modulo Q by
  // themselves, and a vector holds four times as many.
  if constexpr (std::is_same_v<In, std::uint8_t> && std::is_same_v<Out, std::uint8_t>) {
    if (q_ == 256) {
      formChecks<std::uint8_t>(info, received, out);
      return;
    }
  }
  if (narrowSumsSuffice()) {
    formChecks<std::int32_t>(info, received, out);
  } else {
    formChecks<std::int64_t>(info, received, out);
  }
}

void Codec::encode(const std::int32_t* const* info, std::int32_t* const* check) const {
  formChecksAnySum(info, static_cast<const std::int32_t* const*>(nullptr), check);
}

void Codec::encode(const std::uint8_t* const* info, std::uint8_t* const* check) const {
  formChecksAnySum(info, static_cast<const std::uint8_t* const*>(nullptr), check);
}

template <typename In, typename Cell>
void Codec::loadInto(const In* const* info, const In* const* check, Registers<Cell>& registers) {
  idleCount_ = 0;
  const std::size_t length = static_cast<std::size_t>(length_);
  for (int i = 0; i < code_.nk; ++i) {
    std::transform(info[i], info[i] + length, registers.decisions.begin() + i * length,
                   [](In symbol) { return static_cast<Cell>(symbol); });
  }
  std::fill(registers.differences.begin(), registers.differences.end(), Cell{0});
  Cell* syndromes[kMaxBranches];
  for (int j = 0; j < code_.nr; ++j) syndromes[j] = registers.syndromes.data() + j * length;
  formChecksAnySum(info, check, syndromes);
}

void Codec::loadReceived(const std::int32_t* const* info, const std::int32_t* const* check) {
  if (byteRegisters()) {
    loadInto(info, check, bytes_);
  } else {
    loadInto(info, check, wide_);
  }
}

void Codec::loadReceived(const std::uint8_t* const* info, const std::uint8_t* const* check) {
  if (byteRegisters()) {
    loadInto(info, check, bytes_);
  } else {
    loadInto(info, check, wide_);
  }
}

template <typename Out>
void Codec::copyOut(Out* const* out) const {
  const std::size_t length = static_cast<std::size_t>(length_);
  for (int i = 0; i < code_.nk; ++i) {
    const std::size_t first = static_cast<std::size_t>(i) * length;
    const auto copy = [&](const auto& cells) {
      std::transform(cells.begin() + first, cells.begin() + first + length, out[i],
                     [](auto symbol) { return static_cast<Out>(symbol); });
    };
    if (byteRegisters()) {
      copy(bytes_.decisions);
    } else {
      copy(wide_.decisions);
    }
  }
}

void Codec::copyDecisions(std::int32_t* const* out) const { copyOut(out); }

void Codec::copyDecisions(std::uint8_t* const* out) const { copyOut(out); }

namespace {
// How many of cells[0..count) differ from sent[0..count). Counted in 32-bit
// sums over stretches short enough never to overflow them, without a
// branch, so that the loop stays in vector registers.
template <typename Cell, typename Sent>
std::int64_t countDiffering(const Cell* cells, const Sent* sent, std::int32_t count) {
  constexpr std::int32_t kStretch = 1 << 24;
  std::int64_t errors = 0;
  for (std::int32_t first = 0; first < count; first += kStretch) {
    const std::int32_t last = count - first < kStretch ? count : first + kStretch;
    std::uint32_t differing = 0;
    for (std::int32_t n = first; n < last; ++n) {
      differing += static_cast<std::int32_t>(cells[n]) != static_cast<std::int32_t>(sent[n]);
    }
    errors += differing;
  }
  return errors;
}

// Bytes against bytes: counted a vector at a time.
template <>
std::int64_t countDiffering(const std::uint8_t* cells, const std::uint8_t* sent,
                            std::int32_t count) {
  return countDifferingBytes(cells, sent, count);
}
}  // namespace

// Symbol n is U[n / L][n % L]: the decisions stored branch after branch are
// the information in order.
template <typename Sent>
std::int64_t Codec::decisionErrorsAgainst(const Sent* sent, std::int32_t count) const {
  return byteRegisters() ? countDiffering(bytes_.decisions.data(), sent, count)
                         : countDiffering(wide_.decisions.data(), sent, count);
}

std::int64_t Codec::decisionErrors(const std::int32_t* sent, std::int32_t count) const {
  return decisionErrorsAgainst(sent, count);
}

std::int64_t Codec::decisionErrors(const std::uint8_t* sent, std::int32_t count) const {
  return decisionErrorsAgainst(sent, count);
}

RegisterCells Codec::decision(int i) const {
  const std::size_t first = static_cast<std::size_t>(i) * static_cast<std::size_t>(length_);
  return byteRegisters() ? RegisterCells(bytes_.decisions.data() + first, nullptr)
                         : RegisterCells(nullptr, wide_.decisions.data() + first);
}

RegisterCells Codec::difference(int i) const {
  const std::size_t first = static_cast<std::size_t>(i) * static_cast<std::size_t>(length_);
  return byteRegisters() ? RegisterCells(bytes_.differences.data() + first, nullptr)
                         : RegisterCells(nullptr, wide_.differences.data() + first);
}

RegisterCells Codec::syndrome(int j) const {
  const std::size_t first = static_cast<std::size_t>(j) * static_cast<std::size_t>(length_);
  return byteRegisters() ? RegisterCells(bytes_.syndromes.data() + first, nullptr)
                         : RegisterCells(nullptr, wide_.syndromes.data() + first);
}

}  // namespace vok
