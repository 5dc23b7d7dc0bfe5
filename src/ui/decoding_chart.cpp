// The chart window: two line series over an iteration axis and a base-10
// logarithmic count axis whose bottom line stands for zero errors.
#include "ui/decoding_chart.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPainter>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "ui/texts.h"

namespace vok {
namespace {

// A logarithmic axis cannot show 0: zero errors sit on the bottom line,
// half a decade below 1 so they stay apart from one error.
constexpr double kZeroLine = 0.5;

double plotted(std::int64_t errors) { return errors > 0 ? static_cast<double>(errors) : kZeroLine; }

}  // namespace

DecodingChart::DecodingChart(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(QString::fromUtf8(texts::kChartCaption));

  decoder_ = new QLineSeries;
  decoder_->setName(QString::fromUtf8(texts::kChartDecoderSeries));
  decoder_->setPointsVisible(true);
  channel_ = new QLineSeries;
  channel_->setName(QString::fromUtf8(texts::kChartChannelSeries));
  QPen dashed(Qt::red);
  dashed.setStyle(Qt::DashLine);
  dashed.setWidth(2);
  channel_->setPen(dashed);

  chart_ = new QChart;
  chart_->setTitle(QString::fromUtf8(texts::kChartTitle));
  chart_->addSeries(channel_);
  chart_->addSeries(decoder_);
  iterations_ = new QValueAxis;
  iterations_->setTitleText(QString::fromUtf8(texts::kChartIterationAxis));
  iterations_->setLabelFormat(QStringLiteral("%d"));
  counts_ = new QLogValueAxis;
  counts_->setTitleText(QString::fromUtf8(texts::kChartErrorsAxis));
  counts_->setBase(10);
  counts_->setLabelFormat(QStringLiteral("%g"));
  chart_->addAxis(iterations_, Qt::AlignBottom);
  chart_->addAxis(counts_, Qt::AlignLeft);
  for (QLineSeries* s : {decoder_, channel_}) {
    s->attachAxis(iterations_);
    s->attachAxis(counts_);
  }

  view_ = new QChartView(chart_, this);
  view_->setRenderHint(QPainter::Antialiasing);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  resize(640, 420);
  showErrors(std::nullopt, {}, 20);
}

void DecodingChart::showErrors(std::optional<std::int64_t> channelErrors,
                               const std::vector<std::int64_t>& errors, int itert) {
  const int lastIteration = std::max({itert, static_cast<int>(errors.size()), 1});
  QList<QPointF> points;
  std::int64_t largest = channelErrors.value_or(1);
  for (std::size_t i = 0; i < errors.size(); ++i) {
    points.append(QPointF(static_cast<double>(i + 1), plotted(errors[i])));
    largest = std::max(largest, errors[i]);
  }
  decoder_->replace(points);
  if (channelErrors) {
    channel_->replace(
        {QPointF(0, plotted(*channelErrors)), QPointF(lastIteration, plotted(*channelErrors))});
  } else {
    channel_->clear();
  }
  iterations_->setRange(0, lastIteration);
  // Whole iterations on the labels, at most about 20 of them.
  iterations_->setTickType(QValueAxis::TicksDynamic);
  iterations_->setTickAnchor(0);
  const int tickStep = (lastIteration + 19) / 20;  // whole iterations, rounded up
  iterations_->setTickInterval(tickStep);
  // Up to the power of ten above one and a half times the largest count.
  const double top = std::pow(
      10.0, std::ceil(std::log10(static_cast<double>(std::max<std::int64_t>(largest, 1)) * 1.5)));
  counts_->setRange(kZeroLine, std::max(top, 10.0));
}

QList<QPointF> DecodingChart::decoderPoints() const { return decoder_->points(); }
QList<QPointF> DecodingChart::channelPoints() const { return channel_->points(); }

}  // namespace vok
