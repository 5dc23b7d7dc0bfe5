// The window at a scale factor of 2 (as on a HiDPI screen): the layout in
// device-independent points is the one of scale 1, and every picture pixel
// block covers whole device pixels of one colour, so the panes stay crisp.
#include <gtest/gtest.h>

#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "ui/dialog_units.h"
#include "ui/image_pane.h"
#include "ui/main_dialog.h"
#include "ui/resources.h"
#include "window_test_support.h"

namespace vok {
namespace {

class ScaleTwoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qputenv("QT_SCALE_FACTOR", "2");  // read when the application is made
    test::ensureApplication();
    test::writeSamplePicture(dir, 40, 30);
  }
  test::TempDir dir;
};

TEST_F(ScaleTwoTest, LayoutKeepsItsPointsAndBlocksCoverWholeDevicePixels) {
  MainDialog d(dir.str(), [](int) {});
  d.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
  ASSERT_EQ(d.devicePixelRatio(), 2.0);
  // The layout is that of the dialog units of the window's font.
  const DialogUnits du(dialogFont());
  EXPECT_EQ(d.size(), du.toPixels(QSize(498, 317)));
  EXPECT_EQ(d.pane(1)->geometry(), du.toPixels(4, 17, 170, 141));
  EXPECT_EQ(d.button(MainDialog::Button::Exit)->geometry(), du.toPixels(353, 299, 141, 14));

  QTest::mouseClick(d.button(MainDialog::Button::Transmit), Qt::LeftButton);
  const Experiment& e = d.experiment();
  const PaneGeometry& g = e.smallPaneGeometry();
  const Picture& p = e.picture();
  ASSERT_GE(g.scale, 1);
  for (int n : {1, 2}) {
    SCOPED_TRACE(n);
    ImagePane* pane = d.pane(n);
    const QImage grabbed = pane->grab().toImage();
    ASSERT_EQ(grabbed.size(), pane->size() * 2);
    const std::vector<std::uint8_t>& pixels = n == 1 ? e.sourceImage() : e.channelImage();
    const int border = pane->borderWidth();
    int wrong = 0;
    for (int row = 0; row < p.height; ++row) {  // from the top on screen
      const int stored = p.height - 1 - row;    // row 0 is the bottom one
      for (int col = 0; col < p.width; ++col) {
        const std::uint8_t* b = pixels.data() + (std::size_t{1} * stored * p.width + col) * 3;
        const QRgb colour = qRgb(b[2], b[1], b[0]);
        const int x0 = 2 * (border + g.offsetX + col * g.scale);
        const int y0 = 2 * (border + g.offsetY + row * g.scale);
        for (int y = y0; y < y0 + 2 * g.scale; ++y) {
          for (int x = x0; x < x0 + 2 * g.scale; ++x) {
            wrong += (grabbed.pixel(x, y) & 0xFFFFFF) != (colour & 0xFFFFFF);
          }
        }
      }
    }
    EXPECT_EQ(wrong, 0) << "device pixels of a block not in its pixel's colour";
  }
}

}  // namespace
}  // namespace vok
