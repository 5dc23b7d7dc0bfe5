// `vok-sim code check` and `vok-sim code search`: is a code self-orthogonal,
// and if not where; and the construction of a self-orthogonal code of given
// dimensions, votes and largest delay.
#ifndef VOK_SIM_CODE_COMMAND_H_
#define VOK_SIM_CODE_COMMAND_H_

#include <cstdint>
#include <optional>
#include <string>

#include "design/code_search.h"
#include "sim/command_registry.h"

namespace vok::sim {

// `code search` found no code within its bound and budget.
inline constexpr int kExitNoCodeFound = 3;

struct CodeCheckSettings {
  std::optional<std::string> file;       // an encoder.vok file
  std::optional<std::string> directory;  // or the folder holding one
  std::optional<std::int64_t> length;    // judge for this branch length
  bool json = false;
};

// Reports the code in `file`, DIR/encoder.vok or ./encoder.vok, or the
// built-in code when that file is not there. Returns kExitOk whatever the
// verdict, kExitInitFailure (with the program's message) when the file
// does not parse, kExitBadArguments for both a file and --dir.
int runCodeCheck(const CodeCheckSettings& settings, CommandStreams& streams);

struct CodeSearchSettings {
  design::SearchRequest request;
  double seconds = 10;
  std::string out;
};

// Searches, writes the best code to `out` and reports it. Returns kExitOk,
// kExitNoCodeFound, or kExitBadArguments when `out` cannot be written.
int runCodeSearch(const CodeSearchSettings& settings, CommandStreams& streams);

// Adds `code` with its subcommands `check` and `search`.
void addCodeCommands(CommandRegistry& registry);

}  // namespace vok::sim

#endif  // VOK_SIM_CODE_COMMAND_H_
