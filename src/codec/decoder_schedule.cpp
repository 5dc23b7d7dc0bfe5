// The decoder schedule: built-in schedule, parsing of "decoder.vok", bounding.
#include "codec/decoder_schedule.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "codec/text_scanner.h"
#include "common/output_file.h"

namespace vok {

void DecoderSchedule::bound(int nk, int nr) {
  for (int& value : p) value = value == 0 ? nr : std::min(value, nr);
  for (int& value : i) value = value == 0 ? nk : std::min(value, nk);
}

DecoderSchedule DecoderSchedule::builtIn() {
  DecoderSchedule s;
  s.itert = 20;
  s.w = {1, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 1, 1};
  s.t.assign(20, 0);
  s.c.assign(20, 0);
  s.c[0] = s.c[1] = s.c[2] = 2;
  s.o.assign(20, 0);
  s.p.assign(20, 0);
  std::fill(s.p.begin(), s.p.begin() + 15, 7);
  s.i.assign(20, 0);
  return s;
}

bool parseDecoderSchedule(std::string_view text, DecoderSchedule& out) {
  detail::TextScanner in(text);
  DecoderSchedule s;
  if (!in.matchLiteral("itert=") || !in.readInt(s.itert)) return false;
  in.skipSpace();  // the " \n" after the number
  if (s.itert < 0 || s.itert > kMaxIterations) return false;
  struct Array {
    char marker;
    std::vector<int>* values;
  };
  const Array arrays[] = {{'w', &s.w}, {'t', &s.t}, {'c', &s.c},
                          {'o', &s.o}, {'p', &s.p}, {'i', &s.i}};
  for (const Array& array : arrays) {
    in.skipPast(array.marker);
    array.values->assign(s.itert, 0);
    for (int& value : *array.values) {
      if (!in.readInt(value)) return false;
    }
  }
  out = std::move(s);
  return true;
}

std::string formatDecoderSchedule(const DecoderSchedule& schedule) {
  std::string text = "itert=" + std::to_string(schedule.itert) + '\n';
  const std::pair<char, const std::vector<int>*> arrays[] = {
      {'w', &schedule.w}, {'t', &schedule.t}, {'c', &schedule.c},
      {'o', &schedule.o}, {'p', &schedule.p}, {'i', &schedule.i}};
  for (const auto& [marker, values] : arrays) {
    text += marker;
    for (int value : *values) text += ' ' + std::to_string(value);
    text += '\n';
  }
  return text;
}

CodeFileStatus readDecoderSchedule(const std::string& path, DecoderSchedule& out) {
  std::string error;
  const std::optional<std::string> text = readWholeFile(path, error);
  if (!text) return CodeFileStatus::kMissing;
  return parseDecoderSchedule(*text, out) ? CodeFileStatus::kRead : CodeFileStatus::kInvalid;
}

}  // namespace vok
