// The charts of a series, made by one code for the chart windows and for the
// figures that leave the program: which charts a series has, their titles,
// axes and lines, how a chart, its axes and lines are made, the steps of
// both axes, and the points drawn of a column.
#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointF>
#include <QString>
#include <vector>

#include "state/SimState.h"

class QChart;
class QLineSeries;
class QPainter;
class QScatterSeries;
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

// The points of a line drawing column `column` (1 to 4) with the state each
// rerun started from inserted after the last point of the generation it
// started from: the line jumps there to the disturbed value.
QList<QPointF> WithRerunStarts(QList<QPointF> points,
                               const std::vector<SimState::RerunStart> &reruns, int column);

// The step between two labels of the bottom axis: 1, 2 or 5 times a
// power of ten, no smaller than `least`, and a whole number of generations.
double NiceStep(double least);

// The ink that reads on `panel`: white on a dark panel, black on a light one.
QColor InkOn(const QColor &panel);

// The print-safe colours: told apart by the colour-blind and, differing in
// lightness, in greyscale too. Each quantity of a series drawn alone has one,
// with dashes of its own; series drawn together take one each, in this
// order, with a marker of their own.
namespace palette {
inline const QColor kBlack(0x00, 0x00, 0x00);
inline const QColor kBlue(0x00, 0x72, 0xB2);
inline const QColor kOrange(0xE6, 0x9F, 0x00);
inline const QColor kVermilion(0xD5, 0x5E, 0x00);
inline const QColor kSkyBlue(0x56, 0xB4, 0xE9);
inline const QColor kGreen(0x00, 0x9E, 0x73);
} // namespace palette

// The colour of the n-th of several series drawn together.
QColor SeriesColour(std::size_t n);

// The marker of a series drawn together with others; None for a series alone.
enum class Marker { None, Circle, Square, Triangle, Diamond, Star, Pentagon };
Marker SeriesMarker(std::size_t n);

// One line of a chart: its object name, title, colour and dashes (which keep
// lines apart in greyscale and where they overlap). It draws column
// `column` of the series' table against column 0.
struct LineDesign {
  const char *name;
  const char *title;
  QColor colour;
  Qt::PenStyle style;
  int column;
};

// One chart of a series: its title, the title of its left axis, its fixed
// left scale (yMin..yMax, a label every yStep, one minor tick between) and
// its lines.
struct ChartDesign {
  QString title;
  QString yTitle;
  double yMin, yMax, yStep;
  std::vector<LineDesign> lines;
};

// The charts of a sexual series (p and q; DG and Fit) or of a clonal one
// (the four clone frequencies).
const std::vector<ChartDesign> &SeriesChartDesigns(bool clonal);

// How a chart is drawn: its font (labels, titles and legend; the chart's
// title is bold and a quarter larger), the width of its lines, and the room
// around it.
struct ChartLook {
  QFont font;
  double lineWidth = 2;
  int margin = 11;
};

// Title, panel, legend below, numbers in the user's locale without group
// separators, everything in `look`'s font.
void StyleChart(QChart *chart, const QString &title, const QColor &panel, const ChartLook &look);

struct ChartAxes {
  QValueAxis *x;
  QValueAxis *y;
};
// The bottom axis "Generations T" and the left axis titled `design.yTitle`
// on the design's fixed scale.
ChartAxes AddAxes(QChart *chart, const ChartDesign &design, const ChartLook &look);

// A thin dotted vertical line at each rerun's start, across the left axis
// (SetLeftAxis keeps it across), left out of the legend.
void AddRerunMarkers(QChart *chart, const ChartAxes &axes,
                     const std::vector<SimState::RerunStart> &reruns);
inline const char *const kRerunMarkerName = "RerunStart";

// One line of the chart, drawn against both axes.
QLineSeries *AddLine(QChart *chart, const ChartAxes &axes, const LineDesign &line,
                     const ChartLook &look);

// The points of a column that carry the markers of the n-th of `count`
// series: eight along its generations, each series' shifted by a share of
// the interval so that markers of series drawn together do not hide each
// other.
QList<QPointF> MarkerPoints(const std::vector<double> &x, const std::vector<double> &y,
                            std::size_t n, std::size_t count);

// The size of a marker for lines of `lineWidth`.
double MarkerSize(double lineWidth);

// The markers of a line, in its colour, left out of the legend.
QScatterSeries *AddMarkers(QChart *chart, const ChartAxes &axes, Marker marker,
                           const QColor &colour, const QList<QPointF> &points,
                           const ChartLook &look);

// One marker drawn by `painter` at `centre` (the legends' samples).
void DrawMarker(QPainter &painter, Marker marker, const QColor &colour, QPointF centre,
                double size);

// The bottom axis over xMin..xMax with as many round labels as fit, with
// some room between them, in a plot area `width` wide.
void SetBottomAxis(QValueAxis *axis, double xMin, double xMax, double width);

// A zoomed axis over low..high: labels at a round step from 0.
void SetZoomedTicks(QValueAxis *axis, double low, double high);

// The left axis: the design's fixed scale, or with `fitY` round limits and
// ticks around the visible lines of `chart`. With more than `maxLabels`
// intervals the labels go to the next round step (0.2, 0.5, ...) instead
// of being left out one here and one there.
void SetLeftAxis(QValueAxis *axis, const ChartDesign &design, bool fitY, const QChart *chart,
                 int maxLabels = 1000);

} // namespace morvane::ui
