// The red frame is a child drawn over the field, so the field keeps its own
// look and input; it takes no pointer input and is shown only when needed.
#include "ui/ignored_text_mark.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <QWidget>
#include <utility>

namespace vok {

namespace {

constexpr const char* kMarkName = "vokIgnoredTextMark";

class Mark : public QWidget {
 public:
  Mark(QLineEdit* field, std::function<bool(const QString&)> taken)
      : QWidget(field), field_(field), taken_(std::move(taken)) {
    setObjectName(QString::fromLatin1(kMarkName));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    field->installEventFilter(this);
    QObject::connect(field, &QLineEdit::textChanged, this, [this] { follow(); });
    follow();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == field_ && event->type() == QEvent::Resize) setGeometry(field_->rect());
    return false;
  }

  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    // Two points wide, inside the field's rectangle, over its own frame.
    QPen pen(QColor(0xD0, 0x00, 0x00));
    pen.setWidth(2);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
  }

 private:
  void follow() {
    const bool marked = !taken_(field_->text());
    setGeometry(field_->rect());
    setVisible(marked);
    raise();
    field_->setToolTip(marked ? QString::fromUtf8(kIgnoredTextTip) : QString());
  }

  QLineEdit* field_;
  std::function<bool(const QString&)> taken_;
};

}  // namespace

void markIgnoredText(QLineEdit* field, std::function<bool(const QString&)> taken) {
  new Mark(field, std::move(taken));
}

bool isMarkedIgnored(const QLineEdit* field) {
  const auto* mark = field->findChild<QWidget*>(QString::fromLatin1(kMarkName));
  return mark != nullptr && !mark->isHidden();
}

}  // namespace vok
