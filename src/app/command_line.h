// The command line of `vok`: [--sample-if-missing] [FILE], --help, --version.
#ifndef VOK_APP_COMMAND_LINE_H_
#define VOK_APP_COMMAND_LINE_H_

#include <optional>
#include <string>
#include <vector>

namespace vok {

struct CommandLine {
  bool help = false;
  bool version = false;
  // Open the installed sample when the working directory has no pic.bmp.
  bool sampleIfMissing = false;
  std::optional<std::string> file;  // the picture to open
};

// Parses the arguments after the program name ("--" ends the options). On
// failure returns nullopt and sets `error` to a one-line description.
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error);

// Whether the arguments ask for help or the version (which need no display).
bool asksForHelpOrVersion(int argc, char** argv);

// The texts of --help and --version.
std::string helpText();
std::string versionText();

}  // namespace vok

#endif  // VOK_APP_COMMAND_LINE_H_
