// "График декодирования": a window of its own, not modal, with the decoder
// errors left after each iteration of the current transmission on a
// logarithmic axis, and the channel's error count as a reference line.
#ifndef VOK_UI_DECODING_CHART_H_
#define VOK_UI_DECODING_CHART_H_

#include <QList>
#include <QPointF>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

class QChart;
class QChartView;
class QLineSeries;
class QLogValueAxis;
class QValueAxis;

namespace vok {

class DecodingChart : public QWidget {
  Q_OBJECT

 public:
  explicit DecodingChart(QWidget* parent = nullptr);

  // Draws the errors of one transmission: `channelErrors` (none before a
  // transmission) and the errors left after iterations 1, 2, ...;
  // `itert` iterations at most are planned.
  void showErrors(std::optional<std::int64_t> channelErrors,
                  const std::vector<std::int64_t>& errors, int itert);

  // The points drawn: (iteration, errors left), 0 errors drawn on the
  // axis' bottom line; the reference line's two ends.
  QList<QPointF> decoderPoints() const;
  QList<QPointF> channelPoints() const;

 private:
  QChart* chart_ = nullptr;
  QChartView* view_ = nullptr;
  QLineSeries* decoder_ = nullptr;
  QLineSeries* channel_ = nullptr;
  QValueAxis* iterations_ = nullptr;
  QLogValueAxis* counts_ = nullptr;
};

}  // namespace vok

#endif  // VOK_UI_DECODING_CHART_H_
