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
  std::int64_t minBlockErrors = 0;           // absent from older files: 0
  EarlyStop earlyStop = EarlyStop::kSource;  // absent from older files: the source
  std::optional<Shard> shard;                // present in shard files only

  StopRule stopRule() const { return StopRule{blocks, minErrors, minBlockErrors}; }
  // The code rate nk / (nk + nr), divided in float as the figures take it.
  double codeRate() const {
    return static_cast<double>(static_cast<float>(nk) / static_cast<float>(nk + nr));
  }
  // True when both describe the same simulation; the shard is not compared.
  bool sameSimulation(const SweepMetadata& other) const;
  // True when `later` is this simulation with stops no earlier than these:
  // as many blocks or more, and each of E and E_b the same, larger, or (when
  // set here) no longer used. A point finished here is then the first part
  // of the same point there, so a resumed run needs only the blocks after it.
  bool extendsTo(const SweepMetadata& later) const;
};

struct SweepRow {
  float p0 = 0.0f;
  PointTotals totals;
  // False for rows of older files, which did not count undetected errors
  // (totals.undetected is then 0 and written as an empty cell).
  bool undetectedKnown = true;
  // False for rows of files made before the squares were kept, unless a
  // block_detail gives them (totals.decoderErrorSquares is then 0 and the
  // symbol error interval is written as empty cells).
  bool squaresKnown = true;
  double throughput = 0.0;          // decoded information symbols per second
  std::vector<BlockResult> blocks;  // shard files only
};

struct SweepTable {
  SweepMetadata metadata;
  std::vector<SweepRow> rows;
};

// The metadata of a sweep of `source` with the given run settings.
SweepMetadata describeSweep(const SweepSource& source, const std::string& kind, std::int32_t seed,
                            const StopRule& rule, EarlyStop earlyStop, std::optional<Shard> shard);

// The metadata as the first line writes it after its "# vok-sim sweep ":
// "source=... symbols=... ...", and back (nullopt with the reason when
// malformed). Other files of the same sweep name it so.
std::string sweepMetadataFields(const SweepMetadata& metadata);
std::optional<SweepMetadata> parseSweepMetadataFields(std::string_view text, std::string& error);

// P0 as the file writes it: the shortest text that reads back as the same
// float, e.g. "0.25".
std::string p0Text(float p0);

// Always writes the current columns: an older file's rows keep their counts.
// bler_low and bler_high are the 95 % Wilson interval of the block error
// rate; decoder_ser_low and decoder_ser_high the 95 % interval of the symbol
// error rate with the blocks as samples, from decoder_error_squares (the sum
// of the squares of the blocks' decoder errors).
std::string formatSweepCsv(const SweepTable& table);

// Reads a file made by formatSweepCsv. Refuses a row no sweep can give
// (counts beyond its blocks, a rate that disagrees with its counts, a P0
// outside 0..1 or given twice, a block_detail that is out of range or
// disagrees with the totals). On failure returns nullopt and sets `error` to
// a one-line reason that names the line.
std::optional<SweepTable> parseSweepCsv(std::string_view text, std::string& error);

// Checks the rows against the run rules of the sweep the metadata names: a
// point runs all B blocks (its shard's share of them) unless its decoder
// errors reach E or its block errors E_b first, and a shard's detail lists its own first blocks in
// order. On failure returns false and sets `error` to a reason naming the
// line.
bool checkSweepRules(const SweepTable& table, std::string& error);

}  // namespace vok::sim

#endif  // VOK_SIM_SWEEP_CSV_H_
