// The main window driven through its buttons, pointer and keyboard: the
// button table after every action, fields and the decoded pane's title,
// zoom and cursors, refusal to close while decoding, the initialisation
// failures, and the About box.
#include "ui/main_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "ui/about_dialog.h"
#include "ui/image_pane.h"
#include "ui/texts.h"
#include "window_test_support.h"

namespace vok {
namespace {

using Field = MainDialog::Field;
using Button = MainDialog::Button;
// Transmit, Iterate, Decode all, Repeat, Settings, Exit.
using Buttons = std::array<bool, 6>;

constexpr Buttons kAfterStart = {true, false, false, false, true, true};
constexpr Buttons kAfterFailure = {false, false, false, false, false, true};
constexpr Buttons kAfterTransmit = {false, true, true, true, true, true};
constexpr Buttons kAfterLastIteration = {false, false, false, true, true, true};
constexpr Buttons kWhileDecoding = {false, false, false, false, false, false};
constexpr Buttons kAfterRepeat = {true, false, false, false, true, true};

Buttons enabled(const MainDialog& d) {
  Buttons b{};
  for (int i = 0; i < 6; ++i) b[i] = d.button(static_cast<Button>(i))->isEnabled();
  return b;
}

QString text(const MainDialog& d, Field f) { return d.field(f)->text(); }

QString afterIteration(int n) {
  return QString::fromUtf8("Изображение после %1-й итерации декодирования").arg(n);
}

// The point at (dx, dy) from a widget's top-left corner, in the window.
QPoint at(const QWidget* w, int dx, int dy) { return w->geometry().topLeft() + QPoint(dx, dy); }

QImage cursorImage(const QCursor& c) { return c.pixmap().toImage(); }

bool showsCursor(const MainDialog& d, ZoomCursor which) {
  return d.cursor().shape() == Qt::BitmapCursor &&
         cursorImage(d.cursor()) == cursorImage(*loadZoomCursor(which));
}

QRgb centreOf(const ImagePane* pane) {
  const QImage& c = pane->content();
  return c.pixel(c.width() / 2, c.height() / 2) & 0xFFFFFF;
}

// The item of `menu` with the given text, or null.
QAction* menuItem(const QMenu* menu, const char* text) {
  for (QAction* a : menu->actions()) {
    if (a->text() == QString::fromUtf8(text)) return a;
  }
  return nullptr;
}

// Opens the window's context menu and runs `act` on it while it is open.
void withContextMenu(MainDialog& d, const std::function<void(QMenu*)>& act) {
  const int steps = test::withModals(
      [&] {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(700, 20),
                                d.mapToGlobal(QPoint(700, 20)));
        QApplication::sendEvent(&d, &event);
      },
      {test::onModal<QMenu>([&](QMenu* menu) {
        act(menu);
        if (menu->isVisible()) menu->close();
      })});
  EXPECT_EQ(steps, 1);
}

class MainDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ensureApplication();
    test::writeSamplePicture(dir, 40, 30);
  }

  std::unique_ptr<MainDialog> open(Experiment::Sleeper sleeper = [](int) {}) {
    auto d = test::showMainDialog(dir.str(), std::move(sleeper));
    EXPECT_TRUE(QTest::qWaitForWindowActive(d.get()));
    return d;
  }

  static void click(MainDialog& d, Button b) { QTest::mouseClick(d.button(b), Qt::LeftButton); }

  // Accepts the settings dialog with the given texts.
  static void acceptSettings(MainDialog& d, const char* p0, const char* seed) {
    test::withModals([&] { click(d, Button::Settings); },
                     {test::onModal<ChannelSettingsDialog>([&](ChannelSettingsDialog* s) {
                       s->p0Field()->setText(QString::fromUtf8(p0));
                       s->seedField()->setText(QString::fromUtf8(seed));
                       s->acceptButton()->click();
                     })});
  }

  test::TempDir dir;
};

TEST_F(MainDialogTest, StartUpShowsTextsCodeFieldsAndTransmitSettingsExit) {
  auto d = open();
  EXPECT_EQ(d->windowTitle(), QString::fromUtf8("Недвоичный vok"));
  EXPECT_EQ(d->button(Button::Transmit)->text(), QString::fromUtf8("Передать по каналу"));
  EXPECT_EQ(d->button(Button::Iterate)->text(),
            QString::fromUtf8("Выполнить итерацию декодирования"));
  EXPECT_EQ(d->button(Button::DecodeAll)->text(), QString::fromUtf8("Декодирование"));
  EXPECT_EQ(d->button(Button::Repeat)->text(), QString::fromUtf8("Повторить эксперимент"));
  EXPECT_EQ(d->button(Button::Settings)->text(), QString::fromUtf8("Настройки"));
  EXPECT_EQ(d->button(Button::Exit)->text(), QString::fromUtf8("Выход"));
  EXPECT_EQ(d->title(1)->text(), QString::fromUtf8("Исходное изображение"));
  EXPECT_EQ(d->title(2)->text(), QString::fromUtf8("Изображение после передачи по каналу"));
  EXPECT_EQ(d->title(3)->text(), QString::fromUtf8("Изображение перед декодированием"));
  EXPECT_EQ(d->title(4)->text(), QString::fromUtf8("Исправления декодера"));
  QStringList captions;
  for (const QLabel* label : d->findChildren<QLabel*>()) captions << label->text();
  for (const char* caption :
       {"Размер изображения (байт)", "Кодовая скорость", "Количество итераций декодирования",
        "Вероятность ошибки в канале", "Количество ошибок после декодирования",
        "Вероятность ошибки декодера", "Количество ошибок в канале"}) {
    EXPECT_TRUE(captions.contains(QString::fromUtf8(caption))) << caption;
  }

  EXPECT_EQ(enabled(*d), kAfterStart);
  // 40 x 30 pixels, 3600 symbols in 8 branches of 450.
  EXPECT_EQ(text(*d, Field::ShownSize), "3600");
  EXPECT_EQ(text(*d, Field::CodeRate), "0.50");
  EXPECT_EQ(text(*d, Field::Itert), "20");
  for (Field f :
       {Field::ChannelErrors, Field::ChannelRate, Field::DecoderErrors, Field::DecoderRate}) {
    EXPECT_TRUE(text(*d, f).isEmpty());
  }
  EXPECT_EQ(d->focusWidget(), d->button(Button::Exit));
  EXPECT_TRUE(d->pane(1)->isVisible());
  EXPECT_FALSE(d->pane(0)->isVisible());
  EXPECT_EQ(d->zoomState(), 0);
}

TEST_F(MainDialogTest, ButtonsFieldsAndTitleFollowTransmitIterationsAndRepeat) {
  auto d = open();
  const Experiment& e = d->experiment();
  click(*d, Button::Transmit);
  EXPECT_EQ(enabled(*d), kAfterTransmit);
  EXPECT_GT(e.channelErrors(), 0);
  EXPECT_EQ(text(*d, Field::ChannelErrors), QString::number(e.channelErrors()));
  const QRegularExpression rate(R"(^\d\.\d\de[-+]\d{3}$)");
  EXPECT_TRUE(rate.match(text(*d, Field::ChannelRate)).hasMatch())
      << text(*d, Field::ChannelRate).toStdString();
  EXPECT_NEAR(text(*d, Field::ChannelRate).toDouble(), e.channelErrors() / 3600.0, 0.006);
  EXPECT_EQ(d->title(3)->text(), QString::fromUtf8(texts::kDecodedTitle));

  for (int n = 1; n <= 20; ++n) {
    click(*d, Button::Iterate);
    ASSERT_EQ(d->title(3)->text(), afterIteration(n));
    ASSERT_EQ(text(*d, Field::DecoderErrors), QString::number(e.decoderErrors()));
    ASSERT_TRUE(rate.match(text(*d, Field::DecoderRate)).hasMatch());
    ASSERT_EQ(enabled(*d), n < 20 ? kAfterTransmit : kAfterLastIteration) << n;
  }

  click(*d, Button::Repeat);
  EXPECT_EQ(enabled(*d), kAfterRepeat);
  EXPECT_EQ(d->title(3)->text(), QString::fromUtf8(texts::kDecodedTitle));
  for (Field f :
       {Field::ChannelErrors, Field::ChannelRate, Field::DecoderErrors, Field::DecoderRate}) {
    EXPECT_TRUE(text(*d, f).isEmpty());
  }
  EXPECT_EQ(text(*d, Field::ShownSize), "3600");
  EXPECT_EQ(text(*d, Field::CodeRate), "0.50");
  EXPECT_EQ(text(*d, Field::Itert), "20");
  // The channel and decoded panes are white again.
  EXPECT_EQ(centreOf(d->pane(2)), 0xFFFFFFu);
  EXPECT_EQ(centreOf(d->pane(3)), 0xFFFFFFu);
}

TEST_F(MainDialogTest, DecodeAllDisablesEverythingWhileRunningAndOffersRepeatAfter) {
  std::vector<Buttons> during;
  MainDialog* window = nullptr;
  auto d = open([&](int) { during.push_back(enabled(*window)); });
  window = d.get();
  click(*d, Button::Transmit);
  click(*d, Button::DecodeAll);
  ASSERT_FALSE(during.empty());
  for (const Buttons& b : during) EXPECT_EQ(b, kWhileDecoding);
  EXPECT_EQ(enabled(*d), kAfterLastIteration);
  EXPECT_EQ(d->title(3)->text(), afterIteration(static_cast<int>(during.size())));
  EXPECT_EQ(text(*d, Field::DecoderErrors), QString::number(d->experiment().decoderErrors()));
}

TEST_F(MainDialogTest, DecodeAllStoppingEarlyKeepsIterateAndDecodeAllDisabled) {
  auto d = open();
  acceptSettings(*d, "0", "123");
  EXPECT_EQ(d->experiment().p0(), 0.0f);
  click(*d, Button::Transmit);
  EXPECT_EQ(text(*d, Field::ChannelErrors), "0");
  EXPECT_EQ(text(*d, Field::ChannelRate), "0.00e+000");
  click(*d, Button::DecodeAll);
  EXPECT_EQ(d->experiment().iteration(), 1);
  EXPECT_EQ(d->title(3)->text(), afterIteration(1));
  EXPECT_EQ(text(*d, Field::DecoderErrors), "0");
  EXPECT_EQ(enabled(*d), kAfterLastIteration);
}

TEST_F(MainDialogTest, AcceptedSettingsReachTheExperimentAndCancelledOnesDoNot) {
  auto d = open();
  acceptSettings(*d, "0.1", "77");
  EXPECT_EQ(d->experiment().p0(), 0.1f);
  EXPECT_EQ(d->experiment().seed(), 77);
  test::withModals([&] { click(*d, Button::Settings); },
                   {test::onModal<ChannelSettingsDialog>([](ChannelSettingsDialog* s) {
                     s->p0Field()->setText("0.3");
                     s->seedField()->setText("5");
                     s->cancelButton()->click();
                   })});
  EXPECT_EQ(d->experiment().p0(), 0.1f);
  EXPECT_EQ(d->experiment().seed(), 77);
}

TEST_F(MainDialogTest, CloseAndEscapeAreRefusedWhileDecodingAndExitWorksAfter) {
  MainDialog* window = nullptr;
  std::vector<bool> visible;
  auto d = open([&](int) {
    window->close();
    QTest::keyClick(window, Qt::Key_Escape);
    QTest::mouseClick(window->button(Button::Exit), Qt::LeftButton);
    visible.push_back(window->isVisible());
  });
  window = d.get();
  click(*d, Button::Transmit);
  click(*d, Button::DecodeAll);
  ASSERT_FALSE(visible.empty());
  for (bool v : visible) EXPECT_TRUE(v);
  EXPECT_TRUE(d->isVisible());
  EXPECT_FALSE(d->experiment().isShutDown());

  QTest::keyClick(d.get(), Qt::Key_Escape);
  EXPECT_FALSE(d->isVisible());
  EXPECT_TRUE(d->experiment().isShutDown());
}

TEST_F(MainDialogTest, ExitDuringAnIterationsBreathTakesEffectWhenTheIterationReturns) {
  auto d = open();
  click(*d, Button::Transmit);
  // Queued, so it arrives while the iteration lets the window breathe.
  QMetaObject::invokeMethod(d->button(Button::Exit), "click", Qt::QueuedConnection);
  click(*d, Button::Iterate);
  EXPECT_EQ(d->title(3)->text(), afterIteration(1));
  EXPECT_TRUE(d->experiment().isShutDown());
  EXPECT_FALSE(d->isVisible());
}

TEST_F(MainDialogTest, EnterDoesNothing) {
  auto d = open();
  QTest::keyClick(d->focusWidget(), Qt::Key_Return);
  d->field(Field::ShownSize)->setFocus();
  QTest::keyClick(d->field(Field::ShownSize), Qt::Key_Enter);
  EXPECT_TRUE(d->isVisible());
  EXPECT_FALSE(d->experiment().isShutDown());
  EXPECT_EQ(enabled(*d), kAfterStart);
}

TEST_F(MainDialogTest, EachInitialisationFailureShowsItsMessageAndLeavesOnlyExit) {
  struct Case {
    const char* message;
    std::function<void(const test::TempDir&)> prepare;
  };
  const Case cases[] = {
      {"Файл pic.bmp не найден", [](const test::TempDir&) {}},
      {"Программа поддерживает только 24-разрядный рисунок", test::writeEightBitPicture},
      {"Неверный формат файлов с настройками кодека",
       [](const test::TempDir& t) {
         test::writeSamplePicture(t, 40, 30);
         t.writeText("decoder.vok", "");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    test::TempDir failing;
    c.prepare(failing);
    test::MessageBoxCloser closer;
    MainDialog d(failing.str(), [](int) {});
    d.show();
    ASSERT_EQ(closer.seen().size(), 1u);
    EXPECT_EQ(closer.seen()[0].text, QString::fromUtf8(c.message));
    EXPECT_EQ(closer.seen()[0].caption, QString::fromUtf8("Ошибка"));
    EXPECT_TRUE(closer.seen()[0].critical);
    EXPECT_EQ(closer.seen()[0].buttonCount, 1);
    EXPECT_EQ(enabled(d), kAfterFailure);
    EXPECT_TRUE(text(d, Field::ShownSize).isEmpty());
    d.repaint();
    const QRgb background = d.palette().color(QPalette::Window).rgb() & 0xFFFFFF;
    if (d.experiment().pictureLoaded()) {
      // The codec was refused: the picture shows, the others are white.
      EXPECT_NE(centreOf(d.pane(1)), background);
      for (int n = 2; n <= 4; ++n) EXPECT_EQ(centreOf(d.pane(n)), 0xFFFFFFu);
    } else {
      for (int n = 1; n <= 4; ++n) EXPECT_EQ(centreOf(d.pane(n)), background);
    }
    QTest::mouseClick(d.button(Button::Exit), Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
  }
}

TEST_F(MainDialogTest, PaneContainsExcludesTheOuterEdgeAndThePointPastIt) {
  auto d = open();
  for (int n = 0; n <= 4; ++n) {
    SCOPED_TRACE(n);
    const QWidget* p = d->pane(n);  // the big pane (0) is hidden but keeps its place
    const int w = p->width();
    const int h = p->height();
    EXPECT_FALSE(d->paneContains(p, at(p, 0, 5).x(), at(p, 0, 5).y()));
    EXPECT_FALSE(d->paneContains(p, at(p, 5, 0).x(), at(p, 5, 0).y()));
    EXPECT_TRUE(d->paneContains(p, at(p, 1, 1).x(), at(p, 1, 1).y()));
    EXPECT_TRUE(d->paneContains(p, at(p, w - 1, h - 1).x(), at(p, w - 1, h - 1).y()));
    EXPECT_FALSE(d->paneContains(p, at(p, w, 5).x(), at(p, w, 5).y()));
    EXPECT_FALSE(d->paneContains(p, at(p, 5, h).x(), at(p, 5, h).y()));
  }
}

TEST_F(MainDialogTest, ReleaseOverASmallPaneZoomsAndReleaseOverTheBigPaneReturns) {
  auto d = open();
  click(*d, Button::Transmit);
  // A release in the gap between two panes changes nothing.
  const QPoint gap = at(d->pane(1), d->pane(1)->width() + 1, 20);
  QTest::mouseRelease(d.get(), Qt::LeftButton, {}, gap);
  EXPECT_EQ(d->zoomState(), 0);
  // Only the left button zooms.
  QTest::mouseRelease(d.get(), Qt::RightButton, {}, at(d->pane(3), 10, 10));
  EXPECT_EQ(d->zoomState(), 0);

  for (int n = 1; n <= 4; ++n) {
    SCOPED_TRACE(n);
    QTest::mouseRelease(d.get(), Qt::LeftButton, {}, at(d->pane(n), 10, 10));
    EXPECT_EQ(d->zoomState(), n);
    EXPECT_TRUE(d->pane(0)->isVisible());
    for (int m = 1; m <= 4; ++m) {
      EXPECT_FALSE(d->pane(m)->isVisible());
      EXPECT_FALSE(d->title(m)->isVisible());
    }
    EXPECT_TRUE(showsCursor(*d, ZoomCursor::Out));
    // Outside the big pane nothing happens.
    QTest::mouseRelease(d.get(), Qt::LeftButton, {}, at(d->pane(0), d->pane(0)->width() + 2, 30));
    EXPECT_EQ(d->zoomState(), n);
    QTest::mouseRelease(d.get(), Qt::LeftButton, {}, at(d->pane(0), 300, 200));
    EXPECT_EQ(d->zoomState(), 0);
    EXPECT_FALSE(d->pane(0)->isVisible());
    for (int m = 1; m <= 4; ++m) EXPECT_TRUE(d->title(m)->isVisible());
    EXPECT_TRUE(showsCursor(*d, ZoomCursor::In));
  }
}

TEST_F(MainDialogTest, ZoomedWindowDrawsOnlyTheBigPaneWithTheChosenPicture) {
  auto d = open();
  QTest::mouseRelease(d.get(), Qt::LeftButton, {}, at(d->pane(2), 10, 10));
  d->repaint();
  click(*d, Button::Transmit);
  // The big pane shows the received picture; the hidden small pane keeps
  // the white it had.
  const Experiment& e = d->experiment();
  const PaneGeometry& g = e.bigPaneGeometry();
  const QImage& big = d->pane(0)->content();
  const std::uint8_t* p = e.channelImage().data();  // pixel (row 0, column 0)
  EXPECT_EQ(big.pixel(g.offsetX, g.offsetY + (e.picture().height - 1) * g.scale) & 0xFFFFFF,
            qRgb(p[2], p[1], p[0]) & 0xFFFFFF);
  EXPECT_EQ(centreOf(d->pane(2)), 0xFFFFFFu);
  // The four panes come back up to date.
  QTest::mouseRelease(d.get(), Qt::LeftButton, {}, at(d->pane(0), 50, 50));
  d->repaint();
  EXPECT_NE(d->pane(2)->content(), QImage());
  EXPECT_EQ(
      d->pane(2)->content().pixel(
          e.smallPaneGeometry().offsetX,
          e.smallPaneGeometry().offsetY + (e.picture().height - 1) * e.smallPaneGeometry().scale) &
          0xFFFFFF,
      qRgb(p[2], p[1], p[0]) & 0xFFFFFF);
}

TEST_F(MainDialogTest, ZoomDuringDecodeAllShowsEachIterationAndTitleKeepsCounting) {
  MainDialog* window = nullptr;
  int calls = 0;
  bool bigMatchesDecoded = true;
  auto d = open([&](int) {
    if (++calls == 1) {
      QTest::mouseRelease(window, Qt::LeftButton, {}, at(window->pane(3), 10, 10));
      return;
    }
    const Experiment& e = window->experiment();
    const PaneGeometry& g = e.bigPaneGeometry();
    const std::uint8_t* p = e.decodedImage().data() + 3 * (e.picture().width - 1);
    const QRgb shown =
        window->pane(0)->content().pixel(g.offsetX + (e.picture().width - 1) * g.scale,
                                         g.offsetY + (e.picture().height - 1) * g.scale);
    bigMatchesDecoded &= (shown & 0xFFFFFF) == (qRgb(p[2], p[1], p[0]) & 0xFFFFFF);
  });
  window = d.get();
  click(*d, Button::Transmit);
  click(*d, Button::DecodeAll);
  EXPECT_GT(calls, 1);
  EXPECT_TRUE(bigMatchesDecoded);
  EXPECT_EQ(d->zoomState(), 3);
  EXPECT_FALSE(d->title(3)->isVisible());
  EXPECT_EQ(d->title(3)->text(), afterIteration(calls));
}

TEST_F(MainDialogTest, PointerMovesChooseTheMagnifierOrTheArrow) {
  auto d = open();
  QTest::mouseMove(d.get(), at(d->pane(4), 20, 20));
  EXPECT_TRUE(showsCursor(*d, ZoomCursor::In));
  QTest::mouseMove(d.get(), at(d->pane(1), d->pane(1)->width() + 1, 20));  // gap
  EXPECT_EQ(d->cursor().shape(), Qt::ArrowCursor);
  QTest::mouseRelease(d.get(), Qt::LeftButton, {}, at(d->pane(1), 20, 20));
  QTest::mouseMove(d.get(), at(d->pane(0), 400, 300));
  EXPECT_TRUE(showsCursor(*d, ZoomCursor::Out));
  QTest::mouseMove(d.get(), at(d->pane(0), d->pane(0)->width() + 2, 20));
  EXPECT_EQ(d->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(MainDialogTest, ContextMenuOpensTheAboutBox) {
  auto d = open();
  QString item;
  QString caption;
  QStringList lines;
  const int steps = test::withModals(
      [&] {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(700, 20),
                                d->mapToGlobal(QPoint(700, 20)));
        QApplication::sendEvent(d.get(), &event);
      },
      {test::onModal<QMenu>([&](QMenu* menu) {
         QAction* about = menuItem(menu, "&About vok...");
         item = about != nullptr ? about->text() : QString();
         menu->setActiveAction(about);
         QTest::keyClick(menu, Qt::Key_Return);
       }),
       test::onModal<AboutDialog>([&](AboutDialog* about) {
         caption = about->windowTitle();
         for (const QLabel* l : about->findChildren<QLabel*>()) lines << l->text();
         QTest::keyClick(about, Qt::Key_Escape);
       })});
  EXPECT_EQ(steps, 2);
  EXPECT_EQ(item, QString::fromUtf8("&About vok..."));
  EXPECT_EQ(caption, QString::fromUtf8("About vok"));
  EXPECT_TRUE(lines.contains(QString::fromUtf8("vok Version 1.0")));
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(enabled(*d), kAfterStart);
}

// Whether the stop item is offered, as the context menu shows it now.
bool stopOffered(MainDialog& d) {
  bool enabled = true;
  bool present = false;
  withContextMenu(d, [&](QMenu* menu) {
    const QAction* stop = menuItem(menu, "Остановить декодирование");
    present = stop != nullptr;
    enabled = present && stop->isEnabled();
  });
  EXPECT_TRUE(present);
  return enabled;
}

TEST_F(MainDialogTest, StopItemIsOfferedOnlyWhileDecodeAllRuns) {
  MainDialog* window = nullptr;
  std::vector<bool> duringDecodeAll;
  bool duringIteration = true;
  auto d = open([&](int) {
    if (duringDecodeAll.size() < 2) duringDecodeAll.push_back(stopOffered(*window));
  });
  window = d.get();
  EXPECT_FALSE(stopOffered(*d));
  click(*d, Button::Transmit);
  EXPECT_FALSE(stopOffered(*d));
  // Queued, so the menu opens while the single iteration breathes.
  QTimer::singleShot(0, d.get(), [&] { duringIteration = stopOffered(*d); });
  click(*d, Button::Iterate);
  EXPECT_FALSE(duringIteration);
  click(*d, Button::DecodeAll);
  EXPECT_EQ(duringDecodeAll, (std::vector<bool>{true, true}));
  EXPECT_FALSE(stopOffered(*d));
  EXPECT_EQ(enabled(*d), kAfterLastIteration);
}

// The window's whole visible state, to compare two windows.
struct Shown {
  std::array<QString, 7> fields;
  QString decodedTitle;
  Buttons buttons;
  std::array<QImage, 4> panes;
  bool operator==(const Shown&) const = default;
};

Shown shown(MainDialog& d) {
  d.repaint();
  Shown s;
  for (int i = 0; i < 7; ++i) s.fields[i] = d.field(static_cast<Field>(i))->text();
  s.decodedTitle = d.title(3)->text();
  s.buttons = enabled(d);
  for (int n = 1; n <= 4; ++n) s.panes[n - 1] = d.pane(n)->content();
  return s;
}

TEST_F(MainDialogTest, StopAfterIterationKShowsWhatKSingleIterationsShow) {
  for (int k : {1, 3}) {
    SCOPED_TRACE(k);
    auto single = open();
    click(*single, Button::Transmit);
    for (int i = 0; i < k; ++i) click(*single, Button::Iterate);

    MainDialog* window = nullptr;
    int pauses = 0;
    auto stopped = open([&](int) {
      if (++pauses != k) return;
      // During the pause after iteration k: choose the item in the menu.
      withContextMenu(*window, [](QMenu* menu) {
        menu->setActiveAction(menuItem(menu, "Остановить декодирование"));
        QTest::keyClick(menu, Qt::Key_Return);
      });
    });
    window = stopped.get();
    click(*stopped, Button::Transmit);
    click(*stopped, Button::DecodeAll);
    EXPECT_EQ(pauses, k);
    EXPECT_EQ(stopped->experiment().iteration(), k);
    EXPECT_EQ(stopped->title(3)->text(), afterIteration(k));
    EXPECT_EQ(enabled(*stopped), kAfterTransmit);
    EXPECT_TRUE(shown(*stopped) == shown(*single));
    // And it goes on from there like the single iterations do.
    click(*stopped, Button::Iterate);
    click(*single, Button::Iterate);
    EXPECT_TRUE(shown(*stopped) == shown(*single));
  }
}

TEST_F(MainDialogTest, RepaintOfTheWindowSchedulesNoFurtherRepaint) {
  auto d = open();
  click(*d, Button::Transmit);
  click(*d, Button::Iterate);
  QApplication::processEvents();
  d->repaint();
  QApplication::processEvents();
  class PaintCounter : public QObject {
   public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++paints;
      return false;
    }
  } counter;
  d->installEventFilter(&counter);
  for (int n = 0; n <= 4; ++n) d->pane(n)->installEventFilter(&counter);
  for (int i = 0; i < 5; ++i) {
    QTest::qWait(20);
    QApplication::processEvents();
  }
  EXPECT_EQ(counter.paints, 0);
}

}  // namespace
}  // namespace vok
