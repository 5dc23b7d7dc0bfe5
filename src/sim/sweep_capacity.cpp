// Capacity of the Q-ary symmetric channel and its inverse by bisection.
#include "sim/sweep_capacity.h"

#include <cmath>

namespace vok::sim {

double qaryCapacityBits(double p0, int q) {
  const double entropy =
      (p0 <= 0.0 || p0 >= 1.0) ? 0.0 : -p0 * std::log2(p0) - (1.0 - p0) * std::log2(1.0 - p0);
  return std::log2(static_cast<double>(q)) - entropy - p0 * std::log2(static_cast<double>(q - 1));
}

double capacityLimitP0(double rate, int q) {
  const double top = static_cast<double>(q - 1) / q;  // capacity 0 here
  if (rate <= 0.0) return top;
  if (rate >= 1.0) return 0.0;
  const double target = rate * std::log2(static_cast<double>(q));
  double low = 0.0;
  double high = top;
  for (int step = 0; step < 200 && high - low > 1e-15; ++step) {
    const double middle = 0.5 * (low + high);
    if (qaryCapacityBits(middle, q) > target) {
      low = middle;
    } else {
      high = middle;
    }
  }
  return 0.5 * (low + high);
}

}  // namespace vok::sim
