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

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "sim/command_registry.h"
#include "sim/sweep_engine.h"

namespace vok::sim {

// The option texts of `sweep` as given on the command line.
struct SweepOptionTexts {
  std::optional<std::string> directory;
  std::optional<std::string> random;
  std::optional<std::string> pane;
  std::optional<std::string> picture;
  std::string p0;
  std::string blocks = "100";
  std::string minErrors = "0";
  std::string minBlockErrors = "0";
  bool stopOnZeroSyndromes = false;
  std::optional<std::string> threads;  // default: the hardware threads
  std::string seed = "123";
  std::optional<std::string> csv;
  std::optional<std::string> svg;
  std::optional<std::string> iterationsCsv;
  bool resume = false;
  bool force = false;
  std::optional<std::string> shard;
};

struct SweepSettings {
  // Code files (and, without `randomSymbols`, the picture) are read from
  // here; absent: the current directory for a picture, the built-in code
  // and schedule for random symbols.
  std::optional<std::string> directory;
  std::optional<std::int32_t> randomSymbols;
  std::optional<PaneSize> pane;
  // A picture file of any readable format, in place of pic.bmp in the
  // directory.
  std::optional<std::string> picture;
  std::vector<float> points;
  std::int64_t blocks = 100;
  std::int64_t minErrors = 0;
  std::int64_t minBlockErrors = 0;
  EarlyStop earlyStop = EarlyStop::kSource;
  int threads = 1;
  std::int32_t seed = 123;
  std::optional<std::string> seedNote;  // how an out-of-range --seed text was taken
  std::optional<std::string> csv;
  std::optional<std::string> svg;
  // The mean errors left after each iteration, per point (not with a shard).
  std::optional<std::string> iterationsCsv;
  bool resume = false;
  bool force = false;  // replace a --csv file of anything else
  std::optional<Shard> shard;
};

// The information block and code of a sweep, or why they cannot be had.
struct SourceOrFailure {
  std::unique_ptr<SweepSource> source;
  std::string kind;     // "random" or "picture"
  std::string failure;  // Russian message (UTF-8) when no source
};

// Reads the picture (or draws the random symbols) and the code files named
// by the source fields of `settings` (directory, randomSymbols, pane,
// picture, seed).
SourceOrFailure makeSource(const SweepSettings& settings);

// On failure returns nullopt and sets `error` to a one-line reason.
std::optional<SweepSettings> convertSweepOptions(const SweepOptionTexts& texts, std::string& error);

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
