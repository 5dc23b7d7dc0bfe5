// Drawing the sweep's figure as SVG: two panels with axes, ticks and grid,
// the curves, intervals and bounds, the capacity marker and the legend.
#include "sim/sweep_plot.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <tuple>

#include "common/number_text.h"
#include "sim/interval_statistics.h"
#include "sim/plot_scale.h"

namespace vok::sim {
namespace {

constexpr double kWidth = 960;
constexpr double kHeight = 780;
constexpr double kLeft = 92;
constexpr double kRight = 660;
constexpr double kLegendLeft = kRight + 24;
constexpr double kLegendWidth = kWidth - kLegendLeft - 14;
// The symbol error panel above, the block error panel below.
constexpr double kTop[2] = {70, 420};
constexpr double kBottom[2] = {350, 700};
constexpr const char* kChannelColour = "#1f5fa8";
constexpr const char* kDecoderColour = "#c8201e";
constexpr const char* kBlockColour = "#6a3d9a";
constexpr const char* kCapacityColour = "#2b8a3e";

std::string num(double value, int decimals = 2) { return formatFixed(value, decimals); }

std::string attr(const char* colour) { return std::string("\"") + colour + "\""; }

struct Panel {
  double x0, x1;         // P0 range
  int decade0, decade1;  // log10 range of the rates
  double top, bottom;
  double x(double p0) const { return kLeft + (p0 - x0) / (x1 - x0) * (kRight - kLeft); }
  double y(double rate) const {
    return bottom - (std::log10(rate) - decade0) / (decade1 - decade0) * (bottom - top);
  }
};

void text(std::string& svg, double x, double y, const std::string& content,
          const char* anchor = "middle", const std::string& extra = "") {
  svg += "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" text-anchor=\"" + anchor + "\"" + extra +
         ">" + content + "</text>\n";
}

void line(std::string& svg, double x0, double y0, double x1, double y1, const std::string& style) {
  svg += "<line x1=\"" + num(x0) + "\" y1=\"" + num(y0) + "\" x2=\"" + num(x1) + "\" y2=\"" +
         num(y1) + "\" " + style + "/>\n";
}

// Marks of a point: `cls` is "mark" for data, empty in the legend.
std::string classAttr(const char* cls) { return *cls ? std::string(" class=\"") + cls + "\"" : ""; }

std::string circle(double x, double y, const char* colour, const char* cls) {
  return "<circle" + classAttr(cls) + " cx=\"" + num(x) + "\" cy=\"" + num(y) +
         "\" r=\"4\" fill=" + attr(colour) + "/>\n";
}

std::string square(double x, double y, const char* colour, const char* cls) {
  return "<rect" + classAttr(cls) + " x=\"" + num(x - 4) + "\" y=\"" + num(y - 4) +
         "\" width=\"8\" height=\"8\" fill=" + attr(colour) + "/>\n";
}

// An open triangle pointing down with its tip at (x, y): "at most this".
std::string boundMark(double x, double y, const char* colour, const char* cls) {
  return "<path" + classAttr(cls) + " d=\"M" + num(x - 5) + ' ' + num(y - 8) + " L" + num(x + 5) +
         ' ' + num(y - 8) + " L" + num(x) + ' ' + num(y) +
         " Z\" fill=\"white\" stroke=" + attr(colour) + " stroke-width=\"1.5\"/>\n";
}

// The 95 % Wilson interval of k failures in n trials.
std::pair<double, double> wilson(std::int64_t k, std::int64_t n) {
  const Interval interval = wilsonInterval(k, n);
  return {interval.low, interval.high};
}

double rate(std::int64_t part, std::int64_t whole) {
  return whole > 0 ? static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

// A polyline through the points with a positive value; others break it.
void curve(std::string& svg, const Panel& panel, const std::vector<PlotPoint>& points,
           const std::function<double(const PlotPoint&)>& value, const char* colour, bool dashed) {
  std::string path;
  bool open = false;
  for (const PlotPoint& p : points) {
    const double v = value(p);
    if (!(v > 0)) {
      open = false;
      continue;
    }
    path += (open ? " L" : " M") + num(panel.x(p.p0)) + ' ' + num(panel.y(v));
    open = true;
  }
  if (!path.empty()) {
    svg += "<path d=\"" + path.substr(1) + "\" fill=\"none\" stroke=" + attr(colour) +
           " stroke-width=\"2\"" + (dashed ? " stroke-dasharray=\"7 4\"" : "") + "/>\n";
  }
}

void setDecades(Panel& panel, const std::vector<double>& values) {
  std::tie(panel.decade0, panel.decade1) = decadesOf(values).value_or(std::pair{-6, 0});
}

void frame(std::string& svg, const Panel& panel, bool xLabels, const std::string& yTitle) {
  const double xStep = niceStep((panel.x1 - panel.x0) / 7);
  const int xDecimals = std::max(0, static_cast<int>(-std::floor(std::log10(xStep) + 1e-9)));
  for (double t = std::ceil(panel.x0 / xStep - 1e-9) * xStep; t <= panel.x1 + 1e-12; t += xStep) {
    const double x = panel.x(t);
    line(svg, x, panel.top, x, panel.bottom, "stroke=\"#e4e4e4\"");
    line(svg, x, panel.bottom, x, panel.bottom + 6, "stroke=\"black\"");
    if (xLabels) text(svg, x, panel.bottom + 22, num(std::abs(t) < xStep / 2 ? 0.0 : t, xDecimals));
  }
  for (int decade = panel.decade0; decade <= panel.decade1; ++decade) {
    const double y = panel.y(std::pow(10.0, decade));
    line(svg, kLeft, y, kRight, y, "stroke=\"#cfcfcf\"");
    line(svg, kLeft - 6, y, kLeft, y, "stroke=\"black\"");
    // "10" and a raised exponent as two texts, which every renderer places alike.
    const std::string digits = std::to_string(decade < 0 ? -decade : decade);
    const std::string exponent = decade < 0 ? "\u2212" + digits : digits;
    const double exponentWidth = 7.0 * static_cast<double>(digits.size() + (decade < 0 ? 1 : 0));
    text(svg, kLeft - 10 - exponentWidth, y + 5, "10", "end");
    text(svg, kLeft - 9 - exponentWidth, y - 3, exponent, "start", " font-size=\"11\"");
    if (decade < panel.decade1) {
      for (int m = 2; m <= 9; ++m) {
        const double ym = panel.y(m * std::pow(10.0, decade));
        line(svg, kLeft, ym, kRight, ym, "stroke=\"#f0f0f0\"");
        line(svg, kLeft - 3, ym, kLeft, ym, "stroke=\"black\"");
      }
    }
  }
  svg += "<rect x=\"" + num(kLeft) + "\" y=\"" + num(panel.top) + "\" width=\"" +
         num(kRight - kLeft) + "\" height=\"" + num(panel.bottom - panel.top) +
         "\" fill=\"none\" stroke=\"black\"/>\n";
  text(svg, 0, 0, yTitle, "middle",
       " transform=\"translate(26 " + num((panel.top + panel.bottom) / 2) + ") rotate(-90)\"");
}

// The capacity limit: a line across the panel inside the range, otherwise an
// arrow at the edge it lies beyond, with its value.
void capacityMarker(std::string& svg, const Panel& panel, const PlotInfo& info) {
  const std::string colour = attr(kCapacityColour);
  const std::string label =
      "capacity limit of rate " + rateText(info.nk, info.nr) + ": P0 = " + num(info.capacityP0, 3);
  const std::string style = " fill=" + colour + " font-size=\"13\"";
  if (info.capacityP0 >= panel.x0 && info.capacityP0 <= panel.x1) {
    const double x = panel.x(info.capacityP0);
    svg += "<line class=\"capacity\" x1=\"" + num(x) + "\" y1=\"" + num(panel.top) + "\" x2=\"" +
           num(x) + "\" y2=\"" + num(panel.bottom) + "\" stroke=" + colour +
           " stroke-width=\"2\" stroke-dasharray=\"3 3\"/>\n";
    // Along the line, on its side away from the panel's edge, so that it
    // crosses no curve unless points lie right beside the limit.
    const double side = x > (kLeft + kRight) / 2 ? x - 7 : x + 16;
    text(svg, 0, 0, label, "start",
         style + " transform=\"translate(" + num(side) + ' ' + num(panel.bottom - 8) +
             ") rotate(-90)\"");
    return;
  }
  const bool beyondRight = info.capacityP0 > panel.x1;
  const double x = beyondRight ? kRight - 4 : kLeft + 4;
  const double d = beyondRight ? -14 : 14;
  const double y = panel.top + 14;
  svg += "<path class=\"capacity\" d=\"M" + num(x) + ' ' + num(y) + " L" + num(x + d) + ' ' +
         num(y - 7) + " L" + num(x + d) + ' ' + num(y + 7) + " Z\" fill=" + colour + "/>\n";
  text(svg, x + 2 * d, y + 5, label + (beyondRight ? " \u2192" : ""), beyondRight ? "end" : "start",
       style);
}

// The P0 axis of the upper panel: the points' range, widened to the
// capacity limit unless that would squeeze the points into less than a
// third of it, and padded by 3 % on both sides.
Panel symbolPanel(const std::vector<PlotPoint>& points, const PlotInfo& info) {
  Panel ser{0.0, 1.0, -6, 0, kTop[0], kBottom[0]};
  if (!points.empty()) {
    ser.x0 = points.front().p0;
    ser.x1 = points.back().p0;
  }
  if (ser.x1 - ser.x0 < 1e-9) {
    ser.x0 -= 0.01;
    ser.x1 += 0.01;
  }
  // Otherwise an arrow at the edge shows the capacity limit.
  const double span = ser.x1 - ser.x0;
  if (std::isfinite(info.capacityP0) &&
      std::max(ser.x1, info.capacityP0) - std::min(ser.x0, info.capacityP0) <= 3 * span) {
    ser.x0 = std::min(ser.x0, info.capacityP0);
    ser.x1 = std::max(ser.x1, info.capacityP0);
  }
  const double pad = 0.03 * (ser.x1 - ser.x0);
  ser.x0 -= pad;
  ser.x1 += pad;
  return ser;
}

// The rates each panel must show, and whether any point has an interval or
// is drawn as an upper bound.
struct PanelValues {
  std::vector<double> ser;
  std::vector<double> bler;
  bool anyBound = false;
  bool anyInterval = false;
};

PanelValues panelValues(const std::vector<PlotPoint>& points) {
  PanelValues v;
  for (const PlotPoint& p : points) {
    v.ser.push_back(rate(p.channelErrors, p.symbols));
    if (p.decoderErrors > 0) {
      v.ser.push_back(rate(p.decoderErrors, p.symbols));
      const auto [low, high] = wilson(p.blockErrors, p.blocks);
      v.bler.push_back(rate(p.blockErrors, p.blocks));
      v.bler.push_back(low);
      v.bler.push_back(high);
      v.anyInterval = true;
    } else {
      v.ser.push_back(zeroErrorBound(p.blocks));
      v.bler.push_back(zeroErrorBound(p.blocks));
      v.anyBound = true;
    }
  }
  return v;
}

// The opening of the figure: size, background, title and code line, both
// panels' frames, the axis title and the capacity markers.
void drawHeading(std::string& svg, const Panel& ser, const Panel& bler, const PlotInfo& info) {
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(kWidth, 0) + "\" height=\"" +
         num(kHeight, 0) + "\" viewBox=\"0 0 " + num(kWidth, 0) + ' ' + num(kHeight, 0) +
         "\" font-family=\"DejaVu Sans, Arial, Helvetica, sans-serif\" font-size=\"14\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  text(svg, kWidth / 2, 26, "Error rates of the iterative threshold decoder", "middle",
       " font-size=\"17\" font-weight=\"bold\"");
  text(svg, kWidth / 2, 48,
       "nk = " + std::to_string(info.nk) + ", nr = " + std::to_string(info.nr) + " (rate " +
           rateText(info.nk, info.nr) + "), Q = " + std::to_string(info.q) + ", " +
           std::to_string(info.symbols) + " information symbols per block, up to " +
           std::to_string(info.itert) + " iterations",
       "middle", " font-size=\"13\"");
  frame(svg, ser, false, "symbol error rate");
  frame(svg, bler, true, "block error rate");
  text(svg, (kLeft + kRight) / 2, kHeight - 30, "P0, symbol error probability of the channel");
  capacityMarker(svg, ser, info);
  capacityMarker(svg, bler, info);
}

// The curves, and per point its marks, interval or upper bounds.
void drawPoints(std::string& svg, const Panel& ser, const Panel& bler,
                const std::vector<PlotPoint>& points) {
  const auto channelRate = [](const PlotPoint& p) { return rate(p.channelErrors, p.symbols); };
  const auto decoderRate = [](const PlotPoint& p) { return rate(p.decoderErrors, p.symbols); };
  const auto blockRate = [](const PlotPoint& p) { return rate(p.blockErrors, p.blocks); };
  curve(svg, ser, points, channelRate, kChannelColour, true);
  curve(svg, ser, points, decoderRate, kDecoderColour, false);
  curve(svg, bler, points, blockRate, kBlockColour, false);
  for (const PlotPoint& p : points) {
    const double x = ser.x(p.p0);
    if (p.channelErrors > 0) svg += circle(x, ser.y(channelRate(p)), kChannelColour, "mark");
    if (p.decoderErrors > 0) {
      svg += square(x, ser.y(decoderRate(p)), kDecoderColour, "mark");
      const auto [low, high] = wilson(p.blockErrors, p.blocks);
      const double yLow = low > 0 ? bler.y(low) : bler.bottom;
      line(svg, x, yLow, x, bler.y(high),
           "class=\"mark\" stroke=" + attr(kBlockColour) + " stroke-width=\"1.5\"");
      svg += square(x, bler.y(blockRate(p)), kBlockColour, "mark");
    } else {
      const double bound = zeroErrorBound(p.blocks);
      svg += boundMark(x, ser.y(bound), kDecoderColour, "mark");
      svg += boundMark(x, bler.y(bound), kBlockColour, "mark");
    }
  }
}

// The legend beside the panels.
void drawLegend(std::string& svg, bool anyInterval, bool anyBound) {
  const int entries = 4 + (anyInterval ? 1 : 0) + (anyBound ? 2 : 0);
  const double rowHeight = 40;
  const double boxHeight = 12 + rowHeight * entries;
  const double bx = kLegendLeft;
  const double by = kTop[0];
  svg += "<rect class=\"legend\" x=\"" + num(bx) + "\" y=\"" + num(by) + "\" width=\"" +
         num(kLegendWidth) + "\" height=\"" + num(boxHeight) +
         "\" fill=\"white\" stroke=\"#888\"/>\n";
  double ly = by + 26;
  const auto entry = [&](const std::string& first, const std::string& second) {
    text(svg, bx + 48, ly, first, "start", " font-size=\"13\"");
    if (!second.empty()) text(svg, bx + 48, ly + 16, second, "start", " font-size=\"13\"");
    ly += rowHeight;
  };
  line(svg, bx + 8, ly - 5, bx + 38, ly - 5,
       "stroke=" + attr(kChannelColour) + " stroke-width=\"2\" stroke-dasharray=\"7 4\"");
  svg += circle(bx + 23, ly - 5, kChannelColour, "");
  entry("channel symbol errors", "(before decoding)");
  line(svg, bx + 8, ly - 5, bx + 38, ly - 5,
       "stroke=" + attr(kDecoderColour) + " stroke-width=\"2\"");
  svg += square(bx + 23, ly - 5, kDecoderColour, "");
  entry("symbol errors", "after decoding");
  line(svg, bx + 8, ly - 5, bx + 38, ly - 5,
       "stroke=" + attr(kBlockColour) + " stroke-width=\"2\"");
  svg += square(bx + 23, ly - 5, kBlockColour, "");
  entry("blocks left with errors", "(lower panel)");
  if (anyInterval) {
    line(svg, bx + 23, ly - 14, bx + 23, ly + 4,
         "stroke=" + attr(kBlockColour) + " stroke-width=\"1.5\"");
    entry("95 % interval of the", "block error rate");
  }
  if (anyBound) {
    svg += boundMark(bx + 23, ly, kDecoderColour, "");
    entry("no decoder error: 95 %", "upper bound 1 \u2212 0.05^(1/B)");
    svg += boundMark(bx + 23, ly, kBlockColour, "");
    entry("no block error:", "the same bound");
  }
  line(svg, bx + 23, ly - 16, bx + 23, ly + 6,
       "stroke=" + attr(kCapacityColour) + " stroke-width=\"2\" stroke-dasharray=\"3 3\"");
  entry("capacity limit", "of the code rate");
}

}  // namespace

double zeroErrorBound(std::int64_t blocks) { return zeroFailureBound(blocks); }

std::string renderSweepSvg(std::vector<PlotPoint> points, const PlotInfo& info) {
  std::sort(points.begin(), points.end(),
            [](const PlotPoint& a, const PlotPoint& b) { return a.p0 < b.p0; });
  points.erase(std::remove_if(points.begin(), points.end(),
                              [](const PlotPoint& p) { return p.blocks < 1 || p.symbols < 1; }),
               points.end());
  Panel ser = symbolPanel(points, info);
  Panel bler = ser;
  bler.top = kTop[1];
  bler.bottom = kBottom[1];
  const PanelValues values = panelValues(points);
  setDecades(ser, values.ser);
  setDecades(bler, values.bler);
  bler.decade1 = std::max(bler.decade1, 0);

  std::string svg;
  drawHeading(svg, ser, bler, info);
  drawPoints(svg, ser, bler, points);
  drawLegend(svg, values.anyInterval, values.anyBound);
  svg += "</svg>\n";
  return svg;
}

}  // namespace vok::sim
