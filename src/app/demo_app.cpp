// Start-up of the desktop program.
#include "app/demo_app.h"

#include <QThread>

#include "ui/main_dialog.h"

namespace vok {

int DemoApp::startUp(const StartOptions& options) {
  MainDialog window(options.directory, [](int milliseconds) {
    QThread::msleep(static_cast<unsigned long>(milliseconds));
  });
  if (options.picture) window.setStartPicture(*options.picture);
  window.exec();  // accept or cancel: the program ends either way
  return 0;
}

}  // namespace vok
