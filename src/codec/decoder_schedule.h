// The decoder schedule: how many iterations a transmission may get, and per
// iteration the weight of the received value's vote (w), the threshold (t),
// two unused entries (c, o), the number of voting check branches (p) and
// of decoded information branches (i). Read from "decoder.vok" or built in.
#ifndef VOK_CODEC_DECODER_SCHEDULE_H_
#define VOK_CODEC_DECODER_SCHEDULE_H_

#include <string>
#include <string_view>
#include <vector>

#include "codec/code_description.h"

namespace vok {

// Schedules longer than this are refused as not real.
inline constexpr int kMaxIterations = 100000;

struct DecoderSchedule {
  int itert = 0;
  std::vector<int> w, t, c, o, p, i;  // each of itert entries

  bool operator==(const DecoderSchedule&) const = default;

  // Bounds p and i to the code in force: 0 means all branches, a larger
  // value is cut to nr (nk); a negative value stays negative.
  void bound(int nk, int nr);

  // The 20-iteration schedule used when no file is present (not yet bounded).
  static DecoderSchedule builtIn();
};

// Parses the text of a schedule file with C scanf semantics: "itert=%d \n",
// then for each of w, t, c, o, p, i in this order: skip characters up to and
// including the first occurrence of the array's letter (or to the end), then
// read itert numbers with "%d". Refused: a read that converts nothing, a
// negative itert or one above kMaxIterations, a number that does not fit an
// int. The result is not bounded.
bool parseDecoderSchedule(std::string_view text, DecoderSchedule& out);

// The text of a schedule file that parseDecoderSchedule reads back as
// `schedule`: "itert=N", then one line per array in the order w, t, c, o,
// p, i, each its letter and its numbers separated by spaces.
// REQUIRES: every array holds itert entries.
std::string formatDecoderSchedule(const DecoderSchedule& schedule);

// Reads and parses the file at `path`. The file is closed on every path.
CodeFileStatus readDecoderSchedule(const std::string& path, DecoderSchedule& out);

}  // namespace vok

#endif  // VOK_CODEC_DECODER_SCHEDULE_H_
