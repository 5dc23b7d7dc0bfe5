// The closed-form error value against the counting search: the same n for
// every float near every interval boundary n * d (including r_f exactly equal
// to n * d, and n = Q where (Q - 1) * d < P0), for the draws the generator can
// give near them, and for whole transmissions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "channel/error_value.h"
#include "channel/error_value_table.h"
#include "channel/qary_channel.h"
#include "channel/random_generator.h"
#include "error_value_oracles.h"

namespace vok {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kDrawDivisor = RandomGenerator::kMaskB;

const std::vector<float>& probabilities() {
  static const std::vector<float> p0s = {0.25f,
                                         0.1f,
                                         1.0f,
                                         2.0f,
                                         0.5f,
                                         0.3f,
                                         0.7f,
                                         0.999f,
                                         1e-3f,
                                         1e-7f,
                                         0.01f,
                                         0.0f,
                                         -0.0f,
                                         1e-45f,
                                         std::numeric_limits<float>::min(),
                                         3.0e38f,
                                         std::numeric_limits<float>::infinity()};
  return p0s;
}

TEST(ErrorValueClosedForm, SameNForEveryFloatNearEveryBoundary) {
  std::int64_t checked = 0;
  for (std::int32_t q : {256, 2, 3, 7, 255, 1000}) {
    for (float p0 : probabilities()) {
      const float d = detail::errorStep(p0, q);
      for (std::int32_t n = 0; n <= q + 1; ++n) {
        const double boundary = static_cast<double>(n) * d;
        if (!std::isfinite(boundary)) continue;
        // Floats from a few below to a few above the boundary, through the
        // one nearest to it (which may equal it exactly).
        float f = static_cast<float>(boundary);
        for (int step = 0; step < 6; ++step) f = std::nextafter(f, -1.0f);
        for (int step = 0; step < 13;
             ++step, f = std::nextafter(f, std::numeric_limits<float>::infinity())) {
          if (!(f >= 0.0f)) continue;
          const std::int32_t counted = detail::errorValue(f, INFINITY, d, q);
          ASSERT_EQ(detail::errorValueClosedForm(f, INFINITY, d, q), counted)
              << "q=" << q << " p0=" << p0 << " n=" << n << " rf=" << f;
          ASSERT_EQ(detail::coveringMultipleNearEstimate(f, d, 1.0 / static_cast<double>(d), q),
                    counted)
              << "branch-free: q=" << q << " p0=" << p0 << " n=" << n << " rf=" << f;
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(checked, 100000);
}

TEST(ErrorValueClosedForm, SameNForEveryDrawNearEveryBoundaryAndNearP0) {
  for (std::int32_t q : {256, 3}) {
    for (float p0 : {0.25f, 0.1f, 1.0f, 2.0f, 0.3f}) {
      const float d = detail::errorStep(p0, q);
      std::vector<double> edges = {static_cast<double>(p0)};
      for (std::int32_t n = 1; n <= q; ++n) edges.push_back(static_cast<double>(n) * d);
      for (double edge : edges) {
        const double centre = std::floor(std::min(edge, 1.0) * kDrawDivisor);
        for (double k = std::max(0.0, centre - 48); k <= std::min(kDrawDivisor, centre + 48); ++k) {
          const double r = k / kDrawDivisor;
          const std::int32_t counted = detail::errorValue(r, p0, d, q);
          ASSERT_EQ(detail::errorValueClosedForm(r, p0, d, q), counted)
              << "q=" << q << " p0=" << p0 << " k=" << k;
          const bool error = k <= static_cast<double>(detail::largestErrorNumerator(p0));
          const std::int32_t branchFree = detail::coveringMultipleNearEstimate(
              static_cast<float>(r), d, 1.0 / static_cast<double>(d), q);
          ASSERT_EQ(error ? branchFree : 0, counted) << "q=" << q << " p0=" << p0 << " k=" << k;
        }
      }
    }
  }
}

TEST(ErrorValueClosedForm, KnownEdgesIncludingNEqualToQ) {
  const float d25 = detail::errorStep(0.25f, 256);
  EXPECT_EQ(detail::errorValueClosedForm(536870911 / kDrawDivisor, 0.25f, d25, 256), 255);
  EXPECT_EQ(detail::errorValueClosedForm(536870912 / kDrawDivisor, 0.25f, d25, 256), 0);
  EXPECT_EQ(detail::errorValueClosedForm(2105376 / kDrawDivisor, 0.25f, d25, 256), 1);
  EXPECT_EQ(detail::errorValueClosedForm(2105377 / kDrawDivisor, 0.25f, d25, 256), 2);
  const float d10 = detail::errorStep(0.1f, 256);
  EXPECT_EQ(detail::errorValueClosedForm(214748367 / kDrawDivisor, 0.1f, d10, 256), 256);
  EXPECT_EQ(detail::errorValueClosedForm(214748359 / kDrawDivisor, 0.1f, d10, 256), 255);
  // r_f exactly on a boundary (2 * d is a float) belongs to the lower interval.
  EXPECT_EQ(detail::errorValueClosedForm(2.0 * d25, INFINITY, d25, 256), 2);
  EXPECT_EQ(detail::errorValueClosedForm(std::nextafter(2.0f * d25, 1.0f), INFINITY, d25, 256), 3);
  EXPECT_EQ(detail::errorValueClosedForm(0.0, 0.0f, 0.0f, 256), 1);
  EXPECT_EQ(detail::errorValueClosedForm(0.5, INFINITY, INFINITY, 256), 1);
  EXPECT_EQ(detail::errorValueClosedForm(0.5, std::nanf(""), d25, 256), 0);
  EXPECT_EQ(detail::errorValueClosedForm(0.3, kInfinity, detail::errorStep(2.0f, 256), 256),
            detail::errorValue(0.3, kInfinity, detail::errorStep(2.0f, 256), 256));
}

TEST(ErrorValueClosedForm, LargestErrorNumeratorIsTheExactEdgeOfP0) {
  for (float p0 : probabilities()) {
    const std::int64_t edge = detail::largestErrorNumerator(p0);
    const double limit = p0;
    if (edge >= 0) {
      EXPECT_LE(static_cast<double>(edge) / kDrawDivisor, limit) << p0;
    }
    if (edge < 0x7FFFFFFF) {
      EXPECT_GT(static_cast<double>(edge + 1) / kDrawDivisor, limit) << p0;
    }
  }
  EXPECT_EQ(detail::largestErrorNumerator(0.25f), 536870911);
  EXPECT_EQ(detail::largestErrorNumerator(-1e-30f), -1);
  EXPECT_EQ(detail::largestErrorNumerator(std::nanf("")), -1);
  EXPECT_EQ(detail::largestErrorNumerator(-0.0f), 0);
}

// Transmit with the counting search, as the rule is written.
void countingTransmit(RandomGenerator& random, float p0, std::int32_t q,
                      const std::vector<std::int32_t>& src, std::vector<std::int32_t>& dst) {
  const float d = detail::errorStep(p0, q);
  for (std::size_t i = 0; i < src.size(); ++i) {
    dst[i] = (src[i] + detail::errorValue(random.next(), p0, d, q)) % q;
  }
}

TEST(ErrorValueClosedForm, TransmitMatchesTheCountingRule) {
  for (float p0 : {0.25f, 0.1f, 1.0f, 2.0f, 0.0f, -0.0f, -1.0f, 1e-4f, 1e-45f, 3.0e38f,
                   std::nanf(""), std::numeric_limits<float>::infinity()}) {
    for (std::int32_t q : {256, 2, 5, 1000}) {
      std::vector<std::int32_t> src(200000), fast(src.size()), counted(src.size());
      for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<std::int32_t>(i * 7 % q);
      QaryChannel channel;
      channel.setQ(q);
      channel.setP0(p0);
      channel.setSeed(-77);
      channel.reseed();
      channel.transmit(src.data(), fast.data(), static_cast<std::int32_t>(src.size()));
      RandomGenerator random;
      random.seed(-77);
      countingTransmit(random, p0, q, src, counted);
      ASSERT_EQ(fast, counted) << "p0=" << p0 << " q=" << q;
    }
  }
}

TEST(ErrorValueClosedForm, SplitTransmissionsMatchTheCountingRuleForManySeeds) {
  for (std::int32_t seed : {123, 7799, 0, -1, INT32_MIN, INT32_MAX, 123 + 2097152}) {
    std::vector<std::int32_t> src(100000), fast(src.size()), counted(src.size());
    for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<std::int32_t>(i % 256);
    QaryChannel channel;
    channel.setQ(256);
    channel.setP0(0.25f);
    channel.setSeed(seed);
    channel.reseed();
    // Calls of odd sizes, across the channel's blocks of draws.
    std::size_t done = 0;
    for (std::int32_t size = 1; done < src.size(); size = size * 3 + 1) {
      const auto n = static_cast<std::int32_t>(std::min<std::size_t>(size, src.size() - done));
      channel.transmit(src.data() + done, fast.data() + done, n);
      done += static_cast<std::size_t>(n);
    }
    RandomGenerator random;
    random.seed(seed);
    countingTransmit(random, 0.25f, 256, src, counted);
    ASSERT_EQ(fast, counted) << "seed " << seed;
  }
}

TEST(ErrorValueTable, SameNAsCountingAroundEveryEdgeAndAtRandomNumerators) {
  std::int64_t checked = 0;
  for (std::int32_t q : {256, 2, 3, 255, 300}) {
    for (float p0 : probabilities()) {
      detail::ErrorValueTable table;
      if (!table.prepare(p0, q)) continue;
      const float d = detail::errorStep(p0, q);
      const std::int64_t limit = table.limit();
      ASSERT_EQ(limit, detail::largestErrorNumerator(p0));
      const auto check = [&](std::int64_t y) {
        if (y < 0 || y > limit) return;
        const double r = static_cast<double>(y) / kDrawDivisor;
        ASSERT_EQ(table.value(static_cast<std::uint32_t>(y)), detail::errorValue(r, p0, d, q))
            << "q=" << q << " p0=" << p0 << " y=" << y;
        ++checked;
      };
      // Numerators around every rise of n, and around P0.
      std::vector<double> edges = {static_cast<double>(p0)};
      for (std::int32_t n = 1; n <= q; ++n) edges.push_back(static_cast<double>(n) * d);
      for (double edge : edges) {
        const double centre = std::floor(std::min(edge, 1.0) * kDrawDivisor);
        for (std::int64_t y = static_cast<std::int64_t>(centre) - 40;
             y <= static_cast<std::int64_t>(centre) + 40; ++y) {
          check(y);
        }
      }
      std::uint64_t state = 88172645463325252ull;
      for (int i = 0; i < 20000; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        check(static_cast<std::int64_t>(state % static_cast<std::uint64_t>(limit + 1)));
      }
    }
  }
  EXPECT_GT(checked, 500000);
  // Rules that do not fit buckets are left to the per-draw computation.
  detail::ErrorValueTable table;
  EXPECT_FALSE(table.prepare(std::nanf(""), 256));
  EXPECT_FALSE(table.prepare(-0.5f, 256));
  EXPECT_FALSE(table.prepare(1e-7f, 256));  // n rises faster than y
  EXPECT_TRUE(table.prepare(0.25f, 256));
}

TEST(ErrorValueTable, ChannelFollowsAChangeOfP0AndQBetweenCalls) {
  std::vector<std::int32_t> src(30000), fast(src.size()), counted(src.size());
  for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<std::int32_t>(i % 5);
  QaryChannel channel;
  channel.setSeed(99);
  channel.reseed();
  RandomGenerator random;
  random.seed(99);
  std::vector<std::int32_t> part(src.size());
  for (const auto& [p0, q] : std::vector<std::pair<float, std::int32_t>>{
           {0.25f, 256}, {0.1f, 256}, {0.25f, 5}, {1e-7f, 256}, {0.25f, 256}}) {
    channel.setP0(p0);
    channel.setQ(q);
    channel.transmit(src.data(), fast.data(), static_cast<std::int32_t>(src.size()));
    countingTransmit(random, p0, q, src, counted);
    ASSERT_EQ(fast, counted) << "p0=" << p0 << " q=" << q;
  }
}

}  // namespace
}  // namespace vok
