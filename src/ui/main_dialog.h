// The program's only top-level window: four picture panes (or one enlarged
// pane), seven read-only fields, six buttons. It creates and drives one
// `Experiment`: each button calls one of its actions, and the window answers
// the experiment's notifications by drawing the pictures, retitling the
// decoded pane, filling its fields and enabling its buttons.
//
// A release of the left button over a small pane enlarges that picture into
// the big pane; a release over the big pane returns to the four panes. The
// pointer shows a magnifier over whatever a release would act on.
//
// Beyond the template's controls the window carries a legend of the
// correction map's colours, a caption naming the enlarged picture, and a
// context-menu item that stops decode all after the running iteration.
#ifndef VOK_UI_MAIN_DIALOG_H_
#define VOK_UI_MAIN_DIALOG_H_

#include <QDialog>
#include <QPointer>
#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "experiment/experiment.h"
#include "experiment/experiment_observer.h"
#include "ui/channel_settings_dialog.h"
#include "ui/decoding_chart.h"
#include "ui/resources.h"

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace vok {

class CorrectionLegend;
class DialogUnits;
class ImagePane;

class MainDialog : public QDialog, private ExperimentObserver {
  Q_OBJECT

 public:
  // The seven fields, in the order of their identifiers.
  enum class Field {
    ShownSize,
    CodeRate,
    ChannelRate,
    Itert,
    DecoderErrors,
    DecoderRate,
    ChannelErrors
  };
  enum class Button { Transmit, Iterate, DecodeAll, Repeat, Settings, Exit };
  inline static constexpr int kFieldCount = 7;
  inline static constexpr int kButtonCount = 6;

  // The experiment reads its files from `directory` and pauses with
  // `sleeper` (null: sleeps for real) while decoding to the end.
  explicit MainDialog(std::string directory, Experiment::Sleeper sleeper = nullptr,
                      QWidget* parent = nullptr);
  ~MainDialog() override;

  MainDialog(const MainDialog&) = delete;
  MainDialog& operator=(const MainDialog&) = delete;

  // Small pane n (1: source, 2: channel, 3: decoded, 4: corrections); 0 is
  // the big pane.
  ImagePane* pane(int n) const { return panes_[n]; }
  // The title above small pane n (1..4).
  QLabel* title(int n) const { return titles_[n - 1]; }
  // The caption above the big pane: the title of the picture it enlarges.
  QLabel* bigPaneCaption() const { return bigCaption_; }
  // The key to the correction map's colours.
  CorrectionLegend* correctionLegend() const { return legend_; }
  QLineEdit* field(Field f) const { return fields_[static_cast<int>(f)]; }
  QPushButton* button(Button b) const { return buttons_[static_cast<int>(b)]; }
  // 0 while the four small panes show; n (1..4) while picture n is enlarged.
  int zoomState() const { return zoomState_; }
  const Experiment& experiment() const { return *experiment_; }
  ChannelSettingsDialog& settingsDialog() { return settings_; }

  // Whether the window point (x, y) lies strictly inside the outer rectangle
  // of `pane`, computed from the window's frame and client rectangles.
  bool paneContains(const QWidget* pane, int x, int y) const;
  // Brings the visible panes up to date with the experiment's pictures.
  void drawPictures();
  // Shows the four small panes and their titles (true) or the big pane.
  void showPanes(bool four);
  // Writes the seven kept field texts into the fields.
  void refreshFields();
  // Handles every event already waiting, without waiting for new ones.
  void drainEvents();
  // Ends a running decode all after the running iteration (the context
  // menu's "Остановить декодирование"); does nothing at other times.
  void stopDecoding();

  // The picture the window starts on, in place of "pic.bmp" in the
  // directory. REQUIRES: called before the window is first shown.
  void setStartPicture(const std::string& path);
  // Starts a fresh experiment on the picture file at `path` (any readable
  // format), with the P0 and seed in force. Refused while an action runs;
  // a file that cannot be read is reported and changes nothing. Returns
  // whether the picture was opened.
  bool openPictureFile(const QString& path);
  // Whether a picture may be opened, or the pictures saved, now.
  bool canOpenPicture() const;
  bool canSaveImages() const;
  // Writes the four pictures as PNG files into `folder`, asking before an
  // existing file is replaced; returns whether they were written.
  bool saveImagesTo(const QString& folder);
  // Opens (or raises) the decoding chart window.
  DecodingChart* showChart();
  DecodingChart* chart() const { return chart_; }

 public slots:
  // Exit, Escape and close requests: refused with a beep while exit is not
  // available; otherwise the experiment shuts down and the window ends.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  // ExperimentObserver.
  void redraw() override;
  void iterationShown(int k) override;
  void valuesChanged(ValueGroup group) override;
  void cleared() override;
  void breathe() override;
  void failure(const std::string& text) override;
  void availabilityChanged() override;
  void settingsInitialised(float p0, std::int32_t seed) override;
  void pictureReplaced() override;

  void buildControls();
  // The teaching aids beside the template's controls: the legend and the
  // big pane's caption.
  void buildTeachingAids(const DialogUnits& du);
  // Gives the big pane's caption the text of the enlarged picture's title.
  void syncBigPaneCaption();
  // The context menu's item that stops decode all, enabled only while it runs.
  void addStopDecodingItem(QMenu& menu);
  void startUp();
  void onSettings();
  void openAbout();
  // The context menu's picture items, after About.
  void addPictureItems(QMenu& menu);
  void onOpenPicture();
  void onSaveImages();
  void updateChart();
  // Keeps the keyboard focus on a button when an action disabled the one
  // that held it (never on a read-only field, whose text would show
  // selected): the next enabled one in the order of use.
  void moveFocusOffDisabled(int focusedButton);
  // Makes a program cursor current; keeps the cursor when it cannot load.
  void useZoomCursor(ZoomCursor which);
  // Ends the window once the experiment has shut down (a shut down asked
  // for while an action ran takes effect when that action returns).
  void finishIfShutDown();
  void setFieldText(Field f, const QString& text);
  const std::uint8_t* pictureOf(int n) const;

  ChannelSettingsDialog settings_;
  std::unique_ptr<Experiment> experiment_;
  std::array<ImagePane*, 5> panes_{};
  std::array<QLabel*, 4> titles_{};
  QLabel* bigCaption_ = nullptr;
  CorrectionLegend* legend_ = nullptr;
  std::array<QLineEdit*, kFieldCount> fields_{};
  std::array<QPushButton*, kButtonCount> buttons_{};
  std::array<QString, kFieldCount> fieldTexts_;
  int zoomState_ = 0;
  QPointer<DecodingChart> chart_;
  // The errors of the current transmission, for the chart.
  std::optional<std::int64_t> channelErrorsShown_;
  std::vector<std::int64_t> decoderErrorsShown_;
  // The button whose focus an action took while no button was enabled.
  int focusToRestore_ = -1;
  bool started_ = false;
  bool finished_ = false;
};

}  // namespace vok

#endif  // VOK_UI_MAIN_DIALOG_H_
