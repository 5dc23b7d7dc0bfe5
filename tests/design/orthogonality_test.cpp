// Orthogonality of hand-made codes, the built-in code's report, the
// majority-logic guarantee against the real decoder, and the code text.
#include "design/orthogonality.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "codec/codec.h"
#include "design/code_text.h"
#include "scratch_directory.h"

namespace vok::design {
namespace {

// nk x nr code with the given lists taps[i][j] = lists[j][i].
CodeDescription makeCode(int nk, int nr, const std::vector<std::vector<std::vector<int>>>& lists) {
  CodeDescription code;
  code.nk = nk;
  code.nr = nr;
  for (int j = 0; j < nr; ++j) {
    for (int i = 0; i < nk; ++i) {
      code.taps[i][j].delays.assign(lists[j][i].begin(), lists[j][i].end());
    }
  }
  return code;
}

TEST(Orthogonality, CollisionInOneBranchIsListedThereOnly) {
  // Branch 0 holds delays 0 and 3 in both check branches, so its symbols y
  // and y + 3 meet in two checks; branch 1 is clean.
  const CodeDescription code = makeCode(2, 2, {{{0, 3}, {1}}, {{0, 3}, {10}}});
  const CodeReport report = analyseCode(code, std::nullopt);
  EXPECT_FALSE(report.orthogonal);
  ASSERT_EQ(report.branches.size(), 2u);
  const BranchReport& b0 = report.branches[0];
  EXPECT_EQ(b0.votes, 4);
  EXPECT_FALSE(b0.orthogonal);
  EXPECT_EQ(b0.collisionCount, 2);
  ASSERT_EQ(b0.collisions.size(), 2u);
  EXPECT_EQ(b0.collisions[0], (Collision{{0, 0}, {1, 0}, {0, 3}, false}));
  EXPECT_EQ(b0.collisions[1], (Collision{{0, 3}, {1, 3}, {0, -3}, false}));
  EXPECT_TRUE(report.branches[1].orthogonal);
  EXPECT_TRUE(report.branches[1].collisions.empty());
  EXPECT_EQ(report.branches[1].guarantee, 1);
  // One symbol in two of four votes: a single other error can tie the vote.
  EXPECT_EQ(b0.guarantee, majorityGuarantee(4, 2));
}

TEST(Orthogonality, RulerCollidesOnlyModuloShortLengths) {
  // Differences of {0, 1, 3} are all distinct, but equal modulo L <= 6.
  const CodeDescription code = makeCode(1, 1, {{{0, 1, 3}}});
  EXPECT_TRUE(analyseCode(code, std::nullopt).orthogonal);
  for (std::int64_t length = 1; length <= 6; ++length) {
    EXPECT_FALSE(analyseCode(code, length).orthogonal) << "L = " << length;
  }
  for (std::int64_t length = 7; length <= 40; ++length) {
    EXPECT_TRUE(analyseCode(code, length).orthogonal) << "L = " << length;
  }
  // L = 5: check 0 sees symbol +3, check 3 sees the same one at -2.
  const BranchReport b = analyseCode(code, 5).branches[0];
  ASSERT_FALSE(b.collisions.empty());
  EXPECT_EQ(b.collisions[0].first, (VoteCheck{0, 0}));
  EXPECT_EQ(b.collisions[0].second, (VoteCheck{0, 3}));
  EXPECT_EQ(b.collisions[0].symbol, (SharedSymbol{0, 3}));
}

TEST(Orthogonality, EqualDelaysAreOneCheckReadTwice) {
  const CodeReport exact = analyseCode(makeCode(1, 2, {{{4, 4}}, {{0}}}), std::nullopt);
  ASSERT_EQ(exact.branches[0].collisions.size(), 1u);
  EXPECT_EQ(exact.branches[0].collisions[0], (Collision{{0, 4}, {0, 4}, {0, 0}, true}));
  EXPECT_EQ(exact.branches[0].guarantee, 0);

  // Delays 0 and 10 are one check when L divides 10, and apart otherwise.
  const CodeDescription code = makeCode(1, 1, {{{0, 10}}});
  EXPECT_TRUE(analyseCode(code, std::nullopt).orthogonal);
  EXPECT_TRUE(analyseCode(code, 10).branches[0].collisions.at(0).sameCheck);
  EXPECT_TRUE(analyseCode(code, 7).orthogonal);
}

TEST(Orthogonality, ListsTheFirstCollisionsAndCountsAll) {
  // Ten delays 0..9 in two check branches: every pair of checks collides
  // but the four whose delays differ by 9, whose symbols meet only in the
  // decided one.
  std::vector<int> delays;
  for (int d = 0; d < 10; ++d) delays.push_back(d);
  const BranchReport b =
      analyseCode(makeCode(1, 2, {{delays}, {delays}}), std::nullopt).branches[0];
  EXPECT_EQ(b.votes, 20);
  EXPECT_EQ(b.collisionCount, 20 * 19 / 2 - 4);
  ASSERT_EQ(b.collisions.size(), static_cast<std::size_t>(kListedCollisions));
  EXPECT_EQ(b.collisions[0].first, (VoteCheck{0, 0}));
  EXPECT_EQ(b.collisions[0].second, (VoteCheck{0, 1}));
}

TEST(BuiltInCodeReport, SixteenOrthogonalVotesEverywhereBeyondTwiceItsSpan) {
  const CodeDescription code = CodeDescription::builtIn();
  const CodeReport report = analyseCode(code, std::nullopt);
  EXPECT_EQ(report.nk, 8);
  EXPECT_EQ(report.nr, 8);
  EXPECT_EQ(report.rate, 0.5);
  EXPECT_EQ(report.maxDelay, 994);
  EXPECT_EQ(report.minDelay, 0);
  EXPECT_TRUE(report.orthogonal);
  EXPECT_EQ(report.guarantee, 8);
  for (const BranchReport& b : report.branches) {
    EXPECT_EQ(b.votes, 16);
    EXPECT_TRUE(b.orthogonal) << "branch " << b.branch;
  }
  EXPECT_TRUE(analyseCode(code, 1989).orthogonal);
  EXPECT_TRUE(analyseCode(code, 3000).orthogonal);
  EXPECT_FALSE(analyseCode(code, 1000).orthogonal);
}

TEST(MajorityGuarantee, HalfTheOrthogonalVotesAndLessWhenSymbolsRepeat) {
  EXPECT_EQ(majorityGuarantee(0, 1), 0);
  EXPECT_EQ(majorityGuarantee(1, 1), 0);
  EXPECT_EQ(majorityGuarantee(2, 1), 1);
  EXPECT_EQ(majorityGuarantee(3, 1), 1);
  EXPECT_EQ(majorityGuarantee(16, 1), 8);
  EXPECT_EQ(majorityGuarantee(17, 1), 8);
  EXPECT_EQ(majorityGuarantee(16, 2), 4);
  EXPECT_EQ(majorityGuarantee(4, 2), 1);
  EXPECT_EQ(majorityGuarantee(3, 2), 1);  // a symbol in two votes only ties them
  EXPECT_EQ(majorityGuarantee(2, 2), 0);
}

// Every symbol of a block with at most `guarantee` errors in all sees at
// most that many among its checks, so one iteration of the decoder with
// threshold 0 and the received value voting must clear them all.
TEST(MajorityGuarantee, OneIterationOfTheDecoderClearsThatManyErrors) {
  const CodeDescription code = makeCode(2, 2, {{{0, 1, 3}, {7}}, {{12}, {0, 4, 9}}});
  const CodeReport report = analyseCode(code, std::nullopt);
  ASSERT_TRUE(report.orthogonal);
  ASSERT_EQ(report.guarantee, 2);
  DecoderSchedule schedule;
  schedule.itert = 1;
  schedule.w = {1};
  schedule.t = {0};
  schedule.c = {0};
  schedule.o = {0};
  schedule.p = {0};
  schedule.i = {0};
  const std::int32_t n = 80;  // L = 40, beyond twice the span
  std::mt19937 random(5);
  for (int trial = 0; trial < 300; ++trial) {
    Codec codec(code, schedule, n);
    ASSERT_TRUE(codec.loaded());
    codec.setQ(256);
    const std::int32_t length = codec.branchLength();
    std::vector<std::vector<std::int32_t>> info(2, std::vector<std::int32_t>(length));
    std::vector<std::vector<std::int32_t>> check(2, std::vector<std::int32_t>(length));
    for (auto& branch : info) {
      for (auto& s : branch) s = static_cast<std::int32_t>(random() % 256);
    }
    std::vector<const std::int32_t*> infoIn{info[0].data(), info[1].data()};
    std::vector<std::int32_t*> checkOut{check[0].data(), check[1].data()};
    codec.encode(infoIn.data(), checkOut.data());
    auto receivedInfo = info;
    auto receivedCheck = check;
    for (int e = 0; e < report.guarantee; ++e) {
      auto& block = random() % 2 == 0 ? receivedInfo : receivedCheck;
      auto& symbol = block[random() % 2][random() % length];
      symbol = (symbol + 1 + static_cast<std::int32_t>(random() % 255)) % 256;
    }
    std::vector<const std::int32_t*> rInfo{receivedInfo[0].data(), receivedInfo[1].data()};
    std::vector<const std::int32_t*> rCheck{receivedCheck[0].data(), receivedCheck[1].data()};
    codec.loadReceived(rInfo.data(), rCheck.data());
    codec.iterate(0);
    std::vector<std::vector<std::int32_t>> decided(2, std::vector<std::int32_t>(length));
    std::vector<std::int32_t*> out{decided[0].data(), decided[1].data()};
    codec.copyDecisions(out.data());
    ASSERT_EQ(decided, info) << "trial " << trial;
  }
}

TEST(CodeText, BuiltInCodeIsTheSampleFileAndReadsBack) {
  const std::string text = formatCodeDescription(CodeDescription::builtIn());
  EXPECT_EQ(text, test::readFile(VOK_SAMPLE_DATA_DIR "/encoder.vok"));
  const CodeDescription odd = makeCode(3, 1, {{{5, 0, 5}, {}, {-2}}});
  CodeDescription back;
  ASSERT_TRUE(parseCodeDescription(formatCodeDescription(odd), back));
  EXPECT_EQ(back, odd);
}

}  // namespace
}  // namespace vok::design
