// The statistics and the threshold bisection on curves whose crossing is
// known, without the decoder.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>

#include "sim/interval_statistics.h"
#include "sim/threshold_search.h"

namespace vok::sim {
namespace {

TEST(WilsonInterval, MatchesPublishedValues) {
  const Interval none = wilsonInterval(0, 10);
  EXPECT_EQ(none.low, 0.0);
  EXPECT_NEAR(none.high, 0.2775328, 1e-7);
  const Interval half = wilsonInterval(5, 10);
  EXPECT_NEAR(half.low, 0.2365931, 1e-7);
  EXPECT_NEAR(half.high, 0.7634069, 1e-7);
  const Interval few = wilsonInterval(1, 100);
  EXPECT_NEAR(few.low, 0.0017674, 1e-7);
  EXPECT_NEAR(few.high, 0.0544862, 1e-7);
  const Interval all = wilsonInterval(7, 7);
  EXPECT_EQ(all.high, 1.0);
  EXPECT_LT(all.low, 1.0);
  // A wider quantile widens the interval around the same centre.
  const Interval wide = wilsonInterval(5, 10, 3.0);
  EXPECT_LT(wide.low, half.low);
  EXPECT_NEAR(wide.low + wide.high, 1.0, 1e-12);
}

TEST(ZeroFailureBound, IsAboutThreeOverBlocks) {
  EXPECT_NEAR(zeroFailureBound(1000), 2.99125e-3, 1e-8);
  EXPECT_NEAR(zeroFailureBound(1), 0.95, 1e-12);
}

TEST(BlockMeanInterval, TreatsEachBlockAsOneSample) {
  // Four blocks of 100 symbols with 0, 0, 10 and 30 errors: shares 0, 0,
  // 0.1 and 0.3 around the mean 0.1.
  const double shares[] = {0.0, 0.0, 0.1, 0.3};
  const double mean = 0.1;
  double variance = 0.0;
  for (double x : shares) variance += (x - mean) * (x - mean);
  variance /= 3;
  const Interval i = blockMeanInterval(40, 0 + 0 + 100 + 900, 4, 100);
  EXPECT_NEAR(i.low, 0.0, 1e-12);  // cut at 0
  EXPECT_NEAR(i.high, mean + kZ95 * std::sqrt(variance / 4), 1e-12);
  // The same errors spread evenly over the blocks give a narrower interval
  // than the same errors clumped in one block.
  const Interval even = blockMeanInterval(40, 4 * 100, 4, 100);
  const Interval clumped = blockMeanInterval(40, 1600, 4, 100);
  EXPECT_NEAR(even.low, 0.1, 1e-12);
  EXPECT_NEAR(even.high, 0.1, 1e-12);
  EXPECT_GT(clumped.high, i.high);
  // No error at all: the zero-failure bound, as the plot draws it.
  const Interval zero = blockMeanInterval(0, 0, 1000, 24000);
  EXPECT_EQ(zero.low, 0.0);
  EXPECT_DOUBLE_EQ(zero.high, zeroFailureBound(1000));
  // One block says nothing about the spread.
  const Interval one = blockMeanInterval(5, 25, 1, 100);
  EXPECT_EQ(one.low, 0.0);
  EXPECT_EQ(one.high, 1.0);
}

// A curve given as a function of P0, measured with a fixed number of blocks.
class CurveProbe : public BlerProbe {
 public:
  CurveProbe(std::function<double(double)> bler, std::int64_t blocks)
      : bler_(std::move(bler)), blocks_(blocks) {}
  ProbeCounts measure(float p0) override {
    EXPECT_TRUE(asked_.insert(p0).second) << "P0 " << p0 << " was probed twice";
    const double rate = std::clamp(bler_(p0), 0.0, 1.0);
    return {blocks_, static_cast<std::int64_t>(std::llround(rate * static_cast<double>(blocks_)))};
  }
  std::size_t probes() const { return asked_.size(); }

 private:
  std::function<double(double)> bler_;
  std::int64_t blocks_;
  std::set<float> asked_;
};

TEST(ThresholdSearch, FindsTheStepOfASteepCurveToOneGridStep) {
  CurveProbe probe([](double p0) { return p0 < 0.2534 ? 0.0 : 1.0; }, 1000);
  const ThresholdResult r = findThreshold(probe, ThresholdRequest{0.1, 10, 381});
  ASSERT_FALSE(r.failure);
  EXPECT_EQ(r.belowK, 253);
  EXPECT_EQ(r.aboveK, 254);
  EXPECT_DOUBLE_EQ(r.threshold(), 0.2535);
  // Both bracket ends are decisive, so the interval is the bracket itself.
  EXPECT_EQ(r.lowK, 253);
  EXPECT_EQ(r.highK, 254);
  EXPECT_FALSE(r.lowAtRange || r.highAtRange);
  // Both ends plus a bisection of 371 steps: ceil(log2 371) = 9 more.
  EXPECT_EQ(probe.probes(), 11u);
  EXPECT_EQ(r.probes.size(), 11u);
}

TEST(ThresholdSearch, IntervalReachesTheNearestSureProbesOfAShallowCurve) {
  // The rate rises by 1 % per grid step and crosses 0.1 at P0 = 0.2; with
  // 400 blocks a probe is surely under 0.1 only some steps away.
  const auto line = [](double p0) { return 0.1 + (p0 - 0.2) * 10.0; };
  CurveProbe probe(line, 400);
  const ThresholdResult r = findThreshold(probe, ThresholdRequest{0.1, 100, 300});
  ASSERT_FALSE(r.failure);
  EXPECT_EQ(r.aboveK, 200);  // 0.1 x 400 = 40 errors reaches the target exactly
  EXPECT_EQ(r.belowK, 199);
  EXPECT_LT(r.lowK, r.belowK);
  EXPECT_GT(r.highK, r.aboveK);
  for (const ThresholdProbe& p : r.probes) {
    // No probe inside the interval is sure of its side, or the interval
    // would have stopped there.
    if (p.k > r.lowK && p.k < r.belowK) {
      EXPECT_GE(p.high, 0.1) << p.k;
    }
    if (p.k < r.highK && p.k > r.aboveK) {
      EXPECT_LE(p.low, 0.1) << p.k;
    }
  }
  EXPECT_TRUE(r.probes[0].reached == false && r.probes[1].reached);
}

TEST(ThresholdSearch, TighteningProbesNarrowAnIntervalLeftWideByTheBisection) {
  // Just over the crossing the rate (0.12 of 100 blocks) is not surely over
  // 0.1; three steps on it is. The bisection's only sure probe above is 0.3.
  const auto curve = [](double p0) { return p0 < 0.2495 ? 0.0 : p0 < 0.2525 ? 0.12 : 0.6; };
  CurveProbe plain(curve, 100);
  const ThresholdResult wide = findThreshold(plain, ThresholdRequest{0.1, 200, 300, false});
  EXPECT_EQ(wide.aboveK, 250);
  EXPECT_EQ(wide.highK, 300);
  CurveProbe tightening(curve, 100);
  const ThresholdResult narrow = findThreshold(tightening, ThresholdRequest{0.1, 200, 300});
  EXPECT_EQ(narrow.aboveK, 250);
  EXPECT_EQ(narrow.highK, 254);  // probes at 251, 252 and 254
  EXPECT_EQ(narrow.lowK, 249);
  EXPECT_EQ(narrow.probes.size(), wide.probes.size() + 3);
}

TEST(ThresholdSearch, FewBlocksLeaveAnIntervalEndAtTheRange) {
  // Two blocks per probe: no probe near the crossing is sure of its side.
  CurveProbe probe([](double p0) { return p0 < 0.25 ? 0.0 : 0.5; }, 2);
  const ThresholdResult r = findThreshold(probe, ThresholdRequest{0.1, 200, 300});
  ASSERT_FALSE(r.failure);
  EXPECT_TRUE(r.highAtRange);
  EXPECT_EQ(r.highK, 300);
}

TEST(ThresholdSearch, RefusesARangeWithoutACrossing) {
  CurveProbe high([](double) { return 0.5; }, 100);
  const ThresholdResult above = findThreshold(high, ThresholdRequest{0.1, 10, 300});
  ASSERT_TRUE(above.failure);
  EXPECT_NE(above.failure->find("below --from"), std::string::npos);
  EXPECT_EQ(above.probes.size(), 1u);
  CurveProbe low([](double) { return 0.0; }, 100);
  const ThresholdResult below = findThreshold(low, ThresholdRequest{0.1, 10, 300});
  ASSERT_TRUE(below.failure);
  EXPECT_NE(below.failure->find("above --to"), std::string::npos);
}

TEST(ThresholdSearch, DecidingStopGivesTheSameVerdictAsAllBlocks) {
  for (double target : {0.01, 0.1, 0.3, 0.5, 0.999}) {
    for (std::int64_t blocks : {1, 3, 10, 99, 100, 1000}) {
      const std::int64_t e = decidingBlockErrors(target, blocks);
      for (std::int64_t errors = 0; errors <= blocks; ++errors) {
        ASSERT_EQ(reachesTarget({blocks, errors}, target), errors >= e)
            << target << ' ' << blocks << ' ' << errors;
      }
      // Stopped at E failed blocks after k <= B blocks, the verdict holds.
      for (std::int64_t k = e; k <= blocks; ++k) ASSERT_TRUE(reachesTarget({k, e}, target));
    }
  }
}

}  // namespace
}  // namespace vok::sim
