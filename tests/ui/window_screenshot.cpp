// Tool: opens the main window on a data directory, transmits and decodes to
// the end by pressing the buttons, saves a picture of the window and prints
// how long one full redraw of the four panes and of the big pane takes.
//
// Usage: vok_window_screenshot DATA_DIR OUTPUT.png
// (run under a display, e.g. xvfb-run, or with QT_QPA_PLATFORM=offscreen).
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <cstdio>

#include "ui/image_pane.h"
#include "ui/main_dialog.h"

namespace {

// Mean milliseconds of `action` over `runs` runs.
template <typename F>
double meanMilliseconds(int runs, F action) {
  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i < runs; ++i) action();
  return static_cast<double>(timer.nsecsElapsed()) / 1e6 / runs;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: vok_window_screenshot DATA_DIR OUTPUT.png\n");
    return 2;
  }
  vok::MainDialog window(args[1].toStdString(), [](int) {});
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) std::fprintf(stderr, "window not exposed\n");
  using Button = vok::MainDialog::Button;
  QTest::mouseClick(window.button(Button::Transmit), Qt::LeftButton);
  QTest::mouseClick(window.button(Button::DecodeAll), Qt::LeftButton);
  QTest::qWait(300);

  const bool saved = window.grab().save(args[2]);

  // The panes' content does not change between runs, so a draw compares
  // every point without scheduling a repaint; the window repaint adds the
  // blits of the panes to the screen.
  const int runs = 50;
  const double fourDraw = meanMilliseconds(runs, [&] { window.drawPictures(); });
  const double fourRepaint = meanMilliseconds(runs, [&] { window.repaint(); });
  const QPoint inSource = window.pane(1)->geometry().center();
  QTest::mouseRelease(&window, Qt::LeftButton, {}, inSource);
  window.repaint();
  const double bigDraw = meanMilliseconds(runs, [&] { window.drawPictures(); });
  const double bigRepaint = meanMilliseconds(runs, [&] { window.repaint(); });
  const auto& e = window.experiment();
  std::printf("picture %dx%d, small pane scale %d, big pane scale %d\n", e.picture().width,
              e.picture().height, e.smallPaneGeometry().scale, e.bigPaneGeometry().scale);
  std::printf("four panes: drawPictures %.2f ms, window repaint %.2f ms\n", fourDraw, fourRepaint);
  std::printf("big pane:   drawPictures %.2f ms, window repaint %.2f ms\n", bigDraw, bigRepaint);
  std::printf("decoder errors after %d iterations: %lld\n", e.iteration(),
              static_cast<long long>(e.decoderErrors()));
  return saved ? 0 : 1;
}
