// Start-up of the desktop program.
#include "app/demo_app.h"

#include <QThread>

#include "ui/main_dialog.h"

namespace vok {

int DemoApp::startUp() {
  MainDialog window(
      ".", [](int milliseconds) { QThread::msleep(static_cast<unsigned long>(milliseconds)); });
  window.exec();  // accept or cancel: the program ends either way
  return 0;
}

}  // namespace vok
