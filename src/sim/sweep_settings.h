// The options of `vok-sim sweep`: their texts as given and the settings
// they convert to.
#ifndef VOK_SIM_SWEEP_SETTINGS_H_
#define VOK_SIM_SWEEP_SETTINGS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "sim/sweep_engine.h"

namespace CLI {
class App;
}  // namespace CLI

namespace vok::sim {

// The options that choose what a sweep sends (sweep, threshold, tune):
// --dir, --random, --pane and --picture, as given.
struct SourceOptionTexts {
  std::optional<std::string> directory;
  std::optional<std::string> random;
  std::optional<std::string> pane;
  std::optional<std::string> picture;
};

// Adds the four source options to `app`, filling `texts`.
void addSourceOptions(CLI::App& app, SourceOptionTexts& texts);

// The option texts of `sweep` as given on the command line.
struct SweepOptionTexts : SourceOptionTexts {
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

// On failure returns nullopt and sets `error` to a one-line reason.
std::optional<SweepSettings> convertSweepOptions(const SweepOptionTexts& texts, std::string& error);

// The plan of a point under `settings`: its seed, blocks, stops, shard and
// threads (the P0 and the trace are the caller's).
PointPlan pointPlan(const SweepSettings& settings);

}  // namespace vok::sim

#endif  // VOK_SIM_SWEEP_SETTINGS_H_
