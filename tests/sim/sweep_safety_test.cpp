// The result files of `sweep` and `merge` are never clobbered or silently
// wrong: devices and pipes stay what they are, a stray temporary name or a
// file of something else is left alone, merge refuses to write over a shard,
// and impossible rows or block details are refused with the line named.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "common/output_file.h"
#include "scratch_directory.h"
#include "sim/run_command.h"
#include "sim/sweep_command.h"
#include "sim/sweep_csv.h"
#include "sim_test_support.h"

namespace vok::sim {
namespace {

namespace fs = std::filesystem;
using vok::test::readFile;
using vok::test::writeFile;

using test::runSim;
using test::SimResult;

std::vector<std::string> with(std::vector<std::string> args, std::vector<std::string> more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

const std::vector<std::string> kSweep = {"sweep", "--random", "800", "--blocks",
                                         "4",     "--seed",   "9",   "--p0"};

class SweepSafety : public vok::test::ScratchDirectoryTest {
 protected:
  SweepSafety() : ScratchDirectoryTest("vok_sweep_safety_") {}

  // A finished sweep of P0 0.1 and 0.3 in `name`, read back.
  SweepTable sweep(const std::string& name, std::vector<std::string> more = {}) {
    const SimResult r =
        runSim(with(kSweep, with({"0.1,0.3", "--csv", path(name)}, std::move(more))));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string error;
    const auto table = parseSweepCsv(readFile(path(name)), error);
    EXPECT_TRUE(table.has_value()) << error;
    return table.value_or(SweepTable{});
  }
};

bool isCharacterDevice(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

TEST_F(SweepSafety, DeviceOutputsAreWrittenAndStayDevices) {
  if (::geteuid() != 0) GTEST_SKIP() << "making device nodes needs root";
  if (::mknod(path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
      ::mknod(path("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
    GTEST_SKIP() << "mknod refused here: " << std::strerror(errno);
  }
  SimResult r = runSim(with(kSweep, {"0.1", "--csv", path("null"), "--svg", path("null")}));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  r = runSim(with(kSweep, {"0.1", "--csv", path("full")}));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("No space left"), std::string::npos) << r.err;
  sweep("s1.csv", {"--shard", "1/1"});
  r = runSim({"merge", path("s1.csv"), "--csv", path("null")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(runSim({"merge", path("s1.csv"), "--csv", path("full")}).exitCode, 1);
  EXPECT_TRUE(isCharacterDevice(path("null")));
  EXPECT_TRUE(isCharacterDevice(path("full")));
}

// A pipe receives the whole result once, at the end, not every rewrite.
TEST_F(SweepSafety, PipeOutputGetsTheResultOnceAndStaysAPipe) {
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
  const int reader = ::open(path("pipe").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  const SimResult r = runSim(with(kSweep, {"0.1,0.3", "--csv", path("pipe")}));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(pathKind(path("pipe")), PathKind::kSpecial);
  std::string text(65536, '\0');
  const ssize_t n = ::read(reader, text.data(), text.size());
  ::close(reader);
  ASSERT_GT(n, 0);
  text.resize(static_cast<std::size_t>(n));
  std::string error;
  const auto table = parseSweepCsv(text, error);
  ASSERT_TRUE(table.has_value()) << error;
  EXPECT_EQ(table->rows.size(), 2u);
  EXPECT_EQ(runSim(with(kSweep, {"0.1", "--csv", path("pipe"), "--resume"})).exitCode, 1);
}

TEST_F(SweepSafety, AStrayTemporaryNameThatIsALinkIsNotWrittenThrough) {
  writeFile(path("file.txt"), "keep");
  fs::create_symlink("file.txt", path("y.csv.tmp"));
  sweep("y.csv");
  EXPECT_EQ(readFile(path("file.txt")), "keep");
  EXPECT_TRUE(fs::is_symlink(path("y.csv.tmp")));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 3);  // no temporary left
}

TEST_F(SweepSafety, AFileOfSomethingElseIsReplacedOnlyWithForce) {
  writeFile(path("data.csv"), "my own data\n1,2,3\n");
  SimResult r = runSim(with(kSweep, {"0.1", "--csv", path("data.csv")}));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
  EXPECT_EQ(readFile(path("data.csv")), "my own data\n1,2,3\n");

  sweep("other.csv", {"--min-errors", "5"});  // another sweep's result
  const std::string other = readFile(path("other.csv"));
  EXPECT_EQ(runSim(with(kSweep, {"0.1", "--csv", path("other.csv")})).exitCode, 1);
  EXPECT_EQ(readFile(path("other.csv")), other);
  EXPECT_EQ(
      runSim(with(kSweep, {"0.1", "--csv", path("other.csv"), "--resume", "--force"})).exitCode, 1);

  r = runSim(with(kSweep, {"0.1", "--csv", path("data.csv"), "--force"}));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::string error;
  EXPECT_TRUE(parseSweepCsv(readFile(path("data.csv")), error).has_value()) << error;
  // The same sweep again replaces its own result unasked.
  EXPECT_EQ(runSim(with(kSweep, {"0.3", "--csv", path("data.csv")})).exitCode, 0);
  EXPECT_EQ(parseSweepCsv(readFile(path("data.csv")), error)->rows.size(), 1u);
}

TEST_F(SweepSafety, MergeRefusesAnOutputThatIsOneOfItsInputs) {
  sweep("p1.csv", {"--shard", "1/2"});
  sweep("p2.csv", {"--shard", "2/2"});
  const std::string shard1 = readFile(path("p1.csv"));
  fs::create_hard_link(path("p1.csv"), path("alias.csv"));
  for (const std::string& output :
       {path("p1.csv"), (dir_ / "." / "p1.csv").string(), path("alias.csv")}) {
    const SimResult r = runSim({"merge", path("p1.csv"), path("p2.csv"), "--csv", output});
    EXPECT_EQ(r.exitCode, 1) << output;
    EXPECT_NE(r.err.find("is the input"), std::string::npos) << r.err;
  }
  EXPECT_EQ(runSim({"merge", path("p1.csv"), path("p2.csv"), "--csv", path("m.csv"), "--svg",
                    path("p2.csv")})
                .exitCode,
            1);
  EXPECT_EQ(readFile(path("p1.csv")), shard1);
  EXPECT_FALSE(fs::exists(path("m.csv")));
  EXPECT_EQ(runSim(with(kSweep, {"0.1", "--csv", path("same"), "--svg", path("same")})).exitCode,
            1);
}

TEST_F(SweepSafety, AnIterationsFileSpeltOtherwiseIsNotTheResultsFileToo) {
  // The iterations file written last would have replaced the sweep's results.
  const std::string spelt = (dir_ / "." / "s.csv").string();
  const SimResult r =
      runSim(with(kSweep, {"0.1", "--csv", path("s.csv"), "--iterations-csv", spelt}));
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.err.find("--iterations-csv"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(path("s.csv")));
}

// The counts and rates of `row` recomputed as the formatter writes them.
void setTotalsFromDetail(SweepRow& row, std::int32_t symbols) {
  row.totals = PointTotals{};
  for (const BlockResult& b : row.blocks) row.totals.add(b, symbols);
}

TEST_F(SweepSafety, ResumeRefusesImpossibleRowsNamingTheLine) {
  const SweepTable good = sweep("good.csv");
  ASSERT_EQ(good.rows.size(), 2u);
  struct Case {
    const char* what;
    const char* line;
    std::function<void(SweepTable&)> edit;
  };
  const std::vector<Case> cases = {
      {"fewer blocks than B without min-errors", "line 3",
       [](SweepTable& t) {
         PointTotals& p = t.rows[0].totals;
         p.blocks = 3;
         p.symbols = 3 * 800;
         p.iterations = std::min<std::int64_t>(p.iterations, 60);
       }},
      {"decoder errors above the symbols", "line 4",
       [](SweepTable& t) { t.rows[1].totals.decoderErrors = t.rows[1].totals.symbols + 1; }},
      {"channel errors above the symbols", "line 3",
       [](SweepTable& t) { t.rows[0].totals.channelErrors = t.rows[0].totals.symbols + 1; }},
      {"iterations above blocks x itert", "line 3",
       [](SweepTable& t) { t.rows[0].totals.iterations = 4 * 20 + 1; }},
      {"blocks so many that blocks x N overflows", "line 3",
       [](SweepTable& t) { t.rows[0].totals.blocks = std::int64_t{1} << 62; }},
      {"P0 above 1", "line 4", [](SweepTable& t) { t.rows[1].p0 = 1.5f; }},
      {"P0 nan", "line 3",
       [](SweepTable& t) { t.rows[0].p0 = std::numeric_limits<float>::quiet_NaN(); }},
      {"P0 twice", "line 5", [](SweepTable& t) { t.rows.push_back(t.rows[0]); }},
  };
  for (const Case& c : cases) {
    SweepTable bad = good;
    c.edit(bad);
    const std::string text = formatSweepCsv(bad);
    writeFile(path("part.csv"), text);
    const SimResult r =
        runSim(with(kSweep, {"0.1,0.2,0.3", "--csv", path("part.csv"), "--resume"}));
    EXPECT_EQ(r.exitCode, 1) << c.what;
    EXPECT_NE(r.err.find(c.line), std::string::npos) << c.what << ": " << r.err;
    EXPECT_EQ(readFile(path("part.csv")), text) << c.what;
  }
  // A count edited by hand leaves its rate behind: the edit shows.
  std::string edited = readFile(path("good.csv"));
  const std::string start = "\n0.1,4,3200,";
  const std::size_t row = edited.find(start) + start.size();
  edited.insert(row, "1");  // channel_errors 3xx becomes 13xx
  writeFile(path("part.csv"), edited);
  const SimResult r = runSim(with(kSweep, {"0.1,0.3", "--csv", path("part.csv"), "--resume"}));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("line 3: a rate disagrees"), std::string::npos) << r.err;
  EXPECT_EQ(readFile(path("part.csv")), edited);
}

TEST_F(SweepSafety, MergeRefusesImpossibleBlockDetail) {
  const SweepTable first = sweep("p1.csv", {"--shard", "1/2"});
  const SweepTable second = sweep("p2.csv", {"--shard", "2/2"});
  ASSERT_EQ(first.rows.size(), 2u);
  ASSERT_EQ(first.rows[1].blocks.size(), 2u);  // blocks 0 and 2 at P0 0.3
  struct Case {
    const char* what;
    std::function<void(SweepTable&)> edit;
  };
  const std::vector<Case> cases = {
      {"decoder errors above the block size",
       [](SweepTable& t) {
         t.rows[1].blocks[0].decoderErrors = 801;
         setTotalsFromDetail(t.rows[1], 800);
       }},
      {"iterations above itert",
       [](SweepTable& t) {
         t.rows[0].blocks[0].iterations = 21;
         setTotalsFromDetail(t.rows[0], 800);
       }},
      {"a block beyond B",
       [](SweepTable& t) {
         t.rows[1].blocks[1].block = 4;
         setTotalsFromDetail(t.rows[1], 800);
       }},
      {"a block of another shard",
       [](SweepTable& t) {
         t.rows[1].blocks[1].block = 3;
         setTotalsFromDetail(t.rows[1], 800);
       }},
      {"a block listed twice",
       [](SweepTable& t) {
         t.rows[1].blocks[1] = t.rows[1].blocks[0];
         setTotalsFromDetail(t.rows[1], 800);
       }},
      {"totals that disagree with the detail",
       [](SweepTable& t) { t.rows[1].blocks[0].channelErrors += 1; }},
      {"a row given twice", [](SweepTable& t) { t.rows.push_back(t.rows[0]); }},
  };
  for (const Case& c : cases) {
    SweepTable bad = first;
    c.edit(bad);
    writeFile(path("bad.csv"), formatSweepCsv(bad));
    const SimResult r = runSim({"merge", path("bad.csv"), path("p2.csv"), "--csv", path("m.csv")});
    EXPECT_EQ(r.exitCode, 1) << c.what;
    EXPECT_NE(r.err.find("bad.csv: line "), std::string::npos) << c.what << ": " << r.err;
    EXPECT_FALSE(fs::exists(path("m.csv"))) << c.what;
  }
  EXPECT_EQ(runSim({"merge", path("p1.csv"), path("p2.csv"), "--csv", path("m.csv")}).exitCode, 0);
}

TEST_F(SweepSafety, ResumeSaysWhatItDoesWithADirectoryOrAMissingFile) {
  SimResult r = runSim(with(kSweep, {"0.1", "--csv", dir_.string(), "--resume"}));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("is a directory"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("too short"), std::string::npos) << r.err;
  r = runSim(with(kSweep, {"0.1", "--csv", path("new.csv"), "--resume"}));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("starts afresh"), std::string::npos) << r.err;
  EXPECT_EQ(runSim(with(kSweep, {"0.1", "--csv", dir_.string()})).exitCode, 1);
}

TEST(SimCaps, BlocksAndTransmissionsHaveAStatedLimit) {
  SweepOptionTexts sweep;
  sweep.random = "100";
  sweep.p0 = "0.1";
  std::string error;
  sweep.blocks = "2097152";
  EXPECT_TRUE(convertSweepOptions(sweep, error).has_value()) << error;
  sweep.blocks = "2097153";
  EXPECT_FALSE(convertSweepOptions(sweep, error).has_value());
  EXPECT_NE(error.find("2097152"), std::string::npos) << error;

  RunOptionTexts run;
  run.transmissions = "1000000";
  EXPECT_TRUE(convertRunOptions(run, error).has_value()) << error;
  run.transmissions = "1000001";
  EXPECT_FALSE(convertRunOptions(run, error).has_value());
  EXPECT_NE(error.find("1000000"), std::string::npos) << error;
}

TEST(SimCaps, SeedTextsThatOverflowAreNotedAndP0RangeIsInTheHelp) {
  EXPECT_EQ(seedConversionNote("123", 123), std::nullopt);
  EXPECT_EQ(seedConversionNote("12.9", 12), std::nullopt);
  EXPECT_EQ(seedConversionNote("-7", -7), std::nullopt);
  const fs::path picture = fs::path(VOK_TEST_DATA_DIR) / "vectors" / "codec_small_nk2_sched";
  for (const char* text : {"1e400", "4294967296", "3000000000"}) {
    const SimResult r =
        runSim({"run", "--dir", picture.string(), "--transmissions", "0", "--seed", text});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("note: --seed '" + std::string(text) + "' is taken as "),
              std::string::npos)
        << r.err;
  }
  EXPECT_NE(runSim({"run", "--help"}).out.find("outside 0..1"), std::string::npos);
}

}  // namespace
}  // namespace vok::sim
