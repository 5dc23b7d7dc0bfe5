// Scales and labels shared by the simulator's figures: the code rate as a
// reduced fraction, tick steps of 1, 2 or 5 times a power of ten, and the
// decades of a logarithmic rate axis.
#ifndef VOK_SIM_PLOT_SCALE_H_
#define VOK_SIM_PLOT_SCALE_H_

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vok::sim {

// "nk/(nk+nr)" reduced, e.g. "1/2"; "?" when nk and nr are both 0.
std::string rateText(int nk, int nr);

// 1, 2 or 5 times a power of ten, near `rough`.
// REQUIRES: rough > 0
double niceStep(double rough);

// The decades (log10 of the lowest and highest line) of a logarithmic axis
// for the positive `values`, with half a decade of room below the smallest
// so that it stays off the axis; at least one decade. Absent when no value
// is positive.
std::optional<std::pair<int, int>> decadesOf(const std::vector<double>& values);

}  // namespace vok::sim

#endif  // VOK_SIM_PLOT_SCALE_H_
