// The code description: built-in code, parsing of "encoder.vok".
#include "codec/code_description.h"

#include <algorithm>
#include <optional>

#include "codec/text_scanner.h"
#include "common/output_file.h"

namespace vok {

int CodeDescription::voteScratchCapacity() const {
  int largest = 0;
  for (int i = 0; i < nk && i < kMaxBranches; ++i) {
    int total = 0;
    for (int j = 0; j < nr && j < kMaxBranches; ++j) total += taps[i][j].count();
    largest = std::max(largest, total);
  }
  return 1 + largest;
}

CodeDescription CodeDescription::builtIn() {
  // kTable[j][i]: the delays of information branch i in check branch j.
  static const std::vector<std::int32_t> kTable[8][8] = {
      {{0, 780}, {971, 991}, {119}, {414}, {6}, {}, {}, {}},
      {{91, 643}, {420, 668}, {41}, {}, {634}, {973}, {}, {}},
      {{761}, {634, 798}, {955, 994}, {}, {321}, {461}, {414}, {}},
      {{443}, {415, 690}, {159, 497}, {}, {925}, {79}, {85}, {279}},
      {{927, 981}, {174}, {324, 732}, {344}, {}, {533}, {954}, {749}},
      {{231, 356}, {242}, {754, 813}, {26}, {}, {}, {349}, {85}},
      {{152, 541}, {42, 583}, {620, 763}, {14}, {}, {}, {}, {612}},
      {{15, 222, 433, 872},
       {36, 443, 445, 685},
       {17, 68, 128, 198},
       {5, 12, 29, 49, 87, 113, 117, 253, 336, 470, 609, 735},
       {7, 19, 32, 54, 64, 110, 183, 232, 367, 452, 504, 764},
       {1, 22, 40, 51, 94, 155, 171, 269, 392, 499, 601, 753},
       {3, 26, 34, 62, 89, 151, 217, 297, 389, 429, 655, 776},
       {10, 24, 43, 77, 119, 167, 246, 320, 420, 579, 582, 784}},
  };
  CodeDescription code;
  code.nk = 8;
  code.nr = 8;
  for (int j = 0; j < 8; ++j) {
    for (int i = 0; i < 8; ++i) code.taps[i][j].delays = kTable[j][i];
  }
  return code;
}

bool parseCodeDescription(std::string_view text, CodeDescription& out) {
  detail::TextScanner in(text);
  CodeDescription code;
  if (!in.matchLiteral("nk=") || !in.readInt(code.nk)) return false;
  if (!in.matchLiteral("  nr=") || !in.readInt(code.nr)) return false;
  if (code.nk < 1 || code.nk > kMaxBranches || code.nr < 1 || code.nr > kMaxBranches) {
    return false;
  }
  for (int j = 0; j < code.nr; ++j) {
    for (int i = 0; i < code.nk; ++i) {
      std::int32_t label = 0;
      if (!in.matchLiteral("  i=") || !in.readInt(label)) return false;
      if (!in.matchLiteral("  v=") || !in.readInt(label)) return false;
      std::int32_t count = 0;
      if (!in.readInt(count) || count < 0) return false;
      std::vector<std::int32_t>& delays = code.taps[i][j].delays;
      // Every delay takes at least one character, so a count beyond the
      // remaining text is bound to fail; do not reserve for it.
      if (static_cast<std::size_t>(count) <= text.size()) delays.reserve(count);
      for (std::int32_t n = 0; n < count; ++n) {
        std::int32_t delay = 0;
        if (!in.readInt(delay)) return false;
        delays.push_back(delay);
      }
    }
  }
  out = std::move(code);
  return true;
}

CodeFileStatus readCodeDescription(const std::string& path, CodeDescription& out) {
  std::string error;
  const std::optional<std::string> text = readWholeFile(path, error);
  if (!text) return CodeFileStatus::kMissing;
  return parseCodeDescription(*text, out) ? CodeFileStatus::kRead : CodeFileStatus::kInvalid;
}

}  // namespace vok
