// Locale-free number texts: the printf-like exponent and fixed formats of the
// reports and fields, and the strtod-like parse of the settings texts.
#include "common/number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <system_error>

namespace vok {
namespace {

// White space as isspace() sees it in the C locale.
bool isCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string nonFiniteText(double value) {
  if (std::isnan(value)) return "nan";
  return value < 0 ? "-inf" : "inf";
}

std::string padLeft(std::string text, int width) {
  if (width > 0 && text.size() < static_cast<std::size_t>(width)) {
    text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
  }
  return text;
}

// Shape of a validated decimal number, used to tell overflow from underflow
// when the conversion reports the result out of range.
struct DecimalShape {
  bool negative = false;
  // Decimal exponent of the first nonzero digit of the significand relative
  // to the units place (e.g. 0 for "5", 2 for "123", -3 for "0.00123"),
  // without the written exponent. Meaningless when allZero.
  long long leadingExponent = 0;
  bool allZero = true;
  long long writtenExponent = 0;  // saturated to about +-10^15
};

// Checks `text` against the decimal grammar and returns where the number
// proper (sign included) starts, or npos when the text is not wholly one
// number. Fills `shape` on success.
std::size_t validateDecimal(std::string_view text, DecimalShape& shape) {
  constexpr std::size_t kBad = std::string_view::npos;
  std::size_t i = 0;
  while (i < text.size() && isCSpace(text[i])) ++i;
  const std::size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    shape.negative = text[i] == '-';
    ++i;
  }
  long long intDigits = 0;
  long long digitCount = 0;
  long long firstNonZero = -1;  // index among all significand digits
  while (i < text.size() && isDigit(text[i])) {
    if (firstNonZero < 0 && text[i] != '0') firstNonZero = digitCount;
    ++intDigits;
    ++digitCount;
    ++i;
  }
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && isDigit(text[i])) {
      if (firstNonZero < 0 && text[i] != '0') firstNonZero = digitCount;
      ++digitCount;
      ++i;
    }
  }
  if (digitCount == 0) return kBad;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    bool expNegative = false;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
      expNegative = text[j] == '-';
      ++j;
    }
    if (j >= text.size() || !isDigit(text[j])) return kBad;  // "1e" leaves text over
    long long exponent = 0;
    while (j < text.size() && isDigit(text[j])) {
      if (exponent < 1'000'000'000'000'000LL) exponent = exponent * 10 + (text[j] - '0');
      ++j;
    }
    shape.writtenExponent = expNegative ? -exponent : exponent;
    i = j;
  }
  if (i != text.size()) return kBad;
  shape.allZero = firstNonZero < 0;
  if (!shape.allZero) shape.leadingExponent = intDigits - 1 - firstNonZero;
  return start;
}

}  // namespace

std::string formatExponent(double value, int precision, int width) {
  if (!std::isfinite(value)) return padLeft(nonFiniteText(value), width);
  if (precision < 0) precision = 6;
  std::array<char, 400> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::scientific, precision);
  std::string text(buffer.data(), result.ptr);
  // to_chars writes at least two exponent digits; the reports use three.
  const std::size_t e = text.find('e');
  if (e != std::string::npos && e + 2 <= text.size()) {
    const std::size_t digitsStart = e + 2;  // after 'e' and its sign
    const std::size_t digits = text.size() - digitsStart;
    if (digits < 3) text.insert(digitsStart, 3 - digits, '0');
  }
  return padLeft(std::move(text), width);
}

std::string formatFixed(double value, int decimals) {
  // The largest double has 309 digits before the point.
  std::array<char, 400> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, decimals);
  return std::string(buffer.data(), result.ptr);
}

std::string formatFixed3(float value) {
  const double wide = value;
  if (!std::isfinite(wide)) return nonFiniteText(wide);
  return formatFixed(wide, 3);
}

std::optional<double> parseWholeDecimal(std::string_view text) {
  if (text.empty()) return 0.0;
  DecimalShape shape;
  std::size_t start = validateDecimal(text, shape);
  if (start == std::string_view::npos) return std::nullopt;
  // from_chars takes neither leading white space nor a '+' sign.
  if (text[start] == '+') ++start;
  const char* first = text.data() + start;
  const char* last = text.data() + text.size();
  double value = 0.0;
  const auto result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Only magnitudes beyond the double range or below half the smallest
    // denormal are out of range; their decimal exponent tells which.
    const long long magnitude = shape.leadingExponent + shape.writtenExponent;
    const double huge = std::numeric_limits<double>::infinity();
    const double result_value = (!shape.allZero && magnitude > 0) ? huge : 0.0;
    return shape.negative ? -result_value : result_value;
  }
  if (result.ec != std::errc() || result.ptr != last) return std::nullopt;
  return value;
}

std::optional<float> parseP0Text(std::string_view text) {
  const std::optional<double> value = parseWholeDecimal(text);
  if (!value) return std::nullopt;
  // Magnitudes from FLT_MAX plus half its spacing on round to infinity; the
  // cast itself is only defined for values inside the float range.
  constexpr double kFloatOverflow = 340282356779733661637539395458142568448.0;  // 2^128 - 2^103
  if (std::fabs(*value) >= kFloatOverflow) {
    return *value < 0 ? -std::numeric_limits<float>::infinity()
                      : std::numeric_limits<float>::infinity();
  }
  return static_cast<float>(*value);
}

std::optional<std::int32_t> parseSeedText(std::string_view text) {
  const std::optional<double> value = parseWholeDecimal(text);
  if (!value) return std::nullopt;
  constexpr double kTwoPow63 = 9223372036854775808.0;
  if (std::isnan(*value) || std::fabs(*value) >= kTwoPow63) return 0;
  const auto whole = static_cast<std::int64_t>(*value);  // truncates toward zero
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(whole));
}

}  // namespace vok
