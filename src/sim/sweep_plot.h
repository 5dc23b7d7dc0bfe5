// The sweep's figure as a self-contained SVG document: two panels over P0,
// the symbol error rates before and after decoding above and the block error
// rate with its 95 % intervals below, both on logarithmic scales, with the
// channel's capacity limit for the code rate always marked and the legend
// beside the panels, where it cannot hide a point.
#ifndef VOK_SIM_SWEEP_PLOT_H_
#define VOK_SIM_SWEEP_PLOT_H_

#include <cstdint>
#include <string>
#include <vector>

namespace vok::sim {

// The counts of one point.
struct PlotPoint {
  double p0 = 0.0;
  std::int64_t blocks = 0;
  std::int64_t symbols = 0;  // information symbols of all its blocks
  std::int64_t channelErrors = 0;
  std::int64_t decoderErrors = 0;
  std::int64_t blockErrors = 0;
};

struct PlotInfo {
  int nk = 0;
  int nr = 0;
  std::int32_t q = 256;
  std::int32_t symbols = 0;  // information symbols per block
  int itert = 0;
  double capacityP0 = 0.0;  // where the capacity equals the code rate
};

// The one-sided 95 % upper bound on a block error rate when none of `blocks`
// blocks failed: 1 - 0.05^(1/B), about 3/B. Since a failed block holds at most
// all its symbols wrong, it bounds the symbol error rate too.
// REQUIRES: blocks >= 1.
double zeroErrorBound(std::int64_t blocks);

// Points without any decoder error are drawn as that upper bound (a downward
// triangle), not as measured values. Every drawn mark of a point carries
// class="mark"; the legend's frame class="legend"; the capacity marker
// class="capacity" (a line, or an arrow at the edge when the limit lies far
// outside the points' P0 range).
std::string renderSweepSvg(std::vector<PlotPoint> points, const PlotInfo& info);

}  // namespace vok::sim

#endif  // VOK_SIM_SWEEP_PLOT_H_
