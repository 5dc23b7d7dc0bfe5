// The progress line of a running sweep on a terminal: point, blocks done,
// decoder errors so far, their rate and an estimate of the time left,
// rewritten in place a few times a second.
#ifndef VOK_SIM_SWEEP_PROGRESS_H_
#define VOK_SIM_SWEEP_PROGRESS_H_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

#include "sim/sweep_engine.h"

namespace vok::sim {

// What the line needs to know about the sweep as a whole.
struct SweepPosition {
  std::size_t point = 0;   // 0-based index among the points still to run
  std::size_t points = 0;  // points still to run in this invocation
  float p0 = 0.0f;
  std::int64_t blocksPerPoint = 0;  // blocks this run does per point at most
  std::int64_t blocksBefore = 0;    // blocks run by the earlier points of this invocation
  std::chrono::steady_clock::time_point start;  // of this invocation
};

// The text of the line, e.g.
// "[3/21] P0=0.22  blocks 120/200  decoder errors 45 (SER 1.88e-005)  ETA 0:42".
// The time left assumes every remaining point runs all its blocks.
std::string progressText(const SweepPosition& position, std::int64_t blocks,
                         std::int64_t decoderErrors, std::int64_t symbols, double elapsedSeconds);

// Shows the line on `out` while a point runs; does nothing when disabled.
class ProgressLine {
 public:
  ProgressLine(std::ostream& out, bool enabled) : out_(out), enabled_(enabled) {}
  ~ProgressLine() { stop(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Starts refreshing from `progress`, which must outlive stop().
  void start(const SweepPosition& position, const PointProgress& progress);
  // Stops refreshing and erases the line.
  void stop();

 private:
  void loop();

  std::ostream& out_;
  const bool enabled_;
  SweepPosition position_;
  const PointProgress* progress_ = nullptr;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace vok::sim

#endif  // VOK_SIM_SWEEP_PROGRESS_H_
