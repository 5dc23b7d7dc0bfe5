#include "app/command_line.h"

#include <string_view>

namespace vok {

std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error) {
  CommandLine line;
  bool options = true;
  for (const std::string& a : arguments) {
    if (options && a == "--") {
      options = false;
    } else if (options && (a == "-h" || a == "--help")) {
      line.help = true;
    } else if (options && a == "--version") {
      line.version = true;
    } else if (options && a == "--sample-if-missing") {
      line.sampleIfMissing = true;
    } else if (options && a.size() > 1 && a[0] == '-') {
      error = "unknown option " + a;
      return std::nullopt;
    } else if (line.file) {
      error = "only one picture file may be given";
      return std::nullopt;
    } else {
      line.file = a;
    }
  }
  return line;
}

bool asksForHelpOrVersion(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a(argv[i]);
    if (a == "--") break;
    if (a == "-h" || a == "--help" || a == "--version") return true;
  }
  return false;
}

std::string helpText() {
  return "Usage: vok [--sample-if-missing] [FILE]\n"
         "Show an iterative threshold decoder of a non-binary (Q = 256) code at work\n"
         "on a picture: encode it, send it through a noisy channel, decode it.\n"
         "\n"
         "Without FILE the window reads pic.bmp, encoder.vok and decoder.vok from\n"
         "the working directory. FILE may be a picture of any format the program\n"
         "reads (BMP, PNG, JPEG, GIF, TIFF, WebP, ...); the code files still come\n"
         "from the working directory, or the built-in code and schedule are used.\n"
         "\n"
         "Options:\n"
         "  --sample-if-missing  without FILE, open the installed sample picture\n"
         "                       and code files when the working directory has no\n"
         "                       pic.bmp (the desktop menu entry starts vok so)\n"
         "  -h, --help           show this help and exit\n"
         "  --version            show the version and exit\n"
         "\n"
         "In the window, right-click for \"Открыть рисунок...\" (or drop a picture\n"
         "file onto the window), \"Сохранить изображения...\" and \"График\n"
         "декодирования\". The headless vok-sim(1) runs the same experiment.\n";
}

std::string versionText() { return "vok 1.0\n"; }

}  // namespace vok
