// Drawing the sweep's figure as SVG: axes, ticks and grid, the two curves,
// the capacity line and a legend.
#include "sim/sweep_plot.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numeric>

namespace vok::sim {
namespace {

constexpr double kWidth = 780;
constexpr double kHeight = 520;
constexpr double kLeft = 92;
constexpr double kRight = kWidth - 28;
constexpr double kTop = 66;
constexpr double kBottom = kHeight - 72;
constexpr const char* kChannelColour = "#1f5fa8";
constexpr const char* kDecoderColour = "#c8201e";
constexpr const char* kCapacityColour = "#2b8a3e";

std::string num(double value, int decimals = 2) {
  std::array<char, 400> buffer{};
  const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                               std::chars_format::fixed, decimals);
  return std::string(buffer.data(), r.ptr);
}

// 1, 2 or 5 times a power of ten, near `rough`.
double niceStep(double rough) {
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  const double scaled = rough / power;
  const double nice = scaled < 1.5 ? 1 : scaled < 3.5 ? 2 : scaled < 7.5 ? 5 : 10;
  return nice * power;
}

struct Axes {
  double x0, x1;         // P0 range
  int decade0, decade1;  // log10 range of the rates
  double x(double p0) const { return kLeft + (p0 - x0) / (x1 - x0) * (kRight - kLeft); }
  double y(double rate) const {
    return kBottom - (std::log10(rate) - decade0) / (decade1 - decade0) * (kBottom - kTop);
  }
};

void text(std::string& svg, double x, double y, const std::string& content,
          const char* anchor = "middle", const char* extra = "") {
  svg += "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" text-anchor=\"" + anchor + "\"" + extra +
         ">" + content + "</text>\n";
}

void line(std::string& svg, double x0, double y0, double x1, double y1, const char* style) {
  svg += "<line x1=\"" + num(x0) + "\" y1=\"" + num(y0) + "\" x2=\"" + num(x1) + "\" y2=\"" +
         num(y1) + "\" " + style + "/>\n";
}

std::string marker(bool square, double x, double y, const char* colour) {
  if (square) {
    return "<rect x=\"" + num(x - 4) + "\" y=\"" + num(y - 4) +
           "\" width=\"8\" height=\"8\" fill=\"" + colour + "\"/>\n";
  }
  return "<circle cx=\"" + num(x) + "\" cy=\"" + num(y) + "\" r=\"4\" fill=\"" + colour + "\"/>\n";
}

std::string openTriangle(double x, double y) {
  return "<path d=\"M" + num(x - 5) + ' ' + num(y - 9) + " L" + num(x + 5) + ' ' + num(y - 9) +
         " L" + num(x) + ' ' + num(y - 1) + " Z\" fill=\"white\" stroke=\"" + kDecoderColour +
         "\" stroke-width=\"1.5\"/>\n";
}

// A curve through the points with a positive rate; zero rates break it.
void curve(std::string& svg, const Axes& axes, const std::vector<PlotPoint>& points, bool decoder) {
  const char* colour = decoder ? kDecoderColour : kChannelColour;
  std::string path;
  bool open = false;
  for (const PlotPoint& p : points) {
    const double rate = decoder ? p.decoderRate : p.channelRate;
    if (rate <= 0) {
      open = false;
      continue;
    }
    path += (open ? " L" : " M") + num(axes.x(p.p0)) + ' ' + num(axes.y(rate));
    open = true;
  }
  if (!path.empty()) {
    svg += "<path d=\"" + path.substr(1) + "\" fill=\"none\" stroke=\"" + colour +
           "\" stroke-width=\"2\"" + (decoder ? "" : " stroke-dasharray=\"7 4\"") + "/>\n";
  }
  for (const PlotPoint& p : points) {
    const double rate = decoder ? p.decoderRate : p.channelRate;
    if (rate > 0) {
      svg += marker(decoder, axes.x(p.p0), axes.y(rate), colour);
    } else if (decoder) {
      svg += openTriangle(axes.x(p.p0), kBottom);
    }
  }
}

std::string rateText(int nk, int nr) {
  const int total = nk + nr;
  const int divisor = std::gcd(nk, total);
  return divisor > 0 ? std::to_string(nk / divisor) + "/" + std::to_string(total / divisor) : "?";
}

}  // namespace

std::string renderSweepSvg(std::vector<PlotPoint> points, const PlotInfo& info) {
  std::sort(points.begin(), points.end(),
            [](const PlotPoint& a, const PlotPoint& b) { return a.p0 < b.p0; });
  Axes axes{0.0, 1.0, -6, 0};
  if (!points.empty()) {
    axes.x0 = points.front().p0;
    axes.x1 = points.back().p0;
  }
  if (axes.x1 - axes.x0 < 1e-9) {
    axes.x0 -= 0.01;
    axes.x1 += 0.01;
  }
  const double span = axes.x1 - axes.x0;
  const bool capacityShown = std::isfinite(info.capacityP0) && info.capacityP0 >= axes.x0 - span &&
                             info.capacityP0 <= axes.x1 + span;
  if (capacityShown) {
    axes.x0 = std::min(axes.x0, info.capacityP0);
    axes.x1 = std::max(axes.x1, info.capacityP0);
  }
  const double pad = 0.03 * (axes.x1 - axes.x0);
  axes.x0 -= pad;
  axes.x1 += pad;

  double smallest = 1.0;
  double largest = 0.0;
  bool zeroDecoderRate = false;
  for (const PlotPoint& p : points) {
    for (double rate : {p.channelRate, p.decoderRate}) {
      if (rate > 0) {
        smallest = std::min(smallest, rate);
        largest = std::max(largest, rate);
      }
    }
    zeroDecoderRate = zeroDecoderRate || p.decoderRate <= 0;
  }
  if (largest > 0) {
    axes.decade0 = static_cast<int>(std::floor(std::log10(smallest)));
    axes.decade1 = static_cast<int>(std::ceil(std::log10(largest)));
    if (axes.decade1 <= axes.decade0) axes.decade1 = axes.decade0 + 1;
  }

  std::string svg;
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(kWidth, 0) + "\" height=\"" +
         num(kHeight, 0) + "\" viewBox=\"0 0 " + num(kWidth, 0) + ' ' + num(kHeight, 0) +
         "\" font-family=\"DejaVu Sans, Arial, Helvetica, sans-serif\" font-size=\"14\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  text(svg, kWidth / 2, 26, "Symbol error rate of the iterative threshold decoder", "middle",
       " font-size=\"17\" font-weight=\"bold\"");
  text(svg, kWidth / 2, 48,
       "nk = " + std::to_string(info.nk) + ", nr = " + std::to_string(info.nr) + " (rate " +
           rateText(info.nk, info.nr) + "), Q = " + std::to_string(info.q) + ", " +
           std::to_string(info.symbols) + " information symbols per block, up to " +
           std::to_string(info.itert) + " iterations",
       "middle", " font-size=\"13\"");

  // Grid and ticks.
  const double xStep = niceStep((axes.x1 - axes.x0) / 7);
  const int xDecimals = std::max(0, static_cast<int>(-std::floor(std::log10(xStep) + 1e-9)));
  for (double t = std::ceil(axes.x0 / xStep - 1e-9) * xStep; t <= axes.x1 + 1e-12; t += xStep) {
    const double x = axes.x(t);
    line(svg, x, kTop, x, kBottom, "stroke=\"#e4e4e4\"");
    line(svg, x, kBottom, x, kBottom + 6, "stroke=\"black\"");
    text(svg, x, kBottom + 22, num(std::abs(t) < xStep / 2 ? 0.0 : t, xDecimals));
  }
  for (int decade = axes.decade0; decade <= axes.decade1; ++decade) {
    const double y = axes.y(std::pow(10.0, decade));
    line(svg, kLeft, y, kRight, y, "stroke=\"#cfcfcf\"");
    line(svg, kLeft - 6, y, kLeft, y, "stroke=\"black\"");
    // "10" and a raised exponent as two texts, which every renderer places alike.
    const std::string exponent =
        decade < 0 ? "\u2212" + std::to_string(-decade) : std::to_string(decade);
    const double exponentWidth =
        7.0 * static_cast<double>(decade < 0 ? 1 + std::to_string(-decade).size()
                                             : std::to_string(decade).size());
    text(svg, kLeft - 10 - exponentWidth, y + 5, "10", "end");
    text(svg, kLeft - 9 - exponentWidth, y - 3, exponent, "start", " font-size=\"11\"");
    if (decade < axes.decade1) {
      for (int m = 2; m <= 9; ++m) {
        const double ym = axes.y(m * std::pow(10.0, decade));
        line(svg, kLeft, ym, kRight, ym, "stroke=\"#f0f0f0\"");
        line(svg, kLeft - 3, ym, kLeft, ym, "stroke=\"black\"");
      }
    }
  }
  svg += "<rect x=\"" + num(kLeft) + "\" y=\"" + num(kTop) + "\" width=\"" + num(kRight - kLeft) +
         "\" height=\"" + num(kBottom - kTop) + "\" fill=\"none\" stroke=\"black\"/>\n";
  text(svg, (kLeft + kRight) / 2, kHeight - 24, "P0, symbol error probability of the channel");
  text(svg, 0, 0, "symbol error rate", "middle",
       (" transform=\"translate(26 " + num((kTop + kBottom) / 2) + ") rotate(-90)\"").c_str());

  // Capacity limit.
  if (capacityShown) {
    const double x = axes.x(info.capacityP0);
    line(svg, x, kTop, x, kBottom,
         (std::string("stroke=\"") + kCapacityColour +
          "\" stroke-width=\"2\" stroke-dasharray=\"3 3\"")
             .c_str());
    const bool rightHalf = x > (kLeft + kRight) / 2;
    text(svg, rightHalf ? x - 6 : x + 6, kTop + 18,
         "capacity limit of rate " + rateText(info.nk, info.nr) +
             ": P0 = " + num(info.capacityP0, 3),
         rightHalf ? "end" : "start",
         (std::string(" fill=\"") + kCapacityColour + "\" font-size=\"13\"").c_str());
  }

  curve(svg, axes, points, false);
  curve(svg, axes, points, true);

  // Legend, lower right.
  const int entries = zeroDecoderRate ? 3 : 2;
  const double boxWidth = 268;
  const double boxHeight = 14 + 22.0 * entries;
  const double bx = kRight - boxWidth - 10;
  const double by = kBottom - boxHeight - 16;
  svg += "<rect x=\"" + num(bx) + "\" y=\"" + num(by) + "\" width=\"" + num(boxWidth) +
         "\" height=\"" + num(boxHeight) + "\" fill=\"white\" stroke=\"#888\"/>\n";
  double ly = by + 22;
  line(
      svg, bx + 10, ly - 5, bx + 42, ly - 5,
      (std::string("stroke=\"") + kChannelColour + "\" stroke-width=\"2\" stroke-dasharray=\"7 4\"")
          .c_str());
  svg += marker(false, bx + 26, ly - 5, kChannelColour);
  text(svg, bx + 52, ly, "channel (before decoding)", "start");
  ly += 22;
  line(svg, bx + 10, ly - 5, bx + 42, ly - 5,
       (std::string("stroke=\"") + kDecoderColour + "\" stroke-width=\"2\"").c_str());
  svg += marker(true, bx + 26, ly - 5, kDecoderColour);
  text(svg, bx + 52, ly, "after decoding", "start");
  if (zeroDecoderRate) {
    ly += 22;
    svg += openTriangle(bx + 26, ly + 1);
    text(svg, bx + 52, ly, "no error left in any block", "start");
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace vok::sim
