// The simulation behind `vok-sim sweep`: blocks of the same information are
// encoded once, then sent through the Q-ary channel and decoded to the end,
// block after block, on several threads, for one P0 point at a time.
//
// A block is exactly one transmission of the experiment: the information
// branches and then the check branches pass through a channel freshly seeded
// with the block's seed, and decoding stops after the first iteration that
// leaves no error among the N information symbols (or, with the receiver's
// stop, no syndrome other than zero), or after the last iteration of the
// schedule. Only the N information symbols are counted.
#ifndef VOK_SIM_SWEEP_ENGINE_H_
#define VOK_SIM_SWEEP_ENGINE_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "codec/code_description.h"
#include "codec/decoder_schedule.h"
#include "experiment/transmission.h"

namespace vok::sim {

// The information block and the code every block of a sweep uses.
class SweepSource {
 public:
  // Encodes `information` (symbols 0..q-1) with the code and schedule.
  // valid() is false when the codec does not accept them.
  // REQUIRES: information not empty; q >= 2.
  SweepSource(const CodeDescription& code, const DecoderSchedule& schedule,
              std::vector<std::int32_t> information, std::int32_t q = 256);

  bool valid() const { return valid_; }
  std::int32_t symbolCount() const { return static_cast<std::int32_t>(information_.size()); }
  std::int32_t branchLength() const { return length_; }
  std::int32_t q() const { return q_; }
  int nk() const { return code_.nk; }
  int nr() const { return code_.nr; }
  int itert() const { return schedule_.itert; }
  float codeRate() const { return codeRate_; }
  const CodeDescription& code() const { return code_; }
  // The schedule in force (bounded to the code).
  const DecoderSchedule& schedule() const { return schedule_; }
  const std::vector<std::int32_t>& information() const { return information_; }
  // The sent block when q <= 256, a byte per symbol (else empty):
  // information branches 0..nk-1, then check branches, branchLength()
  // symbols each. Blocks then go through the channel and into the decoder,
  // and are counted, as bytes.
  const BranchBlock<std::uint8_t>& sentBytes() const { return sentBytes_; }
  // The same block as int32 symbols when q > 256 (else empty).
  const BranchBlock<std::int32_t>& sent() const { return sent_; }

 private:
  CodeDescription code_;
  DecoderSchedule schedule_;
  std::vector<std::int32_t> information_;
  BranchBlock<std::int32_t> sent_;
  BranchBlock<std::uint8_t> sentBytes_;
  std::int32_t length_ = 0;
  std::int32_t q_ = 256;
  float codeRate_ = 0.0f;
  bool valid_ = false;
};

// What one block gave.
struct BlockResult {
  std::int64_t block = 0;
  std::int64_t channelErrors = 0;
  std::int64_t decoderErrors = 0;
  std::int32_t iterations = 0;
  // Decoder errors left although every syndrome is zero: a receiver cannot
  // see that this block is wrong.
  bool undetected = false;
  // When traced: the decoder errors before decoding and after each of the
  // schedule's iterations (the last count repeated after the block's stop).
  std::vector<std::int64_t> remaining = {};
  bool operator==(const BlockResult&) const = default;
};

// Sums over the blocks of one point.
struct PointTotals {
  std::int64_t blocks = 0;
  std::int64_t symbols = 0;
  std::int64_t channelErrors = 0;
  std::int64_t decoderErrors = 0;
  std::int64_t blockErrors = 0;  // blocks left with decoder errors
  std::int64_t iterations = 0;
  std::int64_t undetected = 0;  // block errors with all syndromes zero
  // The sum of the squares of the blocks' decoder errors, for the spread of
  // the symbol error rate over the blocks (a double: exact up to 2^53).
  double decoderErrorSquares = 0.0;

  void add(const BlockResult& block, std::int32_t symbolCount);
  double channelErrorRate() const;
  double decoderErrorRate() const;
  double blockErrorRate() const;
  double meanIterations() const;
  bool operator==(const PointTotals&) const = default;
};

// When a point stops: after B blocks, or at the first block that brings its
// decoder errors up to E or its block errors up to E_b (0: not used).
struct StopRule {
  std::int64_t maxBlocks = 1;
  std::int64_t minErrors = 0;
  std::int64_t minBlockErrors = 0;

  // True when the counts reach E or E_b (the block count is not looked at).
  bool errorsReached(const PointTotals& totals) const;
};

// Where decoding of a block ends early.
enum class EarlyStop {
  kSource,     // no error left among the information symbols (known to a simulation only)
  kSyndromes,  // every syndrome zero (what a receiver can see)
};

// Which part of the blocks a run takes: blocks b with b mod count == index - 1.
struct Shard {
  std::int32_t index = 1;  // 1..count
  std::int32_t count = 1;
  bool operator==(const Shard&) const = default;
};

// The block of the whole run that is the shard's block t (t = 0, 1, ...).
inline std::int64_t shardBlock(const Shard& shard, std::int64_t t) {
  return shard.index - 1 + t * std::int64_t{shard.count};
}

// Number of blocks b < maxBlocks with b mod count == index - 1: the blocks
// the shard runs at a point that does not stop early.
std::int64_t ownBlockCount(std::int64_t maxBlocks, const Shard& shard);

struct PointPlan {
  float p0 = 0.0f;
  std::int32_t sweepSeed = 0;
  std::int64_t maxBlocks = 1;  // B: blocks 0..B-1 at most
  // E: stop once the decoder errors of the blocks run, in block order, reach
  // this; 0 never stops early. A shard applies it to its own blocks, which
  // keeps every block the whole run needs (see mergeBlocks).
  std::int64_t minErrors = 0;
  // E_b: stop once this many blocks were left with errors; 0 never stops early.
  std::int64_t minBlockErrors = 0;
  EarlyStop earlyStop = EarlyStop::kSource;
  Shard shard;
  int threads = 1;
  // Count the errors left after every iteration (PointOutcome::iterationErrors).
  bool traceIterations = false;
  // Counts of the shard's first blocks already run (a resumed point): the
  // point goes on from shard-local block resumeFrom.blocks.
  PointTotals resumeFrom;

  StopRule stopRule() const { return StopRule{maxBlocks, minErrors, minBlockErrors}; }
};

// Counters a progress display may read while a point runs.
struct PointProgress {
  std::atomic<std::int64_t> blocks{0};
  std::atomic<std::int64_t> decoderErrors{0};
  std::atomic<std::int64_t> symbols{0};
};

struct PointOutcome {
  PointTotals totals;  // including plan.resumeFrom
  // The blocks counted by this run, in block order.
  std::vector<BlockResult> blocks;
  // With plan.traceIterations: entry k sums the blocks' decoder errors after
  // k iterations (entry 0: before decoding), itert + 1 entries.
  std::vector<std::int64_t> iterationErrors;
  double seconds = 0.0;  // wall time of the point
};

// Runs one point. The counts depend only on the source and the plan, never on
// the number of threads or their timing.
// REQUIRES: source.valid(); plan.maxBlocks >= 0; plan.minErrors >= 0;
// plan.minBlockErrors >= 0; 1 <= shard.index <= shard.count; threads >= 1;
// p0 finite; plan.resumeFrom counts the shard's first blocks of this plan.
PointOutcome runPoint(const SweepSource& source, const PointPlan& plan,
                      PointProgress* progress = nullptr);

// One block on its own: seeds the channel with `seed`, transmits, decodes.
// Reuses one set of buffers, so a thread keeps one BlockRunner.
class BlockRunner {
 public:
  // `trace`: fill BlockResult::remaining, which costs one count of the
  // errors per iteration under the receiver's stop.
  explicit BlockRunner(const SweepSource& source, EarlyStop earlyStop = EarlyStop::kSource,
                       bool trace = false);
  ~BlockRunner();
  BlockRunner(const BlockRunner&) = delete;
  BlockRunner& operator=(const BlockRunner&) = delete;

  BlockResult run(float p0, std::int32_t seed);

 private:
  struct State;
  bool syndromesZero() const;

  const SweepSource& source_;
  const EarlyStop earlyStop_;
  const bool trace_;
  std::unique_ptr<State> state_;
};

// The totals of the whole run from the blocks of all its shards (blocks of
// one point, in any order): blocks 0..K-1 count, where K is B or, when the
// errors of blocks 0..k-1 reach E or E_b first, that k. Returns false when a
// block the rule needs is missing or appears twice.
bool mergeBlocks(std::vector<BlockResult> blocks, const StopRule& rule, std::int32_t symbolCount,
                 PointTotals& totals);

}  // namespace vok::sim

#endif  // VOK_SIM_SWEEP_ENGINE_H_
