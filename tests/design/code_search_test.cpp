// The code search: what it finds passes the orthogonality check, it is the
// same for the same seed, and it refuses what cannot exist.
#include "design/code_search.h"

#include <gtest/gtest.h>

#include "design/orthogonality.h"

namespace vok::design {
namespace {

SearchOutcome searchAttempts(const SearchRequest& request) {
  return searchCode(request, [](const SearchProgress&) { return false; });
}

SearchRequest request(int nk, int nr, int votes, std::int32_t maxDelay, std::uint64_t seed,
                      std::int64_t attempts) {
  SearchRequest r;
  r.nk = nk;
  r.nr = nr;
  r.votes = votes;
  r.maxDelay = maxDelay;
  r.seed = seed;
  r.maxAttempts = attempts;
  return r;
}

TEST(CodeSearch, FoundCodesAreSelfOrthogonalWithTheVotesAskedAndWithinTheBound) {
  const SearchRequest cases[] = {
      request(8, 8, 16, 400, 1, 30), request(1, 1, 6, 40, 2, 200), request(2, 3, 7, 200, 3, 50),
      request(4, 4, 5, 60, 4, 50),   request(3, 1, 4, 300, 5, 50),
  };
  for (const SearchRequest& r : cases) {
    SCOPED_TRACE(testing::Message() << "nk=" << r.nk << " nr=" << r.nr << " votes=" << r.votes);
    const SearchOutcome outcome = searchAttempts(r);
    ASSERT_TRUE(outcome.code.has_value());
    const CodeReport report = analyseCode(*outcome.code, std::nullopt);
    EXPECT_EQ(report.nk, r.nk);
    EXPECT_EQ(report.nr, r.nr);
    EXPECT_TRUE(report.orthogonal);
    EXPECT_EQ(report.maxDelay, *outcome.progress.bestDelay);
    EXPECT_LE(report.maxDelay, r.maxDelay);
    EXPECT_GE(report.minDelay, 0);
    EXPECT_TRUE(analyseCode(*outcome.code, 2 * report.maxDelay + 1).orthogonal);
    for (const BranchReport& b : report.branches) EXPECT_EQ(b.votes, r.votes);
  }
}

TEST(CodeSearch, SameSeedAndAttemptsGiveTheSameCodeAndLaterAttemptsNoWorse) {
  const SearchOutcome a = searchAttempts(request(4, 4, 8, 300, 7, 40));
  const SearchOutcome b = searchAttempts(request(4, 4, 8, 300, 7, 40));
  ASSERT_TRUE(a.code && b.code);
  EXPECT_EQ(*a.code, *b.code);
  EXPECT_EQ(a.progress.foundAt, b.progress.foundAt);
  const SearchOutcome other = searchAttempts(request(4, 4, 8, 300, 8, 40));
  ASSERT_TRUE(other.code);
  EXPECT_NE(*other.code, *a.code);
  const SearchOutcome longer = searchAttempts(request(4, 4, 8, 300, 7, 400));
  ASSERT_TRUE(longer.code);
  EXPECT_LE(*longer.progress.bestDelay, *a.progress.bestDelay);
}

TEST(CodeSearch, StopRequestEndsTheSearchBeforeTheNextAttempt) {
  int calls = 0;
  const SearchOutcome outcome =
      searchCode(request(8, 8, 16, 1000, 1, 1000000), [&calls](const SearchProgress& progress) {
        ++calls;
        return progress.attempts == 3;
      });
  EXPECT_EQ(outcome.progress.attempts, 3);
  EXPECT_EQ(calls, 4);
}

TEST(CodeSearch, RefusesBoundsBelowWhatAnyCodeNeeds) {
  // Five votes in one check branch need ten distinct differences within
  // -D..D: D >= 10. No five-mark ruler is shorter than 11, so D = 10 passes
  // the bound but no attempt can succeed.
  EXPECT_EQ(largestDelayLowerBound(request(1, 1, 5, 0, 1, 1)), 10);
  const SearchOutcome impossible = searchAttempts(request(1, 1, 5, 9, 1, 100));
  EXPECT_FALSE(impossible.code);
  EXPECT_TRUE(impossible.atLowerBound);
  EXPECT_EQ(impossible.progress.attempts, 0);
  const SearchOutcome none = searchAttempts(request(1, 1, 5, 10, 1, 100));
  EXPECT_FALSE(none.code);
  EXPECT_FALSE(none.atLowerBound);
  EXPECT_EQ(none.progress.attempts, 100);
}

TEST(CodeSearch, LayoutFixesTheVotesOfEachBranchInEachCheckBranch) {
  SearchRequest r = request(3, 2, 5, 400, 9, 20);
  r.layout = {{4, 1}, {0, 5}, {2, 3}};
  for (const bool randomDelays : {false, true}) {
    r.randomDelays = randomDelays;
    const SearchOutcome outcome = searchAttempts(r);
    ASSERT_TRUE(outcome.code);
    EXPECT_TRUE(analyseCode(*outcome.code, std::nullopt).orthogonal);
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 2; ++j) EXPECT_EQ(outcome.code->taps[i][j].count(), r.layout[i][j]);
    }
  }
  // Five votes of branch 1 in one check branch need D >= 10 on their own.
  r.maxDelay = 9;
  EXPECT_EQ(largestDelayLowerBound(r), 10);
  EXPECT_FALSE(searchAttempts(r).code);
}

TEST(CodeSearch, RandomDelaysSpreadOverTheBoundAndStopAtTheFirstCode) {
  SearchRequest r = request(8, 8, 16, 1400, 3, 1000);
  r.randomDelays = true;
  const SearchOutcome outcome = searchAttempts(r);
  ASSERT_TRUE(outcome.code);
  EXPECT_EQ(outcome.progress.attempts, outcome.progress.foundAt);
  const CodeReport report = analyseCode(*outcome.code, std::nullopt);
  EXPECT_TRUE(report.orthogonal);
  EXPECT_GT(report.maxDelay, 1000);  // first fit stays below 100 here
  EXPECT_LE(report.maxDelay, 1400);
  EXPECT_EQ(*searchAttempts(r).code, *outcome.code);
}

TEST(CodeSearch, StopsAtTheLowerBound) {
  // {0, 1, 3} reaches the bound of three votes in one check branch.
  const SearchOutcome outcome = searchAttempts(request(1, 1, 3, 50, 1, 100000));
  ASSERT_TRUE(outcome.code);
  EXPECT_EQ(*outcome.progress.bestDelay, 3);
  EXPECT_TRUE(outcome.atLowerBound);
  EXPECT_LT(outcome.progress.attempts, 100000);
}

}  // namespace
}  // namespace vok::design
