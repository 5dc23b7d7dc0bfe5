// `vok-sim sweep` and `vok-sim merge`: error-rate curves over P0.
//
// sweep transmits and decodes blocks of one information block at each P0
// point until B blocks have run or the decoder errors reach E or the failed
// blocks reach E_b, writes one CSV row per finished point (atomically, so
// --resume can continue an interrupted sweep, or extend a finished one to
// more blocks) and can draw the curves as SVG. --shard I/N runs the
// I-th of N disjoint parts of the blocks; merge adds the shard files into
// the totals a single run gives.
#ifndef VOK_SIM_SWEEP_COMMAND_H_
#define VOK_SIM_SWEEP_COMMAND_H_

#include <optional>
#include <string>
#include <vector>

#include "sim/command_registry.h"
#include "sim/sweep_engine.h"
#include "sim/sweep_settings.h"
#include "sim/sweep_source.h"

namespace vok::sim {

// Returns kExitOk, kExitInitFailure when the picture or the code files cannot
// be used, or kExitBadArguments when a file cannot be read or written,
// --resume meets a file of another sweep (or of one with later stops) or
// one with impossible rows, or
// (without --force) --csv names a file that is not this sweep's result.
// A regular --csv file is replaced only when a point has finished.
int runSweep(const SweepSettings& settings, CommandStreams& streams);

struct MergeSettings {
  std::vector<std::string> inputs;
  std::string csv;
  std::optional<std::string> svg;
};

// Adds the shard files into one result. Returns kExitOk or kExitBadArguments
// (unreadable, foreign, impossible or incomplete set of shard files; an
// output that is one of them or cannot be written).
int runMerge(const MergeSettings& settings, CommandStreams& streams);

// Adds the `sweep` and `merge` subcommands.
void addSweepCommands(CommandRegistry& registry);

}  // namespace vok::sim

#endif  // VOK_SIM_SWEEP_COMMAND_H_
