// `vok-sim tune` on the real engine: what it writes is never worse than
// the start on the held-out blocks, and the thresholds it reports for them
// are those `vok-sim threshold` measures on the same blocks.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "codec/decoder_schedule.h"
#include "scratch_directory.h"
#include "sim/tune_command.h"
#include "sim_test_support.h"

namespace vok::sim {
namespace {

using test::runSim;

class TuneCommand : public vok::test::ScratchDirectoryTest {
 protected:
  TuneCommand() : ScratchDirectoryTest("vok_tune_") {}

  // The threshold of the schedule in `dir` (built in when it has none) on
  // blocks 24..47 of seed 123, the tune's held-out blocks.
  double heldOutThreshold(const std::string& dir) {
    const test::SimResult r =
        runSim({"threshold", "--dir", dir, "--random", "3000", "--blocks", "24", "--from", "0.1",
                "--to", "0.35", "--seed", std::to_string(heldOutSeed(123, 24)), "--json"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return nlohmann::json::parse(r.out)["threshold"].get<double>();
  }
};

TEST_F(TuneCommand, WrittenScheduleIsNeverWorseThanTheStartOnHeldOutBlocks) {
  std::filesystem::create_directories(dir_ / "tuned");
  const test::SimResult r = runSim({"tune", "--random", "3000", "--blocks", "24", "--from", "0.1",
                                    "--to", "0.35", "--rounds", "1", "--max-iterations", "22",
                                    "--threads", "2", "--out", path("tuned/decoder.vok")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  DecoderSchedule written;
  ASSERT_EQ(readDecoderSchedule(path("tuned/decoder.vok"), written), CodeFileStatus::kRead);
  EXPECT_LE(written.itert, 22);
  const double start = heldOutThreshold(path("none"));
  const double tuned = heldOutThreshold(path("tuned"));
  EXPECT_GE(tuned, start);
  // The report names exactly these measurements.
  const auto shown = [](double p0) { return "threshold " + std::to_string(p0).substr(0, 6); };
  EXPECT_NE(r.out.find("  start: " + shown(start)), std::string::npos) << r.out;
  if (r.out.find("Improved by") != std::string::npos) {
    EXPECT_GT(tuned, start);
    EXPECT_NE(r.out.find("  tuned: " + shown(tuned)), std::string::npos) << r.out;
  } else {
    EXPECT_EQ(tuned, start);
  }
}

TEST_F(TuneCommand, HeldOutSeedContinuesTheTuningBlocks) {
  // Block b of the held-out seed is block B + b of the tuning seed.
  EXPECT_EQ(heldOutSeed(123, 100), 223);
  EXPECT_EQ(heldOutSeed((1 << 21) - 10, 100), 90);
  EXPECT_EQ(heldOutSeed(-5, 100), 95);
  EXPECT_EQ(heldOutSeed(2147483647, 1), 0);  // 2^31 - 1 + 1 = 2^31, a multiple of 2^21
}

TEST_F(TuneCommand, RefusesBadOptionsBeforeAnyWork) {
  const std::vector<std::vector<std::string>> cases = {{"--max-iterations", "0"},
                                                       {"--rounds", "x"},
                                                       {"--seconds", "-1"},
                                                       {"--held-out-blocks", "0"},
                                                       {"--out", ""}};
  for (const auto& extra : cases) {
    std::vector<std::string> args = {"tune", "--random", "3000"};
    args.insert(args.end(), extra.begin(), extra.end());
    if (extra[0] != "--out") args.insert(args.end(), {"--out", path("d.vok")});
    const test::SimResult r = runSim(args);
    EXPECT_EQ(r.exitCode, 1) << extra[0];
    EXPECT_NE(r.err.find(extra[0]), std::string::npos) << r.err;
  }
  const test::SimResult folder = runSim({"tune", "--random", "3000", "--out", dir_.string()});
  EXPECT_EQ(folder.exitCode, 1);
  const test::SimResult fewer =
      runSim({"tune", "--random", "3000", "--max-iterations", "10", "--out", path("d.vok")});
  EXPECT_EQ(fewer.exitCode, 1);
  EXPECT_NE(fewer.err.find("--max-iterations"), std::string::npos) << fewer.err;
  EXPECT_FALSE(std::filesystem::exists(path("d.vok")));
}

}  // namespace
}  // namespace vok::sim
