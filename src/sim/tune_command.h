// `vok-sim tune`: a schedule for a code that raises its threshold, found on
// tuning blocks and confirmed on held-out blocks, written in the
// decoder.vok format.
#ifndef VOK_SIM_TUNE_COMMAND_H_
#define VOK_SIM_TUNE_COMMAND_H_

#include <cstdint>
#include <optional>
#include <string>

#include "sim/command_registry.h"
#include "sim/threshold_command.h"

namespace vok::sim {

struct TuneOptionTexts {
  ThresholdOptionTexts threshold;            // --json is not used
  std::optional<std::string> heldOutBlocks;  // default: as many as --blocks
  std::string maxIterations = "40";
  std::string rounds = "2";
  std::optional<std::string> seconds;
  std::string out;
};

struct TuneSettings {
  ThresholdSettings threshold;
  std::int64_t heldOutBlocks = 100;
  int maxIterations = 40;
  int rounds = 2;
  std::optional<double> seconds;
  std::string out;
};

// On failure returns nullopt and sets `error` to a one-line reason.
std::optional<TuneSettings> convertTuneOptions(const TuneOptionTexts& texts, std::string& error);

// The sweep seed whose blocks 0, 1, ... are blocks B, B+1, ... of `seed`:
// the held-out blocks follow the tuning blocks in the seeding rule.
std::int32_t heldOutSeed(std::int32_t seed, std::int64_t tuningBlocks);

// Returns kExitOk; kExitInitFailure when the picture or the code files
// cannot be used; kExitBadArguments when the start has no crossing in the
// range or the output cannot be written.
int runTune(const TuneSettings& settings, CommandStreams& streams);

// Adds the `tune` subcommand.
void addTuneCommand(CommandRegistry& registry);

}  // namespace vok::sim

#endif  // VOK_SIM_TUNE_COMMAND_H_
