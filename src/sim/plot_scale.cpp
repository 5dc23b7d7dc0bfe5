#include "sim/plot_scale.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace vok::sim {

std::string rateText(int nk, int nr) {
  const int total = nk + nr;
  const int divisor = std::gcd(nk, total);
  return divisor > 0 ? std::to_string(nk / divisor) + "/" + std::to_string(total / divisor) : "?";
}

double niceStep(double rough) {
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  const double scaled = rough / power;
  const double nice = scaled < 1.5 ? 1 : scaled < 3.5 ? 2 : scaled < 7.5 ? 5 : 10;
  return nice * power;
}

std::optional<std::pair<int, int>> decadesOf(const std::vector<double>& values) {
  double smallest = 1.0;
  double largest = 0.0;
  for (double v : values) {
    if (v > 0) {
      smallest = std::min(smallest, v);
      largest = std::max(largest, v);
    }
  }
  if (largest <= 0) return std::nullopt;
  const int low = static_cast<int>(std::floor(std::log10(smallest) - 0.3));
  const int high = static_cast<int>(std::ceil(std::log10(largest)));
  return std::pair{low, std::max(low + 1, high)};
}

}  // namespace vok::sim
