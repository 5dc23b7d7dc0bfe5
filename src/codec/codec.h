// The `Codec` knows the code: it holds the code description, the decoder
// schedule and the decoder's registers, and offers encoding, loading of a
// received block (syndrome forming) and the iterative threshold decoder.
//
// Symbols are int32 values in 0..Q-1; positions in a branch are cyclic.
// A block is nk information branches and nr check branches of
// branchLength() symbols each, owned by the caller and passed as arrays of
// branch pointers.
#ifndef VOK_CODEC_CODEC_H_
#define VOK_CODEC_CODEC_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "codec/code_description.h"
#include "codec/decoder_schedule.h"
#include "codec/lane_votes.h"

namespace vok {

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
  // (256 until then). Sizes the vote's count table.
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
  // REQUIRES: every symbol in 0..Q-1.
  void encode(const std::int32_t* const* info, std::int32_t* const* check) const;

  // U = received information, D = 0, S = recomputed check minus received
  // check, mod Q. Starts a fresh decoding. Allocates nothing.
  // REQUIRES: every symbol in 0..Q-1.
  void loadReceived(const std::int32_t* const* info, const std::int32_t* const* check);

  // One decoding pass with the schedule entries of iteration k. Allocates
  // nothing. REQUIRES: 0 <= k < iterationCount().
  void iterate(int k);

  // out[i][x] = U[i][x] for every information branch i < nk.
  void copyDecisions(std::int32_t* const* out) const;

  // The registers, one array of branchLength() symbols per branch.
  const std::int32_t* decision(int i) const;    // U[i], i < nk
  const std::int32_t* difference(int i) const;  // D[i], i < nk
  const std::int32_t* syndrome(int j) const;    // S[j], j < nr

 private:
  // The taps of one information branch, check branch after check branch in
  // list order, as indexes into tapOffsets_ and tapDelays_.
  struct BranchTaps {
    std::int32_t start = 0;  // first tap
    std::int32_t total = 0;  // taps in all nr check branches
    // upTo[p]: taps in check branches 0..p-1, the voters when p[k] = p.
    std::array<std::int32_t, kMaxBranches + 1> upTo{};
    // No two taps share a syndrome cell (no (check branch, delay) pair
    // repeats), so a correction may update all cells at once.
    bool distinctCells = true;
  };

  // Checks the code and schedule, bounds the schedule, builds the tap
  // tables, sizes the registers and sets the loaded flag.
  void initialise(std::int32_t symbolCount);
  void buildTapTables();

  // Sums of each check branch's taps over `info` for positions x0..x0+n-1.
  template <typename Sum>
  void checkSums(const std::int32_t* const* info, std::int32_t x0, std::int32_t n, int j,
                 Sum* sums) const;
  // Encode (received == nullptr) or syndrome forming, with sums of type Sum.
  template <typename Sum>
  void formChecks(const std::int32_t* const* info, const std::int32_t* const* received,
                  std::int32_t* const* out) const;
  // True when a check sum plus Q cannot overflow an int32.
  bool narrowSumsSuffice() const;

  // For the decoder's blocks of kBlockPositions positions: which later
  // votes of a block a correction may change.
  void buildConflictTable();

  // Decodes positions from `high` down to `low`. kWrap: some tap position
  // y - d may be negative and wraps. kTable: votes count in voteTable_,
  // else in the candidate list of the voteScratch.
  template <bool kWrap, bool kTable>
  void decodePositions(std::int32_t high, std::int32_t low, int k);
  // The full vote with the count table over values[0..voting), `zeros` of
  // them 0: sets the winner and the margin.
  void tableVote(const std::int32_t* values, std::int32_t voting, std::int64_t zeros,
                 std::int32_t own, std::int64_t weight, std::int32_t& winner, std::int64_t& margin);

  CodeDescription code_;
  DecoderSchedule schedule_;
  std::int32_t symbolCount_ = 0;
  std::int32_t length_ = 0;
  std::int32_t q_ = 256;
  bool loaded_ = false;
  // Registers, branch after branch: U and D (nk * L each), S (nr * L).
  std::vector<std::int32_t> decisions_;
  std::vector<std::int32_t> differences_;
  std::vector<std::int32_t> syndromes_;

  // Decoder taps: the syndrome of tap n at position y >= tapDelays_[n] is
  // syndromes_[tapOffsets_[n] + y], with tapOffsets_[n] = j * L - d.
  std::array<BranchTaps, kMaxBranches> branchTaps_{};
  std::vector<std::int64_t> tapOffsets_;
  // The same offsets as int32, for the vector look of the votes; empty when
  // they do not all fit.
  std::vector<std::int32_t> tapOffsets32_;
  std::vector<std::int32_t> tapDelays_;  // reduced into 0..L-1
  std::int32_t maxDelay_ = 0;            // positions y >= maxDelay_ never wrap

  // The decoder votes kBlockPositions positions of a branch at once, then
  // votes again those whose syndromes an earlier correction of the block
  // changed. A correction of branch r at position y changes the syndromes
  // read by the vote of branch r2 at position y - a (0 <= a <
  // kBlockPositions), when p check branches vote, only if bit r2 of
  // blockConflicts_[p][r][a] is set. Built only when blockConflictsBuilt_
  // (every branch has at most kBlockPositions taps).
  static constexpr std::int32_t kBlockPositions = detail::kLaneCount;
  using ConflictRow = std::array<std::uint16_t, kBlockPositions>;
  std::array<std::array<ConflictRow, kMaxBranches>, kMaxBranches + 1> blockConflicts_{};
  bool blockConflictsBuilt_ = false;
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
