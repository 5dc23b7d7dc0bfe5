// A pane that shows one picture as square blocks of points.
//
// The pane keeps an image of its client area. draw() paints the blocks of a
// picture into it; the margins around the picture keep whatever they held.
// The pane takes no pointer input: clicks and moves over it reach the
// window beneath, which decides what they mean.
#ifndef VOK_UI_IMAGE_PANE_H_
#define VOK_UI_IMAGE_PANE_H_

#include <QImage>
#include <QWidget>
#include <cstdint>

class QPainter;

namespace vok {

class ImagePane : public QWidget {
  Q_OBJECT

 public:
  // How the pane's border looks.
  enum class Border {
    FramedSunken,  // a frame line inside a sunken edge (2 points)
    Framed,        // a frame line only (1 point)
  };

  explicit ImagePane(Border border, QWidget* parent = nullptr);

  // Paints the width x height picture `pixels` (packed B, G, R bytes, row 0
  // at the bottom) as blocks of scale x scale points, the picture's top-left
  // corner at (offsetX, offsetY) of the client area; points outside the
  // client area are clipped. Nothing is painted when height, width or scale
  // is not positive. Schedules a repaint only when a point changed.
  // REQUIRES: pixels holds width * height * 3 bytes when all three are > 0.
  void draw(std::int32_t height, std::int32_t width, std::int32_t offsetX, std::int32_t offsetY,
            std::int32_t scale, const std::uint8_t* pixels);

  // Fills the client area with the background again (a new picture of
  // another size must not leave the old one's edges showing).
  void clear();

  // The client area's size, inside the border.
  QSize clientSize() const { return contentsRect().size(); }
  // What the client area shows.
  const QImage& content() const { return content_; }
  int borderWidth() const { return border_ == Border::FramedSunken ? 2 : 1; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Sizes the kept image to the client area (filled with the background)
  // when its size differs; otherwise does nothing.
  void fitContent();
  void paintBorder(QPainter& painter) const;
  // Paints one picture row (`width` pixels) as blocks whose top edge is at
  // client row `top`, returning whether any point changed.
  bool paintRow(const std::uint8_t* row, std::int32_t width, std::int32_t left, std::int32_t top,
                std::int32_t scale);

  Border border_;
  QImage content_;
};

}  // namespace vok

#endif  // VOK_UI_IMAGE_PANE_H_
