// The schedule search on made-up benches whose thresholds are known: what
// it climbs, and that only the held-out blocks decide what is written.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "sim/tune_search.h"

namespace vok::sim {
namespace {

// Every schedule has a step curve: no block fails below its threshold
// (in grid steps), all fail from there on; tuning and held-out blocks may
// see different thresholds.
class StepBench : public ScheduleBench {
 public:
  using Rule = std::function<int(const DecoderSchedule&)>;
  StepBench(Rule tuning, Rule heldOut) : tuning_(std::move(tuning)), heldOut_(std::move(heldOut)) {}

  std::unique_ptr<BlerProbe> probe(const DecoderSchedule& schedule, bool heldOut) override {
    if (heldOut) heldOutSchedules.push_back(schedule);
    return std::make_unique<Step>((heldOut ? heldOut_ : tuning_)(schedule));
  }
  std::vector<DecoderSchedule> heldOutSchedules;

 private:
  struct Step : BlerProbe {
    explicit Step(int k) : thresholdK(k) {}
    ProbeCounts measure(float p0) override { return {50, gridIndex(p0) >= thresholdK ? 50 : 0}; }
    int thresholdK;
  };
  Rule tuning_;
  Rule heldOut_;
};

DecoderSchedule start() {
  DecoderSchedule s = DecoderSchedule::builtIn();
  s.bound(8, 8);
  return s;
}

TuneRequest request() {
  TuneRequest r;
  r.range = ThresholdRequest{0.1, 100, 400};
  r.maxIterations = 22;
  r.rounds = 3;
  r.nr = 8;
  r.maxVotes = 17;
  return r;
}

const TuneLog kQuiet = [](const std::string&) {};

// Threshold 250 plus the first iteration's t up to 3, plus one per
// iteration beyond 20 on the tuning blocks.
int climbsT(const DecoderSchedule& s) { return 250 + std::min(s.t[0], 3) + (s.itert - 20); }

TEST(TuneSearch, ClimbsEveryCoordinateThatHelpsAndWritesWhatHeldOutBlocksConfirm) {
  StepBench bench(climbsT, climbsT);
  const TuneResult r = tuneSchedule(bench, start(), request(), kQuiet);
  ASSERT_FALSE(r.failure);
  EXPECT_EQ(r.tuned.t[0], 3);
  EXPECT_EQ(r.tuned.itert, 22);  // as many iterations as allowed
  EXPECT_EQ(r.tunedBelowK, 250 + 3 + 2 - 1);
  // Nothing else changed: equal thresholds are no reason to move.
  DecoderSchedule expected = start();
  expected.t[0] = 3;
  EXPECT_EQ(r.tuned.w[0], expected.w[0]);
  EXPECT_EQ(r.tuned.p[0], expected.p[0]);
  ASSERT_TRUE(r.tunedHeldOut);
  EXPECT_TRUE(r.improved);
  EXPECT_EQ(r.written, r.tuned);
  EXPECT_DOUBLE_EQ(r.startHeldOut.threshold(), 0.2495);
  EXPECT_DOUBLE_EQ(r.tunedHeldOut->threshold(), 0.2545);
  // Only the start and the result ever met the held-out blocks.
  ASSERT_EQ(bench.heldOutSchedules.size(), 2u);
  EXPECT_EQ(bench.heldOutSchedules[0], start());
  EXPECT_EQ(bench.heldOutSchedules[1], r.tuned);
}

TEST(TuneSearch, AGainOnlyOnTheTuningBlocksIsNotReportedAndTheStartIsWritten) {
  // What helps on the tuning blocks hurts on the held-out ones.
  StepBench bench(climbsT, [](const DecoderSchedule& s) { return 250 - s.t[0]; });
  const TuneResult r = tuneSchedule(bench, start(), request(), kQuiet);
  ASSERT_FALSE(r.failure);
  EXPECT_GT(r.tunedBelowK, r.startTuning.belowK);
  ASSERT_TRUE(r.tunedHeldOut);
  EXPECT_LT(r.tunedHeldOut->threshold(), r.startHeldOut.threshold());
  EXPECT_FALSE(r.improved);
  EXPECT_EQ(r.written, start());
}

TEST(TuneSearch, EqualOnHeldOutBlocksIsNoImprovement) {
  StepBench bench(climbsT, [](const DecoderSchedule&) { return 260; });
  const TuneResult r = tuneSchedule(bench, start(), request(), kQuiet);
  EXPECT_FALSE(r.improved);
  EXPECT_EQ(r.written, start());
}

TEST(TuneSearch, NothingToGainKeepsTheStartWithoutAHeldOutRunOfIt) {
  StepBench bench([](const DecoderSchedule&) { return 250; },
                  [](const DecoderSchedule&) { return 250; });
  const TuneResult r = tuneSchedule(bench, start(), request(), kQuiet);
  EXPECT_EQ(r.tuned, start());
  EXPECT_FALSE(r.tunedHeldOut);
  EXPECT_FALSE(r.improved);
  EXPECT_EQ(r.rounds, 1);  // a round without a gain ends the search
  EXPECT_EQ(bench.heldOutSchedules.size(), 1u);
}

TEST(TuneSearch, StaysWithinTheStatedBounds) {
  // Rewards ever larger t, w and p and more iterations: the bounds stop it.
  StepBench bench(
      [](const DecoderSchedule& s) {
        int sum = s.itert;
        for (int k = 0; k < s.itert; ++k) sum += s.t[k] + s.w[k] + s.p[k];
        return 100 + sum / 10;
      },
      [](const DecoderSchedule&) { return 250; });
  TuneRequest req = request();
  req.range.toK = 1000;
  req.rounds = 1;
  const TuneResult r = tuneSchedule(bench, start(), req, kQuiet);
  EXPECT_LE(r.tuned.itert, req.maxIterations);
  for (int k = 0; k < r.tuned.itert; ++k) {
    EXPECT_LE(r.tuned.t[k], req.maxVotes);
    EXPECT_LE(r.tuned.w[k], req.maxVotes);
    EXPECT_LE(r.tuned.p[k], req.nr);
    EXPECT_GE(r.tuned.p[k], 1);
  }
}

TEST(TuneSearch, StartWithoutACrossingIsReported) {
  StepBench bench([](const DecoderSchedule&) { return 50; },
                  [](const DecoderSchedule&) { return 50; });
  const TuneResult r = tuneSchedule(bench, start(), request(), kQuiet);
  ASSERT_TRUE(r.failure);
  EXPECT_NE(r.failure->find("below --from"), std::string::npos) << *r.failure;
}

}  // namespace
}  // namespace vok::sim
