// Drawing the comparison figures: log-scale panels, curves with interval
// bars, capacity lines and the legend beside the panels.
#include "sim/comparison_plot.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <tuple>

#include "sim/interval_statistics.h"
#include "sim/plot_scale.h"
#include "sim/sweep_capacity.h"

namespace vok::sim {
namespace {

constexpr double kWidth = 980;
constexpr double kLeft = 92;
constexpr double kRight = 640;
constexpr double kLegendX = kRight + 28;
constexpr const char* kPalette[] = {"#1f5fa8", "#c8201e", "#2b8a3e", "#6a3d9a",
                                    "#e67700", "#0b7285", "#862e9c", "#5c5f66"};
constexpr const char* kCapacityColour = "#444444";

const char* colourOf(std::size_t k) { return kPalette[k % std::size(kPalette)]; }

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A panel with a linear x axis and a logarithmic y axis over whole decades.
struct Axes {
  double x0 = 0, x1 = 1;
  int decade0 = -6, decade1 = 0;
  double top = 0, bottom = 0;
  double x(double v) const { return kLeft + (v - x0) / (x1 - x0) * (kRight - kLeft); }
  double y(double v) const {
    const double d = std::log10(std::max(v, std::pow(10.0, decade0)));
    return bottom - (d - decade0) / (decade1 - decade0) * (bottom - top);
  }
};

void fitDecades(Axes& axes, const std::vector<double>& values) {
  if (const auto decades = decadesOf(values)) std::tie(axes.decade0, axes.decade1) = *decades;
}

void drawAxes(std::string& svg, const Axes& a, const std::string& xTitle, const std::string& yTitle,
              bool xLabels) {
  svg += "<g class=\"axis\">\n";
  const double step = niceStep((a.x1 - a.x0) / 7);
  const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
  for (double t = std::ceil(a.x0 / step - 1e-9) * step; t <= a.x1 + 1e-12; t += step) {
    svg += fmt::format(
        "<line x1=\"{0:.2f}\" y1=\"{1:.2f}\" x2=\"{0:.2f}\" y2=\"{2:.2f}\" "
        "stroke=\"#e4e4e4\"/>\n",
        a.x(t), a.top, a.bottom);
    if (xLabels) {
      svg += fmt::format("<text x=\"{:.2f}\" y=\"{:.2f}\" text-anchor=\"middle\">{:.{}f}</text>\n",
                         a.x(t), a.bottom + 20, std::abs(t) < step / 2 ? 0.0 : t, decimals);
    }
  }
  for (int d = a.decade0; d <= a.decade1; ++d) {
    const double y = a.y(std::pow(10.0, d));
    svg += fmt::format(
        "<line x1=\"{:.2f}\" y1=\"{:.2f}\" x2=\"{:.2f}\" y2=\"{:.2f}\" "
        "stroke=\"#d0d0d0\"/>\n",
        kLeft, y, kRight, y);
    svg += fmt::format("<text x=\"{:.2f}\" y=\"{:.2f}\" text-anchor=\"end\">1e{}</text>\n",
                       kLeft - 8, y + 5, d);
  }
  svg += fmt::format(
      "<rect x=\"{:.2f}\" y=\"{:.2f}\" width=\"{:.2f}\" height=\"{:.2f}\" "
      "fill=\"none\" stroke=\"black\"/>\n",
      kLeft, a.top, kRight - kLeft, a.bottom - a.top);
  svg += fmt::format(
      "<text x=\"0\" y=\"0\" text-anchor=\"middle\" transform=\"translate(24 "
      "{:.2f}) rotate(-90)\">{}</text>\n",
      (a.top + a.bottom) / 2, yTitle);
  if (!xTitle.empty()) {
    svg += fmt::format("<text x=\"{:.2f}\" y=\"{:.2f}\" text-anchor=\"middle\">{}</text>\n",
                       (kLeft + kRight) / 2, a.bottom + 44, xTitle);
  }
  svg += "</g>\n";
}

std::string header(double height, const std::string& title) {
  return fmt::format(
             "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"{0:.0f}\" height=\"{1:.0f}\" "
             "viewBox=\"0 0 {0:.0f} {1:.0f}\" font-family=\"DejaVu Sans, Arial, Helvetica, "
             "sans-serif\" font-size=\"13\">\n<rect width=\"100%\" height=\"100%\" "
             "fill=\"white\"/>\n",
             kWidth, height) +
         fmt::format(
             "<text x=\"{:.0f}\" y=\"28\" text-anchor=\"middle\" font-size=\"17\" "
             "font-weight=\"bold\">{}</text>\n",
             kWidth / 2, title);
}

// One point's value with its interval; the interval's low end may be 0.
struct Mark {
  double x = 0, value = 0, low = 0, high = 0;
  bool bound = false;  // nothing failed: value is only an upper bound
};

void drawSeries(std::string& svg, const Axes& a, const std::vector<Mark>& marks, const char* colour,
                const std::string& label) {
  svg += "<g class=\"series\" data-label=\"" + escaped(label) + "\">\n";
  std::string path;
  for (const Mark& m : marks) {
    if (m.bound) continue;
    path += fmt::format("{}{:.2f} {:.2f}", path.empty() ? "M" : " L", a.x(m.x), a.y(m.value));
  }
  if (!path.empty()) {
    svg +=
        "<path d=\"" + path + "\" fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"2\"/>\n";
  }
  for (const Mark& m : marks) {
    const double x = a.x(m.x);
    const double y = a.y(m.value);
    if (m.high > m.low) {
      svg += fmt::format(
          "<line class=\"interval\" x1=\"{0:.2f}\" y1=\"{1:.2f}\" x2=\"{0:.2f}\" "
          "y2=\"{2:.2f}\" stroke=\"{3}\" stroke-width=\"1.2\"/>\n",
          x, m.low > 0 ? a.y(m.low) : a.bottom, a.y(m.high), colour);
    }
    if (m.bound) {
      svg += fmt::format(
          "<path d=\"M{:.2f} {:.2f} L{:.2f} {:.2f} L{:.2f} {:.2f} Z\" "
          "fill=\"white\" stroke=\"{}\" stroke-width=\"1.5\"/>\n",
          x - 5, y - 8, x + 5, y - 8, x, y, colour);
    } else {
      svg += fmt::format("<circle cx=\"{:.2f}\" cy=\"{:.2f}\" r=\"3.5\" fill=\"{}\"/>\n", x, y,
                         colour);
    }
  }
  svg += "</g>\n";
}

void legend(std::string& svg, double top,
            const std::vector<std::pair<std::string, std::string>>& entries) {
  const double height = 14 + 24.0 * static_cast<double>(entries.size());
  svg += fmt::format(
      "<rect class=\"legend\" x=\"{:.2f}\" y=\"{:.2f}\" width=\"{:.2f}\" "
      "height=\"{:.2f}\" fill=\"white\" stroke=\"#888\"/>\n",
      kLegendX, top, kWidth - kLegendX - 12, height);
  double y = top + 24;
  for (const auto& [colour, text] : entries) {
    const bool capacity = colour == kCapacityColour;
    svg += fmt::format(
        "<g class=\"legend-entry\"><line x1=\"{:.2f}\" y1=\"{:.2f}\" x2=\"{:.2f}\" "
        "y2=\"{:.2f}\" stroke=\"{}\" stroke-width=\"2\"{}/><text x=\"{:.2f}\" "
        "y=\"{:.2f}\">{}</text></g>\n",
        kLegendX + 10, y - 4, kLegendX + 38, y - 4, colour,
        capacity ? " stroke-dasharray=\"4 3\"" : "", kLegendX + 46, y, escaped(text));
    y += 24;
  }
}

// The marks of every sweep in both panels, the values each panel must show
// and the P0 range of the points (x1 < x0 when there is none).
struct ComparisonMarks {
  std::vector<std::vector<Mark>> ser, bler;
  std::vector<double> serValues, blerValues;
  double x0 = 1, x1 = 0;
};

ComparisonMarks comparisonMarks(const std::vector<LabelledSweep>& sweeps) {
  ComparisonMarks c;
  for (const LabelledSweep& s : sweeps) {
    c.ser.emplace_back();
    c.bler.emplace_back();
    for (const SweepRow& row : s.table.rows) {
      const PointTotals& t = row.totals;
      if (t.blocks < 1) continue;
      c.x0 = std::min(c.x0, static_cast<double>(row.p0));
      c.x1 = std::max(c.x1, static_cast<double>(row.p0));
      const Interval w = wilsonInterval(t.blockErrors, t.blocks);
      const bool none = t.decoderErrors == 0;
      const double bound = zeroFailureBound(t.blocks);
      Mark b{row.p0, none ? bound : t.blockErrorRate(), w.low, none ? 0.0 : w.high, none};
      Mark e{row.p0, none ? bound : t.decoderErrorRate(), 0, 0, none};
      if (row.squaresKnown && !none) {
        const Interval i = blockMeanInterval(t.decoderErrors, t.decoderErrorSquares, t.blocks,
                                             s.table.metadata.symbols);
        e.low = i.low;
        e.high = i.high;
      }
      for (double v : {e.value, e.low, e.high}) c.serValues.push_back(v);
      for (double v : {b.value, b.low, b.high}) c.blerValues.push_back(v);
      c.ser.back().push_back(e);
      c.bler.back().push_back(b);
    }
  }
  return c;
}

using CapacityLimits = std::vector<std::pair<std::string, double>>;

// Every code rate's capacity limit, once per rate.
CapacityLimits capacityLimits(const std::vector<LabelledSweep>& sweeps) {
  CapacityLimits limits;
  for (const LabelledSweep& s : sweeps) {
    const SweepMetadata& m = s.table.metadata;
    const std::string rate = rateText(m.nk, m.nr);
    const double limit = capacityLimitP0(m.codeRate(), m.q);
    if (std::none_of(limits.begin(), limits.end(),
                     [&](const auto& l) { return l.first == rate; })) {
      limits.emplace_back(rate, limit);
    }
  }
  return limits;
}

// The P0 axis of both panels: the points' range x0..x1, widened to show each
// capacity limit unless that would squeeze the points into less than a third
// of it, and padded by 3 % on both sides.
void setP0Range(double x0, double x1, const CapacityLimits& limits, Axes& ser, Axes& bler) {
  if (x1 < x0) x0 = 0, x1 = 0.5;
  if (x1 - x0 < 1e-9) x0 -= 0.01, x1 += 0.01;
  const double span = x1 - x0;
  for (const auto& [rate, limit] : limits) {
    if (std::max(x1, limit) - std::min(x0, limit) <= 3 * span) {
      x0 = std::min(x0, limit);
      x1 = std::max(x1, limit);
    }
  }
  const double pad = 0.03 * (x1 - x0);
  for (Axes* a : {&ser, &bler}) {
    a->x0 = x0 - pad;
    a->x1 = x1 + pad;
  }
}

// A dashed line in both panels at each limit on the axis, and a legend entry
// for every limit.
void drawCapacityLimits(std::string& svg, const Axes& ser, const Axes& bler,
                        const CapacityLimits& limits,
                        std::vector<std::pair<std::string, std::string>>& entries) {
  for (const auto& [rate, limit] : limits) {
    if (limit >= ser.x0 && limit <= ser.x1) {
      for (const Axes* a : {&ser, &bler}) {
        svg += fmt::format(
            "<line class=\"capacity\" x1=\"{0:.2f}\" y1=\"{1:.2f}\" x2=\"{0:.2f}\" "
            "y2=\"{2:.2f}\" stroke=\"{3}\" stroke-width=\"1.5\" "
            "stroke-dasharray=\"4 3\"/>\n",
            a->x(limit), a->top, a->bottom, kCapacityColour);
      }
    }
    entries.emplace_back(kCapacityColour,
                         fmt::format("capacity of rate {}: P0 = {:.4f}{}", rate, limit,
                                     limit > ser.x1 ? " (beyond the axis)" : ""));
  }
}

}  // namespace

std::string renderSweepComparison(const std::vector<LabelledSweep>& sweeps) {
  Axes ser{0, 1, -6, 0, 60, 360};
  Axes bler{0, 1, -4, 0, 420, 700};
  const ComparisonMarks marks = comparisonMarks(sweeps);
  const CapacityLimits limits = capacityLimits(sweeps);
  setP0Range(marks.x0, marks.x1, limits, ser, bler);
  fitDecades(ser, marks.serValues);
  fitDecades(bler, marks.blerValues);
  bler.decade1 = std::max(bler.decade1, 0);

  std::string svg = header(790, "Error rates after decoding");
  drawAxes(svg, ser, "", "symbol error rate", false);
  drawAxes(svg, bler, "P0, symbol error probability of the channel", "block error rate", true);
  std::vector<std::pair<std::string, std::string>> entries;
  for (std::size_t k = 0; k < sweeps.size(); ++k) {
    drawSeries(svg, ser, marks.ser[k], colourOf(k), sweeps[k].label);
    drawSeries(svg, bler, marks.bler[k], colourOf(k), sweeps[k].label);
    entries.emplace_back(colourOf(k), sweeps[k].label);
  }
  drawCapacityLimits(svg, ser, bler, limits, entries);
  legend(svg, ser.top, entries);
  svg += fmt::format(
      "<text x=\"{:.2f}\" y=\"{:.2f}\" font-size=\"11\">Bars: 95 % intervals; open "
      "triangles: no failed block, the 95 % bound 1 \u2212 0.05^(1/B).</text>\n",
      kLeft, 778.0);
  svg += "</svg>\n";
  return svg;
}

std::string renderConvergence(const std::vector<LabelledIterations>& files) {
  Axes a{0, 1, -1, 4, 60, 460};
  int itert = 1;
  std::vector<double> values;
  for (const LabelledIterations& f : files) {
    itert = std::max(itert, f.table.metadata.itert);
    for (const IterationRow& row : f.table.rows) {
      for (std::int64_t e : row.errors) {
        values.push_back(static_cast<double>(e) / static_cast<double>(row.blocks));
      }
    }
  }
  a.x0 = -0.3;
  a.x1 = itert + 0.3;
  fitDecades(a, values);
  std::string svg = header(560, "Mean decoder errors left per block after each iteration");
  drawAxes(svg, a, "iteration (0: before decoding)", "mean errors left per block", true);
  std::vector<std::pair<std::string, std::string>> entries;
  std::size_t series = 0;
  for (const LabelledIterations& f : files) {
    for (const IterationRow& row : f.table.rows) {
      std::vector<Mark> marks;
      for (std::size_t k = 0; k < row.errors.size(); ++k) {
        const double mean = static_cast<double>(row.errors[k]) / static_cast<double>(row.blocks);
        // A count of 0 cannot sit on a log axis: it ends the curve, drawn
        // at the axis as "fewer than one error in all B blocks".
        marks.push_back(Mark{static_cast<double>(k), mean > 0 ? mean : std::pow(10.0, a.decade0), 0,
                             0, mean == 0});
        if (mean == 0) break;
      }
      const std::string label = f.label + ", P0 = " + p0Text(row.p0);
      drawSeries(svg, a, marks, colourOf(series), label);
      entries.emplace_back(colourOf(series), label);
      ++series;
    }
  }
  legend(svg, a.top, entries);
  svg += fmt::format(
      "<text x=\"{:.2f}\" y=\"{:.2f}\" font-size=\"11\">Open triangles at the "
      "bottom: no error left in any block.</text>\n",
      kLeft, 550.0);
  svg += "</svg>\n";
  return svg;
}

}  // namespace vok::sim
