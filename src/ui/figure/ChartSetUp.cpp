#include "ui/figure/ChartSetUp.h"

#include <QChart>
#include <QFontMetricsF>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>

#include "ui/figure/RoundTicks.h"

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

QList<QPointF> WithRerunStarts(QList<QPointF> points,
                               const std::vector<SimState::RerunStart> &reruns, int column) {
  for (const SimState::RerunStart &r : reruns) {
    const QPointF start(r.Generation, r.Values[static_cast<std::size_t>(column - 1)]);
    const auto after =
        std::upper_bound(points.begin(), points.end(), start.x(),
                         [](double x, const QPointF &point) { return x < point.x(); });
    points.insert(after, start);
  }
  return points;
}

void AddRerunMarkers(QChart *chart, const ChartAxes &axes,
                     const std::vector<SimState::RerunStart> &reruns) {
  for (const SimState::RerunStart &r : reruns) {
    auto *marker = new QLineSeries(chart);
    marker->setObjectName(QString::fromLatin1(kRerunMarkerName));
    marker->setName(QStringLiteral("Rerun at T = %1").arg(r.Generation));
    QPen pen(QColor(0x70, 0x70, 0x70));
    pen.setWidthF(0);
    pen.setStyle(Qt::DotLine);
    marker->setPen(pen);
    marker->append({QPointF(r.Generation, axes.y->min()), QPointF(r.Generation, axes.y->max())});
    chart->addSeries(marker);
    marker->attachAxis(axes.x);
    marker->attachAxis(axes.y);
    for (QLegendMarker *entry : chart->legend()->markers(marker))
      entry->setVisible(false);
  }
}

double NiceStep(double least) {
  if (!(least > 1))
    return 1;
  const double magnitude = std::pow(10.0, std::floor(std::log10(least)));
  for (double factor : {1.0, 2.0, 5.0, 10.0})
    if (factor * magnitude >= least)
      return factor * magnitude;
  return 10 * magnitude;
}

QColor InkOn(const QColor &panel) {
  return panel.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black);
}

QColor SeriesColour(std::size_t n) {
  // Greys 0, 87, 162, 119, 159 and 106 once printed without colour; the
  // markers and, from the seventh series, the colours repeat.
  static const QColor colours[] = {palette::kBlack,     palette::kBlue,    palette::kOrange,
                                   palette::kVermilion, palette::kSkyBlue, palette::kGreen};
  return colours[n % (sizeof colours / sizeof colours[0])];
}

Marker SeriesMarker(std::size_t n) {
  static const Marker markers[] = {Marker::Circle,  Marker::Square, Marker::Triangle,
                                   Marker::Diamond, Marker::Star,   Marker::Pentagon};
  return markers[n % (sizeof markers / sizeof markers[0])];
}

const std::vector<ChartDesign> &SeriesChartDesigns(bool clonal) {
  using namespace palette;
  static const std::vector<ChartDesign> sexual = {
      {QStringLiteral("Frequencies of p and q"),
       QStringLiteral("p, q"),
       0,
       1,
       0.1,
       {{"Series1", "p", kBlue, Qt::SolidLine, 1}, {"Series2", "q", kOrange, Qt::DashLine, 2}}},
      {QStringLiteral("Frequencies of DG and Fit"),
       QStringLiteral("DG, Fit"),
       -1,
       1,
       0.1,
       {{"Series3", "DG", kBlue, Qt::SolidLine, 3}, {"Series4", "Fit", kOrange, Qt::DashLine, 4}}}};
  static const std::vector<ChartDesign> clones = {
      {QStringLiteral("Frequencies of AB, Ab, aB and ab"),
       QStringLiteral("Frequency"),
       0,
       1,
       0.05,
       {{"Series1", "f(AB)", kBlack, Qt::SolidLine, 1},
        {"Series2", "f(Ab)", kOrange, Qt::DashLine, 2},
        {"Series3", "f(aB)", kBlue, Qt::DotLine, 3},
        {"Series4", "f(ab)", kVermilion, Qt::DashDotLine, 4}}}};
  return clonal ? clones : sexual;
}

void StyleChart(QChart *chart, const QString &title, const QColor &panel, const ChartLook &look) {
  const QColor ink = InkOn(panel);
  chart->setTitle(title);
  QFont titleFont = look.font;
  titleFont.setBold(true);
  if (titleFont.pixelSize() > 0)
    titleFont.setPixelSize(int(std::lround(titleFont.pixelSize() * 1.25)));
  else
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
  chart->setTitleFont(titleFont);
  chart->setTitleBrush(ink);
  chart->setBackgroundBrush(panel);
  chart->setBackgroundRoundness(0);
  chart->setDropShadowEnabled(false);
  chart->setMargins(QMargins(look.margin, look.margin, look.margin, look.margin));
  // No fill of its own: the panel shows behind the lines.
  chart->setPlotAreaBackgroundVisible(false);
  chart->setAnimationOptions(QChart::NoAnimation);
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  chart->setLocale(locale);
  chart->setLocalizeNumbers(true);
  chart->legend()->setAlignment(Qt::AlignBottom);
  chart->legend()->setLabelColor(ink);
  chart->legend()->setFont(look.font);
  // Long names (series drawn together are named by what differs) are cut in
  // the legend's one row: the whole name shows under the pointer.
  chart->legend()->setShowToolTips(true);
}

ChartAxes AddAxes(QChart *chart, const ChartDesign &design, const ChartLook &look) {
  auto *axisX = new QValueAxis;
  axisX->setTitleText(QStringLiteral("Generations T"));
  axisX->setLabelFormat(QStringLiteral("%.0f"));
  axisX->setTickType(QValueAxis::TicksDynamic);
  axisX->setTickAnchor(0);
  auto *axisY = new QValueAxis;
  axisY->setTitleText(design.yTitle);
  // A label every yStep. The range is fixed, so a fixed number of ticks
  // gives it exactly; ticks laid from an anchor at a dynamic interval are
  // summed step by step, and on -1..1 the one at zero comes out as "-0.0".
  axisY->setTickType(QValueAxis::TicksFixed);
  axisY->setMinorTickCount(1);
  const QColor ink = InkOn(chart->backgroundBrush().color());
  for (QValueAxis *axis : {axisX, axisY}) {
    axis->setLabelsColor(ink);
    axis->setTitleBrush(ink);
    axis->setLabelsFont(look.font);
    axis->setTitleFont(look.font);
    // A label that does not fit is never cut to "...": the layout makes room.
    axis->setTruncateLabels(false);
  }
  chart->addAxis(axisX, Qt::AlignBottom);
  chart->addAxis(axisY, Qt::AlignLeft);
  SetLeftAxis(axisY, design, false, chart);
  return {axisX, axisY};
}

QLineSeries *AddLine(QChart *chart, const ChartAxes &axes, const LineDesign &line,
                     const ChartLook &look) {
  auto *series = new QLineSeries(chart);
  series->setObjectName(QString::fromLatin1(line.name));
  series->setName(QString::fromLatin1(line.title));
  QPen pen(line.colour);
  pen.setWidthF(look.lineWidth);
  pen.setStyle(line.style);
  series->setPen(pen);
  series->setPointsVisible(false);
  series->setPointLabelsVisible(false);
  chart->addSeries(series);
  series->attachAxis(axes.x);
  series->attachAxis(axes.y);
  return series;
}

QList<QPointF> MarkerPoints(const std::vector<double> &x, const std::vector<double> &y,
                            std::size_t n, std::size_t count) {
  constexpr int kMarkers = 8;
  QList<QPointF> points;
  const std::size_t rows = std::min(x.size(), y.size());
  if (rows == 0)
    return points;
  const double xMin = x.front(), xMax = std::max(x[rows - 1], x.front() + 1);
  const double interval = (xMax - xMin) / kMarkers;
  const double shift = double(n + 1) / double(count + 1);
  for (int k = 0; k < kMarkers; ++k) {
    const double at = xMin + (k + shift) * interval;
    // The generation column rises: the first row at or after `at`.
    const auto row = std::lower_bound(x.begin(), x.begin() + long(rows), at);
    if (row == x.begin() + long(rows))
      break;
    const std::size_t i = std::size_t(row - x.begin());
    points.append(QPointF(x[i], y[i]));
  }
  return points;
}

double MarkerSize(double lineWidth) { return 3.5 * lineWidth; }

QScatterSeries *AddMarkers(QChart *chart, const ChartAxes &axes, Marker marker,
                           const QColor &colour, const QList<QPointF> &points,
                           const ChartLook &look) {
  auto *markers = new QScatterSeries(chart);
  markers->setObjectName(QStringLiteral("Markers"));
  const Marker shapes[] = {Marker::Circle,  Marker::Square, Marker::Triangle,
                           Marker::Diamond, Marker::Star,   Marker::Pentagon};
  const QScatterSeries::MarkerShape qtShapes[] = {
      QScatterSeries::MarkerShapeCircle,   QScatterSeries::MarkerShapeRectangle,
      QScatterSeries::MarkerShapeTriangle, QScatterSeries::MarkerShapeRotatedRectangle,
      QScatterSeries::MarkerShapeStar,     QScatterSeries::MarkerShapePentagon};
  for (std::size_t k = 0; k < std::size(shapes); ++k)
    if (shapes[k] == marker)
      markers->setMarkerShape(qtShapes[k]);
  markers->setMarkerSize(MarkerSize(look.lineWidth));
  markers->setColor(colour);
  markers->setBorderColor(colour);
  markers->replace(points);
  chart->addSeries(markers);
  markers->attachAxis(axes.x);
  markers->attachAxis(axes.y);
  for (QLegendMarker *entry : chart->legend()->markers(markers))
    entry->setVisible(false);
  return markers;
}

void DrawMarker(QPainter &painter, Marker marker, const QColor &colour, QPointF centre,
                double size) {
  if (marker == Marker::None)
    return;
  const double r = size / 2;
  QPainterPath path;
  const auto polygon = [&](int corners, double turn, double inner) {
    QPolygonF shape;
    const int points = inner > 0 ? 2 * corners : corners;
    for (int k = 0; k < points; ++k) {
      const double radius = inner > 0 && k % 2 ? r * inner : r;
      const double angle = turn + 2 * M_PI * k / points;
      shape << centre + QPointF(radius * std::sin(angle), -radius * std::cos(angle));
    }
    path.addPolygon(shape);
    path.closeSubpath();
  };
  switch (marker) {
  case Marker::None:
    break;
  case Marker::Circle:
    path.addEllipse(centre, r, r);
    break;
  case Marker::Square:
    path.addRect(QRectF(centre - QPointF(r, r), QSizeF(size, size)));
    break;
  case Marker::Triangle:
    polygon(3, 0, 0);
    break;
  case Marker::Diamond:
    polygon(4, 0, 0);
    break;
  case Marker::Star:
    polygon(5, 0, 0.45);
    break;
  case Marker::Pentagon:
    polygon(5, 0, 0);
    break;
  }
  painter.save();
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  painter.drawPath(path);
  painter.restore();
}

void SetBottomAxis(QValueAxis *axis, double xMin, double xMax, double width) {
  // No label may be laid out at the old step across the new range: that
  // could be a label per generation of a long series.
  axis->setTickInterval(std::numeric_limits<double>::max());
  axis->setLabelFormat(QStringLiteral("%.0f"));
  axis->setRange(xMin, xMax);
  const QFontMetricsF metrics(axis->labelsFont());
  const double label = metrics.horizontalAdvance(
                           QString::number(std::max(std::fabs(xMin), std::fabs(xMax)), 'f', 0)) *
                       1.6;
  const double most = std::max(1.0, std::floor(std::max(width, 1.0) / std::max(label, 1.0)));
  double step = NiceStep((xMax - xMin) / std::min(most, 10.0));
  // At least two labels: the largest round step within the range.
  while (step > xMax - xMin && step > 1) {
    const double smaller = NiceStep(step / 2.6);
    step = smaller < step ? smaller : step / 10;
  }
  axis->setTickInterval(std::max(step, 1.0));
}

void SetZoomedTicks(QValueAxis *axis, double low, double high) {
  const double step = figure::RoundTicks(low, high, 5).step;
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(0);
  axis->setTickInterval(step);
  const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
  axis->setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
}

void SetLeftAxis(QValueAxis *axis, const ChartDesign &design, bool fitY, const QChart *chart,
                 int maxLabels) {
  double low = design.yMin, high = design.yMax, step = design.yStep;
  if (fitY) {
    double least = std::numeric_limits<double>::infinity();
    double most = -least;
    for (QAbstractSeries *series : chart->series())
      if (auto *line = qobject_cast<QLineSeries *>(series);
          line && line->isVisible() && line->objectName() != QLatin1String(kRerunMarkerName))
        for (const QPointF &point : line->points()) {
          least = std::min(least, point.y());
          most = std::max(most, point.y());
        }
    if (least <= most) {
      const figure::RoundScale scale = figure::RoundTicks(least, most, 5);
      low = scale.low;
      high = scale.high;
      step = scale.step;
    }
  }
  maxLabels = std::max(2, maxLabels);
  if ((high - low) / step > maxLabels + 1e-9) {
    const figure::RoundScale scale = figure::RoundTicks(low, high, maxLabels);
    low = scale.low;
    high = scale.high;
    step = scale.step;
  }
  axis->setTickType(QValueAxis::TicksFixed);
  axis->setRange(low, high);
  for (QAbstractSeries *series : chart->series())
    if (auto *marker = qobject_cast<QLineSeries *>(series);
        marker && marker->objectName() == QLatin1String(kRerunMarkerName) && marker->count() == 2)
      marker->replace({QPointF(marker->at(0).x(), low), QPointF(marker->at(0).x(), high)});
  axis->setTickCount(static_cast<int>(std::lround((high - low) / step)) + 1);
  const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
  axis->setLabelFormat(QStringLiteral("%.%1f").arg(
      fitY || step > design.yStep ? decimals : (step < 0.1 - 1e-9 ? 2 : 1)));
}

} // namespace morvane::ui
