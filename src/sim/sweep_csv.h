// The result file of a sweep: a first line "# vok-sim sweep key=value ..."
// naming what was simulated, a header line, and one CSV row per finished P0
// point. Shard files carry one more column with every block's counts, from
// which `merge` rebuilds the totals of the whole run exactly.
#ifndef VOK_SIM_SWEEP_CSV_H_
#define VOK_SIM_SWEEP_CSV_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sweep_engine.h"

namespace vok::sim {

// Everything that decides the counts of a sweep, except the P0 list.
struct SweepMetadata {
  std::string source;  // "random" or "picture"
  std::int32_t symbols = 0;
  int nk = 0;
  int nr = 0;
  int itert = 0;
  std::int32_t q = 256;
  std::uint32_t codeCrc = 0;    // CRC-32 of the code and schedule in force
  std::uint32_t sourceCrc = 0;  // CRC-32 of the information symbols (low bytes)
  std::int32_t seed = 0;
  std::int64_t blocks = 0;
  std::int64_t minErrors = 0;
  std::optional<Shard> shard;  // present in shard files only

  // True when both describe the same simulation; the shard is not compared.
  bool sameSimulation(const SweepMetadata& other) const;
};

struct SweepRow {
  float p0 = 0.0f;
  PointTotals totals;
  double throughput = 0.0;          // decoded information symbols per second
  std::vector<BlockResult> blocks;  // shard files only
};

struct SweepTable {
  SweepMetadata metadata;
  std::vector<SweepRow> rows;
};

// The metadata of a sweep of `source` with the given run settings.
SweepMetadata describeSweep(const SweepSource& source, const std::string& kind, std::int32_t seed,
                            std::int64_t blocks, std::int64_t minErrors,
                            std::optional<Shard> shard);

// P0 as the file writes it: the shortest text that reads back as the same
// float, e.g. "0.25".
std::string p0Text(float p0);

std::string formatSweepCsv(const SweepTable& table);

// Reads a file made by formatSweepCsv. On failure returns nullopt and sets
// `error` to a one-line reason.
std::optional<SweepTable> parseSweepCsv(std::string_view text, std::string& error);

// Writes `content` to `path` through a temporary file in the same folder that
// is then renamed over it, so the file is always either old or new.
bool writeFileAtomically(const std::string& path, std::string_view content);

// The whole file at `path`, or nullopt when it cannot be read.
std::optional<std::string> readWholeFile(const std::string& path);

}  // namespace vok::sim

#endif  // VOK_SIM_SWEEP_CSV_H_
