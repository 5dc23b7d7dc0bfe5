// The settings dialog's accept and cancel rules: which texts are taken,
// which are ignored in silence, which texts persist, and how the keyboard
// reaches accept and cancel.
#include "ui/channel_settings_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdint>

#include "ui/ignored_text_mark.h"
#include "ui/texts.h"
#include "window_test_support.h"

namespace vok {
namespace {

struct Opened {
  bool accepted = false;
  QString p0Shown;
  QString seedShown;
  QWidget* focus = nullptr;
};

class ChannelSettingsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { dialog.setValues(0.25f, 123); }

  // Opens the dialog, records what it shows, types the texts (unless null)
  // and closes it with `close`.
  Opened open(const char* p0, const char* seed,
              const std::function<void(ChannelSettingsDialog*)>& close) {
    Opened opened;
    test::withModals([&] { opened.accepted = dialog.run(); },
                     {test::onModal<ChannelSettingsDialog>([&](ChannelSettingsDialog* d) {
                       opened.p0Shown = d->p0Field()->text();
                       opened.seedShown = d->seedField()->text();
                       opened.focus = d->focusWidget();
                       if (p0 != nullptr) d->p0Field()->setText(QString::fromUtf8(p0));
                       if (seed != nullptr) d->seedField()->setText(QString::fromUtf8(seed));
                       close(d);
                     })});
    return opened;
  }
  Opened accept(const char* p0, const char* seed) {
    return open(p0, seed, [](ChannelSettingsDialog* d) { d->acceptButton()->click(); });
  }
  Opened cancel(const char* p0, const char* seed) {
    return open(p0, seed, [](ChannelSettingsDialog* d) { d->cancelButton()->click(); });
  }

  bool applicationReady = (test::ensureApplication(), true);  // before any widget
  ChannelSettingsDialog dialog;
};

TEST_F(ChannelSettingsDialogTest, ShowsItsTextsAndValuesFromTheStart) {
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(texts::kSettingsCaption));
  EXPECT_EQ(dialog.acceptButton()->text(), QString::fromUtf8(texts::kAccept));
  EXPECT_EQ(dialog.cancelButton()->text(), QString::fromUtf8(texts::kCancel));
  EXPECT_TRUE(dialog.acceptButton()->isDefault());
  QStringList labels;
  for (const QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text();
  EXPECT_TRUE(labels.contains(QString::fromUtf8(texts::kP0Caption)));
  EXPECT_TRUE(labels.contains(QString::fromUtf8("Инициализация ДСЧ")));

  const Opened first = accept(nullptr, nullptr);
  EXPECT_EQ(first.p0Shown, "0.250");
  EXPECT_EQ(first.seedShown, "123");
  EXPECT_EQ(first.focus, dialog.acceptButton());
  EXPECT_TRUE(first.accepted);
  EXPECT_EQ(dialog.getValues().p0, 0.25f);
  EXPECT_EQ(dialog.getValues().seed, 123);
}

TEST_F(ChannelSettingsDialogTest, TextThatIsNotWhollyANumberKeepsTheValueAndPersists) {
  for (const char* text : {"0,1", "0.1 ", "abc", "0.1x", "1e", "--1"}) {
    SCOPED_TRACE(text);
    EXPECT_TRUE(accept(text, text).accepted);
    EXPECT_EQ(dialog.getValues().p0, 0.25f);
    EXPECT_EQ(dialog.getValues().seed, 123);
    // The ignored text is shown again at the next opening.
    const Opened again = accept(nullptr, nullptr);
    EXPECT_EQ(again.p0Shown, QString::fromUtf8(text));
    EXPECT_EQ(again.seedShown, QString::fromUtf8(text));
  }
}

TEST_F(ChannelSettingsDialogTest, AcceptedNumbersFollowTheParseRules) {
  accept("", nullptr);
  EXPECT_EQ(dialog.getValues().p0, 0.0f);
  accept("  0.1234", nullptr);
  EXPECT_EQ(dialog.getValues().p0, 0.1234f);
  accept("-2.5e-1", nullptr);
  EXPECT_EQ(dialog.getValues().p0, -0.25f);

  struct Seed {
    const char* text;
    std::int32_t value;
  };
  for (const Seed s : {Seed{"12.9", 12}, Seed{"-12.9", -12}, Seed{"1e3", 1000},
                       Seed{"3000000000", -1294967296}, Seed{"", 0}, Seed{"1e30", 0}}) {
    SCOPED_TRACE(s.text);
    accept(nullptr, s.text);
    EXPECT_EQ(dialog.getValues().seed, s.value);
  }
}

TEST_F(ChannelSettingsDialogTest, AcceptKeepsTypedTextsAndCancelRestoresTheValuesInForce) {
  accept("0.1234", "77.5");
  const Opened afterAccept = cancel("0.9", "9");
  EXPECT_FALSE(afterAccept.accepted);
  EXPECT_EQ(afterAccept.p0Shown, "0.1234");
  EXPECT_EQ(afterAccept.seedShown, "77.5");
  EXPECT_EQ(dialog.getValues().p0, 0.1234f);
  EXPECT_EQ(dialog.getValues().seed, 77);
  const Opened afterCancel = accept(nullptr, nullptr);
  EXPECT_EQ(afterCancel.p0Shown, "0.123");
  EXPECT_EQ(afterCancel.seedShown, "77");
}

TEST_F(ChannelSettingsDialogTest, EnterAcceptsEscapeCancelsEnterOnCancelButtonCancels) {
  Opened o = open("0.5", nullptr, [](ChannelSettingsDialog* d) {
    d->p0Field()->setFocus();
    QTest::keyClick(d->p0Field(), Qt::Key_Return);
  });
  EXPECT_TRUE(o.accepted);
  EXPECT_EQ(dialog.getValues().p0, 0.5f);

  o = open("0.7", nullptr, [](ChannelSettingsDialog* d) { QTest::keyClick(d, Qt::Key_Escape); });
  EXPECT_FALSE(o.accepted);
  EXPECT_EQ(dialog.getValues().p0, 0.5f);

  o = open("0.7", nullptr, [](ChannelSettingsDialog* d) {
    d->cancelButton()->setFocus();
    QTest::keyClick(d->cancelButton(), Qt::Key_Return);
  });
  EXPECT_FALSE(o.accepted);
  EXPECT_EQ(dialog.getValues().p0, 0.5f);
}

// A field is marked exactly when accept would ignore its text.
TEST_F(ChannelSettingsDialogTest, FieldsAreMarkedExactlyWhenAcceptWouldIgnoreTheirText) {
  struct Seen {
    bool p0Marked = false;
    bool seedMarked = false;
    QString tip;
    QRgb frame = 0;
  };
  auto typeAndAccept = [&](const char* text) {
    Seen seen;
    test::withModals([&] { dialog.run(); },
                     {test::onModal<ChannelSettingsDialog>([&](ChannelSettingsDialog* d) {
                       d->p0Field()->clear();
                       QTest::keyClicks(d->p0Field(), QString::fromUtf8(text));
                       d->seedField()->setText(QString::fromUtf8(text));
                       seen.p0Marked = isMarkedIgnored(d->p0Field());
                       seen.seedMarked = isMarkedIgnored(d->seedField());
                       seen.tip = d->p0Field()->toolTip();
                       const QImage shot = d->p0Field()->grab().toImage();
                       seen.frame = shot.pixel(shot.width() / 2, 1) & 0xFFFFFF;
                       d->acceptButton()->click();
                     })});
    return seen;
  };
  for (const char* text : {"0,1", "0.1 ", "abc", "1e", "0.2", "1e3", "", " 7", "-2.5e-1"}) {
    SCOPED_TRACE(text);
    dialog.setValues(0.875f, 4321);
    const Seen seen = typeAndAccept(text);
    const bool p0Ignored = dialog.getValues().p0 == 0.875f;
    const bool seedIgnored = dialog.getValues().seed == 4321;
    EXPECT_EQ(seen.p0Marked, p0Ignored);
    EXPECT_EQ(seen.seedMarked, seedIgnored);
    EXPECT_EQ(seen.tip, p0Ignored ? QString::fromUtf8("Число не распознано: значение не изменится")
                                  : QString());
    if (p0Ignored) {
      EXPECT_EQ(seen.frame, 0xD00000u);
    }
  }
  // The examples: a comma, a trailing space and letters are marked; an
  // exponent is not.
  dialog.setValues(0.25f, 123);
  EXPECT_TRUE(typeAndAccept("0,1").p0Marked);
  EXPECT_TRUE(typeAndAccept("0.1 ").p0Marked);
  EXPECT_TRUE(typeAndAccept("abc").seedMarked);
  EXPECT_FALSE(typeAndAccept("1e3").seedMarked);
}

TEST_F(ChannelSettingsDialogTest, AKeptIgnoredTextIsMarkedAgainAndCancelClearsTheMark) {
  accept("0,1", nullptr);
  bool markedAtOpening = false;
  bool seedMarked = true;
  open(nullptr, nullptr, [&](ChannelSettingsDialog* d) {
    markedAtOpening = isMarkedIgnored(d->p0Field());
    seedMarked = isMarkedIgnored(d->seedField());
    d->cancelButton()->click();
  });
  EXPECT_TRUE(markedAtOpening);
  EXPECT_FALSE(seedMarked);
  bool markedAfterCancel = true;
  open(nullptr, nullptr, [&](ChannelSettingsDialog* d) {
    markedAfterCancel = isMarkedIgnored(d->p0Field());
    d->cancelButton()->click();
  });
  EXPECT_FALSE(markedAfterCancel);
}

TEST_F(ChannelSettingsDialogTest, TabMovesFromAcceptToCancelToP0ToSeed) {
  QWidget* order[4] = {};
  test::withModals([&] { dialog.run(); },
                   {test::onModal<ChannelSettingsDialog>([&](ChannelSettingsDialog* d) {
                     for (QWidget*& w : order) {
                       w = d->focusWidget();
                       QTest::keyClick(w, Qt::Key_Tab);
                     }
                     d->reject();
                   })});
  EXPECT_EQ(order[0], dialog.acceptButton());
  EXPECT_EQ(order[1], dialog.cancelButton());
  EXPECT_EQ(order[2], dialog.p0Field());
  EXPECT_EQ(order[3], dialog.seedField());
}

}  // namespace
}  // namespace vok
