// The application object: runs the main window as a modal dialog and ends
// the program when it closes.
#ifndef VOK_APP_DEMO_APP_H_
#define VOK_APP_DEMO_APP_H_

#include <optional>
#include <string>

namespace vok {

struct StartOptions {
  std::string directory = ".";         // code files, and pic.bmp without a picture
  std::optional<std::string> picture;  // a picture file in place of pic.bmp
};

class DemoApp {
 public:
  // Runs the main window; returns the process exit status.
  // REQUIRES: a QApplication exists.
  int startUp(const StartOptions& options = {});
};

}  // namespace vok

#endif  // VOK_APP_DEMO_APP_H_
