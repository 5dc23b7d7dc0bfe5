// Monkey test of the window: a seeded random sequence of user actions -
// clicks on enabled and disabled buttons, releases and moves over and
// between the panes, the settings dialog accepted or cancelled with random
// texts, the About box, close requests at any moment (also while decoding
// runs, and queued so that they arrive while an iteration lets the window
// breathe). After every action the window must agree with a model of the
// experiment kept here: the buttons follow the availability table, the
// decoded pane's title names the last iteration, the fields show the
// counters, and the zoom shows the right panes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <array>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "common/number_text.h"
#include "ui/about_dialog.h"
#include "ui/image_pane.h"
#include "ui/main_dialog.h"
#include "ui/texts.h"
#include "window_test_support.h"

namespace vok {
namespace {

using Button = MainDialog::Button;
using Field = MainDialog::Field;

constexpr int kActions = 5000;
constexpr int kItert = 20;  // the built-in schedule

// What the window should show, advanced by the actions performed.
struct Model {
  enum class Phase { Ready, Transmitted, Finished } phase = Phase::Ready;
  bool decoding = false;
  int k = 0;  // iterations run since the last transmit
  int zoom = 0;
  float p0 = 0.25f;
  std::int32_t seed = 123;

  std::array<bool, 6> buttons() const {
    if (decoding) return {false, false, false, false, false, false};
    switch (phase) {
      case Phase::Ready:
        return {true, false, false, false, true, true};
      case Phase::Transmitted:
        return {false, true, true, true, true, true};
      case Phase::Finished:
        break;
    }
    return {false, false, false, true, true, true};
  }
  bool available(Button b) const { return buttons()[static_cast<int>(b)]; }
};

class Monkey {
 public:
  explicit Monkey(unsigned seed) : random_(seed) {
    test::writeSamplePicture(dir_, 12, 9);
    openWindow();
  }

  void run(int actions) {
    for (step_ = 0; step_ < actions && !::testing::Test::HasFatalFailure(); ++step_) {
      act();
      if (window_ == nullptr) openWindow();
      check();
    }
  }

  int sessions() const { return sessions_; }
  int decodeRuns() const { return decodeRuns_; }

 private:
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  bool chance(int percent) { return pick(100) < percent; }

  void openWindow() {
    model_ = Model{};
    window_ = std::make_unique<MainDialog>(dir_.str(), [this](int) { whileDecoding(); });
    window_->show();
    ++sessions_;
  }

  void closedIfShutDown() {
    if (window_ != nullptr && window_->experiment().isShutDown()) {
      ASSERT_FALSE(window_->isVisible()) << "step " << step_;
      window_.reset();
    }
  }

  // --- The actions ---

  void act() {
    const int r = pick(100);
    if (r < 40) {
      clickButton(static_cast<Button>(pick(5)));  // all but Exit
    } else if (r < 55) {
      release(randomPoint(), chance(90) ? Qt::LeftButton : Qt::RightButton);
    } else if (r < 68) {
      QTest::mouseMove(window_.get(), randomPoint());
    } else if (r < 80) {
      settings();
    } else if (r < 88) {
      queuedDuringIteration();
    } else if (r < 92) {
      about();
    } else if (r < 99 || chance(50)) {
      QTest::keyClick(window_.get(), Qt::Key_Return);
    } else {
      closeRequest();  // rarely, or few experiments would run per window
    }
  }

  QPoint randomPoint() { return QPoint(pick(window_->width()), pick(window_->height())); }

  // Strictly inside the pane's outer rectangle, as the window decides.
  bool inside(int n, QPoint p) const {
    const QRect g = window_->pane(n)->geometry();
    return g.left() < p.x() && p.x() < g.left() + g.width() && g.top() < p.y() &&
           p.y() < g.top() + g.height();
  }

  void release(QPoint p, Qt::MouseButton button) {
    QTest::mouseRelease(window_.get(), button, {}, p);
    if (button != Qt::LeftButton) return;
    if (model_.zoom != 0) {
      if (inside(0, p)) model_.zoom = 0;
      return;
    }
    for (int n = 1; n <= 4; ++n) {
      if (inside(n, p)) model_.zoom = n;
    }
  }

  void clickButton(Button b) {
    const bool on = model_.available(b);
    switch (b) {
      case Button::Transmit:
        QTest::mouseClick(window_->button(b), Qt::LeftButton);
        if (on) {
          model_.phase = Model::Phase::Transmitted;
          model_.k = 0;
        }
        break;
      case Button::Iterate:
        QTest::mouseClick(window_->button(b), Qt::LeftButton);
        if (on) iterated();
        break;
      case Button::DecodeAll:
        if (on) model_.decoding = true;
        QTest::mouseClick(window_->button(b), Qt::LeftButton);
        if (on) decoded();
        break;
      case Button::Repeat:
        QTest::mouseClick(window_->button(b), Qt::LeftButton);
        if (on) {
          model_.phase = Model::Phase::Ready;
          model_.k = 0;
        }
        break;
      case Button::Settings:
        if (on) {
          settings();
        } else {
          QTest::mouseClick(window_->button(b), Qt::LeftButton);
        }
        break;
      case Button::Exit:
        closeRequest();
        break;
    }
  }

  void iterated() {
    if (++model_.k == kItert) model_.phase = Model::Phase::Finished;
  }

  void decoded() {
    ++decodeRuns_;
    model_.decoding = false;
    model_.phase = Model::Phase::Finished;
    // How early decoding stops depends on the errors; take the count.
    model_.k = window_->experiment().iteration();
  }

  std::string randomText() {
    static const char* const kTexts[] = {
        "0",          "0.1",   "0,1",    " 0.25", "0.25 ", "abc",
        "",           "1e39",  "-1",     "2",     "1e-40", "123456789012345678901234567890",
        "3000000000", "-12.9", "nan",    "inf",   "0x10",  "1e",
        ".5",         "5.",    "+.5e+1", "0.05",  "0.3",   "-0",
        "7",          "1e3"};
    if (chance(70)) return kTexts[pick(static_cast<int>(std::size(kTexts)))];
    static const char kChars[] = "0123456789.,eE+- xa";
    std::string text;
    const int length = pick(8);
    for (int i = 0; i < length; ++i) text += kChars[pick(static_cast<int>(sizeof kChars) - 1)];
    return text;
  }

  void settings() {
    if (!model_.available(Button::Settings)) {
      QTest::mouseClick(window_->button(Button::Settings), Qt::LeftButton);
      return;
    }
    const std::string p0 = randomText();
    const std::string seed = randomText();
    const int how = pick(4);  // accept by button, by Enter; cancel by button, by Escape
    const int ran = test::withModals(
        [&] { QTest::mouseClick(window_->button(Button::Settings), Qt::LeftButton); },
        {test::onModal<ChannelSettingsDialog>([&](ChannelSettingsDialog* d) {
          d->p0Field()->setText(QString::fromStdString(p0));
          d->seedField()->setText(QString::fromStdString(seed));
          switch (how) {
            case 0:
              d->acceptButton()->click();
              break;
            case 1:
              QTest::keyClick(d->seedField(), Qt::Key_Return);
              break;
            case 2:
              d->cancelButton()->click();
              break;
            default:
              QTest::keyClick(d, Qt::Key_Escape);
              break;
          }
        })});
    ASSERT_EQ(ran, 1) << "step " << step_;
    if (how <= 1) {
      model_.p0 = parseP0Text(p0).value_or(model_.p0);
      model_.seed = parseSeedText(seed).value_or(model_.seed);
    }
  }

  void about() {
    const bool open = chance(80);
    test::withModals(
        [&] {
          const QPoint at(window_->width() - 5, 5);
          QContextMenuEvent event(QContextMenuEvent::Mouse, at, window_->mapToGlobal(at));
          QApplication::sendEvent(window_.get(), &event);
        },
        {test::onModal<QMenu>([&](QMenu* menu) {
           if (open) {
             for (QAction* a : menu->actions()) {
               if (a->text() == QString::fromUtf8(texts::kAboutItem)) menu->setActiveAction(a);
             }
             QTest::keyClick(menu, Qt::Key_Return);
           } else {
             QTest::keyClick(menu, Qt::Key_Escape);
           }
         }),
         test::onModal<AboutDialog>([&](AboutDialog* box) {
           if (chance(50)) {
             QTest::keyClick(box, Qt::Key_Escape);
           } else {
             box->accept();
           }
         })});
  }

  // A click queued before Iterate is pressed arrives while the iteration
  // lets the window breathe; the experiment runs it after the iteration.
  void queuedDuringIteration() {
    if (!model_.available(Button::Iterate)) {
      clickButton(Button::Iterate);
      return;
    }
    const Button queued = static_cast<Button>(
        std::array{Button::Transmit, Button::Iterate, Button::DecodeAll, Button::Repeat,
                   Button::Exit}[static_cast<std::size_t>(pick(5))]);
    const bool enabledDuringBreath = model_.available(queued);
    iterated();
    // The deferred request runs only if still available after the iteration.
    const bool runs = enabledDuringBreath && model_.available(queued);
    if (runs && queued == Button::DecodeAll) model_.decoding = true;
    QMetaObject::invokeMethod(window_->button(queued), "click", Qt::QueuedConnection);
    QTest::mouseClick(window_->button(Button::Iterate), Qt::LeftButton);
    if (!runs) return;
    switch (queued) {
      case Button::Iterate:
        iterated();
        break;
      case Button::DecodeAll:
        decoded();
        break;
      case Button::Repeat:
        model_.phase = Model::Phase::Ready;
        model_.k = 0;
        break;
      case Button::Exit:
        ASSERT_TRUE(window_->experiment().isShutDown()) << "step " << step_;
        break;
      default:
        break;
    }
    closedIfShutDown();
  }

  void closeRequest() {
    switch (pick(3)) {
      case 0:
        window_->close();
        break;
      case 1:
        QTest::keyClick(window_.get(), Qt::Key_Escape);
        break;
      default:
        QTest::mouseClick(window_->button(Button::Exit), Qt::LeftButton);
        break;
    }
    if (model_.decoding) {
      ASSERT_TRUE(window_->isVisible()) << "closed while decoding, step " << step_;
      return;
    }
    ASSERT_TRUE(window_->experiment().isShutDown()) << "step " << step_;
    closedIfShutDown();
  }

  // Called in every pause of decode all: the user keeps acting.
  void whileDecoding() {
    if (window_ == nullptr) return;
    check(true);
    const int actions = pick(3);
    for (int i = 0; i < actions; ++i) {
      const int r = pick(10);
      if (r < 3) {
        clickButton(static_cast<Button>(pick(5)));
      } else if (r < 6) {
        release(randomPoint(), Qt::LeftButton);
      } else if (r < 7) {
        QTest::mouseMove(window_.get(), randomPoint());
      } else if (r < 8) {
        about();
      } else {
        closeRequest();
      }
      window_->drainEvents();
    }
  }

  // --- The invariants ---

  // `inPause`: called in a pause of decode all, after iteration k has run
  // and before the counter moves on to k + 1.
  void check(bool inPause = false) {
    if (window_ == nullptr) return;
    const MainDialog& w = *window_;
    const Experiment& e = w.experiment();
    SCOPED_TRACE(testing::Message() << "step " << step_ << (inPause ? " (decoding)" : ""));
    if (inPause) model_.k = e.iteration() + 1;
    ASSERT_TRUE(w.isVisible());
    ASSERT_FALSE(e.isShutDown());
    std::array<bool, 6> shown{};
    for (int i = 0; i < 6; ++i) shown[i] = w.button(static_cast<Button>(i))->isEnabled();
    ASSERT_EQ(shown, model_.buttons());
    ASSERT_EQ(e.iteration(), inPause ? model_.k - 1 : model_.k);
    ASSERT_EQ(e.p0(), model_.p0);
    ASSERT_EQ(e.seed(), model_.seed);

    const QString title = w.title(3)->text();
    if (model_.k == 0) {
      ASSERT_EQ(title, QString::fromUtf8(texts::kDecodedTitle));
    } else {
      ASSERT_EQ(title, QString::fromUtf8(texts::kDecodedAfterTitle).arg(model_.k));
    }

    auto field = [&](Field f) { return w.field(f)->text(); };
    ASSERT_EQ(field(Field::ShownSize), QString::number(e.shownSize()));
    ASSERT_EQ(field(Field::CodeRate), "0.50");
    ASSERT_EQ(field(Field::Itert), QString::number(kItert));
    if (model_.phase == Model::Phase::Ready) {
      ASSERT_TRUE(field(Field::ChannelErrors).isEmpty());
      ASSERT_TRUE(field(Field::ChannelRate).isEmpty());
    } else {
      ASSERT_EQ(field(Field::ChannelErrors), QString::number(e.channelErrors()));
      ASSERT_EQ(field(Field::ChannelRate),
                QString::fromStdString(formatRate(e.channelErrorRate())));
    }
    if (model_.k == 0) {
      ASSERT_TRUE(field(Field::DecoderErrors).isEmpty());
      ASSERT_TRUE(field(Field::DecoderRate).isEmpty());
    } else {
      ASSERT_EQ(field(Field::DecoderErrors), QString::number(e.decoderErrors()));
      ASSERT_EQ(field(Field::DecoderRate),
                QString::fromStdString(formatRate(e.decoderErrorRate())));
    }

    ASSERT_EQ(w.zoomState(), model_.zoom);
    for (int n = 1; n <= 4; ++n) {
      ASSERT_EQ(w.pane(n)->isVisible(), model_.zoom == 0);
      ASSERT_EQ(w.title(n)->isVisible(), model_.zoom == 0);
    }
    ASSERT_EQ(w.pane(0)->isVisible(), model_.zoom != 0);
  }

  std::mt19937 random_;
  test::TempDir dir_;
  std::unique_ptr<MainDialog> window_;
  Model model_;
  int step_ = 0;
  int sessions_ = 0;
  int decodeRuns_ = 0;
};

TEST(WindowMonkeyTest, FiveThousandRandomActionsKeepTheWindowConsistent) {
  test::ensureApplication();
  Monkey monkey(20261207);
  monkey.run(kActions);
  std::printf("%d windows opened, %d decodings to the end\n", monkey.sessions(),
              monkey.decodeRuns());
  std::printf("%d windows opened, %d decodings to the end\n", monkey.sessions(),
              monkey.decodeRuns());
  EXPECT_GT(monkey.sessions(), 5);
  EXPECT_GT(monkey.decodeRuns(), 50);
}

}  // namespace
}  // namespace vok
