// The sweep's simulation core: the block seed rule, the capacity limit, and
// counts that do not depend on threads, shards or the early stop's timing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "channel/qary_channel.h"
#include "codec/codec.h"
#include "experiment/transmission.h"
#include "sim/sweep_capacity.h"
#include "sim/sweep_engine.h"
#include "sim/sweep_seeding.h"

namespace vok::sim {
namespace {

SweepSource randomSource(std::int32_t n, std::int32_t seed = 7) {
  return SweepSource(CodeDescription::builtIn(), DecoderSchedule::builtIn(),
                     randomInformation(seed, n));
}

PointPlan plan(float p0, std::int64_t blocks, std::int64_t minErrors = 0, int threads = 1,
               Shard shard = {}) {
  PointPlan p;
  p.p0 = p0;
  p.sweepSeed = 11;
  p.maxBlocks = blocks;
  p.minErrors = minErrors;
  p.threads = threads;
  p.shard = shard;
  return p;
}

TEST(SweepSeeding, BlockSeedFollowsTheDocumentedRule) {
  // (S + 1009 * round(10^6 * P0) + block) mod 2^21
  EXPECT_EQ(blockSeed(123, 0.25f, 0), 591883);
  EXPECT_EQ(blockSeed(123, 0.25f, 1), 591884);
  EXPECT_EQ(blockSeed(123, 0.3f, 7), 710242);
  EXPECT_EQ(blockSeed(-5, 0.25f, 0), 591755);  // a negative sweep seed wraps to 0..2^21-1
  EXPECT_EQ(blockSeed(123, 0.25f, 2097152), 591883);
  std::set<std::int32_t> seeds;
  for (std::int64_t b = 0; b < 5000; ++b) {
    const std::int32_t seed = blockSeed(-2147483647 - 1, 0.37f, b);
    ASSERT_GE(seed, 0);
    ASSERT_LT(seed, 1 << 21);
    seeds.insert(seed);
  }
  EXPECT_EQ(seeds.size(), 5000u);
}

TEST(SweepSeeding, RandomInformationIsFixedBySeedAndInRange) {
  const std::vector<std::int32_t> a = randomInformation(5, 1000);
  EXPECT_EQ(a, randomInformation(5, 1000));
  EXPECT_NE(a, randomInformation(6, 1000));
  for (std::int32_t s : a) ASSERT_TRUE(s >= 0 && s <= 255);
}

TEST(SweepCapacity, KnownValuesAndLimits) {
  EXPECT_DOUBLE_EQ(qaryCapacityBits(0.0, 256), 8.0);
  EXPECT_NEAR(qaryCapacityBits(255.0 / 256.0, 256), 0.0, 1e-12);
  EXPECT_NEAR(capacityLimitP0(0.5, 256), 0.3804717, 1e-6);
  EXPECT_NEAR(capacityLimitP0(0.5, 2), 0.1100279, 1e-6);  // the binary symmetric channel
  EXPECT_NEAR(qaryCapacityBits(capacityLimitP0(0.75, 16), 16), 3.0, 1e-9);
  EXPECT_EQ(capacityLimitP0(0.0, 256), 255.0 / 256.0);
  EXPECT_EQ(capacityLimitP0(1.0, 256), 0.0);
}

TEST(SweepEngine, SourceEncodesLikeTheCodecAndRefusesBadCode) {
  const SweepSource source = randomSource(2401);
  ASSERT_TRUE(source.valid());
  EXPECT_EQ(source.branchLength(), 301);  // ceil(2401 / 8), with 7 zero symbols of tail fill
  EXPECT_EQ(source.sentBytes().branch(7)[300], 0);
  EXPECT_EQ(source.sentBytes().branch(0)[5], source.information()[5]);
  EXPECT_TRUE(source.sent().symbols.empty());
  CodeDescription broken = CodeDescription::builtIn();
  broken.nk = 0;
  EXPECT_FALSE(SweepSource(broken, DecoderSchedule::builtIn(), randomInformation(1, 10)).valid());
}

TEST(SweepEngine, CleanChannelNeedsOneIterationPerBlock) {
  const SweepSource source = randomSource(800);
  const PointOutcome outcome = runPoint(source, plan(0.0f, 5));
  EXPECT_EQ(outcome.totals.blocks, 5);
  EXPECT_EQ(outcome.totals.symbols, 4000);
  EXPECT_EQ(outcome.totals.channelErrors, 0);
  EXPECT_EQ(outcome.totals.decoderErrors, 0);
  EXPECT_EQ(outcome.totals.iterations, 5);
}

TEST(SweepEngine, ThreadCountDoesNotChangeAnyCount) {
  const SweepSource source = randomSource(1600);
  const PointOutcome one = runPoint(source, plan(0.27f, 24, 0, 1));
  const PointOutcome three = runPoint(source, plan(0.27f, 24, 0, 3));
  EXPECT_EQ(one.totals, three.totals);
  EXPECT_EQ(one.blocks, three.blocks);
  EXPECT_GT(one.totals.decoderErrors, 0);
  EXPECT_GT(one.totals.channelErrors, 0);
}

TEST(SweepEngine, EarlyStopEndsAtTheBlockWhoseErrorsReachE) {
  const SweepSource source = randomSource(1600);
  const PointOutcome all = runPoint(source, plan(0.3f, 30));
  ASSERT_GT(all.totals.decoderErrors, 1000);
  const std::int64_t e = all.totals.decoderErrors / 3;
  for (int threads : {1, 2, 4}) {
    const PointOutcome stopped = runPoint(source, plan(0.3f, 30, e, threads));
    ASSERT_LT(stopped.totals.blocks, 30);
    const std::vector<BlockResult> prefix(all.blocks.begin(),
                                          all.blocks.begin() + stopped.totals.blocks);
    EXPECT_EQ(stopped.blocks, prefix) << threads;
    EXPECT_GE(stopped.totals.decoderErrors, e);
    EXPECT_LT(stopped.totals.decoderErrors - stopped.blocks.back().decoderErrors, e);
  }
}

TEST(SweepEngine, FourShardsMergeToTheSingleRunTotals) {
  const SweepSource source = randomSource(1600);
  // E on decoder errors, then the same E on failed blocks.
  for (std::int64_t e : {std::int64_t{0}, std::int64_t{4000}, std::int64_t{-7}}) {
    const auto shardPlan = [&](Shard shard) {
      PointPlan p = plan(0.3f, 23, e > 0 ? e : 0, 2, shard);
      if (e < 0) p.minBlockErrors = -e;
      return p;
    };
    const PointOutcome single = runPoint(source, shardPlan(Shard{}));
    std::vector<BlockResult> blocks;
    for (std::int32_t index = 1; index <= 4; ++index) {
      const PointOutcome part = runPoint(source, shardPlan(Shard{index, 4}));
      for (const BlockResult& b : part.blocks) {
        ASSERT_EQ(b.block % 4, index - 1);
        blocks.push_back(b);
      }
    }
    PointTotals merged;
    ASSERT_TRUE(mergeBlocks(blocks, shardPlan(Shard{}).stopRule(), 1600, merged));
    EXPECT_EQ(merged, single.totals) << "E = " << e;
    if (e != 0) {
      EXPECT_LT(single.totals.blocks, 23);
    }
  }
}

TEST(SweepEngine, MergeRefusesMissingOrRepeatedBlocks) {
  std::vector<BlockResult> blocks;
  for (std::int64_t b = 0; b < 6; ++b) blocks.push_back(BlockResult{b, 10, b == 2 ? 5 : 0, 3});
  PointTotals totals;
  ASSERT_TRUE(mergeBlocks(blocks, StopRule{6}, 100, totals));
  EXPECT_EQ(totals.blocks, 6);
  EXPECT_EQ(totals.blockErrors, 1);
  ASSERT_TRUE(mergeBlocks(blocks, StopRule{6, 5}, 100, totals));  // E reached at block 2
  EXPECT_EQ(totals.blocks, 3);
  EXPECT_FALSE(mergeBlocks(blocks, StopRule{7}, 100, totals));
  std::vector<BlockResult> gap = blocks;
  gap.erase(gap.begin() + 1);
  EXPECT_FALSE(mergeBlocks(gap, StopRule{6}, 100, totals));
  std::vector<BlockResult> twice = blocks;
  twice.push_back(blocks[3]);
  EXPECT_FALSE(mergeBlocks(twice, StopRule{6}, 100, totals));
}

TEST(SweepEngine, BlockErrorStopEndsAtTheBlockThatMakesEFailed) {
  const SweepSource source = randomSource(1600);
  const PointOutcome all = runPoint(source, plan(0.25f, 40));
  ASSERT_GT(all.totals.blockErrors, 4);
  ASSERT_LT(all.totals.blockErrors, 40);  // some blocks decode: the stop is not at block E-1
  for (int threads : {1, 3}) {
    PointPlan p = plan(0.25f, 40, 0, threads);
    p.minBlockErrors = 4;
    const PointOutcome stopped = runPoint(source, p);
    EXPECT_EQ(stopped.totals.blockErrors, 4);
    ASSERT_FALSE(stopped.blocks.empty());
    EXPECT_GT(stopped.blocks.back().decoderErrors, 0);
    EXPECT_EQ(stopped.blocks, std::vector<BlockResult>(all.blocks.begin(),
                                                       all.blocks.begin() + stopped.totals.blocks));
  }
}

TEST(SweepEngine, AResumedPointEqualsTheDirectRun) {
  const SweepSource source = randomSource(1600);
  for (Shard shard : {Shard{1, 1}, Shard{2, 3}}) {
    const PointOutcome first = runPoint(source, plan(0.25f, 20, 0, 2, shard));
    const PointOutcome direct = runPoint(source, plan(0.25f, 40, 0, 2, shard));
    PointPlan more = plan(0.25f, 40, 0, 2, shard);
    more.resumeFrom = first.totals;
    const PointOutcome rest = runPoint(source, more);
    EXPECT_EQ(rest.totals, direct.totals);
    std::vector<BlockResult> joined = first.blocks;
    joined.insert(joined.end(), rest.blocks.begin(), rest.blocks.end());
    EXPECT_EQ(joined, direct.blocks);
    // A point already past its stop runs nothing more.
    PointPlan done = plan(0.25f, 20, 0, 2, shard);
    done.resumeFrom = first.totals;
    EXPECT_TRUE(runPoint(source, done).blocks.empty());
  }
}

// A repetition code over Q = 2: check = information. Where the channel flips
// a symbol and its check alike, the syndrome is zero and the error unseen.
SweepSource repetitionSource() {
  CodeDescription code;
  code.nk = 1;
  code.nr = 1;
  code.taps[0][0].delays = {0};
  DecoderSchedule schedule;
  schedule.itert = 3;
  schedule.w = schedule.t = schedule.c = schedule.o = schedule.p = schedule.i = {0, 0, 0};
  schedule.w = {1, 1, 1};
  schedule.t = {1, 1, 1};
  return SweepSource(code, schedule, std::vector<std::int32_t>{0, 1, 1, 0}, 2);
}

TEST(SweepEngine, UndetectedErrorsAreCountedUnderEitherStop) {
  const SweepSource source = repetitionSource();
  ASSERT_TRUE(source.valid());
  for (EarlyStop stop : {EarlyStop::kSource, EarlyStop::kSyndromes}) {
    PointPlan p = plan(0.2f, 400);
    p.earlyStop = stop;
    const PointOutcome outcome = runPoint(source, p);
    EXPECT_GT(outcome.totals.undetected, 0);
    EXPECT_LE(outcome.totals.undetected, outcome.totals.blockErrors);
    BlockRunner runner(source, stop);
    for (const BlockResult& b : outcome.blocks) {
      if (!b.undetected) continue;
      EXPECT_GT(b.decoderErrors, 0);
      // Replayed alone the block gives the same counts.
      BlockResult again = runner.run(0.2f, blockSeed(11, 0.2f, b.block));
      again.block = b.block;
      EXPECT_EQ(again, b);
      // The receiver's stop ends an undetected block at once.
      if (stop == EarlyStop::kSyndromes) {
        EXPECT_EQ(b.iterations, 1);
      }
    }
  }
}

// Blocks of alphabets that fit a byte go through the channel and into the
// decoder as bytes; the counts must be those of the same transmission on
// int32 symbols, the window's and a wide alphabet's path, iteration by
// iteration.
TEST(SweepEngine, ByteBlocksCountLikeTheSameTransmissionOnInt32Symbols) {
  for (std::int32_t q : {256, 7, 300}) {
    std::vector<std::int32_t> information = randomInformation(5, 3000);
    for (std::int32_t& symbol : information) symbol %= q;
    const SweepSource source(CodeDescription::builtIn(), DecoderSchedule::builtIn(),
                             std::move(information), q);
    ASSERT_TRUE(source.valid());
    EXPECT_EQ(source.sentBytes().symbols.empty(), q > 256);
    BlockRunner runner(source, EarlyStop::kSource, true);
    Codec codec(source.code(), source.schedule(), source.symbolCount());
    codec.setQ(q);
    QaryChannel channel;
    channel.setQ(q);
    // The same block encoded on int32 symbols.
    BranchBlock<std::int32_t> sent;
    sent.assign(source.nk(), source.nr(), source.branchLength());
    std::copy(source.information().begin(), source.information().end(), sent.symbols.begin());
    encodeBlock(codec, sent);
    if (q <= 256) {
      EXPECT_TRUE(std::equal(sent.symbols.begin(), sent.symbols.end(),
                             source.sentBytes().symbols.begin(), source.sentBytes().symbols.end()))
          << "Q=" << q;
    }
    BranchBlock<std::int32_t> received;
    received.assign(source.nk(), source.nr(), source.branchLength());
    for (const float p0 : {0.1f, 0.3f}) {
      const BlockResult result = runner.run(p0, 99);
      channel.setSeed(99);
      channel.reseed();
      transmitBlock(channel, p0, sent, received, codec);
      std::vector<std::int64_t> remaining;
      remaining.push_back(0);
      for (std::int32_t x = 0; x < source.symbolCount(); ++x) {
        remaining[0] += received.symbols[x] != source.information()[x];
      }
      EXPECT_EQ(result.channelErrors, remaining[0]) << "Q=" << q << " P0=" << p0;
      for (int k = 0; k < result.iterations; ++k) {
        codec.iterate(k);
        remaining.push_back(
            codec.decisionErrors(source.information().data(), source.symbolCount()));
      }
      remaining.resize(source.itert() + 1, remaining.back());
      EXPECT_EQ(result.remaining, remaining) << "Q=" << q << " P0=" << p0;
      EXPECT_GT(result.channelErrors, 0);
    }
  }
}

TEST(SweepSeeding, OverlapsOfPointsAreFoundWhereTheyBegin) {
  // P0 step 0.002: block 79152 at 0.252 has the seed of block 0 at 0.25.
  EXPECT_FALSE(firstSeedOverlap({0.25f, 0.252f}, 79152).has_value());
  const std::optional<SeedOverlap> overlap = firstSeedOverlap({0.25f, 0.252f}, 79153);
  ASSERT_TRUE(overlap.has_value());
  EXPECT_EQ(overlap->block, 79152);
  EXPECT_EQ(overlap->later, 0.252f);
  EXPECT_EQ(overlap->earlier, 0.25f);
  EXPECT_EQ(blockSeed(5, 0.252f, overlap->block), blockSeed(5, 0.25f, 0));
  // The smallest gap among many points wins; a single point never overlaps.
  const std::vector<float> points = {0.2f, 0.25f, 0.3f, 0.252f, 0.21f};
  const std::optional<SeedOverlap> many = firstSeedOverlap(points, kBlockSeedModulus);
  ASSERT_TRUE(many.has_value());
  EXPECT_EQ(blockSeed(0, many->later, many->block), blockSeed(0, many->earlier, 0));
  for (float a : points) {
    for (float b : points) {
      for (std::int64_t k = 1; a != b && k < many->block; k += 997) {
        EXPECT_NE(blockSeed(0, a, k), blockSeed(0, b, 0));
      }
    }
  }
  EXPECT_FALSE(firstSeedOverlap({0.25f}, kBlockSeedModulus).has_value());
  // Two floats that round to the same millionth share every seed.
  EXPECT_EQ(firstSeedOverlap({0.25f, 0.2500001f}, 1)->block, 0);
}

}  // namespace
}  // namespace vok::sim
