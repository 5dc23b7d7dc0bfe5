// The transmission step the window and the sweep share: the branch layout,
// the same draws for byte and wide symbols, and the decoding stop rule.
#include "experiment/transmission.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vok {
namespace {

template <typename Symbol>
BranchBlock<Symbol> sentBlock(const Codec& codec) {
  BranchBlock<Symbol> block;
  block.assign(codec.nk(), codec.nr(), codec.branchLength());
  for (std::size_t x = 0; x < 2000; ++x) block.symbols[x] = static_cast<Symbol>((x * 37) % 256);
  encodeBlock(codec, block);
  return block;
}

TEST(Transmission, ByteAndWideSymbolsGetTheSameDrawsAndDecisions) {
  Codec bytes(CodeDescription::builtIn(), DecoderSchedule::builtIn(), 2000);
  Codec wide(CodeDescription::builtIn(), DecoderSchedule::builtIn(), 2000);
  ASSERT_TRUE(bytes.loaded() && wide.loaded());
  const BranchBlock<std::uint8_t> sentBytes = sentBlock<std::uint8_t>(bytes);
  const BranchBlock<std::int32_t> sentWide = sentBlock<std::int32_t>(wide);
  ASSERT_EQ(sentBytes.branchCount(), bytes.nk() + bytes.nr());
  EXPECT_EQ(sentBytes.check[0], sentBytes.branch(bytes.nk()));

  BranchBlock<std::uint8_t> receivedBytes;
  BranchBlock<std::int32_t> receivedWide;
  receivedBytes.assign(bytes.nk(), bytes.nr(), bytes.branchLength());
  receivedWide.assign(wide.nk(), wide.nr(), wide.branchLength());
  QaryChannel channelBytes;
  QaryChannel channelWide;
  for (QaryChannel* channel : {&channelBytes, &channelWide}) {
    channel->setSeed(123);
    channel->reseed();
  }
  transmitBlock(channelBytes, 0.2f, sentBytes, receivedBytes, bytes);
  transmitBlock(channelWide, 0.2f, sentWide, receivedWide, wide);
  std::int64_t changed = 0;
  for (std::size_t x = 0; x < receivedWide.symbols.size(); ++x) {
    ASSERT_EQ(receivedWide.symbols[x], receivedBytes.symbols[x]) << x;
    ASSERT_EQ(sentWide.symbols[x], sentBytes.symbols[x]) << x;
    changed += receivedWide.symbols[x] != sentWide.symbols[x];
  }
  EXPECT_GT(changed, 0);

  bytes.iterate(0);
  wide.iterate(0);
  BranchBlock<std::uint8_t> decided;
  decided.assign(bytes.nk(), 0, bytes.branchLength());
  bytes.copyDecisions(decided.info.data());
  std::vector<std::int32_t> sentInformation(sentWide.symbols.begin(),
                                            sentWide.symbols.begin() + 2000);
  std::int64_t byteErrors = 0;
  for (std::size_t x = 0; x < 2000; ++x) byteErrors += decided.symbols[x] != sentBytes.symbols[x];
  EXPECT_EQ(wide.decisionErrors(sentInformation.data(), 2000), byteErrors);
  EXPECT_EQ(bytes.decisionErrors(sentBytes.symbols.data(), 2000), byteErrors);
  EXPECT_EQ(bytes.decisionErrors(sentBytes.symbols.data(), 37),
            wide.decisionErrors(sentInformation.data(), 37));
}

// The byte count must read int32 registers too (alphabets other than 256).
TEST(Transmission, WrongDecisionsCountAgainstBytesWithWideRegisters) {
  Codec codec(CodeDescription::builtIn(), DecoderSchedule::builtIn(), 2000);
  ASSERT_TRUE(codec.loaded());
  codec.setQ(200);
  BranchBlock<std::int32_t> sent;
  sent.assign(codec.nk(), codec.nr(), codec.branchLength());
  for (std::size_t x = 0; x < 2000; ++x) sent.symbols[x] = static_cast<std::int32_t>(x % 200);
  encodeBlock(codec, sent);
  BranchBlock<std::int32_t> received;
  received.assign(codec.nk(), codec.nr(), codec.branchLength());
  std::copy(sent.symbols.begin(), sent.symbols.end(), received.symbols.begin());
  for (const std::size_t x : {0u, 5u, 1999u}) received.symbols[x] = (sent.symbols[x] + 1) % 200;
  codec.loadReceived(received.info.data(), received.check.data());
  const std::vector<std::uint8_t> sentBytes(sent.symbols.begin(), sent.symbols.begin() + 2000);
  EXPECT_EQ(codec.decisionErrors(sentBytes.data(), 2000), 3);
  EXPECT_EQ(codec.decisionErrors(sentBytes.data(), 1999), 2);
  EXPECT_EQ(codec.decisionErrors(sent.symbols.data(), 2000), 3);
}

// Byte registers are counted in byte-wide counters: runs of equal symbols
// far past 255 vectors of them must not wrap the count.
TEST(Transmission, LongRunsOfRightDecisionsDoNotWrapTheByteCount) {
  Codec codec(CodeDescription::builtIn(), DecoderSchedule::builtIn(), 100000);
  ASSERT_TRUE(codec.loaded());
  const auto count = static_cast<std::int32_t>(codec.nk() * codec.branchLength());
  ASSERT_GT(count, 65536);
  BranchBlock<std::uint8_t> sent;
  sent.assign(codec.nk(), codec.nr(), codec.branchLength());
  for (std::int32_t x = 0; x < count; ++x) sent.symbols[x] = static_cast<std::uint8_t>(x * 7);
  encodeBlock(codec, sent);
  BranchBlock<std::uint8_t> received;
  received.assign(codec.nk(), codec.nr(), codec.branchLength());
  std::copy(sent.symbols.begin(), sent.symbols.end(), received.symbols.begin());
  for (const std::int32_t x : {3, 4100, 4101, 65535, 65536, count - 1}) received.symbols[x] ^= 1;
  codec.loadReceived(received.info.data(), received.check.data());
  EXPECT_EQ(codec.decisionErrors(sent.symbols.data(), count), 6);
  EXPECT_EQ(codec.decisionErrors(sent.symbols.data(), count - 1), 5);
  EXPECT_EQ(codec.decisionErrors(sent.symbols.data(), 4101), 2);
  EXPECT_EQ(codec.decisionErrors(received.symbols.data(), count), 0);
}

TEST(Transmission, DecodingRunsTheFirstIterationAlwaysAndStopsByTheRule) {
  std::vector<int> ran;
  const auto record = [&](int k) { ran.push_back(k); };
  int k = 0;
  decodeToEnd(k, 5, record, [] { return false; });  // nothing left after the first
  EXPECT_EQ(ran, (std::vector<int>{0}));
  EXPECT_EQ(k, 1);
  decodeToEnd(k, 5, record, [] { return false; });  // a later start needs work left
  EXPECT_EQ(k, 1);
  int left = 2;
  decodeToEnd(k, 5, record, [&] { return left-- > 0; });
  EXPECT_EQ(ran, (std::vector<int>{0, 1, 2}));
  decodeToEnd(k, 5, record, [] { return true; });  // never beyond the schedule
  EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(k, 5);
}

}  // namespace
}  // namespace vok
