// The progress line's helper thread beside a point running on several
// threads: what it shows, that it erases itself, and that it can be started
// again for the next point (the tsan preset runs this for data races).
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>

#include "sim/sweep_engine.h"
#include "sim/sweep_progress.h"
#include "sim/sweep_seeding.h"

namespace vok::sim {
namespace {

constexpr const char* kErase = "\r\x1b[K";

SweepPosition firstOf(std::size_t points, float p0, std::int64_t blocks) {
  SweepPosition position;
  position.points = points;
  position.p0 = p0;
  position.blocksPerPoint = blocks;
  position.start = std::chrono::steady_clock::now();
  return position;
}

TEST(SweepProgressLine, RefreshesBesideARunningPointAndErasesItselfOnStop) {
  const SweepSource source(CodeDescription::builtIn(), DecoderSchedule::builtIn(),
                           randomInformation(3, 3000));
  ASSERT_TRUE(source.valid());
  PointPlan plan;
  plan.p0 = 0.2f;
  plan.sweepSeed = 5;
  plan.maxBlocks = 40;
  plan.threads = 2;

  std::ostringstream out;
  ProgressLine line(out, true);
  for (std::size_t point = 0; point < 2; ++point) {
    SweepPosition position = firstOf(2, plan.p0, plan.maxBlocks);
    position.point = point;
    PointProgress progress;
    line.start(position, progress);
    const PointOutcome outcome = runPoint(source, plan, &progress);
    line.stop();
    EXPECT_EQ(progress.blocks.load(), outcome.totals.blocks);
    EXPECT_EQ(progress.decoderErrors.load(), outcome.totals.decoderErrors);
  }
  const std::string text = out.str();
  EXPECT_EQ(text.rfind("\r[1/2] P0=0.2  blocks ", 0), 0u) << text;
  EXPECT_NE(text.find("\r[2/2] P0=0.2  blocks "), std::string::npos) << text;
  ASSERT_GE(text.size(), std::string(kErase).size());
  EXPECT_EQ(text.substr(text.size() - std::string(kErase).size()), kErase);
  // Stopping again writes nothing more.
  line.stop();
  EXPECT_EQ(out.str(), text);
}

TEST(SweepProgressLine, DisabledLineStartsNoThreadAndWritesNothing) {
  std::ostringstream out;
  PointProgress progress;
  {
    ProgressLine line(out, false);
    line.start(firstOf(1, 0.1f, 10), progress);
    line.stop();
  }
  EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace vok::sim
