// Wilson intervals, the zero-failure bound and the per-block mean interval.
#include "sim/interval_statistics.h"

#include <algorithm>
#include <cmath>

namespace vok::sim {

Interval wilsonInterval(std::int64_t failures, std::int64_t trials, double z) {
  const double n = static_cast<double>(trials);
  const double p = static_cast<double>(failures) / n;
  const double z2 = z * z;
  const double centre = (p + z2 / (2 * n)) / (1 + z2 / n);
  const double half = z * std::sqrt(p * (1 - p) / n + z2 / (4 * n * n)) / (1 + z2 / n);
  // The bounds are exact at the edges: no failure gives 0, all give 1.
  return {failures == 0 ? 0.0 : std::max(0.0, centre - half),
          failures == trials ? 1.0 : std::min(1.0, centre + half)};
}

double zeroFailureBound(std::int64_t blocks) {
  return 1.0 - std::pow(0.05, 1.0 / static_cast<double>(blocks));
}

Interval blockMeanInterval(std::int64_t errors, double errorSquares, std::int64_t blocks,
                           std::int32_t symbolsPerBlock) {
  if (errors == 0) return {0.0, zeroFailureBound(blocks)};
  const double b = static_cast<double>(blocks);
  const double n = static_cast<double>(symbolsPerBlock);
  const double mean = static_cast<double>(errors) / (b * n);
  // Sample variance of the shares e_b / N: (sum x^2 - B mean^2) / (B - 1).
  const double squares = errorSquares / (n * n);
  const double variance = blocks > 1 ? std::max(0.0, (squares - b * mean * mean) / (b - 1)) : 0.0;
  const double half = kZ95 * std::sqrt(variance / b);
  // One block on its own says nothing about the spread: all of 0..1 stays open.
  if (blocks == 1) return {0.0, 1.0};
  return {std::max(0.0, mean - half), std::min(1.0, mean + half)};
}

}  // namespace vok::sim
