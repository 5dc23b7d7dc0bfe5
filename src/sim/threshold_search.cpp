// Bisection on the P0 grid and the interval from the probes.
#include "sim/threshold_search.h"

#include <algorithm>
#include <cmath>

#include "sim/interval_statistics.h"
#include "sim/sweep_csv.h"

namespace vok::sim {

bool reachesTarget(const ProbeCounts& counts, double target) {
  return static_cast<double>(counts.blockErrors) >= target * static_cast<double>(counts.blocks);
}

std::int64_t decidingBlockErrors(double target, std::int64_t blocks) {
  // The same product as reachesTarget, so both decide alike.
  return std::max<std::int64_t>(
      1, static_cast<std::int64_t>(std::ceil(target * static_cast<double>(blocks))));
}

double ThresholdProbe::bler() const {
  return static_cast<double>(counts.blockErrors) / static_cast<double>(counts.blocks);
}

double ThresholdResult::threshold() const {
  return static_cast<double>(belowK + aboveK) / (2.0 * kThresholdGrid);
}

int gridIndex(double p0) { return static_cast<int>(std::lround(p0 * kThresholdGrid)); }

namespace {

ThresholdProbe measureAt(BlerProbe& probe, int k, double target) {
  ThresholdProbe p;
  p.k = k;
  p.counts = probe.measure(p.p0());
  const Interval wilson = wilsonInterval(p.counts.blockErrors, p.counts.blocks);
  p.low = wilson.low;
  p.high = wilson.high;
  p.reached = reachesTarget(p.counts, target);
  return p;
}

std::string p0At(int k) {
  return p0Text(static_cast<float>(static_cast<double>(k) / kThresholdGrid));
}

// The interval: from the highest probe at or below the bracket whose whole
// Wilson interval lies under the target, to the lowest at or above it whose
// interval lies over it; the range's ends where no probe is that sure.
void setInterval(ThresholdResult& result, const ThresholdRequest& request) {
  result.lowK = request.fromK;
  result.highK = request.toK;
  result.lowAtRange = true;
  result.highAtRange = true;
  for (const ThresholdProbe& p : result.probes) {
    if (p.k <= result.belowK && p.high < request.target &&
        (result.lowAtRange || p.k > result.lowK)) {
      result.lowK = p.k;
      result.lowAtRange = false;
    }
    if (p.k >= result.aboveK && p.low > request.target &&
        (result.highAtRange || p.k < result.highK)) {
      result.highK = p.k;
      result.highAtRange = false;
    }
  }
}

}  // namespace

ThresholdResult findThreshold(BlerProbe& probe, const ThresholdRequest& request) {
  ThresholdResult result;
  const double target = request.target;
  result.probes.push_back(measureAt(probe, request.fromK, target));
  if (result.probes.back().reached) {
    result.failure = "the block error rate at P0=" + p0At(request.fromK) +
                     " already reaches the target: the threshold lies below --from";
    return result;
  }
  result.probes.push_back(measureAt(probe, request.toK, target));
  if (!result.probes.back().reached) {
    result.failure = "the block error rate at P0=" + p0At(request.toK) +
                     " is still below the target: the threshold lies above --to";
    return result;
  }
  int below = request.fromK;
  int above = request.toK;
  while (above - below > 1) {
    const int middle = below + (above - below) / 2;
    result.probes.push_back(measureAt(probe, middle, target));
    (result.probes.back().reached ? above : below) = middle;
  }
  result.belowK = below;
  result.aboveK = above;
  setInterval(result, request);
  if (request.tighten) {
    const auto probed = [&](int k) {
      return std::any_of(result.probes.begin(), result.probes.end(),
                         [k](const ThresholdProbe& p) { return p.k == k; });
    };
    for (int d = 1; above + d < result.highK || (result.highAtRange && above + d <= request.toK);
         d *= 2) {
      if (probed(above + d)) continue;
      result.probes.push_back(measureAt(probe, above + d, target));
      if (result.probes.back().low > target) break;
    }
    for (int d = 1; below - d > result.lowK || (result.lowAtRange && below - d >= request.fromK);
         d *= 2) {
      if (probed(below - d)) continue;
      result.probes.push_back(measureAt(probe, below - d, target));
      if (result.probes.back().high < target) break;
    }
    setInterval(result, request);
  }
  return result;
}

}  // namespace vok::sim
