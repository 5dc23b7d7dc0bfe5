// How decoding converges: the file of `vok-sim sweep --iterations-csv`. Its
// first line "# vok-sim iterations key=value ..." names the sweep as the
// sweep file does; then, per point and iteration k (0: before decoding),
// the blocks, the decoder errors left after k iterations summed over them
// (a block that stopped early keeps its last count) and their mean.
#ifndef VOK_SIM_ITERATIONS_CSV_H_
#define VOK_SIM_ITERATIONS_CSV_H_

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sweep_csv.h"

namespace vok::sim {

struct IterationRow {
  float p0 = 0.0f;
  std::int64_t blocks = 0;
  std::vector<std::int64_t> errors;  // itert + 1 sums
};

struct IterationTable {
  SweepMetadata metadata;
  std::vector<IterationRow> rows;  // sorted by P0
};

std::string formatIterationsCsv(const IterationTable& table);

// Refuses a file of another layout, an iteration beyond itert, counts that
// do not fit the blocks, or a point whose iterations are incomplete. On
// failure returns nullopt and sets `error` to a reason naming the line.
std::optional<IterationTable> parseIterationsCsv(std::string_view text, std::string& error);

// The iterations file of one sweep run: what an existing file brings, the
// points run now, and its writing.
class IterationLog {
 public:
  IterationLog(std::string path, const SweepMetadata& metadata);

  // Takes over the rows of an existing file of this sweep when resuming.
  // Without `resume`, only a file of this same sweep is replaced unless
  // `force`. Returns false, with the reason on `err`, when the file must
  // not be used or replaced.
  bool start(bool resume, bool force, std::ostream& err);

  // The point's counts: those of its first `resumedBlocks` blocks from the
  // file taken over, plus the outcome's. A point extended without them in
  // the file is left out (said once on `err`).
  void add(float p0, std::int64_t resumedBlocks, std::int64_t blocks,
           const std::vector<std::int64_t>& errors, std::ostream& err);

  bool write(std::ostream& err) const;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  IterationTable table_;
  bool warned_ = false;
};

}  // namespace vok::sim

#endif  // VOK_SIM_ITERATIONS_CSV_H_
