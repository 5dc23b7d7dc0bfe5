// Entry point of the desktop demonstration `vok`.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/demo_app.h"

namespace {

// Where the installed sample lives, from the folder of the executable.
QString sampleDirectory() {
  return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                         QStringLiteral("/" VOK_SAMPLE_DIR_FROM_BIN));
}

}  // namespace

int main(int argc, char* argv[]) {
  // Help and version are answered before the window system is touched, so
  // they work without a display.
  if (vok::asksForHelpOrVersion(argc, argv)) {
    std::string error;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto line = vok::parseCommandLine(arguments, error);
    std::fputs(
        line && line->version && !line->help ? vok::versionText().c_str() : vok::helpText().c_str(),
        stdout);
    return 0;
  }
  QApplication application(argc, argv);
  std::vector<std::string> arguments;
  for (const QString& a : QCoreApplication::arguments().mid(1)) {
    arguments.push_back(QFile::encodeName(a).toStdString());
  }
  std::string error;
  const auto line = vok::parseCommandLine(arguments, error);
  if (!line) {
    std::fprintf(stderr, "vok: %s (vok --help tells more)\n", error.c_str());
    return 1;
  }
  vok::StartOptions start;
  if (line->file) {
    start.picture = *line->file;
  } else if (line->sampleIfMissing && !QFileInfo::exists(QStringLiteral("pic.bmp"))) {
    const QString sample = sampleDirectory();
    if (QFileInfo::exists(sample + QStringLiteral("/pic.bmp"))) {
      start.directory = QFile::encodeName(sample).toStdString();
    }
  }
  vok::DemoApp app;
  return app.startUp(start);
}
