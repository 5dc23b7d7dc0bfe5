// Timing of drawPictures in the real window (offscreen platform) on the
// bundled sample after one transmission: a redraw of the four small panes
// (correction map included), and of one picture in the big pane, ms per call.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>

#include "experiment/experiment.h"
#include "ui/image_pane.h"
#include "ui/main_dialog.h"

namespace vok::bench {
namespace {

MainDialog& window() {
  static MainDialog* dialog = [] {
    auto* d = new MainDialog(VOK_SAMPLE_DATA_DIR, [](int) {});
    d->show();
    QApplication::processEvents();
    d->button(MainDialog::Button::Transmit)->click();
    QApplication::processEvents();
    return d;
  }();
  return *dialog;
}

void drawSmallPanes(benchmark::State& state) {
  MainDialog& dialog = window();
  if (!dialog.experiment().pictureLoaded()) state.SkipWithError("sample picture not loaded");
  for (auto _ : state) dialog.drawPictures();
  const QSize size = dialog.pane(1)->clientSize();
  state.counters["pane_w"] = size.width();
  state.counters["pane_h"] = size.height();
  state.counters["scale"] = dialog.experiment().smallPaneGeometry().scale;
}

void drawBigPane(benchmark::State& state) {
  MainDialog& dialog = window();
  const Experiment& experiment = dialog.experiment();
  if (!experiment.pictureLoaded()) state.SkipWithError("sample picture not loaded");
  ImagePane* big = dialog.pane(0);
  const Picture& picture = experiment.picture();
  const PaneGeometry& g = experiment.bigPaneGeometry();
  for (auto _ : state) {
    big->draw(picture.height, picture.width, g.offsetX, g.offsetY, g.scale,
              experiment.channelImage().data());
  }
  const QSize size = big->clientSize();
  state.counters["pane_w"] = size.width();
  state.counters["pane_h"] = size.height();
  state.counters["scale"] = g.scale;
}

BENCHMARK(drawSmallPanes)->Name("draw_pictures/four_small_panes")->Unit(benchmark::kMillisecond);
BENCHMARK(drawBigPane)->Name("draw_pictures/big_pane")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vok::bench

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
