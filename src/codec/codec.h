// The `Codec` knows the code: it holds the code description, the decoder
// schedule and the decoder's registers, and offers encoding, loading of a
// received block (syndrome forming) and the iterative threshold decoder.
//
// Symbols are values in 0..Q-1, handed in and out as int32 (or as bytes,
// where Q <= 256); positions in a branch are cyclic. A block is nk
// information branches and nr check branches of branchLength() symbols
// each, owned by the caller and passed as arrays of branch pointers.
//
// With Q = 256 the registers are bytes, where the hardware's wrap-around is
// the modular arithmetic, and the decoder votes a vector of 32 (AVX2) or 64
// (AVX-512) positions at once. Other alphabets keep int32 registers and the
// one-by-one votes.
#ifndef VOK_CODEC_CODEC_H_
#define VOK_CODEC_CODEC_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "codec/byte_blocks.h"
#include "codec/code_description.h"
#include "codec/decoder_schedule.h"

namespace vok {

// One register branch as the caller sees it, whatever width the codec holds
// it in: an input iterator over its symbols as int32, with indexing.
class RegisterCells {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = std::int32_t;
  using difference_type = std::ptrdiff_t;
  using pointer = void;
  using reference = std::int32_t;

  RegisterCells(const std::uint8_t* bytes, const std::int32_t* wide) : bytes_(bytes), wide_(wide) {}
  std::int32_t operator[](std::ptrdiff_t x) const { return bytes_ ? bytes_[x] : wide_[x]; }
  std::int32_t operator*() const { return (*this)[0]; }
  RegisterCells operator+(std::ptrdiff_t n) const {
    return {bytes_ ? bytes_ + n : nullptr, wide_ ? wide_ + n : nullptr};
  }
  RegisterCells& operator++() { return *this = *this + 1; }
  RegisterCells operator++(int) {
    const RegisterCells before = *this;
    ++*this;
    return before;
  }
  bool operator==(const RegisterCells&) const = default;

 private:
  const std::uint8_t* bytes_;
  const std::int32_t* wide_;
};

class Codec {
 public:
  // Reads the code from `codePath` and the schedule from `schedulePath`; a
  // file that cannot be opened is replaced by the built-in one. When the code
  // description does not parse, the schedule is not read. loaded() tells the
  // outcome. REQUIRES: symbolCount >= 1.
  Codec(const std::string& codePath, const std::string& schedulePath, std::int32_t symbolCount);

  // Uses the given code and schedule (the schedule is bounded here).
  // loaded() is false when nk or nr is outside 1..16 or itert is negative.
  Codec(const CodeDescription& code, const DecoderSchedule& schedule, std::int32_t symbolCount);

  Codec(const Codec&) = delete;
  Codec& operator=(const Codec&) = delete;

  // No other operation may be used while this is false.
  bool loaded() const { return loaded_; }

  // REQUIRES: q >= 2. Must be set before encode/loadReceived/iterate
  // (256 until then). Sizes the registers (bytes for 256, else int32) and
  // the vote's count table; the registers start at 0.
  void setQ(std::int32_t q);
  std::int32_t q() const { return q_; }

  // nk / (nk + nr) as a float.
  float codeRate() const;
  int iterationCount() const { return schedule_.itert; }
  int nk() const { return code_.nk; }
  int nr() const { return code_.nr; }
  // L = ceil(N / nk).
  std::int32_t branchLength() const { return length_; }

  const CodeDescription& code() const { return code_; }
  // The schedule in force, with p and i bounded.
  const DecoderSchedule& schedule() const { return schedule_; }

  // check[j][x] = sum over i, d in taps[i][j] of info[i][x + d], mod Q.
  // Leaves the codec unchanged. Allocates nothing.
  // REQUIRES: every symbol in 0..Q-1 (for bytes, also Q <= 256).
  void encode(const std::int32_t* const* info, std::int32_t* const* check) const;
  void encode(const std::uint8_t* const* info, std::uint8_t* const* check) const;

  // U = received information, D = 0, S = recomputed check minus received
  // check, mod Q. Starts a fresh decoding. Allocates nothing.
  // REQUIRES: every symbol in 0..Q-1 (for bytes, also Q <= 256).
  void loadReceived(const std::int32_t* const* info, const std::int32_t* const* check);
  void loadReceived(const std::uint8_t* const* info, const std::uint8_t* const* check);

  // One decoding pass with the schedule entries of iteration k. Allocates
  // nothing. A pass that corrected nothing is not run again (its outcome is
  // known) until the registers change. REQUIRES: 0 <= k < iterationCount().
  void iterate(int k);
  // Makes the next passes run even where they are known to correct nothing:
  // for timing a pass repeated on the same registers.
  void forgetIdlePasses() { idleCount_ = 0; }

  // out[i][x] = U[i][x] for every information branch i < nk.
  // REQUIRES for bytes: Q <= 256.
  void copyDecisions(std::int32_t* const* out) const;
  void copyDecisions(std::uint8_t* const* out) const;

  // How many of the first `count` information symbols, branch after branch
  // (symbol n is U[n / L][n % L]), differ from sent[n].
  // REQUIRES: 0 <= count <= nk * L.
  std::int64_t decisionErrors(const std::int32_t* sent, std::int32_t count) const;
  // The same against bytes: with byte registers the comparison runs a whole
  // vector of symbols at a time. REQUIRES: as above, and Q <= 256.
  std::int64_t decisionErrors(const std::uint8_t* sent, std::int32_t count) const;

  // The registers, one branch of branchLength() symbols each.
  RegisterCells decision(int i) const;    // U[i], i < nk
  RegisterCells difference(int i) const;  // D[i], i < nk
  RegisterCells syndrome(int j) const;    // S[j], j < nr

 private:
  // The taps of one information branch, check branch after check branch in
  // list order, as indexes into tapOffsets_ and tapDelays_.
  struct BranchTaps {
    std::int32_t start = 0;  // first tap
    std::int32_t total = 0;  // taps in all nr check branches
    // upTo[p]: taps in check branches 0..p-1, the voters when p[k] = p.
    std::array<std::int32_t, kMaxBranches + 1> upTo{};
  };

  // U and D (nk * L each) and S (nr * L), branch after branch, in cells of
  // the register width.
  template <typename Cell>
  struct Registers {
    std::vector<Cell> decisions, differences, syndromes;
  };

  // The schedule entries of one iteration as the votes use them.
  struct Pass {
    int decoded = 0;  // information branches 0..decoded-1
    int voters = 0;   // check branches 0..voters-1
    std::int64_t weight = 0;
    std::int64_t threshold = 0;
    bool operator==(const Pass&) const = default;
  };

  // Checks the code and schedule, bounds the schedule, builds the tap
  // tables, sizes the registers and sets the loaded flag.
  void initialise(std::int32_t symbolCount);
  void buildTapTables();

  // Sums of check branch j's taps over `info` for positions x0..x0+n-1.
  template <typename In, typename Sum>
  void checkSums(const In* const* info, std::int32_t x0, std::int32_t n, int j, Sum* sums) const;
  // Encode (received == nullptr) or syndrome forming into `out`, with sums
  // of type Sum.
  template <typename Sum, typename In, typename Out>
  void formChecks(const In* const* info, const In* const* received, Out* const* out) const;
  // The same with int32 sums where they cannot overflow, else int64.
  template <typename In, typename Out>
  void formChecksAnySum(const In* const* info, const In* const* received, Out* const* out) const;
  template <typename In, typename Cell>
  void loadInto(const In* const* info, const In* const* check, Registers<Cell>& registers);
  template <typename Out>
  void copyOut(Out* const* out) const;
  template <typename Sent>
  std::int64_t decisionErrorsAgainst(const Sent* sent, std::int32_t count) const;
  // True when a check sum plus Q cannot overflow an int32.
  bool narrowSumsSuffice() const;

  // The byte registers' block pass of iteration k, `width` positions per
  // vector, from `high` down; returns the position where the one-by-one
  // votes take over (high itself when blocks cannot serve this pass).
  std::int32_t decodeByteBlocks(const Pass& pass, std::int32_t high);
  struct BlockPlanSlot;
  // The block plan of this kind of pass, made if it is not at hand.
  BlockPlanSlot& blockPlanFor(const Pass& pass, std::int32_t width);
  // Fills the slot's conflict lists for `width`-position blocks: which
  // corrections of a block change which votes of the same block. False when
  // they do not fit.
  bool planConflicts(const Pass& pass, std::int32_t width, BlockPlanSlot& slot);
  // Calls visit(n, r2, s) for every conflict of branch r's voting tap n in
  // `width`-position blocks: it reads the correction of branch r2 s
  // positions above (s = 0: at the same position, r2 < r).
  template <typename Visit>
  void forEachConflict(const Pass& pass, std::int32_t width, int r, Visit visit) const;
  // The order in which `width`-position blocks vote the branches, chosen
  // once per kind of pass: as few and as cheap second votes as can be.
  const std::array<std::uint8_t, kMaxBranches>& blockOrder(const Pass& pass, std::int32_t width);
  // Fills the slot's chunks for `width`-position blocks: the vectors of S that
  // a block's corrections change, and which corrections each takes.
  void planChunks(const Pass& pass, std::int32_t width, BlockPlanSlot& slot);
  // Fills plan's leadOffsets: where each check branch's cells are first read.
  void planLeads(const Pass& pass, detail::ByteBlockPlan& plan) const;
  // The votes one by one from `high` down to `low`. kWrap: some tap
  // position y - d may be negative and wraps.
  template <typename Cell, bool kWrap>
  void decodeOneByOne(const Pass& pass, std::int32_t high, std::int32_t low);
  template <typename Cell>
  void decodeOneByOne(const Pass& pass, std::int32_t high);
  // The vote of branch r at position y (winner and margin).
  template <typename Cell, bool kWrap>
  void voteOne(const Pass& pass, int r, std::int32_t y, std::int32_t& winner, std::int64_t& margin);
  // The same with the count table; values[] gets the voting syndromes.
  template <typename Cell, bool kWrap>
  void voteByTable(const Pass& pass, int r, std::int32_t y, std::int32_t& winner,
                   std::int64_t& margin);
  // The same with the candidate list, for alphabets too large for the table.
  template <typename Cell, bool kWrap>
  void voteByList(const Pass& pass, int r, std::int32_t y, std::int32_t& winner,
                  std::int64_t& margin);
  // Corrects the symbol of branch r at position y by e in U, D and S.
  template <typename Cell, bool kWrap>
  void applyOne(int r, std::int32_t y, std::int32_t e);
  // The full vote with the count table over values[0..voting), `zeros` of
  // them 0: sets the winner and the margin.
  void tableVote(const std::int32_t* values, std::int32_t voting, std::int64_t zeros,
                 std::int32_t own, std::int64_t weight, std::int32_t& winner, std::int64_t& margin);
  // The syndrome cell of tap n (of all taps) at position y.
  template <bool kWrap>
  std::int64_t cellIndex(std::int32_t n, std::int32_t y) const {
    std::int64_t index = tapOffsets_[static_cast<std::size_t>(n)] + y;
    if constexpr (kWrap) index += y < tapDelays_[static_cast<std::size_t>(n)] ? length_ : 0;
    return index;
  }

  template <typename Cell>
  Registers<Cell>& registers();
  bool byteRegisters() const { return q_ == 256; }

  CodeDescription code_;
  DecoderSchedule schedule_;
  std::int32_t symbolCount_ = 0;
  std::int32_t length_ = 0;
  std::int32_t q_ = 256;
  bool loaded_ = false;
  // Only the kind in use is sized: bytes for Q = 256, else int32.
  Registers<std::uint8_t> bytes_;
  Registers<std::int32_t> wide_;
  // A pass corrects nothing or changes the registers, and the outcome of a
  // pass depends on nothing but them: a pass that corrected nothing will
  // correct nothing again until some other pass (or a load) changes them.
  // Schedules that alternate a few kinds of pass, while the decoder waits
  // for one that adds check branches, then skip those passes. The passes
  // known to be idle on the registers as they stand, the latest few:
  std::array<Pass, 4> idlePasses_{};
  int idleCount_ = 0;
  bool passCorrected_ = false;  // the pass under way has corrected a symbol

  // Decoder taps: the syndrome of tap n at position y >= tapDelays_[n] is
  // cell tapOffsets_[n] + y, with tapOffsets_[n] = j * L - d.
  std::array<BranchTaps, kMaxBranches> branchTaps_{};
  std::vector<std::int64_t> tapOffsets_;
  std::vector<std::int32_t> tapDelays_;  // reduced into 0..L-1
  std::int32_t maxDelay_ = 0;            // positions y >= maxDelay_ never wrap
  // The block orders found so far, by width (32 or 64), voters and branches
  // decoded; the search's cheapest cost and last branch for each set of
  // branches voted first.
  struct BlockOrder {
    bool found = false;
    std::array<std::uint8_t, kMaxBranches> order{};
  };
  std::array<BlockOrder, 2 * (kMaxBranches + 1) * (kMaxBranches + 1)> blockOrders_{};
  // A kind of pass: passes of one kind share a block plan.
  struct BlockPlanKind {
    std::int32_t width = 0;
    int voters = 0;
    int decoded = 0;
    bool operator==(const BlockPlanKind&) const = default;
  };
  // A block plan made for one kind of pass (width 0: none yet), whether that
  // kind can use the block pass, and the room its lists point into.
  struct BlockPlanSlot {
    BlockPlanKind kind{};
    bool usable = false;
    detail::ByteBlockPlan plan{};
    // Every pair of taps in one check branch, the most there can be.
    std::vector<detail::ByteConflict> conflicts;
    // A tap's cells meet at most two chunks.
    std::vector<detail::ByteApplyChunk> chunks;
    std::vector<detail::ByteApplyPart> parts;
  };
  // The plans of the last few kinds met: a schedule moves between a few
  // kinds (and back to the first with the next block), and each is made
  // once. The slot made longest ago is made anew.
  static constexpr std::size_t kBlockPlanSlots = 4;
  std::array<BlockPlanSlot, kBlockPlanSlots> blockPlans_{};
  std::size_t nextBlockPlan_ = 0;
  std::vector<std::int32_t> orderCosts_;
  std::vector<std::uint8_t> orderLast_;
  // Room to sort the taps' (offset, branch) pairs for the chunks.
  std::vector<std::pair<std::int64_t, std::int32_t>> chunkRows_;

  // Encoder taps: check branch j's (information branch, reduced delay)
  // pairs are checkTap*_[checkTapStart_[j] .. checkTapStart_[j + 1]).
  std::array<std::int32_t, kMaxBranches + 1> checkTapStart_{};
  std::vector<std::int32_t> checkTapBranch_;
  std::vector<std::int32_t> checkTapDelay_;
  std::int32_t maxCheckTaps_ = 0;

  // voteScratch: candidate values and counts, voteScratchCapacity() each.
  // With the count table, the values hold the vote's syndrome values in tap
  // order. Counts are 64-bit so that any weight w adds up safely.
  std::vector<std::int32_t> voteValues_;
  std::vector<std::int64_t> voteCounts_;
  // Count of every symbol value in the current vote, all 0 between votes;
  // a power of two >= Q entries, empty when Q > kMaxTableQ.
  // Value v's count lives at voteTable_[v] for v != 0; zeros are counted
  // apart, and the table has spare entries beyond the values.
  std::vector<std::int64_t> voteTable_;
  // Per value, the number of the last vote it appeared in (for spotting a
  // repeated value); voteStamp_ numbers the votes.
  std::vector<std::uint32_t> voteStamps_;
  std::uint32_t voteStamp_ = 0;
  std::int32_t voteMask_ = 0;
  static constexpr std::int32_t kMaxTableQ = 4096;
};

}  // namespace vok

#endif  // VOK_CODEC_CODEC_H_
