// The search behind `vok-sim tune`: coordinate descent over a decoder
// schedule (per iteration the threshold t, the weight w and the voting
// check branches p, and the number of iterations), maximising the threshold
// P0 at which the block error rate crosses a target.
//
// Every schedule is measured on the same tuning blocks (fixed seeds), so two
// schedules meet the same channel errors and their difference is not noise
// of the draw. That also lets the search fit those very blocks; the start
// and the result are therefore measured again on held-out blocks, which the
// search never saw, and the result replaces the start only when it is better
// there.
#ifndef VOK_SIM_TUNE_SEARCH_H_
#define VOK_SIM_TUNE_SEARCH_H_

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "codec/decoder_schedule.h"
#include "sim/threshold_search.h"

namespace vok::sim {

// Measures schedules of one code on fixed blocks.
class ScheduleBench {
 public:
  virtual ~ScheduleBench() = default;
  // A probe of `schedule` on the tuning blocks (heldOut false) or on the
  // held-out blocks. The probe may stop a point once its verdict against
  // the target is sure.
  virtual std::unique_ptr<BlerProbe> probe(const DecoderSchedule& schedule, bool heldOut) = 0;
};

struct TuneRequest {
  ThresholdRequest range;
  int maxIterations = 40;  // itert stays within 1..this
  int rounds = 2;          // passes over all coordinates at most
  // Wall-time budget: no new schedule is tried after it (the result then
  // depends on the machine's speed). Absent: only `rounds` limits.
  std::optional<double> seconds;
  int nr = 1;        // p stays within 1..nr
  int maxVotes = 1;  // t and w stay within 0..this
};

struct TuneResult {
  std::optional<std::string> failure;  // the start has no crossing in the range
  DecoderSchedule start;
  DecoderSchedule tuned;    // the best on the tuning blocks
  DecoderSchedule written;  // tuned when it won on the held-out blocks, else start
  ThresholdResult startTuning;
  int tunedBelowK = 0;  // the tuned schedule's bracket on the tuning blocks
  ThresholdResult startHeldOut;
  std::optional<ThresholdResult> tunedHeldOut;  // absent when tuned == start
  bool improved = false;  // tuned measured better than start on held-out blocks
  int schedulesTried = 0;
  int rounds = 0;  // rounds run
};

// Receives one line per accepted change and per finished round.
using TuneLog = std::function<void(const std::string& line)>;

// REQUIRES: start bounded to the code, 1 <= start.itert <= maxIterations;
// the request's range as for findThreshold.
TuneResult tuneSchedule(ScheduleBench& bench, const DecoderSchedule& start,
                        const TuneRequest& request, const TuneLog& log);

}  // namespace vok::sim

#endif  // VOK_SIM_TUNE_SEARCH_H_
