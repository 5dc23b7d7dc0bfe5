// A code description written out as the text of an "encoder.vok" file.
#ifndef VOK_DESIGN_CODE_TEXT_H_
#define VOK_DESIGN_CODE_TEXT_H_

#include <string>

#include "codec/code_description.h"

namespace vok::design {

// The head "nk=K" and "  nr=R", then one line per list, check branch outer
// and information branch inner, as "  i=I  v=J COUNT DELAYS...". Reading the
// text back gives `code` again.
// REQUIRES: 1 <= code.nk, code.nr <= kMaxBranches.
std::string formatCodeDescription(const CodeDescription& code);

}  // namespace vok::design

#endif  // VOK_DESIGN_CODE_TEXT_H_
