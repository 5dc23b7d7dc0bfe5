// Where a block error curve crosses a target: bisection over P0 on a grid of
// thousandths, one measured point (a probe) per step.
//
// The search assumes the block error rate rises with P0. Each probe is a
// sweep point of its own, so a probe at P0 can be replayed with `vok-sim
// sweep --p0 P0` and the same seed and blocks. The interval combines the
// probes' 95 % Wilson intervals: the threshold lies above the last probe
// whose rate is surely below the target and below the first whose rate is
// surely above it.
#ifndef VOK_SIM_THRESHOLD_SEARCH_H_
#define VOK_SIM_THRESHOLD_SEARCH_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vok::sim {

// The grid of the search: P0 = k / kThresholdGrid.
inline constexpr int kThresholdGrid = 1000;

// What one probe measured.
struct ProbeCounts {
  std::int64_t blocks = 0;
  std::int64_t blockErrors = 0;
};

// Measures the block error rate at one P0. The search never asks twice for
// the same P0.
class BlerProbe {
 public:
  virtual ~BlerProbe() = default;
  // REQUIRES: 0 <= p0 <= 1. The result has blocks >= 1.
  virtual ProbeCounts measure(float p0) = 0;
};

// True when `counts` reach the target: block errors >= target x blocks.
bool reachesTarget(const ProbeCounts& counts, double target);

// The early stop that decides a probe as soon as its outcome is sure: once
// ceil(target x B) blocks have failed, the rate of B blocks reaches the
// target whatever the rest give. Stopping there gives the same answer to
// reachesTarget as running all B blocks.
// REQUIRES: 0 < target < 1; blocks >= 1.
std::int64_t decidingBlockErrors(double target, std::int64_t blocks);

struct ThresholdProbe {
  int k = 0;  // P0 = k / kThresholdGrid
  ProbeCounts counts;
  double low = 0.0;  // 95 % Wilson interval of the block error rate
  double high = 0.0;
  bool reached = false;  // the rate reaches the target

  float p0() const { return static_cast<float>(static_cast<double>(k) / kThresholdGrid); }
  double bler() const;
};

struct ThresholdRequest {
  double target = 0.1;
  int fromK = 10;  // the search range, in grid steps
  int toK = 381;
  // After the bisection, probe outward from the bracket (1, 2, 4, ... grid
  // steps) until a probe on each side is sure of its side, so that the
  // interval does not rest on the far probes of the first steps.
  bool tighten = true;
};

struct ThresholdResult {
  // Set when the range holds no crossing: the rate at fromK already reaches
  // the target, or the rate at toK does not. One line, no trailing stop.
  std::optional<std::string> failure;
  // The crossing lies between the grid points below = above - 1 (rate under
  // the target) and above (rate at or over it).
  int belowK = 0;
  int aboveK = 0;
  // 95 % interval ends, in grid steps, and whether each is only the end of
  // the search range (no probe beyond the bracket was decisive).
  int lowK = 0;
  int highK = 0;
  bool lowAtRange = false;
  bool highAtRange = false;
  std::vector<ThresholdProbe> probes;  // in the order they ran

  // The midpoint of the final bracket.
  double threshold() const;
  double low() const { return static_cast<double>(lowK) / kThresholdGrid; }
  double high() const { return static_cast<double>(highK) / kThresholdGrid; }
};

// Bisects between request.fromK and request.toK: probes both ends, then the
// middle of the bracket until its ends are one grid step apart; then, with
// request.tighten, the probes that narrow the interval.
// REQUIRES: 0 <= fromK < toK <= kThresholdGrid; 0 < target < 1.
ThresholdResult findThreshold(BlerProbe& probe, const ThresholdRequest& request);

// P0 in 0..1 to the nearest grid point.
int gridIndex(double p0);

}  // namespace vok::sim

#endif  // VOK_SIM_THRESHOLD_SEARCH_H_
