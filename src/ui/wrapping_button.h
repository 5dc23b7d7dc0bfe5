// A push button whose text wraps onto further lines when it is wider than
// the button, like a multi-line dialog button. text() stays the full text.
#ifndef VOK_UI_WRAPPING_BUTTON_H_
#define VOK_UI_WRAPPING_BUTTON_H_

#include <QPushButton>

namespace vok {

class WrappingButton : public QPushButton {
  Q_OBJECT

 public:
  explicit WrappingButton(const QString& text, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace vok

#endif  // VOK_UI_WRAPPING_BUTTON_H_
