// Draws the bundled sample picture: a small landscape (sky, sun, clouds,
// hills, a house, a tree and the word "vok" in block letters), 240 x 180
// pixels, written as a 24-bit BMP.
//
// Usage: make_sample_picture [OUTPUT]   (default: pic.bmp)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "picture/bmp_writer.h"

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 180;

struct Rgb {
  int r, g, b;
};

// A canvas with y growing downward; stored bottom row first when written.
class Canvas {
 public:
  Canvas() : pixels_(std::size_t{kWidth} * kHeight * 3) {}

  void set(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return;
    const std::size_t at = (std::size_t(kHeight - 1 - y) * kWidth + x) * 3;
    pixels_[at] = clamp(c.b);
    pixels_[at + 1] = clamp(c.g);
    pixels_[at + 2] = clamp(c.r);
  }

  void fillRect(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) set(x, y, c);
  }

  void fillEllipse(double cx, double cy, double rx, double ry, Rgb c) {
    for (int y = int(cy - ry); y <= int(cy + ry) + 1; ++y) {
      for (int x = int(cx - rx); x <= int(cx + rx) + 1; ++x) {
        const double dx = (x + 0.5 - cx) / rx;
        const double dy = (y + 0.5 - cy) / ry;
        if (dx * dx + dy * dy <= 1.0) set(x, y, c);
      }
    }
  }

  const std::uint8_t* data() const { return pixels_.data(); }

 private:
  static std::uint8_t clamp(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }
  std::vector<std::uint8_t> pixels_;
};

Rgb mix(Rgb a, Rgb b, double t) {
  return {int(a.r + (b.r - a.r) * t), int(a.g + (b.g - a.g) * t), int(a.b + (b.b - a.b) * t)};
}

void drawSky(Canvas& c) {
  const Rgb top{38, 84, 168};
  const Rgb horizon{178, 214, 240};
  for (int y = 0; y < kHeight; ++y) {
    const Rgb row = mix(top, horizon, std::min(1.0, y / 115.0));
    for (int x = 0; x < kWidth; ++x) c.set(x, y, row);
  }
}

void drawSun(Canvas& c) {
  const double cx = 192, cy = 36;
  for (int y = 0; y < 80; ++y) {
    for (int x = 140; x < kWidth; ++x) {
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      if (d <= 17) {
        c.set(x, y, {255, 222, 80});
      } else if (d <= 24) {  // a soft glow around the disc
        const double t = (d - 17) / 7;
        const Rgb sky = mix({38, 84, 168}, {178, 214, 240}, std::min(1.0, y / 115.0));
        c.set(x, y, mix({255, 236, 150}, sky, t));
      }
    }
  }
}

void drawCloud(Canvas& c, double x, double y) {
  const Rgb white{248, 248, 252};
  c.fillEllipse(x, y, 16, 7, white);
  c.fillEllipse(x - 10, y + 2, 10, 5, white);
  c.fillEllipse(x + 11, y + 2, 11, 5, white);
  c.fillEllipse(x + 2, y - 5, 9, 6, white);
}

// Ground from a height profile: every column is filled from the profile down.
template <typename Profile>
void drawHill(Canvas& c, Profile top, Rgb light, Rgb dark) {
  for (int x = 0; x < kWidth; ++x) {
    const int y0 = int(top(x));
    for (int y = std::max(y0, 0); y < kHeight; ++y) {
      c.set(x, y, mix(light, dark, std::min(1.0, (y - y0) / 60.0)));
    }
  }
}

void drawHouse(Canvas& c) {
  const int left = 34, right = 92, wallTop = 104, ground = 140;
  c.fillRect(left, wallTop, right, ground, {232, 212, 168});
  // Roof: a triangle overhanging the walls by 5 pixels.
  for (int y = 78; y < wallTop; ++y) {
    const double t = (y - 78) / double(wallTop - 78);
    const int half = int(((right - left) / 2.0 + 5) * t);
    const int mid = (left + right) / 2;
    c.fillRect(mid - half, y, mid + half, y + 1, mix({196, 56, 40}, {150, 36, 30}, t));
  }
  c.fillRect(74, 82, 81, 96, {110, 70, 60});       // chimney
  c.fillRect(44, 120, 56, ground, {120, 72, 36});  // door
  c.set(53, 130, {240, 200, 80});                  // door knob
  // Window with a cross.
  c.fillRect(64, 112, 84, 128, {250, 250, 250});
  c.fillRect(66, 114, 82, 126, {150, 200, 240});
  c.fillRect(73, 114, 75, 126, {250, 250, 250});
  c.fillRect(66, 119, 82, 121, {250, 250, 250});
}

void drawTree(Canvas& c) {
  c.fillRect(118, 112, 124, 142, {104, 66, 34});
  c.fillEllipse(121, 100, 15, 17, {44, 120, 48});
  c.fillEllipse(116, 96, 8, 8, {66, 146, 62});
}

// 5 x 7 block letters.
void drawWord(Canvas& c, int x, int y, int cell) {
  static const char* const kLetters[3][7] = {
      {"     ", "     ", "X   X", "X   X", "X   X", " X X ", "  X  "},  // v
      {"     ", "     ", " XXX ", "X   X", "X   X", "X   X", " XXX "},  // o
      {"X    ", "X    ", "X  X ", "X X  ", "XX   ", "X X  ", "X  X "},  // k
  };
  for (int letter = 0; letter < 3; ++letter) {
    for (int row = 0; row < 7; ++row) {
      for (int col = 0; col < 5; ++col) {
        if (kLetters[letter][row][col] != 'X') continue;
        const int px = x + (letter * 6 + col) * cell;
        const int py = y + row * cell;
        c.fillRect(px + 1, py + 1, px + cell + 1, py + cell + 1, {30, 40, 90});  // shadow
        c.fillRect(px, py, px + cell, py + cell, {255, 255, 255});
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "pic.bmp";
  Canvas c;
  drawSky(c);
  drawSun(c);
  drawCloud(c, 120, 30);
  drawCloud(c, 200, 74);
  drawHill(c, [](int x) { return 104 + 16 * std::sin(x / 34.0 + 1.2); }, {96, 150, 120},
           {70, 120, 96});
  drawHill(c, [](int x) { return 132 + 9 * std::sin(x / 26.0 - 0.4); }, {96, 184, 70},
           {40, 112, 36});
  drawHouse(c);
  drawTree(c);
  // A path from the door down to the bottom edge.
  for (int y = 140; y < kHeight; ++y) {
    const int half = 6 + (y - 140) / 3;
    c.fillRect(50 - half + (y - 140) / 2, y, 50 + half + (y - 140) / 2, y + 1, {196, 170, 120});
  }
  drawWord(c, 12, 12, 4);
  if (!vok::writeBmp(path, c.data(), kWidth, kHeight)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return 1;
  }
  return 0;
}
