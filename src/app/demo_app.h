// The application object: runs the main window as a modal dialog and ends
// the program when it closes.
#ifndef VOK_APP_DEMO_APP_H_
#define VOK_APP_DEMO_APP_H_

namespace vok {

class DemoApp {
 public:
  // Runs the main window on the files of the working directory; returns the
  // process exit status.
  // REQUIRES: a QApplication exists.
  int startUp();
};

}  // namespace vok

#endif  // VOK_APP_DEMO_APP_H_
