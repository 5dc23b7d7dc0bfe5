// `vok-sim threshold`: the P0 at which the block error rate of a code and
// schedule crosses a target, measured on the sweep's engine with the
// sweep's seeding rule (so the answer is the same for any thread count, and
// every probe is a sweep point that `vok-sim sweep` replays), with a 95 %
// interval. Also the probe on the engine and the option handling that
// `vok-sim tune` shares.
#ifndef VOK_SIM_THRESHOLD_COMMAND_H_
#define VOK_SIM_THRESHOLD_COMMAND_H_

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "sim/command_registry.h"
#include "sim/sweep_command.h"
#include "sim/sweep_engine.h"
#include "sim/threshold_search.h"

namespace vok::sim {

// The option texts shared by `threshold` and `tune`, as given.
struct ThresholdOptionTexts : SourceOptionTexts {
  std::string target = "0.1";
  std::string blocks = "100";
  std::string minBlockErrors = "0";
  std::optional<std::string> from;  // default 0.01
  std::optional<std::string> to;    // default: the capacity limit of the code's rate
  bool stopOnZeroSyndromes = false;
  std::optional<std::string> threads;
  std::string seed = "123";
  bool json = false;
};

struct ThresholdSettings {
  // The source fields (directory, randomSymbols, pane, picture, seed,
  // seedNote), the blocks, the early stops and the threads of a sweep.
  SweepSettings sweep;
  double target = 0.1;
  std::optional<int> fromK;  // grid steps; absent: the defaults above
  std::optional<int> toK;
  bool json = false;
};

// On failure returns nullopt and sets `error` to a one-line reason.
std::optional<ThresholdSettings> convertThresholdOptions(const ThresholdOptionTexts& texts,
                                                         std::string& error);

// The search range for `source`: --from (default 0.01) and --to (default
// the P0 at which the channel's capacity falls to the code's rate, rounded
// up to the grid), or a reason when from is not below to.
std::optional<ThresholdRequest> thresholdRequest(const ThresholdSettings& settings,
                                                 const SweepSource& source, std::string& error);

// Measures a probe as one sweep point of `source`: blocks 0..B-1 with the
// block seeds of the sweep seed, the plan's early stops and threads.
class SweepProbe : public BlerProbe {
 public:
  // `plan.p0` is set per probe; the rest is used as given.
  SweepProbe(const SweepSource& source, const PointPlan& plan) : source_(source), plan_(plan) {}
  ProbeCounts measure(float p0) override;
  // Blocks run and wall time of all probes so far.
  std::int64_t blocksRun() const { return blocksRun_; }
  double seconds() const { return seconds_; }

 private:
  const SweepSource& source_;
  PointPlan plan_;
  std::int64_t blocksRun_ = 0;
  double seconds_ = 0.0;
};

// The result as one JSON object: threshold, low, high, target, blocks,
// symbols and the probes in the order they ran.
std::string thresholdJson(const ThresholdResult& result, double target, std::int64_t blocks,
                          std::int32_t symbols);

// "0.2505 (95 % interval 0.249 to 0.253)", noting an end that is only the
// end of the search range.
std::string thresholdText(const ThresholdResult& result);

// Returns kExitOk; kExitInitFailure when the picture or the code files
// cannot be used; kExitBadArguments when the range holds no crossing.
int runThreshold(const ThresholdSettings& settings, CommandStreams& streams);

// Adds the options shared with `tune` to `app`.
void addThresholdOptions(CLI::App& app, ThresholdOptionTexts& texts);

// Adds the `threshold` subcommand.
void addThresholdCommand(CommandRegistry& registry);

}  // namespace vok::sim

#endif  // VOK_SIM_THRESHOLD_COMMAND_H_
