// The iterative threshold decoder: single-error corrections, the vote's tie
// and threshold rules, and the schedule's limits on voting and decoding.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "codec/codec.h"
#include "codec_test_util.h"

namespace vok {
namespace {

using test::Block;
using test::uniformSchedule;

// A block encoded with `codec`, of random information symbols.
Block sentBlock(Codec& codec, std::uint32_t seed) {
  Block block(codec);
  std::mt19937 gen(seed);
  for (auto& branch : block.info) {
    for (auto& symbol : branch) symbol = static_cast<std::int32_t>(gen() % 256);
  }
  codec.encode(block.infoPtrs.data(), block.checkPtrs.data());
  return block;
}

bool decisionsEqual(const Codec& codec, const Block& block) {
  for (int i = 0; i < codec.nk(); ++i) {
    for (std::int32_t x = 0; x < codec.branchLength(); ++x) {
      if (codec.decision(i)[x] != block.info[i][x]) return false;
    }
  }
  return true;
}

int nonzeroSyndromeCount(const Codec& codec) {
  int count = 0;
  for (int j = 0; j < codec.nr(); ++j) {
    for (std::int32_t x = 0; x < codec.branchLength(); ++x) count += codec.syndrome(j)[x] != 0;
  }
  return count;
}

TEST(Decoder, ErrorFreeBlockIsLeftAlone) {
  Codec codec(CodeDescription::builtIn(), DecoderSchedule::builtIn(), 16000);
  Block block = sentBlock(codec, 1);
  codec.loadReceived(block.infoPtrs.data(), block.checkPtrs.data());
  for (int k = 0; k < codec.iterationCount(); ++k) codec.iterate(k);
  EXPECT_TRUE(decisionsEqual(codec, block));
  EXPECT_EQ(nonzeroSyndromeCount(codec), 0);
}

// A single error on one information symbol is corrected in iteration 0, and
// all 16 of its syndromes, the four unvoting ones of check branch 7 included,
// return to 0.
class SingleInfoError : public ::testing::TestWithParam<int> {};

TEST_P(SingleInfoError, IsCorrectedInIterationZero) {
  const int branch = GetParam();
  Codec codec(CodeDescription::builtIn(), DecoderSchedule::builtIn(), 16000);
  Block block = sentBlock(codec, 2);
  const std::int32_t sent = block.info[branch][1234];
  Block received = block;
  received.info[branch][1234] = (sent + 99) % 256;
  codec.loadReceived(received.infoPtrs.data(), block.checkPtrs.data());
  ASSERT_EQ(nonzeroSyndromeCount(codec), 16);
  codec.iterate(0);
  EXPECT_TRUE(decisionsEqual(codec, block));
  EXPECT_EQ(codec.difference(branch)[1234], 256 - 99);
  EXPECT_EQ(nonzeroSyndromeCount(codec), 0);
}

INSTANTIATE_TEST_SUITE_P(BranchesZeroAndThree, SingleInfoError, ::testing::Values(0, 3));

TEST(Decoder, MarginMustExceedTheThresholdStrictly) {
  // On branch 3 the candidates are (0, 1) and (e, 4): margin 3.
  for (int threshold : {2, 3}) {
    Codec codec(CodeDescription::builtIn(), uniformSchedule(1, 1, threshold, 7, 0), 16000);
    Block block = sentBlock(codec, 3);
    Block received = block;
    received.info[3][500] = (block.info[3][500] + 1) % 256;
    codec.loadReceived(received.infoPtrs.data(), block.checkPtrs.data());
    codec.iterate(0);
    EXPECT_EQ(decisionsEqual(codec, block), threshold == 2) << "threshold " << threshold;
  }
}

TEST(Decoder, CheckSymbolErrorChangesNoInformationSymbol) {
  Codec codec(CodeDescription::builtIn(), DecoderSchedule::builtIn(), 16000);
  Block block = sentBlock(codec, 4);
  const std::int32_t sent = block.check[7][42];
  block.check[7][42] = (sent + 10) % 256;
  codec.loadReceived(block.infoPtrs.data(), block.checkPtrs.data());
  for (int k = 0; k < codec.iterationCount(); ++k) codec.iterate(k);
  EXPECT_TRUE(decisionsEqual(codec, block));
  EXPECT_EQ(nonzeroSyndromeCount(codec), 1);
  EXPECT_EQ(codec.syndrome(7)[42], 246);
}

// One information branch in two check branches with one tap each, so that
// the two syndromes seen by the symbol at position 0 can be set directly
// through the received check symbols (information all 0).
struct TwoVoters {
  explicit TwoVoters(const DecoderSchedule& schedule) : codec(code(), schedule, 4), block(codec) {
    codec.setQ(256);
  }
  static CodeDescription code() {
    CodeDescription c;
    c.nk = 1;
    c.nr = 2;
    c.taps[0][0].delays = {0};
    c.taps[0][1].delays = {0};
    return c;
  }
  // Syndromes at position 0 become a and b; decides position 0 only after
  // the others (descending order ends at 0).
  void run(std::int32_t a, std::int32_t b) {
    block.check[0][0] = (256 - a) % 256;
    block.check[1][0] = (256 - b) % 256;
    codec.loadReceived(block.infoPtrs.data(), block.checkPtrs.data());
    codec.iterate(0);
  }
  Codec codec;
  Block block;
};

TEST(DecoderVote, TieGivesMarginZeroAndNoChangeAtThresholdZero) {
  TwoVoters v(uniformSchedule(1, 0, 0, 0, 0));
  v.run(5, 9);
  EXPECT_EQ(v.codec.decision(0)[0], 0);
  EXPECT_EQ(v.codec.syndrome(0)[0], 5);
}

TEST(DecoderVote, TieGoesToTheEarlierCandidate) {
  TwoVoters v(uniformSchedule(1, 0, -1, 0, 0));
  v.run(5, 9);  // candidates (5, 1), (9, 1): 5 wins with margin 0 > -1
  EXPECT_EQ(v.codec.decision(0)[0], 251);
  EXPECT_EQ(v.codec.difference(0)[0], 251);
  EXPECT_EQ(v.codec.syndrome(0)[0], 0);
  EXPECT_EQ(v.codec.syndrome(1)[0], 4);
}

TEST(DecoderVote, ReceivedValueVoteWinsItsTie) {
  // w = 1: candidates (D = 0, 1) and (7, 1); the tie goes to D's value 0,
  // which is never applied even though the margin exceeds the threshold.
  TwoVoters v(uniformSchedule(1, 1, -5, 1, 0));
  v.run(7, 0);
  EXPECT_EQ(v.codec.decision(0)[0], 0);
  EXPECT_EQ(v.codec.syndrome(0)[0], 7);
}

TEST(DecoderVote, ReceivedValueWeightCountsAsThatManyVotes) {
  // w = 3 for D = 0 against two votes for 7: 0 wins and nothing changes.
  TwoVoters heavier(uniformSchedule(1, 3, 0, 0, 0));
  heavier.run(7, 7);
  EXPECT_EQ(heavier.codec.decision(0)[0], 0);
  // w = 1 against two votes for 7: 7 wins with margin 1 and is applied, and
  // the apply reaches both syndromes.
  TwoVoters lighter(uniformSchedule(1, 1, 0, 0, 0));
  lighter.run(7, 7);
  EXPECT_EQ(lighter.codec.decision(0)[0], 249);
  EXPECT_EQ(lighter.codec.syndrome(0)[0], 0);
  EXPECT_EQ(lighter.codec.syndrome(1)[0], 0);
}

TEST(DecoderVote, CorrectionsUpdateCheckBranchesThatDidNotVote) {
  TwoVoters v(uniformSchedule(1, 0, 0, 1, 0));  // only check branch 0 votes
  v.run(7, 3);
  EXPECT_EQ(v.codec.decision(0)[0], 249);
  EXPECT_EQ(v.codec.syndrome(0)[0], 0);
  EXPECT_EQ(v.codec.syndrome(1)[0], (3 + 256 - 7) % 256);
}

TEST(DecoderVote, NegativePOrILeavesEverythingAlone) {
  TwoVoters noVoters(uniformSchedule(1, 0, -1, -1, 0));
  noVoters.run(7, 7);
  EXPECT_EQ(noVoters.codec.decision(0)[0], 0);
  TwoVoters noBranches(uniformSchedule(1, 0, 0, 0, -1));
  noBranches.run(7, 7);
  EXPECT_EQ(noBranches.codec.decision(0)[0], 0);
  EXPECT_EQ(noBranches.codec.syndrome(0)[0], 7);
}

TEST(DecoderVote, OnlyTheReceivedValueVotingReturnsTheSymbolToIt) {
  // No voting check branch and w = 1: the only candidate is D, and once D is
  // nonzero the symbol goes back to its received value.
  CodeDescription code = TwoVoters::code();
  DecoderSchedule schedule = uniformSchedule(2, 0, 0, 0, 0);
  schedule.w[1] = 1;
  schedule.p[1] = -1;
  Codec codec(code, schedule, 4);
  Block block(codec);
  block.check[0][0] = 256 - 7;
  block.check[1][0] = 256 - 7;
  codec.loadReceived(block.infoPtrs.data(), block.checkPtrs.data());
  codec.iterate(0);
  ASSERT_EQ(codec.decision(0)[0], 249);
  codec.iterate(1);
  EXPECT_EQ(codec.decision(0)[0], 0);
  EXPECT_EQ(codec.difference(0)[0], 0);
  EXPECT_EQ(codec.syndrome(0)[0], 7);
}

TEST(Decoder, ScatteredErrorsAreAllCorrected) {
  Codec codec(CodeDescription::builtIn(), DecoderSchedule::builtIn(), 80000);
  Block block = sentBlock(codec, 6);
  Block received = block;
  std::mt19937 gen(7);
  int errors = 0;
  for (auto* branches : {&received.info, &received.check}) {
    for (auto& branch : *branches) {
      for (auto& symbol : branch) {
        if (gen() % 50 == 0) {
          symbol = (symbol + 1 + static_cast<std::int32_t>(gen() % 255)) % 256;
          ++errors;
        }
      }
    }
  }
  ASSERT_GT(errors, 2000);
  codec.loadReceived(received.infoPtrs.data(), received.checkPtrs.data());
  for (int k = 0; k < codec.iterationCount(); ++k) codec.iterate(k);
  EXPECT_TRUE(decisionsEqual(codec, block));
}

TEST(Decoder, WrappingDelaysDecodeLikeTheirResidues) {
  // The same code with every delay shifted by multiples of L, negative or
  // near the int32 limits, decodes identically.
  const std::int32_t symbolCount = 8 * 2000;
  const std::int32_t length = 2000;
  CodeDescription shifted = CodeDescription::builtIn();
  std::mt19937 gen(8);
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 8; ++j) {
      for (std::int32_t& d : shifted.taps[i][j].delays) {
        const std::int64_t turns[] = {-1, 1, 5, -1073741, 1073741};
        const std::int64_t moved = d + turns[gen() % 5] * length;
        d = static_cast<std::int32_t>(moved);
      }
    }
  }
  // INT32_MIN is 352 and INT32_MAX 1647 modulo 2000: these are 0 and 780.
  shifted.taps[0][0].delays = {INT32_MIN + 1648, INT32_MAX - 867};
  Codec plain(CodeDescription::builtIn(), DecoderSchedule::builtIn(), symbolCount);
  Codec wrapped(shifted, DecoderSchedule::builtIn(), symbolCount);
  Block block = sentBlock(plain, 9);
  Block check = block;
  wrapped.encode(check.infoPtrs.data(), check.checkPtrs.data());
  ASSERT_EQ(check.check, block.check);
  std::mt19937 noise(10);
  for (auto& branch : block.info) {
    for (auto& symbol : branch) {
      if (noise() % 8 == 0) symbol = (symbol + 1 + static_cast<std::int32_t>(noise() % 255)) % 256;
    }
  }
  plain.loadReceived(block.infoPtrs.data(), block.checkPtrs.data());
  wrapped.loadReceived(block.infoPtrs.data(), block.checkPtrs.data());
  for (int k = 0; k < 20; ++k) {
    plain.iterate(k);
    wrapped.iterate(k);
  }
  for (int i = 0; i < 8; ++i) {
    for (std::int32_t x = 0; x < length; ++x)
      ASSERT_EQ(plain.decision(i)[x], wrapped.decision(i)[x]);
  }
}

}  // namespace
}  // namespace vok
