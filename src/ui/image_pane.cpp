// Block painting into the pane's kept image, and showing it.
#include "ui/image_pane.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace vok {

ImagePane::ImagePane(Border border, QWidget* parent) : QWidget(parent), border_(border) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
  const int w = borderWidth();
  setContentsMargins(w, w, w, w);
}

void ImagePane::resizeEvent(QResizeEvent* /*event*/) { fitContent(); }

void ImagePane::fitContent() {
  const QSize size = clientSize().expandedTo(QSize(0, 0));
  if (content_.size() == size) return;
  content_ = QImage(size, QImage::Format_RGB32);
  content_.fill(palette().color(QPalette::Window));
}

void ImagePane::clear() {
  fitContent();
  content_.fill(palette().color(QPalette::Window));
  update(contentsRect());
}

bool ImagePane::paintRow(const std::uint8_t* row, std::int32_t width, std::int32_t left,
                         std::int32_t top, std::int32_t scale) {
  const int clientW = content_.width();
  const int clientH = content_.height();
  bool changed = false;
  const int yBegin = std::max(top, 0);
  const int yEnd = std::min<std::int64_t>(std::int64_t{top} + scale, clientH);
  for (int y = yBegin; y < yEnd; ++y) {
    auto* line = reinterpret_cast<QRgb*>(content_.scanLine(y));
    for (std::int32_t j = 0; j < width; ++j) {
      const std::uint8_t* p = row + 3 * static_cast<std::int64_t>(j);
      const QRgb colour = qRgb(p[2], p[1], p[0]);
      const std::int64_t x0 = std::int64_t{left} + std::int64_t{j} * scale;
      const int xBegin = static_cast<int>(std::clamp<std::int64_t>(x0, 0, clientW));
      const int xEnd = static_cast<int>(std::clamp<std::int64_t>(x0 + scale, 0, clientW));
      for (int x = xBegin; x < xEnd; ++x) {
        if (line[x] != colour) {
          line[x] = colour;
          changed = true;
        }
      }
    }
  }
  return changed;
}

void ImagePane::draw(std::int32_t height, std::int32_t width, std::int32_t offsetX,
                     std::int32_t offsetY, std::int32_t scale, const std::uint8_t* pixels) {
  if (height <= 0 || width <= 0 || scale <= 0 || pixels == nullptr) return;
  fitContent();
  if (content_.isNull()) return;
  bool changed = false;
  // Row 0 of the picture is the bottom row on screen.
  for (std::int32_t i = 0; i < height; ++i) {
    const std::int64_t top = std::int64_t{offsetY} + std::int64_t{height - 1 - i} * scale;
    if (top >= content_.height() || top + scale <= 0) continue;
    changed |= paintRow(pixels + std::int64_t{i} * width * 3, width, offsetX,
                        static_cast<std::int32_t>(top), scale);
  }
  if (changed) update(contentsRect());
}

void ImagePane::paintEvent(QPaintEvent* event) {
  fitContent();
  QPainter painter(this);
  const QRect client = contentsRect();
  if (!content_.isNull() && event->rect().intersects(client)) {
    painter.drawImage(client.topLeft(), content_);
  }
  paintBorder(painter);
}

void ImagePane::paintBorder(QPainter& painter) const {
  // The border: a sunken edge (dark above and left, light below and right)
  // around a frame line in the window-frame colour. Every line is a filled
  // rectangle one point wide: a pen line is rasterised piecewise where the
  // repaint region is made of several rectangles, and at a scale factor of
  // 2 that left half of the line out in parts of the top and left edges.
  const QRect outer = rect();
  const auto edge = [&](int x, int y, int w, int h, const QColor& colour) {
    painter.fillRect(QRect(x, y, w, h), colour);
  };
  int inset = 0;
  if (border_ == Border::FramedSunken) {
    const QColor dark = palette().color(QPalette::Dark);
    const QColor light = palette().color(QPalette::Light);
    edge(0, 0, outer.width() - 1, 1, dark);
    edge(0, 0, 1, outer.height() - 1, dark);
    edge(0, outer.height() - 1, outer.width(), 1, light);
    edge(outer.width() - 1, 0, 1, outer.height(), light);
    inset = 1;
  }
  const QColor frame = palette().color(QPalette::WindowText);
  const QRect f = outer.adjusted(inset, inset, -inset, -inset);
  edge(f.left(), f.top(), f.width(), 1, frame);
  edge(f.left(), f.bottom(), f.width(), 1, frame);
  edge(f.left(), f.top(), 1, f.height(), frame);
  edge(f.right(), f.top(), 1, f.height(), frame);
}

}  // namespace vok
