// Formatted reading of the codec files, on the file's bytes in memory.
//
// Behaves like C's scanf in the C locale for the few directives the codec
// files use: a white-space directive skips any run of white space (space,
// \t, \n, \v, \f, \r), including none; a literal character must match
// exactly; "%d" skips white space, then takes an optional sign and decimal
// digits and fails when there are no digits. Independent of the process
// locale.
#ifndef VOK_CODEC_TEXT_SCANNER_H_
#define VOK_CODEC_TEXT_SCANNER_H_

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace vok::detail {

class TextScanner {
 public:
  explicit TextScanner(std::string_view text) : text_(text) {}

  // Matches `pattern` made of literal characters and white space only.
  // Returns false on the first literal that does not match (or meets the end).
  bool matchLiteral(std::string_view pattern) {
    for (char c : pattern) {
      if (isSpace(c)) {
        skipSpace();
      } else if (pos_ < text_.size() && text_[pos_] == c) {
        ++pos_;
      } else {
        return false;
      }
    }
    return true;
  }

  // "%d": a number that does not fit an int32 is refused as well.
  bool readInt(std::int32_t& out) {
    skipSpace();
    bool negative = false;
    if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) {
      negative = text_[pos_] == '-';
      ++pos_;
    }
    std::int64_t magnitude = 0;
    bool anyDigit = false;
    bool tooLarge = false;
    // One more than INT32_MAX still fits as the magnitude of INT32_MIN.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      anyDigit = true;
      if (!tooLarge) {
        magnitude = magnitude * 10 + (text_[pos_] - '0');
        tooLarge = magnitude > kLimit;
      }
      ++pos_;
    }
    if (!anyDigit || tooLarge) return false;
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) return false;
    out = static_cast<std::int32_t>(value);
    return true;
  }

  // Consumes characters up to and including the first `c`, or to the end.
  void skipPast(char c) {
    const std::size_t found = text_.find(c, pos_);
    pos_ = found == std::string_view::npos ? text_.size() : found + 1;
  }

  void skipSpace() {
    while (pos_ < text_.size() && isSpace(text_[pos_])) ++pos_;
  }

 private:
  static bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace vok::detail

#endif  // VOK_CODEC_TEXT_SCANNER_H_
