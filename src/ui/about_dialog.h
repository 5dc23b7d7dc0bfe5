// The About box: the program's icon, name and version. OK, Enter, Escape
// and the close box all close it.
#ifndef VOK_UI_ABOUT_DIALOG_H_
#define VOK_UI_ABOUT_DIALOG_H_

#include <QDialog>

namespace vok {

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace vok

#endif  // VOK_UI_ABOUT_DIALOG_H_
