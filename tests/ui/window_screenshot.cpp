// Tool: opens the main window on a data directory, transmits and decodes to
// the end by pressing the buttons, saves a picture of the window and prints
// how long one full redraw of the four panes and of the big pane takes.
//
// With --teaching it instead stops the decoding after three iterations,
// enlarges the correction map (its caption and the colour legend show) and
// saves the window with the settings dialog over it, its P0 field holding
// the ignored text "0,1"; the picture is saved with a palette to stay small.
//
// Usage: vok_window_screenshot DATA_DIR OUTPUT.png [CHART.png | --teaching]
// (run under a display, e.g. xvfb-run, or with QT_QPA_PLATFORM=offscreen;
// QT_SCALE_FACTOR=2 makes the picture at scale 2). With CHART.png the
// decoding chart is opened before decoding and saved too.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "ui/decoding_chart.h"
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

// The window after three iterations with the correction map enlarged, and
// the settings dialog, centred over it as it opens, with "0,1" in its P0
// field.
QImage teachingPicture(const QString& dataDir) {
  int iterations = 0;
  vok::MainDialog* shown = nullptr;
  vok::MainDialog window(dataDir.toStdString(), [&](int) {
    if (++iterations == 3) shown->stopDecoding();
  });
  shown = &window;
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) std::fprintf(stderr, "window not exposed\n");
  using Button = vok::MainDialog::Button;
  QTest::mouseClick(window.button(Button::Transmit), Qt::LeftButton);
  QTest::mouseClick(window.button(Button::DecodeAll), Qt::LeftButton);
  QTest::mouseRelease(&window, Qt::LeftButton, {}, window.pane(4)->geometry().center());
  QTest::qWait(300);
  QImage picture = window.grab().toImage().convertToFormat(QImage::Format_RGB32);

  vok::ChannelSettingsDialog& settings = window.settingsDialog();
  QImage dialog;
  QTimer::singleShot(300, &settings, [&] {
    settings.p0Field()->setText(QStringLiteral("0,1"));
    settings.p0Field()->setFocus();
    QTimer::singleShot(300, &settings, [&] {
      dialog = settings.grab().toImage();
      settings.reject();
    });
  });
  settings.run();
  if (!dialog.isNull()) {
    // Composed in device pixels: at a scale factor of 2 the painter would
    // otherwise count in points while the sizes are in pixels.
    picture.setDevicePixelRatio(1);
    dialog.setDevicePixelRatio(1);
    QPainter painter(&picture);
    const QRect frame((picture.width() - dialog.width()) / 2,
                      (picture.height() - dialog.height()) / 2, dialog.width(), dialog.height());
    painter.drawImage(frame.topLeft(), dialog);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(frame.adjusted(-1, -1, 0, 0));
  }
  return picture;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() == 4 && args[3] == QStringLiteral("--teaching")) {
    const QImage picture =
        teachingPicture(args[1]).convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    return picture.save(args[2]) ? 0 : 1;
  }
  if (args.size() != 3 && args.size() != 4) {
    std::fprintf(stderr,
                 "usage: vok_window_screenshot DATA_DIR OUTPUT.png [CHART.png | --teaching]\n");
    return 2;
  }
  vok::MainDialog window(args[1].toStdString(), [](int) {});
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) std::fprintf(stderr, "window not exposed\n");
  using Button = vok::MainDialog::Button;
  vok::DecodingChart* chart = args.size() == 4 ? window.showChart() : nullptr;
  if (chart != nullptr) chart->move(window.geometry().topRight() + QPoint(10, 0));
  QTest::mouseClick(window.button(Button::Transmit), Qt::LeftButton);
  QTest::mouseClick(window.button(Button::DecodeAll), Qt::LeftButton);
  QTest::qWait(300);

  bool saved = window.grab().save(args[2]);
  if (chart != nullptr) saved = chart->grab().save(args[3]) && saved;

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
