// The window with pictures of its user's own: opening files of each format,
// a failed open that changes nothing, dropping a file, the items'
// availability while decoding, saving the four pictures, the decoding chart
// and where the keyboard focus goes when an action disables its button.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <memory>

#include "import/picture_import.h"
#include "picture/bmp_writer.h"
#include "ui/decoding_chart.h"
#include "ui/main_dialog.h"
#include "ui/texts.h"
#include "window_test_support.h"

namespace vok {
namespace {

using Field = MainDialog::Field;
using Button = MainDialog::Button;

constexpr int kWidth = 40;
constexpr int kHeight = 30;

// Everything a user sees of an experiment's outcome.
struct Outcome {
  Picture picture;
  std::vector<std::uint8_t> source, channel, decoded;
  QString channelErrors, decoderErrors, shownSize;
  bool operator==(const Outcome&) const = default;
};

Outcome outcomeOf(const MainDialog& d) {
  const Experiment& e = d.experiment();
  const auto n = static_cast<std::size_t>(e.symbolCount());
  auto first = [n](const std::vector<std::uint8_t>& v) {
    return std::vector<std::uint8_t>(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n));
  };
  return {e.picture(),
          first(e.sourceImage()),
          first(e.channelImage()),
          first(e.decodedImage()),
          d.field(Field::ChannelErrors)->text(),
          d.field(Field::DecoderErrors)->text(),
          d.field(Field::ShownSize)->text()};
}

class PictureWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ensureApplication();
    test::writeSamplePicture(dir, kWidth, kHeight);
    const auto pixels = test::samplePixels(kWidth, kHeight);
    image = imageOf(pixels.data(), kWidth, kHeight);
  }

  std::unique_ptr<MainDialog> open(Experiment::Sleeper sleeper = [](int) {}) {
    auto d = test::showMainDialog(dir.str(), std::move(sleeper));
    EXPECT_TRUE(QTest::qWaitForWindowActive(d.get()));
    return d;
  }

  // The sample picture written by Qt in `format` into the directory.
  QString writeAs(const char* format, const char* name, int quality = -1) {
    QString path = QDir(QString::fromStdString(dir.str())).filePath(QString::fromUtf8(name));
    QImageWriter writer(path, format);
    if (quality >= 0) writer.setQuality(quality);
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return path;
  }

  static void click(MainDialog& d, Button b) { QTest::mouseClick(d.button(b), Qt::LeftButton); }

  // The context menu's items (text, enabled), read while it is open.
  static std::vector<std::pair<QString, bool>> menuItems(MainDialog& d) {
    std::vector<std::pair<QString, bool>> items;
    test::withModals(
        [&] {
          QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(700, 20),
                                  d.mapToGlobal(QPoint(700, 20)));
          QApplication::sendEvent(&d, &event);
        },
        {test::onModal<QMenu>([&](QMenu* menu) {
          for (const QAction* a : menu->actions()) {
            if (!a->isSeparator()) items.emplace_back(a->text(), a->isEnabled());
          }
          menu->close();
        })});
    return items;
  }

  static void drop(MainDialog& d, const QString& path, bool* accepted = nullptr) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&d, &enter);
    if (accepted != nullptr) *accepted = enter.isAccepted();
    if (!enter.isAccepted()) return;
    QDropEvent dropped(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&d, &dropped);
    QCoreApplication::processEvents();
  }

  test::TempDir dir;
  QImage image;
};

TEST_F(PictureWindowTest, EachFormatOpensAndLosslessOnesEqualTheBmp) {
  auto d = open();
  const Outcome bmp = outcomeOf(*d);
  for (const auto& [format, name, quality] :
       {std::tuple{"png", "a.png", -1}, std::tuple{"tiff", "a.tiff", -1},
        std::tuple{"webp", "a.webp", 100}, std::tuple{"bmp", "qt.bmp", -1}}) {
    SCOPED_TRACE(format);
    ASSERT_TRUE(d->openPictureFile(writeAs(format, name, quality)));
    EXPECT_EQ(outcomeOf(*d), bmp);
  }
  ASSERT_TRUE(d->openPictureFile(writeAs("jpeg", "a.jpg", 95)));
  EXPECT_EQ(d->experiment().picture(), (Picture{kWidth, kHeight}));
}

TEST_F(PictureWindowTest, APngAndTheBmpOfTheSamePixelsGiveTheSameExperiment) {
  auto d = open();
  click(*d, Button::Transmit);
  click(*d, Button::DecodeAll);
  const Outcome fromBmp = outcomeOf(*d);
  // The new picture starts afresh: the generator restarts from the seed.
  ASSERT_TRUE(d->openPictureFile(writeAs("png", "same.png")));
  EXPECT_TRUE(d->field(Field::ChannelErrors)->text().isEmpty());
  EXPECT_TRUE(d->button(Button::Transmit)->isEnabled());
  EXPECT_FALSE(d->button(Button::Iterate)->isEnabled());
  click(*d, Button::Transmit);
  click(*d, Button::DecodeAll);
  EXPECT_EQ(outcomeOf(*d), fromBmp);
}

TEST_F(PictureWindowTest, AFailedOpenLeavesTheExperimentAsItWas) {
  auto d = open();
  click(*d, Button::Transmit);
  click(*d, Button::Iterate);
  const Outcome before = outcomeOf(*d);
  const QString title = d->title(3)->text();
  dir.writeText("broken.png", "not a picture");
  test::MessageBoxCloser closer;
  EXPECT_FALSE(d->openPictureFile(QString::fromStdString(dir.str() + "/broken.png")));
  EXPECT_FALSE(d->openPictureFile(QString::fromStdString(dir.str() + "/nothere.gif")));
  ASSERT_EQ(closer.seen().size(), 2u);
  EXPECT_TRUE(closer.seen()[0].critical);
  EXPECT_EQ(closer.seen()[0].text,
            QString::fromUtf8(
                "Не удалось прочитать рисунок broken.png: формат не распознан или файл повреждён"));
  EXPECT_EQ(closer.seen()[1].text, QString::fromUtf8("Файл nothere.gif не найден"));
  EXPECT_EQ(outcomeOf(*d), before);
  EXPECT_EQ(d->title(3)->text(), title);
  EXPECT_TRUE(d->button(Button::Iterate)->isEnabled());
}

TEST_F(PictureWindowTest, APictureOpensAfterAFailedStart) {
  test::TempDir empty;
  MainDialog d(empty.str(), [](int) {});
  {
    test::MessageBoxCloser closer;
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    ASSERT_EQ(closer.seen().size(), 1u);
  }
  EXPECT_FALSE(d.button(Button::Transmit)->isEnabled());
  ASSERT_TRUE(d.openPictureFile(writeAs("png", "later.png")));
  EXPECT_TRUE(d.button(Button::Transmit)->isEnabled());
  EXPECT_EQ(d.experiment().picture(), (Picture{kWidth, kHeight}));
}

TEST_F(PictureWindowTest, ItemsFollowAboutAndOpenAndSaveAreRefusedWhileDecoding) {
  auto d = open();
  // The picture items follow About, in this order.
  const auto items = menuItems(*d);
  const auto about = std::find_if(items.begin(), items.end(), [](const auto& item) {
    return item.first == QString::fromUtf8(texts::kAboutItem);
  });
  ASSERT_EQ(items.end() - about, 4);
  EXPECT_EQ(about[1], std::pair(QString::fromUtf8("Открыть рисунок..."), true));
  EXPECT_EQ(about[2], std::pair(QString::fromUtf8("Сохранить изображения..."), true));
  EXPECT_EQ(about[3], std::pair(QString::fromUtf8("График декодирования"), true));

  const QString png = writeAs("png", "during.png");
  std::vector<std::pair<QString, bool>> during;
  bool opened = true;
  bool dropAccepted = true;
  MainDialog* window = nullptr;
  auto d2 = open([&](int) {
    if (!during.empty()) return;
    during = menuItems(*window);
    opened = window->openPictureFile(png);
    drop(*window, png, &dropAccepted);
  });
  window = d2.get();
  click(*d2, Button::Transmit);
  click(*d2, Button::DecodeAll);
  ASSERT_GE(during.size(), 3u);
  const std::size_t open = during.size() - 3;  // the last three items
  EXPECT_FALSE(during[open].second);
  EXPECT_FALSE(during[open + 1].second);
  EXPECT_TRUE(during[open + 2].second);
  EXPECT_FALSE(opened);
  EXPECT_FALSE(dropAccepted);
  EXPECT_TRUE(d2->button(Button::Repeat)->isEnabled());  // decoding ran to its end
}

TEST_F(PictureWindowTest, ADroppedFileOpens) {
  auto d = open();
  QImage wide = image.scaled(64, 16);
  const QString path = QString::fromStdString(dir.str() + "/wide.png");
  ASSERT_TRUE(wide.save(path));
  drop(*d, path);
  EXPECT_EQ(d->experiment().picture(), (Picture{64, 16}));
}

TEST_F(PictureWindowTest, SavingWritesTheFourPicturesUprightAndAsksBeforeReplacing) {
  auto d = open();
  click(*d, Button::Transmit);
  click(*d, Button::Iterate);
  test::TempDir out;
  const QString folder = QString::fromStdString(out.str());
  ASSERT_TRUE(d->saveImagesTo(folder));
  const Experiment& e = d->experiment();
  const std::pair<const char*, const std::vector<std::uint8_t>*> expected[] = {
      {"source.png", &e.sourceImage()},
      {"channel.png", &e.channelImage()},
      {"decoded.png", &e.decodedImage()},
      {"corrections.png", &e.correctionMap()}};
  for (const auto& [name, pixels] : expected) {
    SCOPED_TRACE(name);
    const QImage saved(QDir(folder).filePath(QString::fromUtf8(name)));
    ASSERT_EQ(saved.size(), QSize(kWidth, kHeight));
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32),
              imageOf(pixels->data(), kWidth, kHeight));
  }
  // Upright: the top-left pixel is the first pixel of the last stored row.
  const std::uint8_t* topLeft = e.sourceImage().data() + (kHeight - 1) * kWidth * 3;
  EXPECT_EQ(QImage(QDir(folder).filePath("source.png")).pixel(0, 0) & 0xFFFFFF,
            qRgb(topLeft[2], topLeft[1], topLeft[0]) & 0xFFFFFF);

  // An existing file is replaced only after the user agrees.
  out.writeText("decoded.png", "keep me");
  {
    test::MessageBoxCloser closer;  // answers without Yes
    EXPECT_FALSE(d->saveImagesTo(folder));
    ASSERT_EQ(closer.seen().size(), 1u);
    EXPECT_TRUE(closer.seen()[0].text.contains("decoded.png"));
  }
  EXPECT_TRUE(QImage(QDir(folder).filePath("decoded.png")).isNull());
  bool saved = false;
  test::withModals([&] { saved = d->saveImagesTo(folder); },
                   {test::onModal<QMessageBox>(
                       [](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); })});
  EXPECT_TRUE(saved);
  EXPECT_FALSE(QImage(QDir(folder).filePath("decoded.png")).isNull());
}

TEST_F(PictureWindowTest, TheChartFollowsEachIterationAndClearsOnRepeat) {
  auto d = open();
  DecodingChart* chart = d->showChart();
  EXPECT_TRUE(chart->isVisible());
  EXPECT_FALSE(chart->isModal());
  EXPECT_TRUE(chart->decoderPoints().isEmpty());
  EXPECT_TRUE(chart->channelPoints().isEmpty());
  click(*d, Button::Transmit);
  const double channel = d->field(Field::ChannelErrors)->text().toDouble();
  ASSERT_EQ(chart->channelPoints().size(), 2);
  EXPECT_EQ(chart->channelPoints()[0].y(), channel);
  EXPECT_EQ(chart->channelPoints()[1].y(), channel);
  for (int i = 1; i <= 3; ++i) {
    click(*d, Button::Iterate);
    ASSERT_EQ(chart->decoderPoints().size(), i);
    EXPECT_EQ(chart->decoderPoints().back(),
              QPointF(i, d->field(Field::DecoderErrors)->text().toDouble()));
  }
  click(*d, Button::DecodeAll);
  const int iterations = static_cast<int>(chart->decoderPoints().size());
  EXPECT_EQ(iterations, d->experiment().iteration());
  // The last count is 0 once decoding corrects everything: drawn on the
  // axis' bottom line, below 1.
  if (d->field(Field::DecoderErrors)->text() == "0") {
    EXPECT_LT(chart->decoderPoints().back().y(), 1.0);
  }
  click(*d, Button::Repeat);
  EXPECT_TRUE(chart->decoderPoints().isEmpty());
  EXPECT_TRUE(chart->channelPoints().isEmpty());
  // Opened later, the chart shows the transmission so far.
  click(*d, Button::Transmit);
  click(*d, Button::Iterate);
  chart->close();
  EXPECT_EQ(d->showChart()->decoderPoints().size(), 1);
}

TEST_F(PictureWindowTest, FocusMovesToTheNextEnabledButtonNeverToAField) {
  auto d = open();
  click(*d, Button::Transmit);
  EXPECT_EQ(QApplication::focusWidget(), d->button(Button::Iterate));
  click(*d, Button::DecodeAll);
  EXPECT_EQ(QApplication::focusWidget(), d->button(Button::Repeat));
  click(*d, Button::Repeat);
  EXPECT_EQ(QApplication::focusWidget(), d->button(Button::Transmit));
  EXPECT_EQ(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr);
}

}  // namespace
}  // namespace vok
