// The files `sweep` and `merge` write: the result CSV and the figure.
#ifndef VOK_SIM_SWEEP_OUTPUTS_H_
#define VOK_SIM_SWEEP_OUTPUTS_H_

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "sim/sweep_csv.h"
#include "sim/sweep_plot.h"

namespace vok::sim {

// What the figure of the sweep `m` states besides its points.
PlotInfo plotInfo(const SweepMetadata& m);

// Writes the table to `csv` and its figure to `svg` (each when given).
// False, with the reason on `err` after "vok-sim <command>: ", when one
// cannot be written.
bool writeOutputs(const SweepTable& table, const std::optional<std::string>& csv,
                  const std::optional<std::string>& svg, const char* command, std::ostream& err);

// Refuses outputs that cannot be written, or that would overwrite one of
// `inputs` or each other, before any work is done; nothing is changed.
bool checkOutputs(const std::optional<std::string>& csv, const std::optional<std::string>& svg,
                  const std::vector<std::string>& inputs, const char* command, std::ostream& err);

// True for a file written once at the end rather than after every point: a
// device or pipe would receive every rewrite one after the other.
bool writtenOnlyAtEnd(const std::optional<std::string>& path);

}  // namespace vok::sim

#endif  // VOK_SIM_SWEEP_OUTPUTS_H_
