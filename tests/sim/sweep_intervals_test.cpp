// The interval columns of the sweep file: their values, and sweep files
// written before them, which still resume.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_directory.h"
#include "sim/sweep_csv.h"
#include "sim_test_support.h"

namespace vok::sim {
namespace {

namespace fs = std::filesystem;
using test::runSim;
using test::SimResult;
using vok::test::readFile;

class SweepIntervals : public vok::test::ScratchDirectoryTest {
 protected:
  SweepIntervals() : ScratchDirectoryTest("vok_intervals_") {}
};

std::vector<std::string> with(std::vector<std::string> args, std::vector<std::string> more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// The cells of one CSV row (the line that starts with `p0` and a comma).
std::vector<std::string> csvRow(const std::string& csv, const std::string& p0) {
  const std::size_t at = csv.find('\n' + p0 + ',');
  std::vector<std::string> cells;
  if (at == std::string::npos) return cells;
  std::istringstream line(csv.substr(at + 1, csv.find('\n', at + 1) - at - 1));
  std::string cell;
  while (std::getline(line, cell, ',')) cells.push_back(cell);
  if (csv[csv.find('\n', at + 1) - 1] == ',') cells.emplace_back();
  return cells;
}

TEST_F(SweepIntervals, FilesWithoutIntervalsResumeAndGainThemWhereTheCountsAllow) {
  // The committed file predates the interval columns; 0.2 is extended from
  // 6 to 8 blocks and 0.25 is new.
  fs::copy_file(fs::path(VOK_TEST_DATA_DIR) / "sweep" / "regression_without_intervals.csv",
                path("old.csv"));
  const std::vector<std::string> sweep = {"sweep",    "--random", "2400",   "--p0", "0.2,0.25",
                                          "--blocks", "8",        "--seed", "5"};
  const SimResult r = runSim(with(sweep, {"--csv", path("old.csv"), "--resume"}));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string resumed = readFile(path("old.csv"));
  EXPECT_NE(resumed.find(",bler_low,bler_high,decoder_ser_low,decoder_ser_high,"),
            std::string::npos);
  // The Wilson interval needs only counts; the symbol error interval needs
  // the squares of blocks the old file did not keep.
  const std::vector<std::string> extended = csvRow(resumed, "0.2");
  ASSERT_EQ(extended.size(), 18u) << resumed;
  EXPECT_FALSE(extended[12].empty());
  EXPECT_FALSE(extended[13].empty());
  EXPECT_TRUE(extended[14].empty() && extended[15].empty() && extended[16].empty());
  const std::vector<std::string> fresh = csvRow(resumed, "0.25");
  ASSERT_EQ(fresh.size(), 18u);
  EXPECT_FALSE(fresh[14].empty() || fresh[16].empty());
  // The file resumes again, and a sweep run at once gives the same new row.
  ASSERT_EQ(runSim(with(sweep, {"--csv", path("old.csv"), "--resume"})).exitCode, 0);
  ASSERT_EQ(runSim(with(sweep, {"--csv", path("new.csv")})).exitCode, 0);
  std::vector<std::string> direct = csvRow(readFile(path("new.csv")), "0.25");
  ASSERT_EQ(direct.size(), 18u);
  direct.pop_back();  // throughput
  std::vector<std::string> again = csvRow(readFile(path("old.csv")), "0.25");
  again.pop_back();
  EXPECT_EQ(again, direct);
}

TEST(SweepCsv, IntervalsBracketTheRates) {
  SweepTable table;
  table.metadata.source = "random";
  table.metadata.symbols = 100;
  table.metadata.nk = 8;
  table.metadata.nr = 8;
  table.metadata.itert = 20;
  table.metadata.blocks = 10;
  SweepRow row;
  row.p0 = 0.3f;
  // Ten blocks, three of them left with 10, 20 and 30 errors.
  row.totals = PointTotals{10, 1000, 300, 60, 3, 200, 0, 100 + 400 + 900};
  table.rows.push_back(row);
  const std::vector<std::string> cells = csvRow(formatSweepCsv(table), "0.3");
  ASSERT_EQ(cells.size(), 18u);
  const double bler = std::stod(cells[8]);
  const double ser = std::stod(cells[6]);
  EXPECT_LT(std::stod(cells[12]), bler);
  EXPECT_GT(std::stod(cells[13]), bler);
  EXPECT_NEAR(std::stod(cells[12]), 0.1077913, 1e-6);  // Wilson 3 of 10
  EXPECT_NEAR(std::stod(cells[13]), 0.6032219, 1e-6);
  EXPECT_LT(std::stod(cells[14]), ser);
  EXPECT_GT(std::stod(cells[15]), ser);
  EXPECT_EQ(cells[16], "1400");
}

}  // namespace
}  // namespace vok::sim
