// Blocks of a sweep point on several threads, counted in block order so that
// the early stop and the totals do not depend on timing.
#include "sim/sweep_engine.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>

#include "channel/qary_channel.h"
#include "codec/codec.h"
#include "common/differing_bytes.h"
#include "sim/sweep_seeding.h"

namespace vok::sim {

SweepSource::SweepSource(const CodeDescription& code, const DecoderSchedule& schedule,
                         std::vector<std::int32_t> information, std::int32_t q)
    : information_(std::move(information)), q_(q) {
  const auto n = static_cast<std::int32_t>(information_.size());
  if (n < 1) return;
  Codec codec(code, schedule, n);
  if (!codec.loaded()) return;
  codec.setQ(q);
  code_ = codec.code();
  schedule_ = codec.schedule();
  codeRate_ = codec.codeRate();
  length_ = codec.branchLength();
  // Information branch i holds symbols i*L .. i*L+L-1, then zeros: the
  // information fills the first N places of the branch area in order. Only
  // the block the runners read is made: a process sweeps one of them, and
  // every page it touches first costs a fault.
  const auto encode = [&](auto& block) {
    block.assign(code_.nk, code_.nr, length_);
    std::copy(information_.begin(), information_.end(), block.symbols.begin());
    encodeBlock(codec, block);
  };
  if (q <= 256) {
    encode(sentBytes_);
  } else {
    encode(sent_);
  }
  valid_ = true;
}

void PointTotals::add(const BlockResult& block, std::int32_t symbolCount) {
  ++blocks;
  symbols += symbolCount;
  channelErrors += block.channelErrors;
  decoderErrors += block.decoderErrors;
  decoderErrorSquares +=
      static_cast<double>(block.decoderErrors) * static_cast<double>(block.decoderErrors);
  if (block.decoderErrors > 0) ++blockErrors;
  iterations += block.iterations;
  if (block.undetected) ++undetected;
}

bool StopRule::errorsReached(const PointTotals& totals) const {
  return (minErrors > 0 && totals.decoderErrors >= minErrors) ||
         (minBlockErrors > 0 && totals.blockErrors >= minBlockErrors);
}

namespace {
double ratio(std::int64_t part, std::int64_t whole) {
  return whole > 0 ? static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}
}  // namespace

double PointTotals::channelErrorRate() const { return ratio(channelErrors, symbols); }
double PointTotals::decoderErrorRate() const { return ratio(decoderErrors, symbols); }
double PointTotals::blockErrorRate() const { return ratio(blockErrors, blocks); }
double PointTotals::meanIterations() const { return ratio(iterations, blocks); }

struct BlockRunner::State {
  explicit State(const SweepSource& source)
      : codec(source.code(), source.schedule(), source.symbolCount()) {
    codec.setQ(source.q());
    channel.setQ(source.q());
    if (source.sentBytes().symbols.empty()) {
      received.assign(source.nk(), source.nr(), source.branchLength());
    } else {
      receivedBytes.assign(source.nk(), source.nr(), source.branchLength());
    }
  }
  Codec codec;
  QaryChannel channel;
  // One of the two is used: bytes when the source has them.
  BranchBlock<std::int32_t> received;
  BranchBlock<std::uint8_t> receivedBytes;
};

BlockRunner::BlockRunner(const SweepSource& source, EarlyStop earlyStop, bool trace)
    : source_(source),
      earlyStop_(earlyStop),
      trace_(trace),
      state_(std::make_unique<State>(source)) {}

bool BlockRunner::syndromesZero() const {
  for (int j = 0; j < source_.nr(); ++j) {
    const auto s = state_->codec.syndrome(j);
    if (std::any_of(s, s + source_.branchLength(), [](std::int32_t v) { return v != 0; })) {
      return false;
    }
  }
  return true;
}

BlockRunner::~BlockRunner() = default;

BlockResult BlockRunner::run(float p0, std::int32_t seed) {
  State& s = *state_;
  const std::int32_t n = source_.symbolCount();
  // The information is the first n symbols of the sent block, bytes or int32.
  const bool bytes = !source_.sentBytes().symbols.empty();
  s.channel.setSeed(seed);
  s.channel.reseed();
  BlockResult result;
  const auto send = [&](const auto& sent, auto& received) {
    transmitBlock(s.channel, p0, sent, received, s.codec);
    if constexpr (std::is_same_v<std::decay_t<decltype(sent)>, BranchBlock<std::uint8_t>>) {
      result.channelErrors = countDifferingBytes(received.symbols.data(), sent.symbols.data(), n);
    } else {
      for (std::int32_t x = 0; x < n; ++x) {
        result.channelErrors += received.symbols[x] != sent.symbols[x];
      }
    }
  };
  if (bytes) {
    send(source_.sentBytes(), s.receivedBytes);
  } else {
    send(source_.sent(), s.received);
  }
  const auto decoderErrors = [&] {
    return bytes ? s.codec.decisionErrors(source_.sentBytes().symbols.data(), n)
                 : s.codec.decisionErrors(source_.sent().symbols.data(), n);
  };
  result.decoderErrors = result.channelErrors;  // what is left if no iteration runs
  if (trace_) result.remaining.assign(1, result.channelErrors);
  int k = 0;
  if (earlyStop_ == EarlyStop::kSource) {
    decodeToEnd(
        k, source_.itert(),
        [&](int iteration) {
          s.codec.iterate(iteration);
          result.decoderErrors = decoderErrors();
          ++result.iterations;
          if (trace_) result.remaining.push_back(result.decoderErrors);
        },
        [&] { return result.decoderErrors != 0; });
  } else {
    decodeToEnd(
        k, source_.itert(),
        [&](int iteration) {
          s.codec.iterate(iteration);
          ++result.iterations;
          if (trace_) result.remaining.push_back(decoderErrors());
        },
        [&] { return !syndromesZero(); });
    if (result.iterations > 0) result.decoderErrors = decoderErrors();
  }
  if (trace_) result.remaining.resize(source_.itert() + 1, result.decoderErrors);
  result.undetected = result.decoderErrors > 0 && syndromesZero();
  return result;
}

std::int64_t ownBlockCount(std::int64_t maxBlocks, const Shard& shard) {
  const std::int64_t first = shard.index - 1;
  if (maxBlocks <= first) return 0;
  return (maxBlocks - first + shard.count - 1) / shard.count;
}

namespace {

// Collects block results as they finish and counts them in block order.
class PointCollector {
 public:
  PointCollector(const PointPlan& plan, std::int32_t symbolCount, PointProgress* progress)
      : plan_(plan),
        symbolCount_(symbolCount),
        progress_(progress),
        next_(plan.resumeFrom.blocks),
        limit_(ownBlockCount(plan.maxBlocks, plan.shard)),
        counted_(plan.resumeFrom.blocks) {
    outcome_.totals = plan.resumeFrom;
    if (counted_ >= limit_.load() || plan.stopRule().errorsReached(outcome_.totals)) {
      limit_.store(counted_);
    }
  }

  // The shard-local index of the next block to run, or -1 when done.
  std::int64_t take() {
    const std::int64_t t = next_.fetch_add(1);
    return t < limit_.load() ? t : -1;
  }

  void finish(std::int64_t t, const BlockResult& result) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (t >= limit_.load()) return;
    pending_.emplace(t, result);
    while (counted_ < limit_.load()) {
      const auto it = pending_.find(counted_);
      if (it == pending_.end()) break;
      outcome_.totals.add(it->second, symbolCount_);
      addTrace(it->second.remaining);
      outcome_.blocks.push_back(std::move(it->second));
      pending_.erase(it);
      ++counted_;
      if (progress_ != nullptr) {
        progress_->blocks.store(outcome_.totals.blocks);
        progress_->decoderErrors.store(outcome_.totals.decoderErrors);
        progress_->symbols.store(outcome_.totals.symbols);
      }
      if (plan_.stopRule().errorsReached(outcome_.totals)) {
        limit_.store(counted_);
        pending_.clear();
      }
    }
  }

  PointOutcome takeOutcome() { return std::move(outcome_); }

 private:
  void addTrace(std::vector<std::int64_t>& remaining) {
    if (remaining.size() > outcome_.iterationErrors.size()) {
      outcome_.iterationErrors.resize(remaining.size(), 0);
    }
    for (std::size_t k = 0; k < remaining.size(); ++k) outcome_.iterationErrors[k] += remaining[k];
    remaining = {};  // the sums keep what is needed
  }

  const PointPlan& plan_;
  const std::int32_t symbolCount_;
  PointProgress* const progress_;
  std::atomic<std::int64_t> next_;
  std::atomic<std::int64_t> limit_;
  std::mutex mutex_;
  std::map<std::int64_t, BlockResult> pending_;
  std::int64_t counted_;
  PointOutcome outcome_;
};

void work(const SweepSource& source, const PointPlan& plan, PointCollector& collector) {
  BlockRunner runner(source, plan.earlyStop, plan.traceIterations);
  for (std::int64_t t = collector.take(); t >= 0; t = collector.take()) {
    const std::int64_t block = shardBlock(plan.shard, t);
    BlockResult result = runner.run(plan.p0, blockSeed(plan.sweepSeed, plan.p0, block));
    result.block = block;
    collector.finish(t, result);
  }
}

}  // namespace

PointOutcome runPoint(const SweepSource& source, const PointPlan& plan, PointProgress* progress) {
  const auto start = std::chrono::steady_clock::now();
  PointCollector collector(plan, source.symbolCount(), progress);
  if (plan.threads <= 1) {
    work(source, plan, collector);
  } else {
    std::vector<std::thread> threads;
    for (int t = 0; t < plan.threads; ++t) {
      threads.emplace_back([&] { work(source, plan, collector); });
    }
    for (std::thread& thread : threads) thread.join();
  }
  PointOutcome outcome = collector.takeOutcome();
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return outcome;
}

bool mergeBlocks(std::vector<BlockResult> blocks, const StopRule& rule, std::int32_t symbolCount,
                 PointTotals& totals) {
  std::sort(blocks.begin(), blocks.end(),
            [](const BlockResult& a, const BlockResult& b) { return a.block < b.block; });
  for (std::size_t k = 1; k < blocks.size(); ++k) {
    if (blocks[k].block == blocks[k - 1].block) return false;
  }
  totals = PointTotals{};
  std::size_t k = 0;
  for (std::int64_t b = 0; b < rule.maxBlocks; ++b) {
    while (k < blocks.size() && blocks[k].block < b) ++k;  // negative indices are ignored
    if (k == blocks.size() || blocks[k].block != b) return false;
    totals.add(blocks[k], symbolCount);
    if (rule.errorsReached(totals)) break;
  }
  return true;
}

}  // namespace vok::sim
