// The aids for teaching with the window, at the scale factor this
// executable runs at (1, or 2 for ui_scale2_test): the colour legend and
// the big pane's caption (texts and places), the border of the big pane on
// screen after zooming, and the magnifier cursors' size.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <memory>

#include "ui/correction_legend.h"
#include "ui/image_pane.h"
#include "ui/main_dialog.h"
#include "ui/texts.h"
#include "window_test_support.h"

#ifdef VOK_TEST_SCALE_FACTOR
// Before the application object exists.
static const bool kScaleFactorSet = qputenv("QT_SCALE_FACTOR", VOK_TEST_SCALE_FACTOR);
#endif

namespace vok {
namespace {

using Button = MainDialog::Button;

qreal expectedScale() {
#ifdef VOK_TEST_SCALE_FACTOR
  return QByteArray(VOK_TEST_SCALE_FACTOR).toDouble();
#else
  return 1.0;
#endif
}

QPoint at(const QWidget* w, int dx, int dy) { return w->geometry().topLeft() + QPoint(dx, dy); }

class TeachingAidsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ensureApplication();
    test::writeSamplePicture(dir, 40, 30);
  }

  std::unique_ptr<MainDialog> open(Experiment::Sleeper sleeper = [](int) {}) {
    auto d = test::showMainDialog(dir.str(), std::move(sleeper));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(d.get()));
    EXPECT_EQ(d->devicePixelRatioF(), expectedScale());
    return d;
  }

  static void zoom(MainDialog& d, int n) {
    QTest::mouseRelease(&d, Qt::LeftButton, {}, at(d.pane(n), 10, 10));
    ASSERT_EQ(d.zoomState(), n);
  }
  static void unzoom(MainDialog& d) {
    QTest::mouseRelease(&d, Qt::LeftButton, {}, at(d.pane(0), 10, 10));
    ASSERT_EQ(d.zoomState(), 0);
  }

  test::TempDir dir;
};

// The other controls a legend must not cover: everything the template lays
// out beside the panes.
std::vector<const QWidget*> controlsBeside(const MainDialog& d) {
  std::vector<const QWidget*> controls;
  for (const QWidget* w : d.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (qobject_cast<const QLabel*>(w) || qobject_cast<const QLineEdit*>(w) ||
        qobject_cast<const QPushButton*>(w)) {
      controls.push_back(w);
    }
  }
  return controls;
}

TEST_F(TeachingAidsTest, LegendExplainsTheThreeMapColoursInAFreeBandOfTheFieldsColumn) {
  auto d = open();
  CorrectionLegend* legend = d->correctionLegend();
  ASSERT_NE(legend, nullptr);
  const auto& entries = CorrectionLegend::entries();
  EXPECT_EQ(entries[0].colour, qRgb(0, 0, 255));
  EXPECT_EQ(QString::fromUtf8(entries[0].text),
            QString::fromUtf8("исправлено на исходное значение"));
  EXPECT_EQ(entries[1].colour, qRgb(255, 0, 0));
  EXPECT_EQ(QString::fromUtf8(entries[1].text), QString::fromUtf8("изменено на неверное значение"));
  EXPECT_EQ(entries[2].colour, qRgb(255, 255, 255));
  EXPECT_EQ(QString::fromUtf8(entries[2].text), QString::fromUtf8("без изменений"));

  // Beside the panes, within the window, over no other control, and wide
  // and tall enough for its texts.
  const QRect band = legend->geometry();
  EXPECT_TRUE(d->rect().contains(band));
  EXPECT_GE(band.left(), d->pane(0)->geometry().right() + 1);
  for (const QWidget* w : controlsBeside(*d)) {
    EXPECT_FALSE(w->geometry().intersects(band)) << w->metaObject()->className();
  }
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_LE(legend->neededWidth(i), band.width());
    EXPECT_GE(legend->textRect(i).height(), legend->fontMetrics().height());
    EXPECT_TRUE(legend->rect().contains(legend->swatchRect(i)));
  }
  // Level with the corrections pane's title: its rows lie between the
  // channel's fields and the decoder's.
  EXPECT_LT(band.top(), d->title(4)->geometry().top());
  EXPECT_GT(band.bottom(), d->pane(2)->geometry().top());

  // The swatches show the map's own colours, whole device pixels inside
  // their frame, with the legend visible in both zoom states.
  for (int state : {0, 4}) {
    SCOPED_TRACE(state);
    if (state != 0) zoom(*d, state);
    EXPECT_TRUE(legend->isVisible());
    const QImage shot = legend->grab().toImage();
    const qreal s = shot.devicePixelRatio();
    EXPECT_EQ(s, expectedScale());
    for (int i = 0; i < 3; ++i) {
      const QRect swatch = legend->swatchRect(i);
      const QPoint centre(qRound(swatch.center().x() * s), qRound(swatch.center().y() * s));
      EXPECT_EQ(shot.pixel(centre) & 0xFFFFFF, entries[i].colour & 0xFFFFFF) << i;
    }
  }
}

TEST_F(TeachingAidsTest, BigPaneCaptionNamesTheEnlargedPictureAboveIt) {
  auto d = open();
  QLabel* caption = d->bigPaneCaption();
  EXPECT_FALSE(caption->isVisible());
  const QRect big = d->pane(0)->geometry();
  for (int n = 1; n <= 4; ++n) {
    SCOPED_TRACE(n);
    zoom(*d, n);
    EXPECT_TRUE(caption->isVisible());
    EXPECT_EQ(caption->text(), d->title(n)->text());
    EXPECT_EQ(caption->alignment(), Qt::AlignCenter);
    // The row of the top titles, across the whole big pane.
    EXPECT_EQ(caption->geometry().top(), d->title(1)->geometry().top());
    EXPECT_EQ(caption->geometry().bottom() + 1, big.top());
    EXPECT_EQ(caption->geometry().left(), big.left());
    EXPECT_EQ(caption->geometry().right(), big.right());
    EXPECT_GE(caption->width(), caption->fontMetrics().horizontalAdvance(caption->text()));
    unzoom(*d);
    EXPECT_FALSE(caption->isVisible());
  }
}

TEST_F(TeachingAidsTest, CaptionOfTheEnlargedDecodedPictureFollowsEachIterationAndRepeat) {
  MainDialog* window = nullptr;
  QStringList seen;
  auto d = open([&](int) { seen << window->bigPaneCaption()->text(); });
  window = d.get();
  QTest::mouseClick(d->button(Button::Transmit), Qt::LeftButton);
  zoom(*d, 3);
  EXPECT_EQ(d->bigPaneCaption()->text(), QString::fromUtf8(texts::kDecodedTitle));
  QTest::mouseClick(d->button(Button::DecodeAll), Qt::LeftButton);
  ASSERT_FALSE(seen.isEmpty());
  for (int k = 0; k < seen.size(); ++k) {
    EXPECT_EQ(seen[k], QString::fromUtf8(texts::kDecodedAfterTitle).arg(k + 1));
  }
  QTest::mouseClick(d->button(Button::Repeat), Qt::LeftButton);
  EXPECT_EQ(d->bigPaneCaption()->text(), QString::fromUtf8(texts::kDecodedTitle));
}

// What the screen shows: the backing store after the window's own
// repaints, not a fresh rendering. The offscreen platform gives it in
// device pixels but cut to the window's size in points, so at a scale
// factor of 2 this is the top-left quarter of the window.
QImage onScreen(const MainDialog& d) {
  QApplication::processEvents();
  QTest::qWait(50);
  return d.screen()->grabWindow(d.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

TEST_F(TeachingAidsTest, BigPaneBorderIsWholeOnScreenAfterZoomingTheCorrections) {
  auto d = open();
  QTest::mouseClick(d->button(Button::Transmit), Qt::LeftButton);
  QTest::mouseClick(d->button(Button::Iterate), Qt::LeftButton);
  onScreen(*d);
  zoom(*d, 4);
  const QImage shot = onScreen(*d);
  const qreal s = expectedScale();
  const QRgb frame = d->palette().color(QPalette::WindowText).rgb() & 0xFFFFFF;
  const QRect big = d->pane(0)->geometry();
  const int left = qRound(big.left() * s);
  const int top = qRound(big.top() * s);
  const int right = std::min(qRound((big.right() + 1) * s), shot.width());
  const int bottom = std::min(qRound((big.bottom() + 1) * s), shot.height());
  // The stretches looked at pass where the gaps between the small panes
  // were, below and beside which the lines once had holes.
  ASSERT_GT(right, qRound(d->pane(2)->geometry().left() * s));
  ASSERT_GT(bottom, qRound(d->pane(1)->geometry().bottom() * s));
  int holes = 0;
  // Each line is one point wide: s device pixels, all in the frame colour.
  for (int line = 0; line < qRound(s); ++line) {
    for (int x = left; x < right; ++x) holes += (shot.pixel(x, top + line) & 0xFFFFFF) != frame;
    for (int y = top; y < bottom; ++y) holes += (shot.pixel(left + line, y) & 0xFFFFFF) != frame;
  }
  EXPECT_EQ(holes, 0);
}

TEST_F(TeachingAidsTest, MagnifiersKeepTheirSizeInPointsAndTheirHotSpot) {
  auto d = open();
  // Sent directly: at scale 2 the window reaches past the small offscreen
  // screen, where simulated pointer moves are dropped.
  const QPoint inSource = at(d->pane(1), 20, 20);
  QMouseEvent move(QEvent::MouseMove, inSource, d->mapToGlobal(inSource), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(d.get(), &move);
  const QCursor plus = d->cursor();
  ASSERT_EQ(plus.shape(), Qt::BitmapCursor);
  const qreal s = expectedScale();
  EXPECT_EQ(plus.pixmap().devicePixelRatio(), s);
  EXPECT_EQ(plus.pixmap().size(), QSize(qRound(32 * s), qRound(32 * s)));
  EXPECT_EQ(plus.pixmap().deviceIndependentSize(), QSizeF(32, 32));
  EXPECT_EQ(plus.hotSpot(), QPoint(kZoomCursorHotX, kZoomCursorHotY));
  // Enlarged block by block: every picture pixel became s x s equal ones.
  const QImage enlarged = plus.pixmap().toImage();
  const QImage original = loadZoomCursor(ZoomCursor::In)->pixmap().toImage();
  int differing = 0;
  for (int y = 0; y < enlarged.height(); ++y) {
    for (int x = 0; x < enlarged.width(); ++x) {
      differing +=
          enlarged.pixel(x, y) != original.pixel(static_cast<int>(x / s), static_cast<int>(y / s));
    }
  }
  EXPECT_EQ(differing, 0);
  zoom(*d, 1);
  EXPECT_EQ(d->cursor().pixmap().size(), plus.pixmap().size());
}

}  // namespace
}  // namespace vok
