// `merge`: the shard files of one sweep added into the result a single run
// gives. Reading the files and adding the shards are apart, so that the
// adding can be checked without files.
#ifndef VOK_SIM_SWEEP_MERGE_H_
#define VOK_SIM_SWEEP_MERGE_H_

#include <optional>
#include <string>
#include <vector>

#include "sim/sweep_csv.h"

namespace vok::sim {

// Reads the shard files `paths` in order. Refuses (nullopt, `error` naming
// the file) one that cannot be read or parsed, breaks the run rules, was
// made without --shard, or belongs to another sweep than the first.
std::optional<std::vector<SweepTable>> readShardFiles(const std::vector<std::string>& paths,
                                                      std::string& error);

// The table of the whole run from the shards of one sweep (as readShardFiles
// gives them): every point's blocks of all shards counted by the stop rule,
// the throughputs added (the shards' rate when run side by side). Refuses
// (nullopt, `error` set) no shards, a shard given twice or missing, a point
// some shard has no row for, and blocks that are incomplete or repeated.
std::optional<SweepTable> mergeShards(const std::vector<SweepTable>& shards, std::string& error);

}  // namespace vok::sim

#endif  // VOK_SIM_SWEEP_MERGE_H_
