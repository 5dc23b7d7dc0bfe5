// Dialog units from the dialog font's base units.
#include "ui/dialog_units.h"

#include <QFontMetrics>
#include <QString>

namespace vok {

QFont dialogFont() {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(8);
  return font;
}

namespace {

// Rounds units * base / divisor to the nearest integer (halves away from 0).
int scaleUnits(int units, int base, int divisor) {
  const long long product = static_cast<long long>(units) * base;
  const long long half = divisor / 2;
  return static_cast<int>(product >= 0 ? (product + half) / divisor : (product - half) / divisor);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int alphabetWidth = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  baseX_ = (alphabetWidth / 26 + 1) / 2;
  baseY_ = metrics.height();
  if (baseX_ < 1) baseX_ = 1;
  if (baseY_ < 1) baseY_ = 1;
}

int DialogUnits::toPixelsX(int units) const { return scaleUnits(units, baseX_, 4); }

int DialogUnits::toPixelsY(int units) const { return scaleUnits(units, baseY_, 8); }

QRect DialogUnits::toPixels(int x, int y, int width, int height) const {
  const int left = toPixelsX(x);
  const int top = toPixelsY(y);
  return QRect(left, top, toPixelsX(x + width) - left, toPixelsY(y + height) - top);
}

QSize DialogUnits::toPixels(QSize units) const {
  return QSize(toPixelsX(units.width()), toPixelsY(units.height()));
}

}  // namespace vok
