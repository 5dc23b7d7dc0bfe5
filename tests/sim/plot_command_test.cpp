// `vok-sim plot`: the figures' structure read back from the SVG (series,
// legend, axes, capacity lines, interval bars), the iterations file and
// the refusals.
#include <gtest/gtest.h>

#include <regex>

#include "scratch_directory.h"
#include "sim/comparison_plot.h"
#include "sim/iterations_csv.h"
#include "sim_test_support.h"

namespace vok::sim {
namespace {

using test::runSim;
using vok::test::readFile;

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

SweepMetadata metadata(int nk, int nr) {
  SweepMetadata m;
  m.source = "random";
  m.symbols = 1000;
  m.nk = nk;
  m.nr = nr;
  m.itert = 3;
  m.blocks = 20;
  return m;
}

LabelledSweep sweep(const std::string& label, int nk, int nr) {
  LabelledSweep s{label, {metadata(nk, nr), {}}};
  // Points 0.2 (nothing failed: a bound, no bar) and 0.25, 0.3 (failures).
  const std::int64_t failed[] = {0, 4, 20};
  for (int k = 0; k < 3; ++k) {
    SweepRow row;
    row.p0 = 0.2f + 0.05f * static_cast<float>(k);
    const std::int64_t e = failed[k] * 50;
    row.totals = PointTotals{20, 20000, 4000, e, failed[k], 60, 0, 2500.0 * failed[k]};
    s.table.rows.push_back(row);
  }
  return s;
}

TEST(SweepComparisonPlot, OneSeriesPerSweepAndPanelWithLegendAxesAndOneCapacityPerRate) {
  const std::string svg = renderSweepComparison(
      {sweep("first", 8, 8), sweep("second & more", 8, 8), sweep("third", 2, 6)});
  EXPECT_EQ(svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
  EXPECT_EQ(count(svg, "class=\"series\""), 6u);  // three sweeps in two panels
  EXPECT_EQ(count(svg, "class=\"axis\""), 2u);
  // Three sweeps and two rates (1/2 and 1/4) in the legend; the label is
  // escaped.
  EXPECT_EQ(count(svg, "class=\"legend-entry\""), 5u);
  EXPECT_NE(svg.find(">second &amp; more<"), std::string::npos);
  EXPECT_NE(svg.find("capacity of rate 1/2: P0 = 0.3805"), std::string::npos);
  EXPECT_NE(svg.find("capacity of rate 1/4"), std::string::npos);
  // Rate 1/2's limit lies within reach of the points: a line in each panel.
  EXPECT_GE(count(svg, "class=\"capacity\""), 2u);
  // Block error bars at the two failing points of each sweep; a symbol
  // error bar only where the blocks' errors spread (all 20 blocks holding
  // 50 errors each leave none).
  EXPECT_EQ(count(svg, "class=\"interval\""), 3u * 2u + 3u);
  EXPECT_NE(svg.find("symbol error rate"), std::string::npos);
  EXPECT_NE(svg.find("block error rate"), std::string::npos);
  EXPECT_EQ(svg.find("nan"), std::string::npos);
  EXPECT_EQ(svg.find("inf"), std::string::npos);
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
}

TEST(ConvergencePlot, OneSeriesPerPointAndTheCurveEndsAtZero) {
  IterationTable table{metadata(8, 8), {}};
  table.rows.push_back(IterationRow{0.2f, 10, {3000, 400, 0, 0}});
  table.rows.push_back(IterationRow{0.3f, 10, {4500, 4400, 4300, 4300}});
  const std::string svg = renderConvergence({{"a", table}, {"b", table}});
  EXPECT_EQ(count(svg, "class=\"series\""), 4u);
  EXPECT_EQ(count(svg, "class=\"legend-entry\""), 4u);
  EXPECT_NE(svg.find("b, P0 = 0.3"), std::string::npos);
  // The first curve: two measured points and the zero mark; nothing after.
  const std::size_t first = svg.find("class=\"series\"");
  const std::size_t second = svg.find("class=\"series\"", first + 1);
  const std::string curve = svg.substr(first, second - first);
  EXPECT_EQ(count(curve, "<circle"), 2u);
  EXPECT_EQ(count(curve, "fill=\"white\""), 1u);
}

class PlotCommand : public vok::test::ScratchDirectoryTest {
 protected:
  PlotCommand() : ScratchDirectoryTest("vok_plot_") {}
};

TEST_F(PlotCommand, PlotsSweepsAndIterationsFilesOfRealSweeps) {
  const std::vector<std::string> base = {"sweep",    "--random", "2000",      "--p0", "0.2,0.3",
                                         "--blocks", "6",        "--threads", "1"};
  auto args = base;
  args.insert(args.end(), {"--csv", path("a.csv"), "--iterations-csv", path("a.it.csv")});
  ASSERT_EQ(runSim(args).exitCode, 0);
  args = base;
  args.insert(args.end(), {"--seed", "9", "--csv", path("b.csv")});
  ASSERT_EQ(runSim(args).exitCode, 0);

  const test::SimResult two = runSim(
      {"plot", path("a.csv"), path("b.csv"), "--svg", path("ab.svg"), "--labels", "one,two"});
  ASSERT_EQ(two.exitCode, 0) << two.err;
  const std::string svg = readFile(path("ab.svg"));
  EXPECT_EQ(count(svg, "class=\"series\""), 4u);
  EXPECT_NE(svg.find(">one<"), std::string::npos);
  EXPECT_NE(svg.find(">two<"), std::string::npos);

  std::string error;
  const auto iterations = parseIterationsCsv(readFile(path("a.it.csv")), error);
  ASSERT_TRUE(iterations) << error;
  ASSERT_EQ(iterations->rows.size(), 2u);
  EXPECT_EQ(iterations->rows[0].errors.size(), 21u);  // before decoding and 20 iterations
  const test::SimResult conv = runSim({"plot", path("a.it.csv"), "--svg", path("c.svg")});
  ASSERT_EQ(conv.exitCode, 0) << conv.err;
  EXPECT_EQ(count(readFile(path("c.svg")), "class=\"series\""), 2u);
  EXPECT_NE(readFile(path("c.svg")).find(">a.it, P0 = 0.2<"), std::string::npos);

  // Refusals: mixed kinds, labels that do not match, the output an input,
  // a file of something else.
  EXPECT_EQ(runSim({"plot", path("a.csv"), path("a.it.csv"), "--svg", path("x.svg")}).exitCode, 1);
  EXPECT_EQ(runSim({"plot", path("a.csv"), "--svg", path("x.svg"), "--labels", "p,q"}).exitCode, 1);
  EXPECT_EQ(runSim({"plot", path("a.csv"), "--svg", path("a.csv")}).exitCode, 1);
  vok::test::writeFile(path("junk.csv"), "hello\n");
  const test::SimResult junk = runSim({"plot", path("junk.csv"), "--svg", path("x.svg")});
  EXPECT_EQ(junk.exitCode, 1);
  EXPECT_NE(junk.err.find("junk.csv"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(path("x.svg")));
}

TEST_F(PlotCommand, IterationsFileRefusesAnotherSweepAndKeepsResumedPointsExact) {
  const std::vector<std::string> base = {
      "sweep",       "--random",         "2000",       "--threads", "1", "--csv",
      path("s.csv"), "--iterations-csv", path("i.csv")};
  auto first = base;
  first.insert(first.end(), {"--p0", "0.25", "--blocks", "4"});
  ASSERT_EQ(runSim(first).exitCode, 0);
  auto more = base;
  more.insert(more.end(), {"--p0", "0.25,0.28", "--blocks", "7", "--resume"});
  ASSERT_EQ(runSim(more).exitCode, 0);
  auto direct = std::vector<std::string>{"sweep",
                                         "--random",
                                         "2000",
                                         "--threads",
                                         "1",
                                         "--csv",
                                         path("d.csv"),
                                         "--iterations-csv",
                                         path("di.csv"),
                                         "--p0",
                                         "0.25,0.28",
                                         "--blocks",
                                         "7"};
  ASSERT_EQ(runSim(direct).exitCode, 0);
  const std::string resumed = readFile(path("i.csv"));
  const std::string fresh = readFile(path("di.csv"));
  EXPECT_EQ(resumed.substr(resumed.find('\n')), fresh.substr(fresh.find('\n')));
  // Another sweep's iterations file is not replaced unasked.
  auto other = direct;
  other[other.size() - 1] = "5";
  other[6] = path("e.csv");
  const test::SimResult refused = runSim(other);
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("--iterations-csv"), std::string::npos) << refused.err;
  EXPECT_EQ(runSim({"sweep", "--random", "100", "--p0", "0.1", "--shard", "1/2", "--iterations-csv",
                    path("z.csv")})
                .exitCode,
            1);
}

}  // namespace
}  // namespace vok::sim
