// Writing of code-description files.
#include "design/code_text.h"

namespace vok::design {

std::string formatCodeDescription(const CodeDescription& code) {
  std::string text = "nk=" + std::to_string(code.nk) + "\n  nr=" + std::to_string(code.nr) + '\n';
  for (int j = 0; j < code.nr; ++j) {
    for (int i = 0; i < code.nk; ++i) {
      const TapList& list = code.taps[i][j];
      text += "  i=" + std::to_string(i) + "  v=" + std::to_string(j) + ' ' +
              std::to_string(list.count());
      for (const std::int32_t d : list.delays) text += ' ' + std::to_string(d);
      text += '\n';
    }
  }
  return text;
}

}  // namespace vok::design
