// The key to the correction map's colours: three rows, each a swatch of the
// map's colour and what it means, in the window's font. It takes no
// pointer input.
#ifndef VOK_UI_CORRECTION_LEGEND_H_
#define VOK_UI_CORRECTION_LEGEND_H_

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>
#include <array>

namespace vok {

class CorrectionLegend : public QWidget {
  Q_OBJECT

 public:
  struct Entry {
    QRgb colour;       // exactly as the map shows it
    const char* text;  // UTF-8
  };
  // Blue (a correction), red (a wrong change), white (unchanged).
  static const std::array<Entry, 3>& entries();

  explicit CorrectionLegend(QWidget* parent = nullptr);

  // Where row i's swatch (frame included) and text are drawn.
  QRect swatchRect(int i) const;
  QRect textRect(int i) const;
  // The width row i needs to show its text whole.
  int neededWidth(int i) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect rowRect(int i) const;
};

}  // namespace vok

#endif  // VOK_UI_CORRECTION_LEGEND_H_
