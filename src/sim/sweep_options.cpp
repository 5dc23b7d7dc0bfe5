// Parsing the option texts of `vok-sim sweep`.
#include "sim/sweep_options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "common/number_text.h"

namespace vok::sim {
namespace {

bool addPoint(float p0, std::string_view text, std::vector<float>& points, std::string& error) {
  if (!(p0 >= 0.0f && p0 <= 1.0f)) {
    error = "--p0: '" + std::string(text) + "' is not between 0 and 1";
    return false;
  }
  if (std::find(points.begin(), points.end(), p0) != points.end()) {
    error = "--p0: the point " + std::string(text) + " appears twice";
    return false;
  }
  if (points.size() >= kMaxPoints) {
    error = "--p0: more than " + std::to_string(kMaxPoints) + " points";
    return false;
  }
  points.push_back(p0);
  return true;
}

std::optional<double> wholeNumber(std::string_view text) {
  if (text.empty()) return std::nullopt;  // an empty part is a mistake here, not 0
  return parseWholeDecimal(text);
}

}  // namespace

std::optional<std::vector<float>> parseP0List(std::string_view text, std::string& error) {
  std::vector<float> points;
  if (text.find(':') != std::string_view::npos) {
    const std::size_t a = text.find(':');
    const std::size_t b = text.find(':', a + 1);
    const std::optional<double> from = wholeNumber(text.substr(0, a));
    const std::optional<double> to =
        b == std::string_view::npos ? std::nullopt : wholeNumber(text.substr(a + 1, b - a - 1));
    const std::optional<double> step =
        b == std::string_view::npos ? std::nullopt : wholeNumber(text.substr(b + 1));
    if (!from || !to || !step) {
      error = "--p0: '" + std::string(text) + "' is not FROM:TO:STEP";
      return std::nullopt;
    }
    if (!(*step > 0) || !(*to >= *from) || !std::isfinite(*to - *from)) {
      error = "--p0: FROM:TO:STEP needs TO >= FROM and STEP > 0";
      return std::nullopt;
    }
    const double count = std::floor((*to - *from) / *step + 1e-9) + 1;
    if (count > static_cast<double>(kMaxPoints)) {
      error = "--p0: more than " + std::to_string(kMaxPoints) + " points";
      return std::nullopt;
    }
    for (std::int64_t k = 0; k < static_cast<std::int64_t>(count); ++k) {
      const double value = *from + static_cast<double>(k) * *step;
      std::array<char, 64> buffer{};
      const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
      const std::string shown(buffer.data(), r.ptr);
      if (!addPoint(static_cast<float>(value), shown, points, error)) return std::nullopt;
    }
    return points;
  }
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    const std::string_view item =
        text.substr(start, comma == std::string_view::npos ? comma : comma - start);
    const std::optional<float> p0 = item.empty() ? std::nullopt : parseP0Text(item);
    if (!p0) {
      error = "--p0: '" + std::string(item) + "' is not a number";
      return std::nullopt;
    }
    if (!addPoint(*p0, item, points, error)) return std::nullopt;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return points;
}

std::optional<std::int64_t> parseCount(std::string_view text, std::int64_t min, std::int64_t max) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, value);
  if (text.empty() || r.ec != std::errc() || r.ptr != end || value < min || value > max) {
    return std::nullopt;
  }
  return value;
}

std::optional<Shard> parseShardText(std::string_view text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const auto count = parseCount(text.substr(slash + 1), 1, 100000);
  const auto index = parseCount(text.substr(0, slash), 1, 100000);
  if (!count || !index || *index > *count) return std::nullopt;
  return Shard{static_cast<std::int32_t>(*index), static_cast<std::int32_t>(*count)};
}

}  // namespace vok::sim
