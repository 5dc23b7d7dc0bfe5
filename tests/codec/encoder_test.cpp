// The encoder and the syndrome former: check values, cyclic positions for any
// delay, and the syndromes that errors leave.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "codec/codec.h"
#include "codec_test_util.h"

namespace vok {
namespace {

using test::Block;

std::int32_t mod(std::int64_t value, std::int64_t m) {
  const std::int64_t r = value % m;
  return static_cast<std::int32_t>(r < 0 ? r + m : r);
}

// Q is 256 unless set otherwise.
Codec builtInCodec(std::int32_t symbolCount) {
  return Codec(CodeDescription::builtIn(), DecoderSchedule::builtIn(), symbolCount);
}

void fillRandom(Block& block, std::uint32_t seed) {
  std::mt19937 gen(seed);
  for (auto& branch : block.info) {
    for (auto& symbol : branch) symbol = static_cast<std::int32_t>(gen() % 256);
  }
}

TEST(Encoder, AllZeroBlockGivesAllZeroChecks) {
  Codec codec = builtInCodec(8000);
  Block block(codec);
  for (auto& branch : block.check) branch.assign(branch.size(), 77);
  codec.encode(block.infoPtrs.data(), block.checkPtrs.data());
  for (const auto& branch : block.check) {
    for (std::int32_t symbol : branch) ASSERT_EQ(symbol, 0);
  }
}

TEST(Encoder, SingleInfoSymbolReachesExactlyItsSixteenChecks) {
  Codec codec = builtInCodec(8000);  // L = 1000
  const std::int32_t length = codec.branchLength();
  ASSERT_EQ(length, 1000);
  Block block(codec);
  block.info[3][0] = 1;
  codec.encode(block.infoPtrs.data(), block.checkPtrs.data());
  std::vector<std::vector<std::int32_t>> expected(8, std::vector<std::int32_t>(length, 0));
  expected[0][mod(-414, length)] = 1;
  expected[4][mod(-344, length)] = 1;
  expected[5][mod(-26, length)] = 1;
  expected[6][mod(-14, length)] = 1;
  for (int d : {5, 12, 29, 49, 87, 113, 117, 253, 336, 470, 609, 735}) {
    expected[7][mod(-d, length)] = 1;
  }
  EXPECT_EQ(block.check, expected);
}

TEST(Encoder, DelaysWrapCyclicallyHoweverLargeOrNegative) {
  constexpr std::int32_t kLength = 7;
  CodeDescription code;
  code.nk = 2;
  code.nr = 2;
  const std::vector<std::int32_t> wild = {INT32_MIN, INT32_MAX, -1, 7, 15, -15, 3, 10};
  code.taps[0][0].delays = wild;
  code.taps[1][0].delays = {2, 9};  // equal modulo L: the symbol counts twice
  code.taps[0][1].delays = {INT32_MIN + 1, -8};
  Codec codec(code, test::uniformSchedule(1, 1, 0, 0, 0), 2 * kLength);
  codec.setQ(256);
  ASSERT_TRUE(codec.loaded());
  ASSERT_EQ(codec.branchLength(), kLength);
  EXPECT_EQ(codec.code().taps[0][0].delays, wild) << "the original delays are kept";

  Block block(codec);
  fillRandom(block, 5);
  codec.encode(block.infoPtrs.data(), block.checkPtrs.data());
  for (std::int32_t x = 0; x < kLength; ++x) {
    for (int j = 0; j < 2; ++j) {
      std::int64_t sum = 0;
      for (int i = 0; i < 2; ++i) {
        for (std::int32_t d : code.taps[i][j].delays)
          sum += block.info[i][mod(x + std::int64_t{d}, kLength)];
      }
      EXPECT_EQ(block.check[j][x], mod(sum, 256)) << "x=" << x << " j=" << j;
    }
  }
}

TEST(SyndromeFormer, SentBlockGivesZeroSyndromes) {
  Codec codec = builtInCodec(30000);
  Block block(codec);
  fillRandom(block, 1);
  codec.encode(block.infoPtrs.data(), block.checkPtrs.data());
  codec.loadReceived(block.infoPtrs.data(), block.checkPtrs.data());
  const std::int32_t length = codec.branchLength();
  for (int i = 0; i < 8; ++i) {
    ASSERT_EQ(std::vector<std::int32_t>(codec.decision(i), codec.decision(i) + length),
              block.info[i]);
    for (std::int32_t x = 0; x < length; ++x) ASSERT_EQ(codec.difference(i)[x], 0);
  }
  for (int j = 0; j < 8; ++j) {
    for (std::int32_t x = 0; x < length; ++x) ASSERT_EQ(codec.syndrome(j)[x], 0);
  }
}

// Counts the nonzero syndromes and checks each has `value`.
int nonzeroSyndromes(const Codec& codec, std::int32_t value) {
  int count = 0;
  for (int j = 0; j < codec.nr(); ++j) {
    for (std::int32_t x = 0; x < codec.branchLength(); ++x) {
      if (codec.syndrome(j)[x] != 0) {
        EXPECT_EQ(codec.syndrome(j)[x], value);
        ++count;
      }
    }
  }
  return count;
}

TEST(SyndromeFormer, ErrorsShowAsPlusOnInfoAndMinusOnCheck) {
  Codec codec = builtInCodec(16000);
  Block block(codec);
  fillRandom(block, 2);
  codec.encode(block.infoPtrs.data(), block.checkPtrs.data());

  block.info[3][0] = (block.info[3][0] + 200) % 256;
  codec.loadReceived(block.infoPtrs.data(), block.checkPtrs.data());
  EXPECT_EQ(nonzeroSyndromes(codec, 200), 16);
  EXPECT_EQ(codec.syndrome(0)[mod(-414, codec.branchLength())], 200);
  block.info[3][0] = (block.info[3][0] + 56) % 256;

  block.check[5][17] = (block.check[5][17] + 30) % 256;
  codec.loadReceived(block.infoPtrs.data(), block.checkPtrs.data());
  EXPECT_EQ(nonzeroSyndromes(codec, 226), 1);
  EXPECT_EQ(codec.syndrome(5)[17], 226);
}

TEST(SyndromeFormer, LoadStartsAFreshDecoding) {
  Codec codec = builtInCodec(16000);
  Block block(codec);
  fillRandom(block, 3);
  codec.encode(block.infoPtrs.data(), block.checkPtrs.data());
  block.info[0][10] = (block.info[0][10] + 1) % 256;
  codec.loadReceived(block.infoPtrs.data(), block.checkPtrs.data());
  codec.iterate(0);
  ASSERT_NE(codec.difference(0)[10], 0);
  codec.loadReceived(block.infoPtrs.data(), block.checkPtrs.data());
  EXPECT_EQ(codec.difference(0)[10], 0);
  EXPECT_EQ(codec.decision(0)[10], block.info[0][10]);
  EXPECT_EQ(nonzeroSyndromes(codec, 1), 16);
}

// Byte branches with Q = 256 are summed in bytes: check values and the
// syndromes of a noisy block must be those of int32 branches, including
// where every symbol is 255 and the sums wrap many times.
TEST(SyndromeFormer, ByteBranchesEncodeAndLoadAsInt32Do) {
  const auto toBytes = [](const std::vector<std::vector<std::int32_t>>& branches) {
    std::vector<std::vector<std::uint8_t>> bytes;
    for (const auto& branch : branches) bytes.emplace_back(branch.begin(), branch.end());
    return bytes;
  };
  const auto pointers = [](std::vector<std::vector<std::uint8_t>>& branches) {
    std::vector<std::uint8_t*> out;
    for (auto& branch : branches) out.push_back(branch.data());
    return out;
  };
  Codec wide = builtInCodec(24000);
  Codec narrow = builtInCodec(24000);
  for (const bool saturated : {false, true}) {
    Block block(wide);
    fillRandom(block, 4);
    if (saturated) {
      for (auto& branch : block.info) branch.assign(branch.size(), 255);
    }
    wide.encode(block.infoPtrs.data(), block.checkPtrs.data());
    auto info = toBytes(block.info);
    auto check = toBytes(block.check);
    auto infoPtrs = pointers(info);
    auto checkPtrs = pointers(check);
    narrow.encode(infoPtrs.data(), checkPtrs.data());
    ASSERT_EQ(check, toBytes(block.check)) << (saturated ? "all 255" : "random");

    std::mt19937 gen(5);
    for (std::size_t j = 0; j < check.size(); ++j) {
      for (std::size_t x = 0; x < check[j].size(); x += 1 + gen() % 7) {
        check[j][x] = static_cast<std::uint8_t>(gen());
        block.check[j][x] = check[j][x];
      }
    }
    wide.loadReceived(block.infoPtrs.data(), block.checkPtrs.data());
    narrow.loadReceived(infoPtrs.data(), checkPtrs.data());
    for (int j = 0; j < wide.nr(); ++j) {
      for (std::int32_t x = 0; x < wide.branchLength(); ++x) {
        ASSERT_EQ(narrow.syndrome(j)[x], wide.syndrome(j)[x]) << "branch " << j << ", " << x;
      }
    }
  }
}

}  // namespace
}  // namespace vok
