// The main window: layout in dialog units, the answers to the experiment's
// notifications, zoom, cursors and the refusal to close while decoding.
#include "ui/main_dialog.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <algorithm>
#include <utility>

#include "common/number_text.h"
#include "import/picture_import.h"
#include "ui/about_dialog.h"
#include "ui/correction_legend.h"
#include "ui/decoding_chart.h"
#include "ui/dialog_units.h"
#include "ui/image_pane.h"
#include "ui/image_saving.h"
#include "ui/texts.h"
#include "ui/wrapping_button.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace vok {

namespace {

#ifdef Q_OS_WIN
// The command identifier of the About item in the system menu.
constexpr unsigned kAboutCommand = 16;
#endif

QString fromUtf8(const char* text) { return QString::fromUtf8(text); }

// "%.2f" of `value`, independent of the process locale.
QString formatFixed2(double value) { return QString::fromStdString(formatFixed(value, 2)); }

// A caption: left-aligned, wrapping, transparent for the pointer.
QLabel* makeCaption(const char* text, QWidget* parent, Qt::Alignment alignment, bool wrap) {
  auto* label = new QLabel(fromUtf8(text), parent);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(alignment);
  label->setWordWrap(wrap);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  return label;
}

}  // namespace

MainDialog::MainDialog(std::string directory, Experiment::Sleeper sleeper, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      settings_(this),
      experiment_(std::make_unique<Experiment>(static_cast<ExperimentObserver&>(*this),
                                               std::move(directory), std::move(sleeper))) {
  setWindowTitle(fromUtf8(texts::kMainCaption));
  setWindowIcon(programIcon());
  setFont(dialogFont());
  setMouseTracking(true);
  setAcceptDrops(true);
  buildControls();
  panes_[0]->hide();  // the big pane
  // Centred on the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = rect();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

MainDialog::~MainDialog() = default;

void MainDialog::buildControls() {
  const DialogUnits du(font());
  setFixedSize(du.toPixels(QSize(498, 317)));

  auto button = [&](Button role, const char* text, int x, int y, int w, int h) {
    QPushButton* b = new WrappingButton(fromUtf8(text), this);
    b->setGeometry(du.toPixels(x, y, w, h));
    b->setAutoDefault(false);
    b->setDefault(false);
    b->setCursor(Qt::ArrowCursor);
    buttons_[static_cast<int>(role)] = b;
    return b;
  };
  auto field = [&](Field role, int x, int y) {
    auto* f = new QLineEdit(this);
    f->setReadOnly(true);
    f->setGeometry(du.toPixels(x, y, 45, 14));
    fields_[static_cast<int>(role)] = f;
  };
  auto smallPane = [&](int n, int x, int y) {
    panes_[n] = new ImagePane(ImagePane::Border::FramedSunken, this);
    panes_[n]->setGeometry(du.toPixels(x, y, 170, 141));
  };
  auto caption = [&](const char* text, int x, int y, int w, int h) {
    makeCaption(text, this, Qt::AlignLeft | Qt::AlignTop, true)
        ->setGeometry(du.toPixels(x, y, w, h));
  };
  auto title = [&](int n, const char* text, int x, int y, int w, int h) {
    titles_[n - 1] = makeCaption(text, this, Qt::AlignCenter, false);
    titles_[n - 1]->setGeometry(du.toPixels(x, y, w, h));
  };

  // In the order of the window template, which is also the tab order.
  connect(button(Button::DecodeAll, texts::kDecodeAll, 353, 242, 141, 14), &QPushButton::clicked,
          this, [this] {
            experiment_->decodeAll();
            finishIfShutDown();
          });
  connect(button(Button::Exit, texts::kExit, 353, 299, 141, 14), &QPushButton::clicked, this,
          &MainDialog::reject);
  field(Field::ShownSize, 449, 17);
  field(Field::CodeRate, 449, 42);
  field(Field::ChannelRate, 449, 114);
  field(Field::Itert, 449, 67);
  field(Field::DecoderErrors, 449, 158);
  field(Field::DecoderRate, 449, 180);
  smallPane(1, 4, 17);
  smallPane(2, 178, 17);
  smallPane(3, 4, 172);
  smallPane(4, 178, 172);
  connect(button(Button::Transmit, texts::kTransmit, 353, 224, 141, 14), &QPushButton::clicked,
          this, [this] {
            experiment_->transmit();
            finishIfShutDown();
          });
  connect(button(Button::Iterate, texts::kIterate, 353, 260, 141, 17), &QPushButton::clicked, this,
          [this] {
            experiment_->iterateOnce();
            finishIfShutDown();
          });
  connect(button(Button::Repeat, texts::kRepeat, 353, 281, 141, 14), &QPushButton::clicked, this,
          [this] {
            experiment_->repeat();
            finishIfShutDown();
          });
  caption(texts::kShownSizeCaption, 353, 19, 89, 18);
  caption(texts::kCodeRateCaption, 353, 44, 89, 18);
  caption(texts::kItertCaption, 353, 65, 89, 17);
  caption(texts::kChannelRateCaption, 353, 111, 89, 18);
  caption(texts::kDecoderErrorsCaption, 353, 155, 89, 18);
  caption(texts::kDecoderRateCaption, 353, 178, 89, 16);
  field(Field::ChannelErrors, 449, 90);
  caption(texts::kChannelErrorsCaption, 353, 89, 89, 16);
  title(1, texts::kSourceTitle, 4, 4, 170, 13);
  title(2, texts::kChannelTitle, 178, 4, 170, 13);
  title(3, texts::kDecodedTitle, 4, 158, 170, 12);
  title(4, texts::kCorrectionsTitle, 178, 158, 170, 12);
  panes_[0] = new ImagePane(ImagePane::Border::Framed, this);
  panes_[0]->setGeometry(du.toPixels(4, 17, 344, 296));
  connect(button(Button::Settings, texts::kSettings, 353, 204, 141, 14), &QPushButton::clicked,
          this, &MainDialog::onSettings);
  buildTeachingAids(du);
}

void MainDialog::buildTeachingAids(const DialogUnits& du) {
  // In the title row of the top panes, which the big pane leaves free.
  bigCaption_ = makeCaption("", this, Qt::AlignCenter, false);
  bigCaption_->setGeometry(du.toPixels(4, 4, 344, 13));
  bigCaption_->hide();
  // In the free band of the fields column between the channel's fields and
  // the decoder's, just above the height of the corrections pane's title;
  // visible in both zoom states.
  legend_ = new CorrectionLegend(this);
  legend_->setGeometry(du.toPixels(353, 130, 141, 24));
}

void MainDialog::syncBigPaneCaption() {
  bigCaption_->setText(zoomState_ > 0 ? titles_[zoomState_ - 1]->text() : QString());
}

// --- Start-up ---

void MainDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!started_) {
    started_ = true;
    startUp();
  }
}

void MainDialog::startUp() {
#ifdef Q_OS_WIN
  if (HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE)) {
    const std::wstring item = fromUtf8(texts::kAboutItem).toStdWString();
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kAboutCommand, item.c_str());
  }
#endif
  const QSize source = panes_[1]->clientSize();
  const QSize big = panes_[0]->clientSize();
  const InitStatus status = experiment_->initialise(PaneSize{source.width(), source.height()},
                                                    PaneSize{big.width(), big.height()});
  // The first enabled tab stop in template order takes the focus.
  if (status == InitStatus::Ok) {
    for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
      if (w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
        w->setFocus(Qt::OtherFocusReason);
        break;
      }
    }
  }
}

// --- Notifications of the experiment ---

void MainDialog::redraw() { drawPictures(); }

void MainDialog::iterationShown(int k) {
  titles_[2]->setText(fromUtf8(texts::kDecodedAfterTitle).arg(k + 1));
  syncBigPaneCaption();
  refreshFields();
}

void MainDialog::valuesChanged(ValueGroup group) {
  const Experiment& e = *experiment_;
  switch (group) {
    case ValueGroup::Code:
      setFieldText(Field::ShownSize, QString::number(e.shownSize()));
      setFieldText(Field::CodeRate, formatFixed2(e.codeRate()));
      setFieldText(Field::Itert, QString::number(e.itert()));
      break;
    case ValueGroup::Channel:
      setFieldText(Field::ChannelErrors, QString::number(e.channelErrors()));
      setFieldText(Field::ChannelRate, QString::fromStdString(formatRate(e.channelErrorRate())));
      channelErrorsShown_ = e.channelErrors();
      decoderErrorsShown_.clear();
      updateChart();
      break;
    case ValueGroup::Decoder:
      setFieldText(Field::DecoderErrors, QString::number(e.decoderErrors()));
      setFieldText(Field::DecoderRate, QString::fromStdString(formatRate(e.decoderErrorRate())));
      decoderErrorsShown_.push_back(e.decoderErrors());
      updateChart();
      break;
  }
  refreshFields();
}

void MainDialog::cleared() {
  titles_[2]->setText(fromUtf8(texts::kDecodedTitle));
  syncBigPaneCaption();
  for (Field f :
       {Field::ChannelRate, Field::DecoderErrors, Field::DecoderRate, Field::ChannelErrors}) {
    setFieldText(f, QString());
  }
  refreshFields();
  channelErrorsShown_.reset();
  decoderErrorsShown_.clear();
  updateChart();
}

void MainDialog::breathe() { drainEvents(); }

void MainDialog::failure(const std::string& text) {
  QMessageBox::critical(this, fromUtf8(texts::kErrorCaption), QString::fromStdString(text),
                        QMessageBox::Ok);
}

void MainDialog::availabilityChanged() {
  int focused = -1;
  for (int i = 0; i < kButtonCount; ++i) {
    if (buttons_[i]->hasFocus()) focused = i;
  }
  const AvailableActions a = experiment_->available();
  button(Button::Transmit)->setEnabled(a.transmit);
  button(Button::Iterate)->setEnabled(a.iterate);
  button(Button::DecodeAll)->setEnabled(a.decodeAll);
  button(Button::Repeat)->setEnabled(a.repeat);
  button(Button::Settings)->setEnabled(a.settings);
  button(Button::Exit)->setEnabled(a.exit);
  moveFocusOffDisabled(focused);
}

void MainDialog::moveFocusOffDisabled(int focusedButton) {
  if (focusedButton < 0 && focusToRestore_ >= 0 && focusWidget() == this) {
    focusedButton = focusToRestore_;
  }
  if (focusedButton < 0 || buttons_[focusedButton]->isEnabled()) {
    if (focusedButton >= 0) focusToRestore_ = -1;
    return;
  }
  // The experiment's buttons in the order of use, round, then the others.
  constexpr std::array<Button, 4> kCycle = {Button::Transmit, Button::Iterate, Button::DecodeAll,
                                            Button::Repeat};
  std::vector<Button> order;
  const auto at = std::find(kCycle.begin(), kCycle.end(), static_cast<Button>(focusedButton));
  const std::size_t from =
      at == kCycle.end() ? 0 : static_cast<std::size_t>(at - kCycle.begin()) + 1;
  for (std::size_t i = 0; i < kCycle.size(); ++i)
    order.push_back(kCycle[(from + i) % kCycle.size()]);
  order.push_back(Button::Settings);
  order.push_back(Button::Exit);
  for (Button b : order) {
    if (button(b)->isEnabled()) {
      button(b)->setFocus(Qt::OtherFocusReason);
      focusToRestore_ = -1;
      return;
    }
  }
  // No button is enabled (decoding to the end): the window itself holds the
  // focus until one is.
  focusToRestore_ = focusedButton;
  setFocus(Qt::OtherFocusReason);
}

void MainDialog::settingsInitialised(float p0, std::int32_t seed) { settings_.setValues(p0, seed); }

void MainDialog::pictureReplaced() {
  for (ImagePane* p : panes_) p->clear();
}

// --- Operations ---

void MainDialog::setFieldText(Field f, const QString& text) {
  fieldTexts_[static_cast<int>(f)] = text;
}

void MainDialog::refreshFields() {
  for (int i = 0; i < kFieldCount; ++i) {
    if (fields_[i]->text() != fieldTexts_[i]) fields_[i]->setText(fieldTexts_[i]);
  }
}

void MainDialog::drainEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

const std::uint8_t* MainDialog::pictureOf(int n) const {
  switch (n) {
    case 1:
      return experiment_->sourceImage().data();
    case 2:
      return experiment_->channelImage().data();
    case 3:
      return experiment_->decodedImage().data();
    default:
      return experiment_->correctionMap().data();
  }
}

void MainDialog::drawPictures() {
  if (!experiment_->pictureLoaded()) return;
  experiment_->rebuildCorrectionMap();
  const Picture& picture = experiment_->picture();
  if (zoomState_ == 0) {
    const PaneGeometry& g = experiment_->smallPaneGeometry();
    for (int n = 1; n <= 4; ++n) {
      panes_[n]->draw(picture.height, picture.width, g.offsetX, g.offsetY, g.scale, pictureOf(n));
    }
  } else {
    const PaneGeometry& g = experiment_->bigPaneGeometry();
    panes_[0]->draw(picture.height, picture.width, g.offsetX, g.offsetY, g.scale,
                    pictureOf(zoomState_));
  }
}

void MainDialog::showPanes(bool four) {
  for (QLabel* t : titles_) t->setVisible(four);
  for (int n : {4, 3, 2, 1}) panes_[n]->setVisible(four);
  panes_[0]->setVisible(!four);
  bigCaption_->setVisible(!four);
}

bool MainDialog::paneContains(const QWidget* pane, int x, int y) const {
  const QRect window = frameGeometry();
  const QSize client = size();
  const int hx = (window.width() - client.width()) / 2;
  const int vy = (window.height() - client.height()) - hx;
  const QPoint topLeft = pane->mapToGlobal(QPoint(0, 0));
  const int left = topLeft.x();
  const int top = topLeft.y();
  const int right = left + pane->width();  // one past the last point
  const int bottom = top + pane->height();
  return left - hx - window.left() < x && x < right - hx - window.left() &&
         top - vy - window.top() < y && y < bottom - vy - window.top();
}

// --- Events ---

void MainDialog::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  {
    // The sunken edge around the client area.
    QPainter painter(this);
    const QRect r = rect();
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
  }
  drawPictures();
}

void MainDialog::mouseReleaseEvent(QMouseEvent* event) {
  QDialog::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton) return;
  const QPoint at = event->position().toPoint();
  if (zoomState_ != 0) {
    if (paneContains(panes_[0], at.x(), at.y())) {
      showPanes(true);
      zoomState_ = 0;
      useZoomCursor(ZoomCursor::In);
      update();
    }
    return;
  }
  showPanes(true);
  for (int n = 1; n <= 4; ++n) {
    if (paneContains(panes_[n], at.x(), at.y())) {
      showPanes(false);
      zoomState_ = n;
      syncBigPaneCaption();
      useZoomCursor(ZoomCursor::Out);
      update();
    }
  }
}

void MainDialog::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  bool overSmall = false;
  if (zoomState_ == 0) {
    for (int n = 1; n <= 4 && !overSmall; ++n) overSmall = paneContains(panes_[n], at.x(), at.y());
  }
  if (overSmall) {
    useZoomCursor(ZoomCursor::In);
  } else if (zoomState_ > 0 && paneContains(panes_[0], at.x(), at.y())) {
    useZoomCursor(ZoomCursor::Out);
  } else {
    setCursor(Qt::ArrowCursor);
  }
  QDialog::mouseMoveEvent(event);
}

void MainDialog::useZoomCursor(ZoomCursor which) {
  if (const std::optional<QCursor> cursor = loadZoomCursor(which, devicePixelRatioF())) {
    setCursor(*cursor);
  }
}

void MainDialog::keyPressEvent(QKeyEvent* event) {
  // The window has no accept action: Enter does nothing.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void MainDialog::contextMenuEvent(QContextMenuEvent* event) {
  // Desktops on Linux offer no system menu to extend; the About item is
  // offered here instead.
  QMenu menu(this);
  addStopDecodingItem(menu);
  const QAction* about = menu.addAction(fromUtf8(texts::kAboutItem));
  addPictureItems(menu);
  if (menu.exec(event->globalPos()) == about) openAbout();
}

void MainDialog::addStopDecodingItem(QMenu& menu) {
  QAction* stop =
      menu.addAction(fromUtf8(texts::kStopDecodingItem), this, &MainDialog::stopDecoding);
  stop->setEnabled(experiment_->isDecodingAll());
  menu.addSeparator();
}

void MainDialog::stopDecoding() { experiment_->stopDecoding(); }

void MainDialog::addPictureItems(QMenu& menu) {
  menu.addSeparator();
  QAction* open = menu.addAction(fromUtf8(texts::kOpenPictureItem));
  open->setEnabled(canOpenPicture());
  connect(open, &QAction::triggered, this, &MainDialog::onOpenPicture, Qt::QueuedConnection);
  QAction* save = menu.addAction(fromUtf8(texts::kSaveImagesItem));
  save->setEnabled(canSaveImages());
  connect(save, &QAction::triggered, this, &MainDialog::onSaveImages, Qt::QueuedConnection);
  QAction* chart = menu.addAction(fromUtf8(texts::kChartItem));
  connect(chart, &QAction::triggered, this, &MainDialog::showChart);
}

// --- Pictures: opening, dropping, saving, the chart ---

void MainDialog::setStartPicture(const std::string& path) {
  experiment_->setPictureReader(pictureFileReader(path));
}

bool MainDialog::canOpenPicture() const {
  return started_ && !finished_ && !experiment_->isBusy() && !experiment_->isShutDown();
}

bool MainDialog::canSaveImages() const { return canOpenPicture() && experiment_->pictureLoaded(); }

bool MainDialog::openPictureFile(const QString& path) {
  if (!canOpenPicture()) return false;
  const QSize source = panes_[1]->clientSize();
  const QSize big = panes_[0]->clientSize();
  const InitStatus status = experiment_->openPicture(
      pictureFileReader(QFile::encodeName(path).toStdString()),
      PaneSize{source.width(), source.height()}, PaneSize{big.width(), big.height()});
  finishIfShutDown();
  return status == InitStatus::Ok;
}

void MainDialog::onOpenPicture() {
  if (!canOpenPicture()) return;
  const QString filter = fromUtf8(texts::kPictureFilter).arg(readablePicturePatterns().join(' ')) +
                         QStringLiteral(";;") + fromUtf8(texts::kAllFilesFilter);
  const QString path =
      QFileDialog::getOpenFileName(this, fromUtf8(texts::kOpenPictureCaption), QString(), filter);
  if (!path.isEmpty()) openPictureFile(path);
}

void MainDialog::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (canOpenPicture() && urls.size() == 1 && urls.front().isLocalFile()) {
    event->acceptProposedAction();
  }
}

void MainDialog::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return;
  event->acceptProposedAction();
  // Opened once the drop has returned, so that the drag source is not kept
  // waiting while the picture is read (or its message shown).
  const QString path = urls.front().toLocalFile();
  QMetaObject::invokeMethod(
      this, [this, path] { openPictureFile(path); }, Qt::QueuedConnection);
}

bool MainDialog::saveImagesTo(const QString& folder) {
  if (!canSaveImages()) return false;
  const std::vector<NamedImage> images = experimentImages(*experiment_);
  const QStringList existing = existingFiles(folder, images);
  if (!existing.isEmpty() &&
      QMessageBox::question(this, fromUtf8(texts::kReplaceCaption),
                            fromUtf8(texts::kReplaceQuestion).arg(existing.join('\n')),
                            QMessageBox::Yes | QMessageBox::No,
                            QMessageBox::No) != QMessageBox::Yes) {
    return false;
  }
  QString error;
  if (!writeImages(folder, images, error)) {
    QMessageBox::critical(this, fromUtf8(texts::kErrorCaption), error, QMessageBox::Ok);
    return false;
  }
  return true;
}

void MainDialog::onSaveImages() {
  if (!canSaveImages()) return;
  const QString folder =
      QFileDialog::getExistingDirectory(this, fromUtf8(texts::kSaveImagesCaption));
  if (!folder.isEmpty()) saveImagesTo(folder);
}

DecodingChart* MainDialog::showChart() {
  if (!chart_) chart_ = new DecodingChart(this);
  updateChart();
  chart_->show();
  chart_->raise();
  return chart_;
}

void MainDialog::updateChart() {
  if (chart_) chart_->showErrors(channelErrorsShown_, decoderErrorsShown_, experiment_->itert());
}

bool MainDialog::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
#ifdef Q_OS_WIN
  const MSG* msg = static_cast<const MSG*>(message);
  if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == kAboutCommand) {
    openAbout();
    *result = 0;
    return true;
  }
#endif
  return QDialog::nativeEvent(eventType, message, result);
}

void MainDialog::openAbout() {
  AboutDialog about(this);
  about.exec();
}

void MainDialog::onSettings() {
  if (!experiment_->available().settings) return;
  if (settings_.run()) {
    const ChannelSettings values = settings_.getValues();
    experiment_->applySettings(values.p0, values.seed);
  }
  finishIfShutDown();
}

void MainDialog::reject() {
  if (finished_) return;
  if (!experiment_->available().exit) {
    QApplication::beep();
    return;
  }
  experiment_->shutDown();
  finishIfShutDown();
}

void MainDialog::finishIfShutDown() {
  if (finished_ || !experiment_->isShutDown()) return;
  finished_ = true;
  QDialog::reject();
}

}  // namespace vok
