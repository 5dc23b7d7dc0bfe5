// `vok-sim plot`: several sweep files on one figure, or the convergence of
// decoding from iterations files, as SVG.
#ifndef VOK_SIM_PLOT_COMMAND_H_
#define VOK_SIM_PLOT_COMMAND_H_

#include <string>
#include <vector>

#include "sim/command_registry.h"

namespace vok::sim {

struct PlotSettings {
  std::vector<std::string> inputs;
  std::string svg;
  std::vector<std::string> labels;  // empty: the files' names
};

// Returns kExitOk, or kExitBadArguments when an input cannot be read or is
// neither kind of file, the inputs mix kinds, the labels do not match the
// inputs in number, or the output is an input or cannot be written.
int runPlot(const PlotSettings& settings, CommandStreams& streams);

// Adds the `plot` subcommand.
void addPlotCommand(CommandRegistry& registry);

}  // namespace vok::sim

#endif  // VOK_SIM_PLOT_COMMAND_H_
