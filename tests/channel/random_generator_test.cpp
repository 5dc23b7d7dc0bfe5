// The generator's sequence: exact states after known seeds, which seed bits
// matter, and restarts; its draws in bulk, jumped and from the bit stream.
#include "channel/random_generator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "channel/draw_stream.h"

namespace vok {
namespace {

constexpr double kB = 2147483647.0;

std::vector<double> draws(std::int32_t seed, int count) {
  RandomGenerator generator;
  generator.seed(seed);
  std::vector<double> result;
  for (int i = 0; i < count; ++i) result.push_back(generator.next());
  return result;
}

TEST(RandomGenerator, Seed123GivesTheKnownStatesAndDraws) {
  RandomGenerator generator;
  generator.seed(123);
  EXPECT_EQ(generator.x(), 123u);
  EXPECT_EQ(generator.y(), 7799u);
  const std::uint32_t states[3][2] = {
      {1892666, 1139023746}, {603214, 1758949600}, {1897876, 1153974783}};
  for (const auto& state : states) {
    const double draw = generator.next();
    EXPECT_EQ(generator.x(), state[0]);
    EXPECT_EQ(generator.y(), state[1]);
    EXPECT_EQ(draw, static_cast<double>(state[1]) / kB);
  }
  EXPECT_NEAR(static_cast<double>(1139023746) / kB, 0.5303992641, 1e-10);
}

TEST(RandomGenerator, OnlyTheLow21SeedBitsMatter) {
  const std::vector<double> base = draws(123, 50);
  EXPECT_EQ(draws(2097275, 50), base);   // 123 + 2^21
  EXPECT_EQ(draws(-2097029, 50), base);  // 123 - 2^21
  EXPECT_EQ(draws(-1, 50), draws(2097151, 50));
  EXPECT_EQ(draws(INT32_MIN, 50), draws(0, 50));
  EXPECT_NE(draws(124, 50), base);
}

TEST(RandomGenerator, ReseedRestartsTheSequence) {
  RandomGenerator generator;
  generator.seed(123);
  const double first = generator.next();
  const double second = generator.next();
  generator.next();
  generator.seed(123);
  EXPECT_EQ(generator.next(), first);
  EXPECT_EQ(generator.next(), second);
}

TEST(RandomGenerator, SeedThatZeroesYStillRunsNormally) {
  RandomGenerator generator;
  generator.seed(7799);
  const double first = generator.next();
  const double second = generator.next();
  EXPECT_NEAR(first, 0.404053, 1e-6);
  EXPECT_NEAR(second, 0.601088, 1e-6);
  EXPECT_EQ(draws(7799 + 2097152, 2), (std::vector<double>{first, second}));
}

TEST(RandomGenerator, DrawsStayInUnitIntervalOnTheGrid) {
  RandomGenerator generator;
  generator.seed(-987654321);
  for (int i = 0; i < 100000; ++i) {
    const double draw = generator.next();
    ASSERT_GE(draw, 0.0);
    ASSERT_LE(draw, 1.0);
    ASSERT_LE(generator.x(), RandomGenerator::kMaskA);
    ASSERT_EQ(draw, static_cast<double>(generator.y()) / kB);
  }
}

TEST(RandomGenerator, UnseededBehavesAsSeedZero) {
  RandomGenerator unseeded;
  const std::vector<double> expected = draws(0, 10);
  for (double value : expected) EXPECT_EQ(unseeded.next(), value);
}

// The rule as written: six plain steps on the 32-bit words per draw.
struct PlainGenerator {
  std::uint32_t x, y;
  explicit PlainGenerator(std::int32_t seed) : x(static_cast<std::uint32_t>(seed)), y(7799) {}
  std::uint32_t next() {
    for (int step = 0; step < 6; ++step) {
      const std::uint32_t newX = 0x1FFFFFu & y;
      y = ((y >> 21) ^ ((x ^ y) << 10)) & 0x7FFFFFFFu;
      x = newX;
    }
    return y;
  }
};

const std::int32_t kSeeds[] = {123,        2097275,   -2097029, 7799,      7799 + 2097152,
                               0,          -1,        1,        INT32_MIN, INT32_MAX,
                               -987654321, 555555555, 2097151,  2097152,   -7799};

TEST(RandomGenerator, JumpTablesFollowThePlainStepsOverLongRuns) {
  for (std::int32_t seed : kSeeds) {
    RandomGenerator generator;
    generator.seed(seed);
    PlainGenerator plain(seed);
    const int count = seed == 123 || seed == INT32_MIN ? 3000000 : 200000;
    for (int i = 0; i < count; ++i) {
      const double draw = generator.next();
      const std::uint32_t y = plain.next();
      ASSERT_EQ(generator.x(), plain.x) << "seed " << seed << " draw " << i;
      ASSERT_EQ(generator.y(), y) << "seed " << seed << " draw " << i;
      ASSERT_EQ(draw, static_cast<double>(y) / kB);
    }
  }
}

TEST(RandomGenerator, BulkNumeratorsMatchSingleDrawsForEveryBlockSize) {
  for (std::int32_t seed : kSeeds) {
    RandomGenerator bulk;
    bulk.seed(seed);
    PlainGenerator plain(seed);
    std::vector<std::uint32_t> numerators(1100, 0xFFFFFFFFu);
    // Odd sizes leave the lanes part-used; 0 and negatives take no draw.
    for (std::int32_t size : {0, 1, 2, 3, 4, 5, 7, 8, 255, 256, 257, -3, 1024, 1099, 6}) {
      bulk.nextNumerators(numerators.data(), size);
      for (std::int32_t i = 0; i < size; ++i) {
        ASSERT_EQ(numerators[i], plain.next()) << "seed " << seed << " size " << size;
      }
      ASSERT_EQ(bulk.x(), plain.x);
      ASSERT_EQ(bulk.y(), plain.y);
    }
    // Single draws go on from where the bulk ones stopped.
    for (int i = 0; i < 10; ++i) ASSERT_EQ(bulk.next(), static_cast<double>(plain.next()) / kB);
  }
}

// The stream is made word by word up to its 416th word and by vectors from
// there on, and a take that is not a multiple of 32 draws leaves the next
// state part-way into a word: sizes that are not, after single draws that
// moved the start, and runs long enough to slide the history many times.
TEST(DrawStream, NumeratorsAndStatesMatchThePlainStepsWhereverTheStreamStarts) {
  for (std::int32_t seed : kSeeds) {
    for (int before : {0, 1, 5}) {
      RandomGenerator generator;
      generator.seed(seed);
      PlainGenerator plain(seed);
      for (int i = 0; i < before; ++i) ASSERT_EQ(generator.next(), plain.next() / kB);
      DrawStream stream(generator);
      std::vector<std::uint32_t> numerators(DrawStream::kBatch, 0xFFFFFFFFu);
      const int takes = seed == 123 ? 12000 : 400;
      for (int t = 0; t < takes; ++t) {
        const std::int32_t size = t % 7 == 3 ? 1 + t % DrawStream::kBatch : DrawStream::kBatch;
        stream.take(numerators.data(), size);
        for (std::int32_t i = 0; i < size; ++i) {
          ASSERT_EQ(numerators[i], plain.next()) << "seed " << seed << " take " << t;
        }
        ASSERT_EQ(generator.x(), plain.x) << "seed " << seed << " take " << t;
        ASSERT_EQ(generator.y(), plain.y);
      }
      stream.take(numerators.data(), 0);
      ASSERT_EQ(generator.y(), plain.y);
    }
  }
}

}  // namespace
}  // namespace vok
