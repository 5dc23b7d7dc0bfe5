// The merge of shards as tables, without files: the totals a single run
// gives, the rows each shard must bring, and the sets that are refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/sweep_csv.h"
#include "sim/sweep_merge.h"

namespace vok::sim {
namespace {

constexpr std::int32_t kSymbols = 100;

// Shard `index` of `count` of a sweep of `blocks` blocks per point; its row
// for each P0 of `points` holds its own blocks, block b having b decoder
// errors (the first block none).
SweepTable shard(std::int32_t index, std::int32_t count, std::int64_t blocks,
                 const std::vector<float>& points, std::int64_t minErrors = 0) {
  SweepTable table;
  table.metadata.source = "random";
  table.metadata.symbols = kSymbols;
  table.metadata.blocks = blocks;
  table.metadata.minErrors = minErrors;
  table.metadata.shard = Shard{index, count};
  for (float p0 : points) {
    SweepRow row;
    row.p0 = p0;
    row.throughput = 1000.0 * index;
    for (std::int64_t t = 0; shardBlock(Shard{index, count}, t) < blocks; ++t) {
      const std::int64_t b = shardBlock(Shard{index, count}, t);
      row.blocks.push_back(BlockResult{b, 10, b, 2, b == 1});
      row.totals.add(row.blocks.back(), kSymbols);
    }
    table.rows.push_back(row);
  }
  return table;
}

TEST(SweepMerge, ShardsAddUpToTheSingleRunUnderTheStopRule) {
  const std::vector<float> points = {0.3f, 0.1f};
  std::string error;
  // Given in any order; the rows come out by P0.
  const std::optional<SweepTable> merged =
      mergeShards({shard(2, 3, 7, points), shard(3, 3, 7, points), shard(1, 3, 7, points)}, error);
  ASSERT_TRUE(merged) << error;
  EXPECT_FALSE(merged->metadata.shard);
  EXPECT_EQ(merged->metadata.blocks, 7);
  ASSERT_EQ(merged->rows.size(), 2u);
  EXPECT_EQ(merged->rows[0].p0, 0.1f);
  EXPECT_EQ(merged->rows[1].p0, 0.3f);
  PointTotals expected;
  for (std::int64_t b = 0; b < 7; ++b) expected.add(BlockResult{b, 10, b, 2, b == 1}, kSymbols);
  for (const SweepRow& row : merged->rows) {
    EXPECT_EQ(row.totals, expected);
    EXPECT_EQ(row.throughput, 6000.0);  // the shards side by side
    EXPECT_TRUE(row.blocks.empty());
  }

  // With E = 6 the run stops at block 3 (0 + 1 + 2 + 3 errors), whatever the
  // shards ran beyond it.
  const std::optional<SweepTable> stopped =
      mergeShards({shard(1, 2, 7, {0.2f}, 6), shard(2, 2, 7, {0.2f}, 6)}, error);
  ASSERT_TRUE(stopped) << error;
  EXPECT_EQ(stopped->rows[0].totals.blocks, 4);
  EXPECT_EQ(stopped->rows[0].totals.decoderErrors, 6);

  // A shard file without undetected counts makes the merged count unknown.
  std::vector<SweepTable> older = {shard(1, 2, 4, {0.2f}), shard(2, 2, 4, {0.2f})};
  older[1].rows[0].undetectedKnown = false;
  const std::optional<SweepTable> unknown = mergeShards(older, error);
  ASSERT_TRUE(unknown) << error;
  EXPECT_FALSE(unknown->rows[0].undetectedKnown);
  EXPECT_EQ(unknown->rows[0].totals.undetected, 0);
}

TEST(SweepMerge, RefusesIncompleteSetsRowsAndBlocks) {
  const std::vector<float> points = {0.1f};
  std::string error;
  EXPECT_FALSE(mergeShards({}, error));

  EXPECT_FALSE(mergeShards({shard(1, 3, 6, points), shard(3, 3, 6, points)}, error));
  EXPECT_EQ(error, "shard 2/3 is missing");

  EXPECT_FALSE(mergeShards({shard(1, 2, 6, points), shard(1, 2, 6, points)}, error));
  EXPECT_EQ(error, "shard 1/2 is given twice");

  EXPECT_FALSE(mergeShards({shard(1, 2, 6, {0.1f, 0.2f}), shard(2, 2, 6, points)}, error));
  EXPECT_EQ(error, "shard 2/2 has no row for P0=0.2 (not finished?)");

  std::vector<SweepTable> gap = {shard(1, 2, 6, points), shard(2, 2, 6, points)};
  gap[1].rows[0].blocks.erase(gap[1].rows[0].blocks.begin());
  EXPECT_FALSE(mergeShards(gap, error));
  EXPECT_EQ(error, "the shards' blocks for P0=0.1 are incomplete or repeated");
}

}  // namespace
}  // namespace vok::sim
