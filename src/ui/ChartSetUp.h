// The chart windows' charts: how a chart, its axes and its lines are made,
// the step of the bottom axis's labels, and the points drawn of a column.
#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointF>
#include <QString>
#include <vector>

class QChart;
class QLineSeries;
class QValueAxis;

namespace morvane::ui {

// The drawn points of one column against T. Up to kThinAbove rows every row
// is a point. A longer series is cut into kChartColumns equal slices of its T
// range, and of each slice only the first, lowest, highest and last points
// are kept, in file order: on a chart up to kChartColumns pixels wide the
// line looks the same, and drawing it costs the same for any length.
inline constexpr int kChartColumns = 4096;
inline constexpr std::size_t kThinAbove = 4 * kChartColumns;
QList<QPointF> ChartPoints(const std::vector<double> &x, const std::vector<double> &y);

// The step between two labels of the bottom axis: 1, 2, 2.5 or 5 times a
// power of ten, no smaller than `least`, and a whole number of generations.
double NiceStep(double least);

// The ink that reads on `panel`: white on a dark panel, black on a light one.
QColor InkOn(const QColor &panel);

// Title (in `font`, bold and a quarter larger), panel, legend below, numbers
// in the user's locale without group separators.
void StyleChart(QChart *chart, const QString &title, const QColor &panel, QFont font);

struct ChartAxes {
  QValueAxis *x;
  QValueAxis *y;
};
// The bottom axis "Generations T" (its range and step follow the series and
// the chart's width) and the fixed left axis yMin..yMax, a label every
// yStep, one minor tick between.
ChartAxes AddAxes(QChart *chart, double yMin, double yMax, double yStep);

// One line of the chart, drawn against both axes.
QLineSeries *AddLine(QChart *chart, const ChartAxes &axes, const char *name, const char *title,
                     const QColor &colour);

} // namespace morvane::ui
