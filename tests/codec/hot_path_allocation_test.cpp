// The hot paths allocate nothing: encode, load received, every decoder
// iteration (custom codes and large alphabets included) and the channel's
// transmit. This test binary replaces the global operator new to count
// every allocation made while a hot path runs.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include "channel/qary_channel.h"
#include "codec/codec.h"
#include "codec_test_util.h"

namespace {

std::int64_t allocationCount = 0;

void* countedAllocation(std::size_t size) {
  ++allocationCount;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return countedAllocation(size); }
void* operator new[](std::size_t size) { return countedAllocation(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  ++allocationCount;
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  ++allocationCount;
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace vok {
namespace {

using test::Block;

// Allocations made by `work`.
template <typename Work>
std::int64_t allocationsDuring(Work&& work) {
  const std::int64_t before = allocationCount;
  work();
  return allocationCount - before;
}

TEST(HotPaths, CountingAllocatorSeesAllocations) {
  EXPECT_GT(allocationsDuring([] { std::vector<int> v(10); }), 0);
}

void expectNoAllocation(const CodeDescription& code, const DecoderSchedule& schedule,
                        std::int32_t symbolCount, std::int32_t q) {
  Codec codec(code, schedule, symbolCount);
  ASSERT_TRUE(codec.loaded());
  codec.setQ(q);
  Block block(codec);
  QaryChannel channel;
  channel.setQ(q);
  channel.setP0(0.25f);
  channel.setSeed(123);
  channel.reseed();
  EXPECT_EQ(allocationsDuring([&] { codec.encode(block.infoPtrs.data(), block.checkPtrs.data()); }),
            0);
  EXPECT_EQ(allocationsDuring([&] {
              for (auto* b : block.infoPtrs) channel.transmit(b, b, codec.branchLength());
              for (auto* b : block.checkPtrs) channel.transmit(b, b, codec.branchLength());
            }),
            0);
  EXPECT_EQ(
      allocationsDuring([&] { codec.loadReceived(block.infoPtrs.data(), block.checkPtrs.data()); }),
      0);
  EXPECT_EQ(allocationsDuring([&] {
              for (int k = 0; k < codec.iterationCount(); ++k) codec.iterate(k);
            }),
            0);
  std::vector<std::int32_t> out(static_cast<std::size_t>(codec.nk()) * codec.branchLength());
  std::vector<std::int32_t*> outPtrs;
  for (int i = 0; i < codec.nk(); ++i) outPtrs.push_back(out.data() + i * codec.branchLength());
  EXPECT_EQ(allocationsDuring([&] { codec.copyDecisions(outPtrs.data()); }), 0);
}

TEST(HotPaths, BuiltInCodeAllocatesNothing) {
  expectNoAllocation(CodeDescription::builtIn(), DecoderSchedule::builtIn(), 30000, 256);
}

TEST(HotPaths, CustomCodeAndScheduleAllocateNothing) {
  CodeDescription code;
  code.nk = 3;
  code.nr = 2;
  code.taps[0][0].delays = {0, -5, 1000};
  code.taps[1][0].delays = {7};
  code.taps[2][1].delays = {3, 3, 2147483647};
  code.taps[0][1].delays = {-2147483647 - 1};
  DecoderSchedule schedule = test::uniformSchedule(4, 2, 1, 0, 0);
  schedule.w = {2, 0, -1, 1};
  schedule.t = {1, -1, 0, 0};
  schedule.p = {-1, 1, 0, 5};
  for (std::int32_t q : {256, 7, 70000}) expectNoAllocation(code, schedule, 999, q);
}

}  // namespace
}  // namespace vok
