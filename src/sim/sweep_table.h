// The readable table `sweep` and `merge` print: a heading, a header line and
// a line per point.
#ifndef VOK_SIM_SWEEP_TABLE_H_
#define VOK_SIM_SWEEP_TABLE_H_

#include <cstddef>
#include <ostream>
#include <vector>

#include "sim/sweep_csv.h"
#include "sim/sweep_source.h"

namespace vok::sim {

void printTableHeader(std::ostream& out);
void printTableRow(std::ostream& out, const SweepRow& row);

// The lines above the table of a sweep: the source, the code, the capacity,
// the shard and the rows the --csv file already holds (`extended` of them to
// run on, `todoCount` points to run in all). Flushes `out`.
void printSweepHeading(const SweepSettings& settings, const SourceOrFailure& made,
                       const SweepTable& table, const std::vector<SweepRow>& extended,
                       std::size_t todoCount, std::ostream& out);

}  // namespace vok::sim

#endif  // VOK_SIM_SWEEP_TABLE_H_
