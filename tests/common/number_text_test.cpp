// Number texts: the three-digit exponent format, "%.3f", and the strtod-like
// parse of the settings texts, none of which may depend on the locale.
#include "common/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>

namespace vok {
namespace {

TEST(FormatExponent, UsesThreeExponentDigitsLikeTheReports) {
  EXPECT_EQ(formatExponent(0.25, 2, 0), "2.50e-001");
  EXPECT_EQ(formatExponent(0.0, 2, 0), "0.00e+000");
  EXPECT_EQ(formatExponent(1e10, 2, 0), "1.00e+010");
  EXPECT_EQ(formatExponent(1e300, 2, 0), "1.00e+300");
  EXPECT_EQ(formatExponent(-2.5e-5, 2, 0), "-2.50e-005");
  EXPECT_EQ(formatExponent(1e-310, 1, 0), "1.0e-310");
  EXPECT_EQ(formatRate(0.0253), "2.53e-002");
}

TEST(FormatExponent, RoundsToNearestAtThePrecision) {
  EXPECT_EQ(formatExponent(9.996, 2, 0), "1.00e+001");
  EXPECT_EQ(formatExponent(static_cast<double>(0.1f), 2, 0), "1.00e-001");
  EXPECT_EQ(formatExponent(123456.0, 4, 0), "1.2346e+005");
}

TEST(FormatExponent, PadsOnTheLeftToTheWidthOnly) {
  EXPECT_EQ(formatExponent(0.25, 2, 6), "2.50e-001");
  EXPECT_EQ(formatExponent(0.25, 2, 12), "   2.50e-001");
  EXPECT_EQ(formatExponent(std::numeric_limits<double>::infinity(), 2, 6), "   inf");
  EXPECT_EQ(formatExponent(-std::numeric_limits<double>::infinity(), 2, 0), "-inf");
  EXPECT_EQ(formatExponent(std::nan(""), 2, 0), "nan");
}

TEST(FormatFixed3, MatchesPrintfThreeDecimals) {
  EXPECT_EQ(formatFixed3(0.25f), "0.250");
  EXPECT_EQ(formatFixed3(0.1234f), "0.123");
  EXPECT_EQ(formatFixed3(-1.5f), "-1.500");
  EXPECT_EQ(formatFixed3(0.0f), "0.000");
  EXPECT_EQ(formatFixed3(std::numeric_limits<float>::infinity()), "inf");
}

TEST(ParseWholeDecimal, AcceptsTheStrtodDecimalGrammar) {
  EXPECT_EQ(parseWholeDecimal("0.25"), 0.25);
  EXPECT_EQ(parseWholeDecimal("  \t\n-1.5"), -1.5);
  EXPECT_EQ(parseWholeDecimal("+2"), 2.0);
  EXPECT_EQ(parseWholeDecimal("1."), 1.0);
  EXPECT_EQ(parseWholeDecimal(".5"), 0.5);
  EXPECT_EQ(parseWholeDecimal("1e3"), 1000.0);
  EXPECT_EQ(parseWholeDecimal("1E+3"), 1000.0);
  EXPECT_EQ(parseWholeDecimal("25e-2"), 0.25);
  EXPECT_EQ(parseWholeDecimal("0.1"), 0.1);
}

TEST(ParseWholeDecimal, EmptyTextIsZero) { EXPECT_EQ(parseWholeDecimal(""), 0.0); }

TEST(ParseWholeDecimal, RefusesTextLeftOverOrNoNumber) {
  for (const char* text : {"0,1", "abc", " 1 ", "1 ", "inf", "nan", "0x10", ".", "-", "+", " ",
                           "1e", "1e+", "1e-", "e5", "1.2.3", "1d0", "--1", "1f"}) {
    EXPECT_FALSE(parseWholeDecimal(text).has_value()) << '"' << text << '"';
  }
  EXPECT_FALSE(parseWholeDecimal(std::string_view("1\0", 2)).has_value());
}

TEST(ParseWholeDecimal, OverflowIsInfinityAndUnderflowIsZeroOrDenormal) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(parseWholeDecimal("1e309"), inf);
  EXPECT_EQ(parseWholeDecimal("-1e309"), -inf);
  EXPECT_EQ(parseWholeDecimal("1e99999999999999999999999"), inf);
  EXPECT_EQ(parseWholeDecimal("0.000000001e318"), inf);
  const std::optional<double> tiny = parseWholeDecimal("-1e-400");
  ASSERT_TRUE(tiny.has_value());
  EXPECT_EQ(*tiny, 0.0);
  EXPECT_TRUE(std::signbit(*tiny));
  EXPECT_EQ(parseWholeDecimal("2e-324"), 0.0);
  EXPECT_EQ(parseWholeDecimal("3e-324"), std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(parseWholeDecimal("1000000000000000000000e-330"), 1e-309);
  EXPECT_EQ(parseWholeDecimal("0e999999"), 0.0);
}

TEST(ParseWholeDecimal, IgnoresACommaDecimalLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  if (std::setlocale(LC_NUMERIC, "ru_RU.UTF-8") == nullptr &&
      std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "no locale with a decimal comma installed";
  }
  EXPECT_EQ(parseWholeDecimal("0.5"), 0.5);
  EXPECT_FALSE(parseWholeDecimal("0,5").has_value());
  EXPECT_EQ(formatExponent(0.25), "2.50e-001");
  EXPECT_EQ(formatFixed3(0.25f), "0.250");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(ParseP0Text, RoundsToNearestFloatAndOverflowsToInfinity) {
  EXPECT_EQ(parseP0Text("0.1234"), 0.1234f);
  EXPECT_EQ(parseP0Text(""), 0.0f);
  EXPECT_EQ(parseP0Text("-0.5"), -0.5f);
  EXPECT_EQ(parseP0Text("2"), 2.0f);
  EXPECT_EQ(parseP0Text("1e39"), std::numeric_limits<float>::infinity());
  EXPECT_EQ(parseP0Text("-1e39"), -std::numeric_limits<float>::infinity());
  EXPECT_EQ(parseP0Text("3.4028235e38"), std::numeric_limits<float>::max());
  // The double just under FLT_MAX + half a spacing still rounds down; the
  // half-way point itself rounds to even, which is infinity.
  EXPECT_EQ(parseP0Text("3.4028235677973362e38"), std::numeric_limits<float>::max());
  EXPECT_EQ(parseP0Text("340282356779733661637539395458142568448"),
            std::numeric_limits<float>::infinity());
  EXPECT_EQ(parseP0Text("1e-50"), 0.0f);
}

TEST(ParseP0Text, TextNotWhollyANumberIsIgnored) {
  EXPECT_FALSE(parseP0Text("0,1").has_value());
  EXPECT_FALSE(parseP0Text("0.1 ").has_value());
  EXPECT_FALSE(parseP0Text("abc").has_value());
}

TEST(ParseSeedText, TruncatesTowardZeroAndKeepsLow32Bits) {
  EXPECT_EQ(parseSeedText("123"), 123);
  EXPECT_EQ(parseSeedText("12.9"), 12);
  EXPECT_EQ(parseSeedText("-12.9"), -12);
  EXPECT_EQ(parseSeedText("1e3"), 1000);
  EXPECT_EQ(parseSeedText("3000000000"), -1294967296);
  EXPECT_EQ(parseSeedText("4294967296"), 0);
  EXPECT_EQ(parseSeedText("-2147483649"), 2147483647);
  EXPECT_EQ(parseSeedText(""), 0);
  EXPECT_EQ(parseSeedText("-0.9"), 0);
}

TEST(ParseSeedText, MagnitudesFrom2Pow63GiveZero) {
  EXPECT_EQ(parseSeedText("9223372036854775808"), 0);
  EXPECT_EQ(parseSeedText("-9223372036854775808"), 0);
  EXPECT_EQ(parseSeedText("1e19"), 0);
  EXPECT_EQ(parseSeedText("1e400"), 0);
  // 2^63 - 1024, the largest double below 2^63: low 32 bits are -1024.
  EXPECT_EQ(parseSeedText("9223372036854774784"), -1024);
}

TEST(ParseSeedText, TextNotWhollyANumberIsIgnored) {
  EXPECT_FALSE(parseSeedText("abc").has_value());
  EXPECT_FALSE(parseSeedText("12 ").has_value());
  EXPECT_FALSE(parseSeedText("0x1F").has_value());
}

}  // namespace
}  // namespace vok
