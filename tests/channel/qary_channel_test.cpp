// The Q-ary symmetric channel: the exact error pattern for a known seed, how
// the generator position carries between calls, the single-draw edges of the
// corruption rule, odd P0 values, and the report texts.
#include "channel/qary_channel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

#include "channel/error_value.h"
#include "common/text_encoding.h"
#include "error_value_oracles.h"

namespace vok {
namespace {

constexpr double kB = 2147483647.0;
using Symbols = std::vector<std::int32_t>;

// A channel set up as the owner does: Q = 256, seed, reseed, then P0.
struct ChannelFixture : ::testing::Test {
  QaryChannel channel;
  void setUpChannel(float p0, std::int32_t seed = 123) {
    channel.setQ(256);
    channel.setSeed(seed);
    channel.reseed();
    channel.setP0(p0);
  }
  Symbols send(const Symbols& src) {
    Symbols dst(src.size(), -1);
    channel.transmit(src.data(), dst.data(), static_cast<std::int32_t>(src.size()));
    return dst;
  }
};

Symbols zerosWith(std::int32_t fill, std::initializer_list<std::pair<int, std::int32_t>> at) {
  Symbols s(20, fill);
  for (const auto& [index, value] : at) s[index] = value;
  return s;
}

TEST_F(ChannelFixture, Seed123QuarterCorruptsKnownSymbolsOfZeros) {
  setUpChannel(0.25f);
  EXPECT_EQ(send(Symbols(20, 0)), zerosWith(0, {{7, 230}, {9, 66}, {17, 179}, {19, 39}}));
}

TEST_F(ChannelFixture, Seed123QuarterWrapsModuloQFor255s) {
  setUpChannel(0.25f);
  EXPECT_EQ(send(Symbols(20, 255)), zerosWith(255, {{7, 229}, {9, 65}, {17, 178}, {19, 38}}));
}

TEST_F(ChannelFixture, SplitCallsContinueTheSameDraws) {
  setUpChannel(0.25f);
  Symbols first = send(Symbols(10, 0));
  const Symbols second = send(Symbols(10, 0));
  first.insert(first.end(), second.begin(), second.end());
  EXPECT_EQ(first, zerosWith(0, {{7, 230}, {9, 66}, {17, 179}, {19, 39}}));
}

TEST_F(ChannelFixture, ReseedReplaysAndNextCallStartsAtDraw21) {
  setUpChannel(0.25f);
  const Symbols once = send(Symbols(20, 0));
  channel.reseed();
  EXPECT_EQ(send(Symbols(20, 0)), once);
  const Symbols next20 = send(Symbols(20, 0));

  QaryChannel reference;
  reference.setQ(256);
  reference.setSeed(123);
  reference.reseed();
  reference.setP0(0.25f);
  Symbols forty(40, 0);
  reference.transmit(forty.data(), forty.data(), 40);
  EXPECT_EQ(next20, Symbols(forty.begin() + 20, forty.end()));
}

TEST_F(ChannelFixture, SetSeedAloneChangesNothingUntilReseed) {
  setUpChannel(0.25f);
  channel.setSeed(999);
  EXPECT_EQ(send(Symbols(20, 0)), zerosWith(0, {{7, 230}, {9, 66}, {17, 179}, {19, 39}}));
  EXPECT_EQ(channel.seed(), 999);
}

TEST_F(ChannelFixture, ZeroOrNegativeCountWritesNothingAndTakesNoDraw) {
  setUpChannel(0.25f);
  Symbols dst(20, -1);
  const Symbols src(20, 0);
  channel.transmit(src.data(), dst.data(), 0);
  channel.transmit(src.data(), dst.data(), -5);
  EXPECT_EQ(dst, Symbols(20, -1));
  EXPECT_EQ(send(src), zerosWith(0, {{7, 230}, {9, 66}, {17, 179}, {19, 39}}));
}

TEST_F(ChannelFixture, InPlaceMatchesSeparateArrays) {
  setUpChannel(0.3f, 42);
  Symbols src(1000);
  std::iota(src.begin(), src.end(), 0);
  for (auto& s : src) s %= 256;
  const Symbols separate = send(src);
  channel.reseed();
  Symbols inPlace = src;
  channel.transmit(inPlace.data(), inPlace.data(), 1000);
  EXPECT_EQ(inPlace, separate);
}

// Error-free symbols are copied whole; one outside 0..Q-1 must still be
// reduced, as if it had taken an error value of 0.
TEST_F(ChannelFixture, SymbolsAboveTheAlphabetAreReducedEvenWithoutAnError) {
  setUpChannel(0.25f, 7);
  const Symbols inside = send(Symbols(1000, 5));
  channel.reseed();
  const Symbols above = send(Symbols(1000, 256 + 5));
  EXPECT_EQ(above, inside);
}

TEST_F(ChannelFixture, P0OneChangesEverySymbolByOneTo255) {
  setUpChannel(1.0f, 5);
  const Symbols out = send(Symbols(20000, 0));
  for (std::int32_t v : out) ASSERT_TRUE(v >= 1 && v <= 255) << v;
}

TEST_F(ChannelFixture, P0AboveOneConfinesErrorValuesTo1To128) {
  setUpChannel(2.0f, 5);
  const Symbols out = send(Symbols(20000, 0));
  std::int32_t largest = 0;
  for (std::int32_t v : out) {
    ASSERT_GE(v, 1);
    largest = std::max(largest, v);
  }
  EXPECT_EQ(largest, 128);
}

TEST_F(ChannelFixture, NegativeP0ChangesNothing) {
  setUpChannel(-0.5f);
  EXPECT_EQ(send(Symbols(5000, 17)), Symbols(5000, 17));
}

TEST_F(ChannelFixture, ZeroP0ChangesNothingForNonzeroDraws) {
  setUpChannel(0.0f);
  EXPECT_EQ(send(Symbols(5000, 17)), Symbols(5000, 17));
}

TEST_F(ChannelFixture, InfiniteP0AddsExactlyOne) {
  setUpChannel(std::numeric_limits<float>::infinity());
  EXPECT_EQ(send(Symbols(1000, 255)), Symbols(1000, 0));
  EXPECT_EQ(send(Symbols(1000, 3)), Symbols(1000, 4));
}

TEST_F(ChannelFixture, NaNP0CorruptsNothingEndsAndStillTakesOneDrawEach) {
  setUpChannel(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(send(Symbols(20, 9)), Symbols(20, 9));
  channel.setP0(0.25f);
  const Symbols after = send(Symbols(20, 0));

  setUpChannel(0.25f);
  send(Symbols(20, 0));
  EXPECT_EQ(send(Symbols(20, 0)), after);
}

TEST_F(ChannelFixture, ErrorRateAndValuesAreRoughlyUniform) {
  setUpChannel(0.25f, 2024);
  const Symbols out = send(Symbols(400000, 0));
  std::vector<int> histogram(256, 0);
  for (std::int32_t v : out) ++histogram[v];
  const double errors = 400000 - histogram[0];
  EXPECT_NEAR(errors / 400000, 0.25, 0.005);
  for (int n = 1; n < 256; ++n) EXPECT_NEAR(histogram[n], errors / 255, 150) << n;
}

// The rule on single draws, at the edges where rounding decides.
TEST(ErrorValue, DrawsAroundAQuarter) {
  const float p0 = 0.25f;
  const float d = detail::errorStep(p0, 256);
  EXPECT_EQ(d, 0.0009803922148421407f);
  EXPECT_EQ(detail::errorValue(536870911 / kB, p0, d, 256), 255);
  // Above 0.25 as a double although its float rounding is exactly 0.25.
  ASSERT_EQ(static_cast<float>(536870912 / kB), 0.25f);
  EXPECT_EQ(detail::errorValue(536870912 / kB, p0, d, 256), 0);
  EXPECT_EQ(detail::errorValue(2105376 / kB, p0, d, 256), 1);
  EXPECT_EQ(detail::errorValue(2105377 / kB, p0, d, 256), 2);
  EXPECT_EQ(detail::errorValue(483332033 / kB, p0, d, 256), 230);
  EXPECT_EQ(detail::errorValue(0.0, p0, d, 256), 1);
}

TEST(ErrorValue, P0TenthCanGiveNEqualToQAndLeaveTheSymbol) {
  const float p0 = 0.1f;
  const float d = detail::errorStep(p0, 256);
  EXPECT_EQ(d, 0.0003921568568330258f);
  EXPECT_EQ(detail::errorValue(214748367 / kB, p0, d, 256), 256);
  EXPECT_EQ(detail::errorValue(214748359 / kB, p0, d, 256), 255);
}

TEST(ErrorValue, ProductExactlyEqualToDrawStopsTheCount) {
  // d = 1/8 in float; a draw of exactly 3/8 gives n = 3, not 4.
  EXPECT_EQ(detail::errorValue(0.375, 1.0f, 0.125f, 9), 3);
  EXPECT_EQ(detail::errorValue(0.3750001, 1.0f, 0.125f, 9), 4);
}

TEST(ErrorValue, EdgeP0Values) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(detail::errorValue(0.0, 0.0f, 0.0f, 256), 1);
  EXPECT_EQ(detail::errorValue(1.0 / kB, 0.0f, 0.0f, 256), 0);
  EXPECT_EQ(detail::errorValue(0.0, -0.1f, detail::errorStep(-0.1f, 256), 256), 0);
  EXPECT_EQ(detail::errorValue(1.0, inf, detail::errorStep(inf, 256), 256), 1);
  EXPECT_EQ(detail::errorValue(0.0, nan, detail::errorStep(nan, 256), 256), 0);
  EXPECT_EQ(detail::errorValue(1.0, 2.0f, detail::errorStep(2.0f, 256), 256), 128);
  // Arguments no channel produces still end, at n = q.
  EXPECT_EQ(detail::errorValue(0.5, 1.0f, 0.0f, 256), 256);
}

std::string captured(const std::function<void(std::FILE*)>& print) {
  std::FILE* file = std::tmpfile();
  EXPECT_NE(file, nullptr);
  print(file);
  std::fflush(file);
  std::rewind(file);
  std::string bytes;
  int c;
  while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<char>(c));
  std::fclose(file);
  return bytes;
}

TEST_F(ChannelFixture, SummaryIsTheP0LineInWindows1251) {
  setUpChannel(0.25f);
  // "\nВероятность ошибки: P0=2.50e-001\n"
  EXPECT_EQ(captured([&](std::FILE* f) { channel.printSummary(f); }),
            "\n\xC2\xE5\xF0\xEE\xFF\xF2\xED\xEE\xF1\xF2\xFC \xEE\xF8\xE8\xE1\xEA\xE8: "
            "P0=2.50e-001\n");
}

TEST_F(ChannelFixture, ParametersListP0SeedAndQ) {
  setUpChannel(0.1f, -7);
  EXPECT_EQ(captured([&](std::FILE* f) { channel.printParameters(f); }),
            utf8ToCp1251("\nПараметры канала связи:\n"
                         "Вероятность ошибки: P0=1.00e-001\n"
                         "Инициализация датчика случайных чисел: kst=-7\n"
                         "Канал с Q=256 ортогональными сигналами\n"));
  channel.setP0(std::numeric_limits<float>::infinity());
  EXPECT_EQ(captured([&](std::FILE* f) { channel.printSummary(f); }),
            utf8ToCp1251("\nВероятность ошибки: P0=   inf\n"));
}

}  // namespace
}  // namespace vok
