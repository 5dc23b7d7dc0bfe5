// Drawing exactness of ImagePane: every block where it belongs, colours from
// the right bytes, margins untouched, nothing drawn for empty pictures or a
// zero scale, and no repaint when a draw changes nothing.
#include "ui/image_pane.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <cstdint>
#include <vector>

#include "window_test_support.h"

namespace vok {
namespace {

constexpr int kClientW = 200;
constexpr int kClientH = 150;

class CountingPane : public ImagePane {
 public:
  CountingPane() : ImagePane(ImagePane::Border::FramedSunken) {
    resize(kClientW + 2 * borderWidth(), kClientH + 2 * borderWidth());
  }
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent* event) override {
    ++paints;
    ImagePane::paintEvent(event);
  }
};

// What the client area shows on screen.
QImage shown(ImagePane& pane) {
  return pane.grab(pane.contentsRect()).toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb rgbOf(const std::vector<std::uint8_t>& pixels, int width, int row, int column) {
  const std::uint8_t* p = &pixels[(static_cast<std::size_t>(row) * width + column) * 3];
  return qRgb(p[2], p[1], p[0]);
}

// Checks every point of the client area: inside the picture's rectangle the
// block colour of the pixel it belongs to, outside it the colour before.
void expectBlocks(const QImage& image, const QImage& before,
                  const std::vector<std::uint8_t>& pixels, int w, int h, int ox, int oy, int s) {
  int mismatches = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      QRgb expected = before.pixel(x, y);
      if (x >= ox && x < ox + w * s && y >= oy && y < oy + h * s) {
        const int column = (x - ox) / s;
        const int row = h - 1 - (y - oy) / s;
        expected = rgbOf(pixels, w, row, column);
      }
      if ((image.pixel(x, y) & 0xFFFFFF) != (expected & 0xFFFFFF) && ++mismatches < 5) {
        ADD_FAILURE() << "point (" << x << ", " << y << ")";
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

class ImagePaneTest : public ::testing::Test {
 protected:
  void SetUp() override { test::ensureApplication(); }
};

TEST_F(ImagePaneTest, FullSizePictureCoversEveryPointWithRowZeroAtTheBottom) {
  CountingPane pane;
  const QImage before = shown(pane);
  const auto pixels = test::samplePixels(200, 150);
  pane.draw(150, 200, 0, 0, 1, pixels.data());
  const QImage image = shown(pane);
  expectBlocks(image, before, pixels, 200, 150, 0, 0, 1);
  EXPECT_EQ(image.pixel(0, 149) & 0xFFFFFF, rgbOf(pixels, 200, 0, 0) & 0xFFFFFF);
  EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, rgbOf(pixels, 200, 149, 0) & 0xFFFFFF);
}

TEST_F(ImagePaneTest, BlocksAndMarginsForSeveralGeometries) {
  struct Case {
    int w, h, ox, oy, s;
  };
  // A 1 x 1 picture enlarged to 150, a tall picture at scale 1, and a small
  // one in odd blocks with odd margins.
  for (const Case c : {Case{1, 1, 25, 0, 150}, Case{67, 134, 66, 8, 1}, Case{3, 2, 5, 9, 7},
                       Case{195, 150, 2, 0, 1}}) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " scale " << c.s);
    CountingPane pane;
    const QImage before = shown(pane);
    const auto pixels = test::samplePixels(c.w, c.h);
    pane.draw(c.h, c.w, c.ox, c.oy, c.s, pixels.data());
    expectBlocks(shown(pane), before, pixels, c.w, c.h, c.ox, c.oy, c.s);
  }
}

TEST_F(ImagePaneTest, RedIsByteTwoAndBlueIsByteZero) {
  CountingPane pane;
  const std::vector<std::uint8_t> pixel = {0x11, 0x22, 0x33};  // blue, green, red
  pane.draw(1, 1, 0, 0, 150, pixel.data());
  EXPECT_EQ(shown(pane).pixel(10, 10) & 0xFFFFFF, 0x332211u);
}

TEST_F(ImagePaneTest, ZeroScaleOrEmptyPicturePaintsNothing) {
  CountingPane pane;
  const QImage before = shown(pane);
  const auto pixels = test::samplePixels(800, 2);
  pane.draw(2, 800, 100, 75, 0, pixels.data());
  pane.draw(0, 800, 0, 0, 1, pixels.data());
  pane.draw(2, 0, 0, 0, 1, pixels.data());
  pane.draw(-1, 3, 0, 0, 1, pixels.data());
  EXPECT_EQ(shown(pane), before);
}

TEST_F(ImagePaneTest, DrawingUnchangedContentSchedulesNoRepaint) {
  CountingPane pane;
  pane.show();
  QApplication::processEvents();
  const auto pixels = test::samplePixels(20, 10);
  pane.draw(10, 20, 3, 4, 5, pixels.data());
  QApplication::processEvents();
  const int afterFirst = pane.paints;
  EXPECT_GT(afterFirst, 0);
  pane.draw(10, 20, 3, 4, 5, pixels.data());
  QApplication::processEvents();
  EXPECT_EQ(pane.paints, afterFirst);
}

}  // namespace
}  // namespace vok
