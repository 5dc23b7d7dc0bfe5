// `vok-sim threshold` on the real engine: the same answer for any thread
// count, probes that are sweep points, the JSON object and the refusals.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <utility>

#include "scratch_directory.h"
#include "sim/sweep_csv.h"
#include "sim_test_support.h"

namespace vok::sim {
namespace {

using test::runSim;

// A short block keeps the decoder busy for milliseconds only; its threshold
// lies lower than that of 24 000 symbols but is crossed all the same.
const std::vector<std::string> kSmall = {"threshold", "--random", "3000", "--blocks", "24",
                                         "--from",    "0.1",      "--to", "0.35",     "--json"};

nlohmann::json thresholdJson(std::vector<std::string> args) {
  const test::SimResult r = runSim(std::move(args));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return nlohmann::json::parse(r.out);
}

TEST(ThresholdCommand, SameAnswerForAnyThreadCount) {
  std::vector<std::string> one = kSmall;
  one.insert(one.end(), {"--threads", "1"});
  std::vector<std::string> three = kSmall;
  three.insert(three.end(), {"--threads", "3"});
  EXPECT_EQ(thresholdJson(one).dump(), thresholdJson(three).dump());
}

TEST(ThresholdCommand, JsonObjectHasTheDocumentedKeysAndABracketingInterval) {
  const nlohmann::json j = thresholdJson(kSmall);
  std::vector<std::string> keys;
  for (const auto& item : j.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"blocks", "high", "low", "probes", "symbols", "target",
                                            "threshold"}));
  EXPECT_EQ(j["blocks"], 24);
  EXPECT_EQ(j["symbols"], 3000);
  EXPECT_EQ(j["target"], 0.1);
  const double threshold = j["threshold"];
  EXPECT_LE(j["low"].get<double>(), threshold - 0.0005 + 1e-12);
  EXPECT_GE(j["high"].get<double>(), threshold + 0.0005 - 1e-12);
  // The bracket is one grid step wide: the threshold is the midpoint of two
  // probed points, the lower under the target, the upper at or over it.
  bool below = false;
  bool above = false;
  for (const auto& p : j["probes"]) {
    const double p0 = p["p0"];
    const double bler = p["bler"];
    if (std::abs(p0 - (threshold - 0.0005)) < 1e-9) below = bler < 0.1;
    if (std::abs(p0 - (threshold + 0.0005)) < 1e-9) above = bler >= 0.1;
    EXPECT_LE(p["low"].get<double>(), bler);
    EXPECT_GE(p["high"].get<double>(), bler);
  }
  EXPECT_TRUE(below && above) << j.dump();
}

class ThresholdFiles : public vok::test::ScratchDirectoryTest {
 protected:
  ThresholdFiles() : ScratchDirectoryTest("vok_threshold_") {}
};

TEST_F(ThresholdFiles, ProbesAreTheSweepsPoints) {
  const nlohmann::json j = thresholdJson(kSmall);
  for (int k : {2, 3}) {  // bisection steps
    const auto& probe = j["probes"][k];
    const std::string p0 = p0Text(static_cast<float>(probe["p0"].get<double>()));
    const test::SimResult sweep =
        runSim({"sweep", "--random", "3000", "--blocks", "24", "--p0", p0, "--csv", path("s.csv")});
    ASSERT_EQ(sweep.exitCode, 0) << sweep.err;
    std::string error;
    const std::optional<SweepTable> table =
        parseSweepCsv(vok::test::readFile(path("s.csv")), error);
    ASSERT_TRUE(table) << error;
    ASSERT_EQ(table->rows.size(), 1u);
    EXPECT_EQ(table->rows[0].totals.blocks, probe["blocks"].get<std::int64_t>());
    EXPECT_EQ(table->rows[0].totals.blockErrors, probe["block_errors"].get<std::int64_t>());
  }
}

TEST(ThresholdCommand, RefusesRangesAndTargetsThatCannotWork) {
  const test::SimResult above =
      runSim({"threshold", "--random", "3000", "--blocks", "8", "--from", "0.5", "--to", "0.6"});
  EXPECT_EQ(above.exitCode, 1);
  EXPECT_NE(above.err.find("below --from"), std::string::npos) << above.err;
  const test::SimResult reversed =
      runSim({"threshold", "--random", "3000", "--from", "0.3", "--to", "0.2"});
  EXPECT_EQ(reversed.exitCode, 1);
  EXPECT_NE(reversed.err.find("must lie below --to"), std::string::npos) << reversed.err;
  for (const char* target : {"0", "1", "x", "-0.1", ""}) {
    const test::SimResult r = runSim({"threshold", "--random", "3000", "--target", target});
    EXPECT_EQ(r.exitCode, 1) << target;
    EXPECT_NE(r.err.find("--target"), std::string::npos) << r.err;
  }
  const test::SimResult blocks = runSim({"threshold", "--random", "3000", "--blocks", "0"});
  EXPECT_EQ(blocks.exitCode, 1);
  EXPECT_NE(blocks.err.find("--blocks"), std::string::npos) << blocks.err;
}

TEST(ThresholdCommand, TextNamesTheThresholdAndInterval) {
  std::vector<std::string> args = kSmall;
  args.pop_back();  // no --json
  const test::SimResult r = runSim(args);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Threshold P0 = 0."), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(95 % interval 0."), std::string::npos) << r.out;
}

}  // namespace
}  // namespace vok::sim
