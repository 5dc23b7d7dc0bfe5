// `vok-sim sweep` and `merge` end to end: the result file and its exact
// regression copy, --resume, 4-way sharding, replaying a block with
// `vok-sim run`, the options, and the figure.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "picture/bmp_writer.h"
#include "scratch_directory.h"
#include "sim/sweep_capacity.h"
#include "sim/sweep_csv.h"
#include "sim/sweep_options.h"
#include "sim/sweep_plot.h"
#include "sim/sweep_progress.h"
#include "sim/sweep_seeding.h"
#include "sim/vok_sim.h"
#include "sim_test_support.h"

namespace vok::sim {
namespace {

namespace fs = std::filesystem;
using vok::test::readFile;

using test::runSim;
using test::SimResult;

// The file without its last column (throughput), which depends on timing.
std::string withoutThroughput(const std::string& csv) {
  std::istringstream in(csv);
  std::string line;
  std::string out;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] != '#') line = line.substr(0, line.rfind(','));
    out += line + '\n';
  }
  return out;
}

class SweepCommand : public vok::test::ScratchDirectoryTest {
 protected:
  SweepCommand() : ScratchDirectoryTest("vok_sweep_") {}
};

const std::vector<std::string> kSmallSweep = {
    "sweep",  "--random", "2400",      "--p0", "0.2,0.28,0.33", "--blocks", "6",
    "--seed", "5",        "--threads", "2"};

std::vector<std::string> with(std::vector<std::string> args, std::vector<std::string> more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST_F(SweepCommand, SmallSweepMatchesTheCommittedRegressionFile) {
  const SimResult r = runSim(with(kSmallSweep, {"--csv", path("out.csv")}));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string expected = readFile(fs::path(VOK_TEST_DATA_DIR) / "sweep" / "regression.csv");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(withoutThroughput(readFile(path("out.csv"))), withoutThroughput(expected));
  EXPECT_FALSE(fs::exists(path("out.csv.tmp")));
}

TEST_F(SweepCommand, FourShardsMergedGiveTheSingleRunFile) {
  const std::vector<std::string> base = {"sweep",    "--random",  "1600", "--p0",
                                         "0.26,0.3", "--blocks",  "11",   "--min-errors",
                                         "3000",     "--threads", "2"};
  ASSERT_EQ(runSim(with(base, {"--csv", path("single.csv")})).exitCode, 0);
  std::vector<std::string> merge = {"merge"};
  for (int i = 4; i >= 1; --i) {  // any order
    const std::string name = path("shard" + std::to_string(i) + ".csv");
    const SimResult r = runSim(with(base, {"--shard", std::to_string(i) + "/4", "--csv", name}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    merge.push_back(name);
  }
  const SimResult merged = runSim(with(merge, {"--csv", path("merged.csv")}));
  ASSERT_EQ(merged.exitCode, 0) << merged.err;
  EXPECT_EQ(withoutThroughput(readFile(path("merged.csv"))),
            withoutThroughput(readFile(path("single.csv"))));

  // An incomplete or mixed set is refused.
  merge.pop_back();
  EXPECT_EQ(runSim(with(merge, {"--csv", path("bad.csv")})).exitCode, 1);
  merge.push_back(path("shard1.csv"));
  merge.push_back(path("shard1.csv"));
  EXPECT_EQ(runSim(with(merge, {"--csv", path("bad.csv")})).exitCode, 1);
  EXPECT_EQ(runSim({"merge", path("single.csv"), "--csv", path("bad.csv")}).exitCode, 1);
  EXPECT_FALSE(fs::exists(path("bad.csv")));
}

TEST_F(SweepCommand, ResumeRunsOnlyTheMissingPointsAndRefusesAnotherSweep) {
  const std::vector<std::string> base = {"sweep", "--random", "800", "--blocks",
                                         "4",     "--seed",   "9"};
  ASSERT_EQ(runSim(with(base, {"--p0", "0.1,0.3,0.2", "--csv", path("full.csv")})).exitCode, 0);
  ASSERT_EQ(runSim(with(base, {"--p0", "0.3", "--csv", path("part.csv")})).exitCode, 0);
  const SimResult resumed =
      runSim(with(base, {"--p0", "0.1,0.3,0.2", "--csv", path("part.csv"), "--resume"}));
  ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
  EXPECT_NE(resumed.out.find("1 points from"), std::string::npos);
  EXPECT_EQ(withoutThroughput(readFile(path("part.csv"))),
            withoutThroughput(readFile(path("full.csv"))));

  const std::string before = readFile(path("part.csv"));
  const SimResult other = runSim({"sweep", "--random", "800", "--blocks", "4", "--seed", "10",
                                  "--p0", "0.4", "--csv", path("part.csv"), "--resume"});
  EXPECT_EQ(other.exitCode, 1);
  EXPECT_NE(other.err.find("different sweep"), std::string::npos);
  EXPECT_EQ(readFile(path("part.csv")), before);
}

TEST_F(SweepCommand, ResumeExtendsAFinishedSweepToMoreBlocksAndLaterStops) {
  const std::vector<std::string> base = {"sweep", "--random", "800",       "--seed", "4",
                                         "--p0",  "0.2,0.3",  "--threads", "2"};
  ASSERT_EQ(runSim(with(base, {"--blocks", "40", "--csv", path("direct.csv")})).exitCode, 0);
  ASSERT_EQ(runSim(with(base, {"--blocks", "20", "--csv", path("grown.csv")})).exitCode, 0);
  const SimResult grown =
      runSim(with(base, {"--blocks", "40", "--csv", path("grown.csv"), "--resume"}));
  ASSERT_EQ(grown.exitCode, 0) << grown.err;
  EXPECT_NE(grown.out.find("2 of them to extend"), std::string::npos) << grown.out;
  EXPECT_EQ(withoutThroughput(readFile(path("grown.csv"))),
            withoutThroughput(readFile(path("direct.csv"))));

  // A larger block-error stop goes on from where the smaller one ended.
  const std::vector<std::string> stops = with(base, {"--blocks", "40", "--min-block-errors"});
  ASSERT_EQ(runSim(with(stops, {"9", "--csv", path("e9.csv")})).exitCode, 0);
  ASSERT_EQ(runSim(with(stops, {"3", "--csv", path("e3.csv")})).exitCode, 0);
  ASSERT_EQ(runSim(with(stops, {"9", "--csv", path("e3.csv"), "--resume"})).exitCode, 0);
  EXPECT_EQ(withoutThroughput(readFile(path("e3.csv"))),
            withoutThroughput(readFile(path("e9.csv"))));

  // Fewer blocks, an earlier stop or the other early stop are other sweeps.
  const std::string before = readFile(path("grown.csv"));
  for (const std::vector<std::string>& other : {std::vector<std::string>{"--blocks", "30"},
                                                {"--blocks", "40", "--min-block-errors", "2"},
                                                {"--blocks", "40", "--stop-on-zero-syndromes"}}) {
    const SimResult r = runSim(with(with(base, other), {"--csv", path("grown.csv"), "--resume"}));
    EXPECT_EQ(r.exitCode, 1) << other[1];
    EXPECT_NE(r.err.find("different sweep"), std::string::npos);
  }
  EXPECT_EQ(readFile(path("grown.csv")), before);
}

TEST_F(SweepCommand, BlockErrorStopKeepsToItsRuleInTheFile) {
  const SimResult r = runSim({"sweep", "--random", "1600", "--p0", "0.25,0.3", "--blocks", "60",
                              "--min-block-errors", "5", "--threads", "2", "--csv", path("e.csv")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::string error;
  const auto table = parseSweepCsv(readFile(path("e.csv")), error);
  ASSERT_TRUE(table.has_value()) << error;
  EXPECT_EQ(table->metadata.minBlockErrors, 5);
  ASSERT_TRUE(checkSweepRules(*table, error)) << error;
  for (const SweepRow& row : table->rows) {
    EXPECT_EQ(row.totals.blockErrors, 5) << row.p0;
    EXPECT_LT(row.totals.blocks, 60);
  }
  // A row that stopped before E blocks failed, or after, is refused.
  SweepTable bad = *table;
  bad.rows[0].totals.blockErrors = 4;
  EXPECT_FALSE(checkSweepRules(bad, error));
  bad.rows[0].totals.blockErrors = 6;
  EXPECT_FALSE(checkSweepRules(bad, error));
}

TEST_F(SweepCommand, FilesWithoutUndetectedCountsStillResumeAndExtend) {
  // The committed file predates the undetected_blocks column.
  const fs::path old = fs::path(VOK_TEST_DATA_DIR) / "sweep" / "regression_without_undetected.csv";
  fs::copy_file(old, path("old.csv"));
  const std::vector<std::string> sweep = {"sweep",    "--random", "2400",   "--p0", "0.2,0.28,0.33",
                                          "--blocks", "8",        "--seed", "5"};
  const SimResult r = runSim(with(sweep, {"--csv", path("old.csv"), "--resume"}));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ASSERT_EQ(runSim(with(sweep, {"--csv", path("new.csv")})).exitCode, 0);
  // The same counts; the old rows' undetected count stays unknown (empty).
  std::string error;
  const auto resumed = parseSweepCsv(readFile(path("old.csv")), error);
  ASSERT_TRUE(resumed.has_value()) << error;
  const auto direct = parseSweepCsv(readFile(path("new.csv")), error);
  ASSERT_TRUE(direct.has_value()) << error;
  ASSERT_EQ(resumed->rows.size(), direct->rows.size());
  for (std::size_t k = 0; k < direct->rows.size(); ++k) {
    EXPECT_FALSE(resumed->rows[k].undetectedKnown);
    EXPECT_TRUE(direct->rows[k].undetectedKnown);
    // Nor are the squares of the old blocks known.
    EXPECT_FALSE(resumed->rows[k].squaresKnown);
    PointTotals counted = direct->rows[k].totals;
    counted.decoderErrorSquares = resumed->rows[k].totals.decoderErrorSquares;
    EXPECT_EQ(resumed->rows[k].totals, counted);
  }
}

TEST_F(SweepCommand, WarnsWhenTwoPointsWouldShareBlockSeeds) {
  // With a P0 step of 0.002, block 79152 of the upper point has the seed of
  // block 0 of the lower one.
  const std::vector<std::string> base = {
      "sweep", "--random", "16", "--p0", "0.5,0.502", "--min-errors", "1", "--threads", "1"};
  const SimResult overlapping = runSim(with(base, {"--blocks", "79153"}));
  ASSERT_EQ(overlapping.exitCode, 0) << overlapping.err;
  EXPECT_NE(overlapping.err.find("warning: from block 79152 on, P0=0.502 reuses the channel "
                                 "seeds of P0=0.5"),
            std::string::npos)
      << overlapping.err;
  const SimResult apart = runSim(with(base, {"--blocks", "79152"}));
  ASSERT_EQ(apart.exitCode, 0) << apart.err;
  EXPECT_EQ(apart.err.find("warning"), std::string::npos) << apart.err;
}

// A block of a picture sweep is the first transmission of `vok-sim run`
// with the block's seed: same channel errors, decoder errors and iterations.
TEST_F(SweepCommand, BlockReplaysInRunWithItsSeed) {
  std::vector<std::uint8_t> pixels(40 * 20 * 3);
  for (std::size_t k = 0; k < pixels.size(); ++k) pixels[k] = static_cast<std::uint8_t>(k * 7);
  ASSERT_TRUE(writeBmp(path("pic.bmp"), pixels.data(), 40, 20));
  const SimResult sweep = runSim({"sweep", "--dir", dir_.string(), "--p0", "0.26", "--blocks", "3",
                                  "--seed", "77", "--shard", "1/1", "--csv", path("blocks.csv")});
  ASSERT_EQ(sweep.exitCode, 0) << sweep.err;
  std::string error;
  const auto table = parseSweepCsv(readFile(path("blocks.csv")), error);
  ASSERT_TRUE(table.has_value()) << error;
  ASSERT_EQ(table->rows.size(), 1u);
  ASSERT_EQ(table->rows[0].blocks.size(), 3u);
  // Random symbols of the same count meet the same errors: the counts do not
  // depend on the content of the block.
  const SimResult random = runSim({"sweep", "--random", "2400", "--p0", "0.26", "--blocks", "3",
                                   "--seed", "77", "--shard", "1/1", "--csv", path("random.csv")});
  ASSERT_EQ(random.exitCode, 0) << random.err;
  const auto randomTable = parseSweepCsv(readFile(path("random.csv")), error);
  ASSERT_TRUE(randomTable.has_value()) << error;
  EXPECT_EQ(randomTable->rows[0].blocks, table->rows[0].blocks);
  for (const BlockResult& block : table->rows[0].blocks) {
    const std::string seed = std::to_string(blockSeed(77, 0.26f, block.block));
    const SimResult run =
        runSim({"run", "--dir", dir_.string(), "--p0", "0.26", "--seed", seed, "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::istringstream lines(run.out);
    std::string line;
    std::getline(lines, line);  // init
    std::getline(lines, line);
    const auto json = nlohmann::json::parse(line);
    EXPECT_EQ(json["channelErrors"].get<std::int64_t>(), block.channelErrors);
    EXPECT_EQ(json["iterationsRun"].get<std::int32_t>(), block.iterations);
    EXPECT_EQ(json["decoderErrors"].back().get<std::int64_t>(), block.decoderErrors);
  }
}

TEST_F(SweepCommand, BadArgumentsAndMissingPictureExitCodes) {
  EXPECT_EQ(runSim({"sweep", "--random", "100"}).exitCode, 1);  // --p0 is required
  EXPECT_EQ(runSim({"sweep", "--random", "0", "--p0", "0.1"}).exitCode, 1);
  EXPECT_EQ(runSim({"sweep", "--random", "100", "--p0", "0.1", "--blocks", "0"}).exitCode, 1);
  EXPECT_EQ(runSim({"sweep", "--random", "100", "--p0", "0.1", "--resume"}).exitCode, 1);
  EXPECT_EQ(runSim({"sweep", "--random", "100", "--p0", "0.1", "--shard", "5/4"}).exitCode, 1);
  EXPECT_EQ(runSim({"sweep", "--random", "100", "--p0", "0.1", "--threads", "0"}).exitCode, 1);
  EXPECT_EQ(runSim({"sweep", "--random", "100", "--p0", "0.1", "--seed", "abc"}).exitCode, 1);
  const SimResult missing = runSim({"sweep", "--dir", dir_.string(), "--p0", "0.1"});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.err.find("pic.bmp"), std::string::npos);
  std::ofstream(path("encoder.vok")) << "nk=99\n";
  EXPECT_EQ(runSim({"sweep", "--dir", dir_.string(), "--random", "50", "--p0", "0.1"}).exitCode, 2);
}

TEST(SweepOptions, P0ListsAsRangesAndCommaLists) {
  std::string error;
  const auto range = parseP0List("0.20:0.40:0.01", error);
  ASSERT_TRUE(range.has_value()) << error;
  ASSERT_EQ(range->size(), 21u);
  EXPECT_EQ(range->front(), 0.2f);
  EXPECT_EQ((*range)[7], 0.27f);
  EXPECT_EQ(range->back(), 0.4f);
  EXPECT_EQ(parseP0List("0.3,0.1", error), (std::vector<float>{0.3f, 0.1f}));
  EXPECT_EQ(parseP0List("0.5:0.5:1", error), (std::vector<float>{0.5f}));
  for (const char* bad : {"", "0.2:0.1:0.01", "0.1:0.2:0", "0.1:0.2", "abc", "0.1,,0.2", "1.5",
                          "-0.1", "0.1,0.1", "0;1", "0:1:1e-9"}) {
    EXPECT_FALSE(parseP0List(bad, error).has_value()) << bad;
  }
  EXPECT_FALSE(parseShardText("0/4").has_value());
  EXPECT_FALSE(parseShardText("3").has_value());
  EXPECT_EQ(parseShardText("3/4")->index, 3);
}

TEST(SweepCsv, RoundTripAndRefusals) {
  SweepTable table;
  table.metadata.source = "random";
  table.metadata.symbols = 100;
  table.metadata.nk = 8;
  table.metadata.nr = 8;
  table.metadata.itert = 20;
  table.metadata.codeCrc = 0x0012abcd;
  table.metadata.seed = -3;
  table.metadata.blocks = 5;
  table.metadata.minErrors = 7;
  table.metadata.shard = Shard{2, 3};
  SweepRow row;
  row.p0 = 0.1f;
  row.totals = PointTotals{2, 200, 20, 9, 1, 25, 0, 81};  // 9^2 + 0^2 squared errors
  row.throughput = 1234.4;
  row.blocks = {BlockResult{1, 10, 9, 20}, BlockResult{4, 10, 0, 5}};
  table.rows.push_back(row);
  const std::string text = formatSweepCsv(table);
  std::string error;
  const auto back = parseSweepCsv(text, error);
  ASSERT_TRUE(back.has_value()) << error;
  EXPECT_EQ(formatSweepCsv(*back), text);
  EXPECT_TRUE(back->metadata.sameSimulation(table.metadata));
  EXPECT_EQ(back->rows[0].blocks, row.blocks);

  std::string inconsistent = text;
  inconsistent.replace(inconsistent.find(",200,"), 5, ",201,");
  EXPECT_FALSE(parseSweepCsv(inconsistent, error).has_value());
  EXPECT_FALSE(parseSweepCsv("p0,blocks\n0.1,2\n", error).has_value());
  // More undetected blocks than failed ones, or an undetected block without
  // errors, cannot happen.
  std::string undetected = text;
  undetected.replace(undetected.find(",12.500,0,"), 10, ",12.500,2,");
  EXPECT_FALSE(parseSweepCsv(undetected, error).has_value());
  EXPECT_NE(error.find("undetected"), std::string::npos) << error;
  std::string unseen = text;
  unseen.replace(unseen.find("4:10:0:5:0"), 10, "4:10:0:5:1");
  EXPECT_FALSE(parseSweepCsv(unseen, error).has_value());
  EXPECT_FALSE(parseSweepCsv(text.substr(0, text.find('\n')), error).has_value());
  // Squares that no blocks with these errors can have.
  std::string squares = text;
  squares.replace(squares.find(",81,"), 4, ",8,");  // less than the errors
  EXPECT_FALSE(parseSweepCsv(squares, error).has_value());
  EXPECT_NE(error.find("decoder_error_squares"), std::string::npos) << error;
}

TEST(SweepProgress, LineShowsPointBlocksErrorsRateAndTimeLeft) {
  SweepPosition position;
  position.point = 2;
  position.points = 5;
  position.p0 = 0.22f;
  position.blocksPerPoint = 200;
  position.blocksBefore = 400;
  // 450 blocks in 45 s; 150 + 2 * 200 = 550 left at 0.1 s each.
  EXPECT_EQ(progressText(position, 50, 45, 1200000, 45.0),
            "[3/5] P0=0.22  blocks 50/200  decoder errors 45 (SER 3.75e-005)  ETA 0:55");
  position.blocksBefore = 0;
  EXPECT_EQ(progressText(position, 0, 0, 0, 0.0), "[3/5] P0=0.22  blocks 0/200  decoder errors 0");
}

// True when the text holds "inf" or "nan" as a word of its own, as a
// non-finite coordinate would be printed.
bool hasNonFiniteNumber(const std::string& text) {
  const auto isLetter = [](char c) { return c >= 'a' && c <= 'z'; };
  for (const std::string word : {"inf", "nan"}) {
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
      const bool before = at > 0 && isLetter(text[at - 1]);
      const bool after = at + 3 < text.size() && isLetter(text[at + 3]);
      if (!before && !after) return true;
    }
  }
  return false;
}

struct Box {
  double x0, y0, x1, y1;
  bool overlaps(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

double attribute(const std::string& element, const std::string& name) {
  const std::size_t at = element.find(" " + name + "=\"");
  if (at == std::string::npos) return std::nan("");
  return std::stod(element.substr(at + name.size() + 3));
}

// The elements of the document with class="cls", as their text.
std::vector<std::string> elementsOfClass(const std::string& svg, const std::string& cls) {
  std::vector<std::string> found;
  for (std::size_t at = svg.find("class=\"" + cls + "\""); at != std::string::npos;
       at = svg.find("class=\"" + cls + "\"", at + 1)) {
    const std::size_t begin = svg.rfind('<', at);
    found.push_back(svg.substr(begin, svg.find('>', at) - begin + 1));
  }
  return found;
}

// The box an element covers: circle, rect, line or a path of M/L points.
Box boxOf(const std::string& e) {
  if (e.rfind("<circle", 0) == 0) {
    const double x = attribute(e, "cx"), y = attribute(e, "cy"), r = attribute(e, "r");
    return {x - r, y - r, x + r, y + r};
  }
  if (e.rfind("<rect", 0) == 0) {
    const double x = attribute(e, "x"), y = attribute(e, "y");
    return {x, y, x + attribute(e, "width"), y + attribute(e, "height")};
  }
  if (e.rfind("<line", 0) == 0) {
    const double xa = attribute(e, "x1"), ya = attribute(e, "y1");
    const double xb = attribute(e, "x2"), yb = attribute(e, "y2");
    return {std::min(xa, xb), std::min(ya, yb), std::max(xa, xb), std::max(ya, yb)};
  }
  const std::size_t d = e.find(" d=\"") + 4;
  std::istringstream in(e.substr(d, e.find('"', d) - d));
  Box box{1e9, 1e9, -1e9, -1e9};
  std::string word;
  while (in >> word && word != "Z") {
    const double x = std::stod(word[0] == 'M' || word[0] == 'L' ? word.substr(1) : word);
    double y = 0;
    in >> y;
    box = {std::min(box.x0, x), std::min(box.y0, y), std::max(box.x1, x), std::max(box.y1, y)};
  }
  return box;
}

PlotInfo halfRateInfo() {
  PlotInfo info;
  info.nk = 8;
  info.nr = 8;
  info.symbols = 1000;
  info.itert = 20;
  info.capacityP0 = 0.3805;
  return info;
}

TEST(SweepPlot, TheLegendCoversNoMarkWhereverThePointsLie) {
  // Points in every corner of the panels: rates from 1 down to 1e-7, some
  // without errors, at both ends of the P0 range.
  std::vector<PlotPoint> points;
  for (int k = 0; k <= 8; ++k) {
    const std::int64_t blocks = 1000;
    const std::int64_t symbols = blocks * 1000;
    const std::int64_t failed = k == 3 ? 0 : (k % 2 == 0 ? blocks : blocks / (1 + 100 * k));
    const std::int64_t errors = failed == 0 ? 0 : (k % 2 == 0 ? symbols : 10 * failed);
    points.push_back({0.2 + 0.025 * k, blocks, symbols, symbols / (2 + k), errors, failed});
  }
  const std::string svg = renderSweepSvg(points, halfRateInfo());
  const std::vector<std::string> legend = elementsOfClass(svg, "legend");
  ASSERT_EQ(legend.size(), 1u);
  const Box legendBox = boxOf(legend[0]);
  const std::vector<std::string> marks = elementsOfClass(svg, "mark");
  ASSERT_GT(marks.size(), 2 * points.size());
  for (const std::string& mark : marks) {
    const Box box = boxOf(mark);
    EXPECT_FALSE(box.overlaps(legendBox)) << mark;
    EXPECT_GE(box.x0, 0.0);
    EXPECT_GE(box.y0, 0.0);
  }
}

TEST(SweepPlot, TheCapacityLimitIsMarkedForEveryRate) {
  const std::vector<PlotPoint> points = {{0.24, 100, 100000, 24000, 10, 2},
                                         {0.26, 100, 100000, 26000, 900, 40}};
  for (int nk = 1; nk <= 16; ++nk) {
    for (int nr = 1; nr <= 16; ++nr) {
      PlotInfo info = halfRateInfo();
      info.nk = nk;
      info.nr = nr;
      info.capacityP0 = capacityLimitP0(static_cast<double>(nk) / (nk + nr), 256);
      const std::string svg = renderSweepSvg(points, info);
      const std::vector<std::string> capacity = elementsOfClass(svg, "capacity");
      ASSERT_EQ(capacity.size(), 2u) << nk << '/' << nr;  // one in each panel
      char value[32];
      std::snprintf(value, sizeof value, "P0 = %.3f", info.capacityP0);
      EXPECT_NE(svg.find(value), std::string::npos) << nk << '/' << nr;
      // Inside the panels, whether a line across or an arrow at the edge.
      for (const std::string& marker : capacity) {
        const Box box = boxOf(marker);
        EXPECT_GE(box.x0, 92.0 - 0.01) << marker;
        EXPECT_LE(box.x1, 660.0 + 0.01) << marker;
      }
    }
  }
}

TEST(SweepPlot, PointsWithoutErrorsAreDrawnAsUpperBounds) {
  EXPECT_NEAR(zeroErrorBound(100), 0.0295, 1e-4);
  EXPECT_NEAR(zeroErrorBound(1), 0.95, 1e-12);
  const std::vector<PlotPoint> points = {{0.2, 100, 100000, 20000, 0, 0},
                                         {0.22, 400, 400000, 88000, 0, 0},
                                         {0.26, 100, 100000, 26000, 900, 40}};
  const std::string svg = renderSweepSvg(points, halfRateInfo());
  std::vector<std::string> bounds;
  for (const std::string& mark : elementsOfClass(svg, "mark")) {
    if (mark.rfind("<path", 0) == 0) bounds.push_back(mark);
  }
  // One bound in each panel for each point without errors, none else.
  ASSERT_EQ(bounds.size(), 4u);
  // The more blocks, the lower the bound; its tip is the bound, not the
  // bottom of the panel.
  EXPECT_LT(boxOf(bounds[0]).y1, boxOf(bounds[2]).y1);
  EXPECT_LT(boxOf(bounds[1]).y1, boxOf(bounds[3]).y1);
  EXPECT_LT(boxOf(bounds[0]).y1, 350.0 - 20);
  EXPECT_NE(svg.find("upper bound"), std::string::npos);
}

TEST(SweepPlot, DrawsCurvesCapacityLineAndZeroMarkers) {
  PlotInfo info;
  info.nk = 8;
  info.nr = 8;
  info.symbols = 24000;
  info.itert = 20;
  info.capacityP0 = 0.3805;
  const std::string svg = renderSweepSvg({{0.3, 10, 240000, 72000, 2400, 5},
                                          {0.2, 10, 240000, 48000, 0, 0},
                                          {0.25, 10, 240000, 60000, 2, 1}},
                                         info);
  EXPECT_EQ(svg.rfind("<svg", 0), 0u);
  EXPECT_NE(svg.find("capacity limit of rate 1/2: P0 = 0.381"), std::string::npos);
  EXPECT_NE(svg.find("upper bound"), std::string::npos);
  EXPECT_FALSE(hasNonFiniteNumber(svg));
  EXPECT_EQ(svg.find("</svg>"), svg.size() - 7);
  // A plot without any point is still a valid document.
  EXPECT_NE(renderSweepSvg({}, info).find("</svg>"), std::string::npos);
}

}  // namespace
}  // namespace vok::sim
