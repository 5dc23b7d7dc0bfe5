// The fast encoder, syndrome former and decoder against the straightforward
// reference: identical check symbols, and identical U, D and S after the load
// and after every iteration, over random codes, schedules and blocks.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <string>

#include "codec/byte_blocks.h"
#include "codec/codec.h"
#include "codec/vector_votes.h"
#include "codec_test_util.h"
#include "reference_decoder.h"
#include "vote_paths.h"

namespace vok {
namespace {

using test::Block;
using test::ReferenceDecoder;

std::string registersDiffer(const Codec& codec, const ReferenceDecoder& reference) {
  const std::int32_t length = codec.branchLength();
  for (int i = 0; i < codec.nk(); ++i) {
    for (std::int32_t x = 0; x < length; ++x) {
      if (codec.decision(i)[x] != reference.decision(i)[x]) {
        return "U[" + std::to_string(i) + "][" + std::to_string(x) + "]";
      }
      if (codec.difference(i)[x] != reference.difference(i)[x]) {
        return "D[" + std::to_string(i) + "][" + std::to_string(x) + "]";
      }
    }
  }
  for (int j = 0; j < codec.nr(); ++j) {
    for (std::int32_t x = 0; x < length; ++x) {
      if (codec.syndrome(j)[x] != reference.syndrome(j)[x]) {
        return "S[" + std::to_string(j) + "][" + std::to_string(x) + "]";
      }
    }
  }
  return "";
}

// Loads the block into both decoders and runs iterations 0..iterations-1
// in both; returns where the registers first differ ("" when never).
std::string firstDifferenceWhileDecoding(Codec& codec, ReferenceDecoder& reference,
                                         const Block& block, int iterations) {
  codec.loadReceived(block.infoPtrs.data(), block.checkPtrs.data());
  reference.loadReceived(block.infoPtrs.data(), block.checkPtrs.data());
  for (int k = 0; k < iterations; ++k) {
    codec.iterate(k);
    reference.iterate(k);
    const std::string differs = registersDiffer(codec, reference);
    if (!differs.empty()) return differs + " after iteration " + std::to_string(k);
  }
  return "";
}

std::int32_t randomDelay(std::mt19937& gen, std::int32_t length) {
  switch (gen() % 8) {
    case 0:
      return -static_cast<std::int32_t>(gen() % (3 * static_cast<std::uint32_t>(length)));
    case 1:
      return static_cast<std::int32_t>(gen() % (5 * static_cast<std::uint32_t>(length)));
    case 2:
      return gen() % 2 == 0 ? INT32_MIN + static_cast<std::int32_t>(gen() % 100)
                            : INT32_MAX - static_cast<std::int32_t>(gen() % 100);
    default:
      return static_cast<std::int32_t>(gen() % static_cast<std::uint32_t>(length));
  }
}

int pick(std::mt19937& gen, std::initializer_list<int> choices) {
  return *(choices.begin() + gen() % choices.size());
}

struct RandomCase {
  CodeDescription code;
  DecoderSchedule schedule;
  std::int32_t symbolCount = 0;
  std::int32_t q = 256;
};

RandomCase randomCase(std::mt19937& gen) {
  RandomCase c;
  c.code.nk = gen() % 3 == 0 ? 1 + static_cast<int>(gen() % 16) : 1 + static_cast<int>(gen() % 4);
  c.code.nr = gen() % 3 == 0 ? 1 + static_cast<int>(gen() % 16) : 1 + static_cast<int>(gen() % 4);
  const std::int32_t length = gen() % 4 == 0 ? 1 + static_cast<std::int32_t>(gen() % 5)
                                             : 1 + static_cast<std::int32_t>(gen() % 300);
  c.symbolCount = length * c.code.nk - static_cast<std::int32_t>(gen() % c.code.nk);
  if (c.symbolCount < 1) c.symbolCount = 1;
  const std::int32_t realLength = (c.symbolCount + c.code.nk - 1) / c.code.nk;
  for (int i = 0; i < c.code.nk; ++i) {
    for (int j = 0; j < c.code.nr; ++j) {
      const int count = pick(gen, {0, 1, 1, 2, 3, 5});
      for (int n = 0; n < count; ++n) {
        c.code.taps[i][j].delays.push_back(randomDelay(gen, realLength));
      }
    }
  }
  const int itert = 1 + static_cast<int>(gen() % 6);
  c.schedule = test::uniformSchedule(itert, 0, 0, 0, 0);
  for (int k = 0; k < itert; ++k) {
    c.schedule.w[k] = pick(gen, {0, 1, 1, 2, 3, -1, 7});
    c.schedule.t[k] = pick(gen, {0, 0, 1, 2, -1, -2});
    c.schedule.c[k] = static_cast<int>(gen() % 5);
    c.schedule.o[k] = static_cast<int>(gen() % 5);
    c.schedule.p[k] = pick(gen, {0, 0, -1, 1, 2, 3, 17});
    c.schedule.i[k] = pick(gen, {0, 0, -1, 1, 2, 17});
  }
  c.q = pick(gen, {256, 256, 256, 2, 3, 7, 4096, 5000});
  return c;
}

// Random symbols, or a codeword with a few errors, so that corrections happen.
void fillReceived(std::mt19937& gen, const Codec& codec, Block& block) {
  const std::int32_t q = codec.q();
  for (auto& branch : block.info) {
    for (auto& symbol : branch) symbol = static_cast<std::int32_t>(gen() % q);
  }
  if (gen() % 3 == 0) {
    for (auto& branch : block.check) {
      for (auto& symbol : branch) symbol = static_cast<std::int32_t>(gen() % q);
    }
    return;
  }
  codec.encode(block.infoPtrs.data(), block.checkPtrs.data());
  const std::uint32_t rate = 2 + gen() % 10;
  for (auto* branches : {&block.info, &block.check}) {
    for (auto& branch : *branches) {
      for (auto& symbol : branch) {
        if (gen() % rate == 0) symbol = static_cast<std::int32_t>(gen() % q);
      }
    }
  }
}

// Runs each case on each vote path the processor has, and prints which ran
// (the skip message says why a path did not).
class FastCodecMatchesReference : public ::testing::TestWithParam<test::VotePath> {
 protected:
  void SetUp() override {
    const test::VotePath& path = GetParam();
    if (!path.missing().empty()) GTEST_SKIP() << test::votePathLine(path, false);
    inForce_.emplace(path);
    ASSERT_EQ(detail::blockVoteWidth(), path.width) << "the path asked for is not the one run";
  }
  void TearDown() override {
    if (!inForce_) return;
    inForce_.reset();
    std::printf("%s\n", test::votePathLine(GetParam(), true).c_str());
  }

 private:
  std::optional<test::VotePathInForce> inForce_;
};

INSTANTIATE_TEST_SUITE_P(VotePaths, FastCodecMatchesReference,
                         ::testing::ValuesIn(test::votePaths()),
                         [](const ::testing::TestParamInfo<test::VotePath>& info) {
                           return std::string(info.param.name);
                         });

TEST_P(FastCodecMatchesReference, OnRandomCodesSchedulesAndBlocks) {
  std::mt19937 gen(20261207);
  int applied = 0;
  for (int round = 0; round < 1500; ++round) {
    const RandomCase c = randomCase(gen);
    Codec codec(c.code, c.schedule, c.symbolCount);
    ASSERT_TRUE(codec.loaded());
    codec.setQ(c.q);
    ReferenceDecoder reference(codec);
    SCOPED_TRACE("round " + std::to_string(round) + " nk=" + std::to_string(c.code.nk) +
                 " nr=" + std::to_string(c.code.nr) + " L=" + std::to_string(codec.branchLength()) +
                 " Q=" + std::to_string(c.q));

    Block block(codec);
    fillReceived(gen, codec, block);
    Block fastChecks = block;
    Block referenceChecks = block;
    codec.encode(block.infoPtrs.data(), fastChecks.checkPtrs.data());
    reference.encode(block.infoPtrs.data(), referenceChecks.checkPtrs.data());
    ASSERT_EQ(fastChecks.check, referenceChecks.check);

    codec.loadReceived(block.infoPtrs.data(), block.checkPtrs.data());
    reference.loadReceived(block.infoPtrs.data(), block.checkPtrs.data());
    ASSERT_EQ(registersDiffer(codec, reference), "") << "after load";
    // The schedule in order, then a few iterations again in any order.
    std::vector<int> order;
    for (int k = 0; k < codec.iterationCount(); ++k) order.push_back(k);
    for (int extra = 0; extra < 2; ++extra) {
      order.push_back(static_cast<int>(gen() % codec.iterationCount()));
    }
    for (int k : order) {
      codec.iterate(k);
      reference.iterate(k);
      ASSERT_EQ(registersDiffer(codec, reference), "") << "after iteration " << k;
    }
    for (int i = 0; i < codec.nk(); ++i) {
      for (std::int32_t x = 0; x < codec.branchLength(); ++x)
        applied += codec.difference(i)[x] != 0;
    }
  }
  EXPECT_GT(applied, 10000) << "the cases must exercise corrections";
}

// A comparator network sorts every input when it sorts every input of 0s and
// 1s: the lane votes' networks, for every number of values they sort.
TEST(LaneVoteSortingNetwork, SortsEveryInputOfZerosAndOnesOfEachSize) {
  for (std::int32_t count = 1; count <= detail::kMaxBlockTaps + 1; ++count) {
    const detail::SortingNetwork network = detail::sortingNetwork(count);
    for (std::uint32_t bits = 0; bits < 1u << count; ++bits) {
      std::uint32_t v = bits;
      for (std::size_t c = 0; c < network.size; ++c) {
        const auto [a, b] = network.pairs[c];
        ASSERT_LT(b, count) << "a comparator beyond the values";
        if ((v >> a & 1u) > (v >> b & 1u)) v ^= 1u << a | 1u << b;
      }
      // Sorted: the 1s fill the top places, so v plus its lowest 1 carries
      // out of them all.
      ASSERT_TRUE(v == 0 || v + (v & (0u - v)) == 1u << count)
          << count << " values, input " << bits;
    }
  }
}

// A random codeword of `codec` with about one symbol in `oneIn` in error.
Block noisyCodeword(std::mt19937& gen, const Codec& codec, std::uint32_t oneIn) {
  const auto q = static_cast<std::uint32_t>(codec.q());
  Block block(codec);
  for (auto& branch : block.info) {
    for (auto& symbol : branch) symbol = static_cast<std::int32_t>(gen() % q);
  }
  codec.encode(block.infoPtrs.data(), block.checkPtrs.data());
  for (auto* branches : {&block.info, &block.check}) {
    for (auto& branch : *branches) {
      for (auto& symbol : branch) {
        if (gen() % oneIn == 0) {
          symbol = static_cast<std::int32_t>(
              (static_cast<std::uint32_t>(symbol) + 1 + gen() % (q - 1)) % q);
        }
      }
    }
  }
  return block;
}

TEST_P(FastCodecMatchesReference, OnTheBuiltInCodeAfterANoisyChannel) {
  std::mt19937 gen(123);
  for (std::int32_t symbolCount : {30000, 16001}) {
    Codec codec(CodeDescription::builtIn(), DecoderSchedule::builtIn(), symbolCount);
    ReferenceDecoder reference(codec);
    const Block block = noisyCodeword(gen, codec, 4);
    ASSERT_EQ(firstDifferenceWhileDecoding(codec, reference, block, codec.iterationCount()), "")
        << "N=" << symbolCount;
  }
}

// A pass that corrected nothing is skipped while the registers stay as they
// are. Two kinds of pass alternate over seven check branches until the
// decoder is stuck (at one error in five), then all eight vote, then the two
// again: both must run again after the eight corrected, and after a second
// block is loaded into the same codec. On byte blocks, on one-by-one byte votes (a short block)
// and on int32 registers (Q = 200).
TEST_P(FastCodecMatchesReference, WhenPassesRepeatOnRegistersTheyLeftAlone) {
  std::mt19937 gen(4242);
  DecoderSchedule schedule = test::uniformSchedule(16, 1, 0, 7, 0);
  for (int k = 1; k < 16; k += 2) schedule.w[k] = 0;
  schedule.p[10] = 0;
  for (const auto& [symbolCount, q] :
       {std::pair{30000, 256}, std::pair{200, 256}, std::pair{30000, 200}}) {
    Codec codec(CodeDescription::builtIn(), schedule, symbolCount);
    codec.setQ(q);
    ReferenceDecoder reference(codec);
    for (int load = 0; load < 2; ++load) {
      const Block block = noisyCodeword(gen, codec, 5);
      ASSERT_EQ(firstDifferenceWhileDecoding(codec, reference, block, codec.iterationCount()), "")
          << "N=" << symbolCount << " Q=" << q << " load " << load;
    }
  }
}

TEST_P(FastCodecMatchesReference, WhenTiesAreAppliedUnderNegativeThresholds) {
  // Threshold -1 applies margin-0 votes, so the winner of a tie (the first
  // candidate in list order) decides the correction.
  std::mt19937 gen(77);
  for (int round = 0; round < 300; ++round) {
    CodeDescription code;
    code.nk = 1 + static_cast<int>(gen() % 3);
    code.nr = 1 + static_cast<int>(gen() % 4);
    for (int i = 0; i < code.nk; ++i) {
      for (int j = 0; j < code.nr; ++j) {
        const int count = static_cast<int>(gen() % 4);
        for (int n = 0; n < count; ++n)
          code.taps[i][j].delays.push_back(static_cast<int>(gen() % 9));
      }
    }
    const DecoderSchedule schedule =
        test::uniformSchedule(3, pick(gen, {0, 1, 2, -1}), pick(gen, {-1, -2}), 0, 0);
    Codec codec(code, schedule, code.nk * 9);
    codec.setQ(pick(gen, {3, 4, 256}));
    ReferenceDecoder reference(codec);
    Block block(codec);
    for (auto* branches : {&block.info, &block.check}) {
      for (auto& branch : *branches) {
        for (auto& symbol : branch) symbol = static_cast<std::int32_t>(gen() % codec.q());
      }
    }
    ASSERT_EQ(firstDifferenceWhileDecoding(codec, reference, block, 3), "") << "round " << round;
  }
}

TEST_P(FastCodecMatchesReference, WhenCorrectionsChangeTheVotesOfTheNextFewPositions) {
  // Delays a few positions apart make a correction change syndromes that
  // the votes of the next positions read, within one block of positions
  // that the decoder first looks at as a whole. Up to 16 taps a branch, or
  // a few more to make it look at each position alone.
  std::mt19937 gen(4242);
  for (int round = 0; round < 400; ++round) {
    CodeDescription code;
    code.nk = 1 + static_cast<int>(gen() % 5);
    code.nr = 1 + static_cast<int>(gen() % 5);
    const int most = round % 10 == 0 ? 6 : 3;
    for (int i = 0; i < code.nk; ++i) {
      for (int j = 0; j < code.nr; ++j) {
        const int count = static_cast<int>(gen() % (most + 1));
        // Negative delays reduce to L - 1, L - 2, ...: near a delay of 0
        // they also meet across the wrap.
        for (int n = 0; n < count; ++n)
          code.taps[i][j].delays.push_back(static_cast<int>(gen() % 48) - 24 * (round % 2));
      }
    }
    const int itert = 4;
    DecoderSchedule schedule = test::uniformSchedule(itert, 0, 0, 0, 0);
    for (int k = 0; k < itert; ++k) {
      schedule.w[k] = pick(gen, {1, 1, 0, 0, 2, -1});
      schedule.t[k] = pick(gen, {0, 0, 1, -1});
      schedule.p[k] = pick(gen, {0, 0, 1, 2, -1});
      schedule.i[k] = pick(gen, {0, 0, 1, 3, -1});
    }
    Codec codec(code, schedule, code.nk * (40 + static_cast<std::int32_t>(gen() % 400)));
    codec.setQ(pick(gen, {256, 256, 3, 16}));
    ReferenceDecoder reference(codec);
    Block block(codec);
    fillReceived(gen, codec, block);
    ASSERT_EQ(firstDifferenceWhileDecoding(codec, reference, block, itert), "")
        << "round " << round;
  }
}

TEST_P(FastCodecMatchesReference, WhenBranchesAreAboutOneVectorLong) {
  // Branches shorter than a vector (no block at all), of one vector, or a
  // little longer (a block and a few positions one by one), where every
  // delay of the built-in code wraps; and weights beyond the byte lanes'
  // counts, which leave every vote to the one-by-one path.
  std::mt19937 gen(3232);
  for (std::int32_t length : {5, 31, 32, 33, 63, 64, 65, 96, 97, 130}) {
    for (int weight : {1, 40, -33}) {
      DecoderSchedule schedule = DecoderSchedule::builtIn();
      schedule.w[0] = weight;
      Codec codec(CodeDescription::builtIn(), schedule, 8 * length);
      ReferenceDecoder reference(codec);
      Block block(codec);
      fillReceived(gen, codec, block);
      ASSERT_EQ(firstDifferenceWhileDecoding(codec, reference, block, codec.iterationCount()), "")
          << "L=" << length << " w=" << weight;
    }
  }
}

}  // namespace
}  // namespace vok
