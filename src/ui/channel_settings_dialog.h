// The modal dialog in which the user edits the channel's symbol error
// probability P0 and the seed of its random generator.
//
// The dialog object lives as long as the main window, so the texts of its
// two fields persist between openings. Accept takes each text that is
// wholly a number and silently keeps the old value for one that is not;
// the texts stay as typed. Cancel discards the edit and shows the values in
// force again.
#ifndef VOK_UI_CHANNEL_SETTINGS_DIALOG_H_
#define VOK_UI_CHANNEL_SETTINGS_DIALOG_H_

#include <QDialog>
#include <QString>
#include <cstdint>

class QLineEdit;
class QPushButton;

namespace vok {

struct ChannelSettings {
  float p0 = 0.0f;
  std::int32_t seed = 0;
};

class ChannelSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ChannelSettingsDialog(QWidget* parent = nullptr);

  // Stores both values and shows them as "%.3f" and "%d".
  void setValues(float p0, std::int32_t seed);
  ChannelSettings getValues() const { return values_; }

  // Shows the dialog modally with the kept texts; true when accepted.
  bool run();

  const QString& p0Text() const { return p0Text_; }
  const QString& seedText() const { return seedText_; }

  QLineEdit* p0Field() const { return p0Field_; }
  QLineEdit* seedField() const { return seedField_; }
  QPushButton* acceptButton() const { return acceptButton_; }
  QPushButton* cancelButton() const { return cancelButton_; }

 public slots:
  void accept() override;
  void reject() override;

 private:
  void restoreTexts();

  QString p0Text_;
  QString seedText_;
  ChannelSettings values_;
  QPushButton* acceptButton_;
  QPushButton* cancelButton_;
  QLineEdit* p0Field_;
  QLineEdit* seedField_;
};

}  // namespace vok

#endif  // VOK_UI_CHANNEL_SETTINGS_DIALOG_H_
