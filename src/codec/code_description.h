// The code: nk information branches, nr check branches and, for each pair,
// the delays with which the information branch enters the check branch.
// Read from a text file ("encoder.vok") or taken built in.
#ifndef VOK_CODEC_CODE_DESCRIPTION_H_
#define VOK_CODEC_CODE_DESCRIPTION_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vok {

inline constexpr int kMaxBranches = 16;

// The delays of one information branch in one check branch, in file order.
// Empty when the information branch takes no part in the check branch.
// Every delay enters with coefficient 1; delays may be negative or larger
// than the branch length and are reduced cyclically where used.
struct TapList {
  std::vector<std::int32_t> delays;

  int count() const { return static_cast<int>(delays.size()); }
  bool operator==(const TapList&) const = default;
};

struct CodeDescription {
  int nk = 0;  // 1..16
  int nr = 0;  // 1..16
  // taps[i][j]: information branch i into check branch j; only the nk x nr
  // corner is used.
  std::array<std::array<TapList, kMaxBranches>, kMaxBranches> taps{};

  bool operator==(const CodeDescription&) const = default;

  // 1 + the largest total number of delays of any information branch.
  int voteScratchCapacity() const;

  // The self-orthogonal rate-1/2 code with nk = nr = 8 used when no file is
  // present.
  static CodeDescription builtIn();
};

enum class CodeFileStatus {
  kRead,     // the file was read and is valid
  kMissing,  // the file could not be opened; the caller uses the built-in one
  kInvalid,  // the file does not parse, or its numbers are out of range
};

// Parses the text of a code-description file with C scanf semantics:
// "nk=%d", "  nr=%d", then for every check branch j (outer) and information
// branch i (inner): "  i=%d", "  v=%d" (read and not used), the count and
// that many delays. Refused: nk or nr outside 1..16, a negative count, a
// number that does not fit an int, or any read that converts nothing.
bool parseCodeDescription(std::string_view text, CodeDescription& out);

// Reads and parses the file at `path`. The file is closed on every path.
CodeFileStatus readCodeDescription(const std::string& path, CodeDescription& out);

}  // namespace vok

#endif  // VOK_CODEC_CODE_DESCRIPTION_H_
