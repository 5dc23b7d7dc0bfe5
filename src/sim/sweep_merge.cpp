#include "sim/sweep_merge.h"

#include <algorithm>
#include <set>
#include <utility>

#include "common/output_file.h"

namespace vok::sim {
namespace {

std::string shardName(const SweepTable& shard) {
  return std::to_string(shard.metadata.shard->index) + '/' +
         std::to_string(shard.metadata.shard->count);
}

// False with `error` set unless the shards are each of 1..count once.
bool completeSet(const std::vector<SweepTable>& shards, std::string& error) {
  const std::int32_t count = shards.front().metadata.shard->count;
  std::set<std::int32_t> seen;
  for (const SweepTable& shard : shards) {
    if (!seen.insert(shard.metadata.shard->index).second) {
      error = "shard " + shardName(shard) + " is given twice";
      return false;
    }
  }
  for (std::int32_t index = 1; index <= count; ++index) {
    if (seen.count(index) == 0) {
      error = "shard " + std::to_string(index) + '/' + std::to_string(count) + " is missing";
      return false;
    }
  }
  return true;
}

// The row of point `p0` from the rows of every shard.
std::optional<SweepRow> mergePoint(const std::vector<SweepTable>& shards, float p0,
                                   const SweepMetadata& merged, std::string& error) {
  std::vector<BlockResult> blocks;
  SweepRow row;
  row.p0 = p0;
  for (const SweepTable& shard : shards) {
    const auto it = std::find_if(shard.rows.begin(), shard.rows.end(),
                                 [&](const SweepRow& r) { return r.p0 == p0; });
    if (it == shard.rows.end()) {
      error = "shard " + shardName(shard) + " has no row for P0=" + p0Text(p0) + " (not finished?)";
      return std::nullopt;
    }
    blocks.insert(blocks.end(), it->blocks.begin(), it->blocks.end());
    row.undetectedKnown = row.undetectedKnown && it->undetectedKnown;
    row.throughput += it->throughput;  // the shards' rate when run side by side
  }
  if (!mergeBlocks(std::move(blocks), merged.stopRule(), merged.symbols, row.totals)) {
    error = "the shards' blocks for P0=" + p0Text(p0) + " are incomplete or repeated";
    return std::nullopt;
  }
  if (!row.undetectedKnown) row.totals.undetected = 0;
  return row;
}

}  // namespace

std::optional<std::vector<SweepTable>> readShardFiles(const std::vector<std::string>& paths,
                                                      std::string& error) {
  std::vector<SweepTable> shards;
  for (const std::string& path : paths) {
    std::string reason;
    const std::optional<std::string> text = readWholeFile(path, reason);
    std::optional<SweepTable> table = text ? parseSweepCsv(*text, reason) : std::nullopt;
    if (table && table->metadata.shard && !checkSweepRules(*table, reason)) table.reset();
    if (!table) {
      error = path;
      error += ": ";
      error += reason;
      return std::nullopt;
    }
    if (!table->metadata.shard) {
      error = path + " is not a shard file (made without --shard)";
      return std::nullopt;
    }
    if (!shards.empty() && (!table->metadata.sameSimulation(shards.front().metadata) ||
                            table->metadata.shard->count != shards.front().metadata.shard->count)) {
      error = path + " belongs to a different sweep than " + paths.front();
      return std::nullopt;
    }
    shards.push_back(std::move(*table));
  }
  return shards;
}

std::optional<SweepTable> mergeShards(const std::vector<SweepTable>& shards, std::string& error) {
  if (shards.empty()) {
    error = "no shard files";
    return std::nullopt;
  }
  if (!completeSet(shards, error)) return std::nullopt;
  SweepTable merged;
  merged.metadata = shards.front().metadata;
  merged.metadata.shard.reset();
  std::set<float> points;
  for (const SweepTable& shard : shards) {
    for (const SweepRow& row : shard.rows) points.insert(row.p0);
  }
  for (float p0 : points) {
    std::optional<SweepRow> row = mergePoint(shards, p0, merged.metadata, error);
    if (!row) return std::nullopt;
    merged.rows.push_back(std::move(*row));
  }
  return merged;
}

}  // namespace vok::sim
