// The sweep's figure: symbol error rates before and after decoding against
// P0 on a logarithmic scale, with the channel's capacity limit for the code
// rate drawn as a labelled vertical line, as a self-contained SVG document.
#ifndef VOK_SIM_SWEEP_PLOT_H_
#define VOK_SIM_SWEEP_PLOT_H_

#include <cstdint>
#include <string>
#include <vector>

namespace vok::sim {

struct PlotPoint {
  double p0 = 0.0;
  double channelRate = 0.0;
  double decoderRate = 0.0;  // 0: no decoder error in the blocks run
};

struct PlotInfo {
  int nk = 0;
  int nr = 0;
  std::int32_t q = 256;
  std::int32_t symbols = 0;  // information symbols per block
  int itert = 0;
  double capacityP0 = 0.0;  // where the capacity equals the code rate
};

// Points with a zero decoder rate are shown as open triangles on the lower
// axis, since a logarithmic scale has no place for them.
std::string renderSweepSvg(std::vector<PlotPoint> points, const PlotInfo& info);

}  // namespace vok::sim

#endif  // VOK_SIM_SWEEP_PLOT_H_
