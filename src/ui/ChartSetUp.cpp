#include "ChartSetUp.h"

#include <QChart>
#include <QLegend>
#include <QLineSeries>
#include <QLocale>
#include <QPen>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace morvane::ui {

QList<QPointF> ChartPoints(const std::vector<double> &x, const std::vector<double> &y) {
  const std::size_t n = std::min(x.size(), y.size());
  QList<QPointF> points;
  if (n <= kThinAbove) {
    points.reserve(static_cast<qsizetype>(n));
    for (std::size_t i = 0; i < n; ++i)
      points.append(QPointF(x[i], y[i]));
    return points;
  }
  const auto [low, high] = std::minmax_element(x.begin(), x.begin() + static_cast<long>(n));
  const double first = *low;
  const double scale = *high > first ? kChartColumns / (*high - first) : 0;
  auto column = [&](std::size_t i) {
    return std::min(static_cast<long>((x[i] - first) * scale),
                    static_cast<long>(kChartColumns - 1));
  };
  points.reserve(4 * kChartColumns + 4);
  std::size_t start = 0;
  while (start < n) {
    const long col = column(start);
    std::size_t end = start + 1, lowest = start, highest = start;
    for (; end < n && column(end) == col; ++end) {
      if (y[end] < y[lowest])
        lowest = end;
      if (y[end] > y[highest])
        highest = end;
    }
    const std::size_t keep[4] = {start, std::min(lowest, highest), std::max(lowest, highest),
                                 end - 1};
    std::size_t last = n;
    for (std::size_t i : keep)
      if (i != last) {
        points.append(QPointF(x[i], y[i]));
        last = i;
      }
    start = end;
  }
  return points;
}

double NiceStep(double least) {
  if (!(least > 1))
    return 1;
  const double magnitude = std::pow(10.0, std::floor(std::log10(least)));
  for (double factor : {1.0, 2.0, 2.5, 5.0, 10.0})
    if (factor * magnitude >= least && (factor != 2.5 || magnitude >= 10))
      return factor * magnitude;
  return 10 * magnitude;
}

QColor InkOn(const QColor &panel) {
  return panel.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black);
}

void StyleChart(QChart *chart, const QString &title, const QColor &panel, QFont font) {
  const QColor ink = InkOn(panel);
  chart->setTitle(title);
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.25);
  chart->setTitleFont(font);
  chart->setTitleBrush(ink);
  chart->setBackgroundBrush(panel);
  chart->setBackgroundRoundness(0);
  chart->setDropShadowEnabled(false);
  // No fill of its own: the panel shows behind the lines.
  chart->setPlotAreaBackgroundVisible(false);
  chart->setAnimationOptions(QChart::NoAnimation);
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  chart->setLocale(locale);
  chart->setLocalizeNumbers(true);
  chart->legend()->setAlignment(Qt::AlignBottom);
  chart->legend()->setLabelColor(ink);
}

ChartAxes AddAxes(QChart *chart, double yMin, double yMax, double yStep) {
  auto *axisX = new QValueAxis;
  axisX->setTitleText(QStringLiteral("Generations T"));
  axisX->setLabelFormat(QStringLiteral("%.0f"));
  axisX->setTickType(QValueAxis::TicksDynamic);
  axisX->setTickAnchor(0);
  auto *axisY = new QValueAxis;
  axisY->setRange(yMin, yMax);
  // A label every yStep. The range is fixed, so a fixed number of ticks
  // gives it exactly; ticks laid from an anchor at a dynamic interval are
  // summed step by step, and on -1..1 the one at zero comes out as "-0.0".
  axisY->setTickType(QValueAxis::TicksFixed);
  axisY->setTickCount(static_cast<int>(std::lround((yMax - yMin) / yStep)) + 1);
  axisY->setMinorTickCount(1);
  axisY->setLabelFormat(yStep < 0.1 - 1e-9 ? QStringLiteral("%.2f") : QStringLiteral("%.1f"));
  const QColor ink = InkOn(chart->backgroundBrush().color());
  for (QValueAxis *axis : {axisX, axisY}) {
    axis->setLabelsColor(ink);
    axis->setTitleBrush(ink);
  }
  chart->addAxis(axisX, Qt::AlignBottom);
  chart->addAxis(axisY, Qt::AlignLeft);
  return {axisX, axisY};
}

QLineSeries *AddLine(QChart *chart, const ChartAxes &axes, const char *name, const char *title,
                     const QColor &colour) {
  auto *series = new QLineSeries(chart);
  series->setObjectName(QString::fromLatin1(name));
  series->setName(QString::fromLatin1(title));
  QPen pen(colour);
  pen.setWidthF(2);
  series->setPen(pen);
  series->setPointsVisible(false);
  series->setPointLabelsVisible(false);
  chart->addSeries(series);
  series->attachAxis(axes.x);
  series->attachAxis(axes.y);
  return series;
}

} // namespace morvane::ui
