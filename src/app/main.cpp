// Entry point of the desktop demonstration `vok`.
#include <QApplication>

#include "app/demo_app.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  vok::DemoApp app;
  return app.startUp();
}
