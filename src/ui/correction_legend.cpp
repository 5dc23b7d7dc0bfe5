// Three equal rows; the swatch is a square a little smaller than a line of
// text, framed in the text colour so that the white one shows too.
#include "ui/correction_legend.h"

#include <QFontMetrics>
#include <QPainter>

namespace vok {

const std::array<CorrectionLegend::Entry, 3>& CorrectionLegend::entries() {
  static const std::array<Entry, 3> kEntries = {{
      {qRgb(0x00, 0x00, 0xFF), "исправлено на исходное значение"},
      {qRgb(0xFF, 0x00, 0x00), "изменено на неверное значение"},
      {qRgb(0xFF, 0xFF, 0xFF), "без изменений"},
  }};
  return kEntries;
}

CorrectionLegend::CorrectionLegend(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

QRect CorrectionLegend::rowRect(int i) const {
  const int top = height() * i / 3;
  return QRect(0, top, width(), height() * (i + 1) / 3 - top);
}

QRect CorrectionLegend::swatchRect(int i) const {
  const QRect row = rowRect(i);
  const int side = qMax(4, fontMetrics().ascent() - 1);
  return QRect(row.left(), row.top() + (row.height() - side) / 2, side, side);
}

QRect CorrectionLegend::textRect(int i) const {
  const QRect row = rowRect(i);
  const int left = swatchRect(i).right() + 1 + fontMetrics().averageCharWidth();
  return QRect(left, row.top(), row.right() + 1 - left, row.height());
}

int CorrectionLegend::neededWidth(int i) const {
  return textRect(i).left() +
         fontMetrics().horizontalAdvance(QString::fromUtf8(entries()[static_cast<size_t>(i)].text));
}

void CorrectionLegend::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  for (int i = 0; i < 3; ++i) {
    const Entry& entry = entries()[static_cast<size_t>(i)];
    const QRect swatch = swatchRect(i);
    painter.fillRect(swatch, QColor(entry.colour));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
    painter.drawText(textRect(i), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QString::fromUtf8(entry.text));
  }
}

}  // namespace vok
