// Figures that put several results side by side, as self-contained SVG:
// the error curves of several sweeps (symbol error rate after decoding
// above, block error rate below, each point with its 95 % interval bar,
// the capacity limit of every code rate among them marked), and how
// decoding converges (mean errors left after each iteration, one curve per
// point of an iterations file).
//
// Marks carry classes for readers of the file: each curve's group
// class="series", each legend line class="legend-entry", each capacity
// line class="capacity", each interval bar class="interval", each axis
// frame class="axis".
#ifndef VOK_SIM_COMPARISON_PLOT_H_
#define VOK_SIM_COMPARISON_PLOT_H_

#include <string>
#include <vector>

#include "sim/iterations_csv.h"
#include "sim/sweep_csv.h"

namespace vok::sim {

struct LabelledSweep {
  std::string label;
  SweepTable table;
};

struct LabelledIterations {
  std::string label;
  IterationTable table;
};

std::string renderSweepComparison(const std::vector<LabelledSweep>& sweeps);

std::string renderConvergence(const std::vector<LabelledIterations>& files);

}  // namespace vok::sim

#endif  // VOK_SIM_COMPARISON_PLOT_H_
