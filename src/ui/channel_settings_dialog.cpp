// The channel settings dialog: layout, and the accept and cancel rules.
#include "ui/channel_settings_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <limits>
#include <optional>

#include "common/number_text.h"
#include "ui/dialog_units.h"
#include "ui/ignored_text_mark.h"
#include "ui/texts.h"

namespace vok {

namespace {

QLineEdit* makeField(QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setMaxLength(std::numeric_limits<int>::max());
  return field;
}

// What accept takes from each field; nothing when the text is ignored. The
// marks of ignored texts ask the same functions.
std::optional<float> takenP0(const QString& text) { return parseP0Text(text.toStdString()); }
std::optional<std::int32_t> takenSeed(const QString& text) {
  return parseSeedText(text.toStdString());
}

}  // namespace

ChannelSettingsDialog::ChannelSettingsDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  setWindowTitle(QString::fromUtf8(texts::kSettingsCaption));
  setFont(dialogFont());
  const DialogUnits du(font());
  setFixedSize(du.toPixels(QSize(178, 80)));

  // Created in tab order.
  acceptButton_ = new QPushButton(QString::fromUtf8(texts::kAccept), this);
  acceptButton_->setGeometry(du.toPixels(13, 59, 50, 14));
  acceptButton_->setDefault(true);
  cancelButton_ = new QPushButton(QString::fromUtf8(texts::kCancel), this);
  cancelButton_->setGeometry(du.toPixels(109, 59, 50, 14));
  p0Field_ = makeField(this);
  p0Field_->setGeometry(du.toPixels(98, 13, 49, 14));
  auto* p0Label = new QLabel(QString::fromUtf8(texts::kP0Caption), this);
  p0Label->setGeometry(du.toPixels(7, 15, 77, 8));
  seedField_ = makeField(this);
  seedField_->setGeometry(du.toPixels(98, 35, 49, 14));
  auto* seedLabel = new QLabel(QString::fromUtf8(texts::kSeedCaption), this);
  seedLabel->setGeometry(du.toPixels(7, 37, 77, 8));
  for (QLabel* label : {p0Label, seedLabel}) {
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  }

  markIgnoredText(p0Field_, [](const QString& text) { return takenP0(text).has_value(); });
  markIgnoredText(seedField_, [](const QString& text) { return takenSeed(text).has_value(); });

  connect(acceptButton_, &QPushButton::clicked, this, &ChannelSettingsDialog::accept);
  connect(cancelButton_, &QPushButton::clicked, this, &ChannelSettingsDialog::reject);
}

void ChannelSettingsDialog::setValues(float p0, std::int32_t seed) {
  values_ = {p0, seed};
  restoreTexts();
}

void ChannelSettingsDialog::restoreTexts() {
  p0Text_ = QString::fromStdString(formatFixed3(values_.p0));
  seedText_ = QString::number(values_.seed);
}

bool ChannelSettingsDialog::run() {
  p0Field_->setText(p0Text_);
  seedField_->setText(seedText_);
  acceptButton_->setFocus(Qt::OtherFocusReason);
  return exec() == QDialog::Accepted;
}

void ChannelSettingsDialog::accept() {
  p0Text_ = p0Field_->text();
  seedText_ = seedField_->text();
  if (const auto p0 = takenP0(p0Text_)) values_.p0 = *p0;
  if (const auto seed = takenSeed(seedText_)) values_.seed = *seed;
  QDialog::accept();
}

void ChannelSettingsDialog::reject() {
  restoreTexts();
  QDialog::reject();
}

}  // namespace vok
