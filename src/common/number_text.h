// Conversions between numbers and the texts the user types or reads.
//
// Every function here gives the same result whatever the process locale is:
// a Russian desktop must not turn "0.1" into an unparsable text or print a
// comma instead of a point.
#ifndef VOK_COMMON_NUMBER_TEXT_H_
#define VOK_COMMON_NUMBER_TEXT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vok {

// Formats `value` like C's printf("%<width>.<precision>e") on the platform the
// program was first written for: the exponent always has at least three
// digits, so a quarter with precision 2 is "2.50e-001". The text is padded on
// the left with spaces to `width` characters. Infinities are "inf"/"-inf" and
// NaN is "nan".
std::string formatExponent(double value, int precision = 2, int width = 0);

// "%.2e" as the error-rate fields show it, e.g. "2.53e-001".
inline std::string formatRate(double rate) { return formatExponent(rate, 2, 0); }

// printf("%.<decimals>f") of `value`, e.g. formatFixed(2.5, 2) is "2.50"; any
// finite double fits. Infinities and NaN come out as to_chars writes them.
std::string formatFixed(double value, int decimals);

// "%.3f" of `value` widened to double, e.g. "0.250"; infinities are
// "inf"/"-inf" and NaN is "nan".
std::string formatFixed3(float value);

// Parses `text` as C's strtod does in the C locale, restricted to decimal
// numbers: optional leading white space, optional sign, digits with an
// optional fraction after a point, an optional exponent (e or E, optional
// sign, digits). Returns the value only when the number uses up the whole
// text. The empty text is 0. Out-of-range numbers give +-infinity or 0.
std::optional<double> parseWholeDecimal(std::string_view text);

// P0 as the settings dialog accepts it: the parsed number rounded to the
// nearest float (so "1e39" is infinity); nullopt when the text is not wholly
// a number, in which case the caller keeps the old value.
std::optional<float> parseP0Text(std::string_view text);

// The seed as the settings dialog accepts it: the parsed number truncated
// toward zero to 64 bits (0 when its magnitude is 2^63 or more), of which the
// low 32 bits are kept as a signed int ("3000000000" gives -1294967296,
// "12.9" gives 12); nullopt when the text is not wholly a number.
std::optional<std::int32_t> parseSeedText(std::string_view text);

}  // namespace vok

#endif  // VOK_COMMON_NUMBER_TEXT_H_
