// Converts the dialog-unit rectangles of the window templates into pixels.
//
// One horizontal dialog unit is a quarter of the dialog font's average
// character width, one vertical unit an eighth of its character height, so
// a layout keeps its proportions whatever font and screen resolution the
// program finds.
#ifndef VOK_UI_DIALOG_UNITS_H_
#define VOK_UI_DIALOG_UNITS_H_

#include <QFont>
#include <QRect>
#include <QSize>

namespace vok {

// The font of every dialog of the program: 8-point sans-serif, DejaVu Sans
// where it is installed.
QFont dialogFont();

class DialogUnits {
 public:
  // Base units measured from `font`: the average width of the letters A-Z
  // and a-z (rounded) and the font's line height.
  explicit DialogUnits(const QFont& font);
  // Base units given directly. REQUIRES: baseX, baseY > 0.
  DialogUnits(int baseX, int baseY) : baseX_(baseX), baseY_(baseY) {}

  int baseX() const { return baseX_; }
  int baseY() const { return baseY_; }

  int toPixelsX(int units) const;
  int toPixelsY(int units) const;
  // The rectangle x, y, width, height in dialog units, in pixels. Edges are
  // converted, not sizes, so neighbouring rectangles stay neighbours.
  QRect toPixels(int x, int y, int width, int height) const;
  QSize toPixels(QSize units) const;

 private:
  int baseX_;
  int baseY_;
};

}  // namespace vok

#endif  // VOK_UI_DIALOG_UNITS_H_
