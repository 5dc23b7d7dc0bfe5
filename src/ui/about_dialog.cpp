// Layout of the About box.
#include "ui/about_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "ui/dialog_units.h"
#include "ui/resources.h"
#include "ui/texts.h"

namespace vok {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  setWindowTitle(QString::fromUtf8(texts::kAboutCaption));
  setFont(dialogFont());
  const DialogUnits du(font());
  setFixedSize(du.toPixels(QSize(235, 55)));

  // The icon at its own size, from the top-left corner of its rectangle.
  auto* icon = new QLabel(this);
  icon->setPixmap(programIcon().pixmap(32, 32));
  icon->setGeometry(QRect(du.toPixels(11, 17, 20, 20).topLeft(), QSize(32, 32)));

  auto* version = new QLabel(QString::fromUtf8(texts::kAboutVersion), this);
  version->setGeometry(du.toPixels(40, 10, 119, 8));
  auto* second = new QLabel(QString::fromUtf8(texts::kAboutSecondLine), this);
  second->setGeometry(du.toPixels(40, 25, 119, 8));
  for (QLabel* label : {version, second}) {
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  }

  auto* ok = new QPushButton(QString::fromUtf8(texts::kOk), this);
  ok->setGeometry(du.toPixels(178, 7, 50, 14));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace vok
