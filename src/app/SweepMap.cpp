#include "app/SweepMap.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>

#include "files/NumberFormat.h"
#include "files/TextFile.h"

namespace morvane {

namespace {

// Space around the grid: tick labels and axis names left and below, the
// title above, the colour scale on the right.
constexpr double kLeft = 90, kRight = 130, kTop = 44, kBottom = 66;

// Notes about the environment (no runtime folder, fonts) say nothing about
// the map; errors still reach stderr.
void QuietQt(QtMsgType type, const QMessageLogContext &, const QString &message) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

QRectF PlotArea(QSize size) {
  return QRectF(kLeft, kTop, std::max(1.0, size.width() - kLeft - kRight),
                std::max(1.0, size.height() - kTop - kBottom));
}

double Fraction(const SweepMapData &map, double v) {
  if (!(map.high > map.low))
    return 0.5;
  return std::clamp((v - map.low) / (map.high - map.low), 0.0, 1.0);
}

// Hatching over a rectangle: light and dark diagonal strokes, visible on
// every colour of the scale.
void Hatch(QPainter &painter, const QRectF &r) {
  // Lines x + y = k * step, cut to the rectangle here rather than by a clip,
  // which the SVG output does not keep: the hatching of neighbouring cells
  // joins up.
  const double step = 7;
  for (const auto &[colour, width] :
       {std::pair<QColor, double>{QColor(255, 255, 255, 170), 3}, {QColor(0, 0, 0), 1}}) {
    painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
    for (double k = std::ceil((r.left() + r.top()) / step) * step; k <= r.right() + r.bottom();
         k += step) {
      const double x1 = std::max(r.left(), k - r.bottom());
      const double x2 = std::min(r.right(), k - r.top());
      if (x1 < x2)
        painter.drawLine(QPointF(x1, k - x1), QPointF(x2, k - x2));
    }
  }
}

// A tick label: the value to 4 significant digits, which tells neighbouring
// values of any grid that fits on a map apart.
QString TickLabel(const std::string &value) {
  const auto v = TextToReal(value);
  if (!v)
    return QString::fromStdString(value);
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", *v);
  return QString::fromStdString(RealToText(TextToReal(text).value_or(*v)));
}

// Every how many cells a tick label fits along `length` pixels.
std::size_t LabelStep(const std::vector<std::string> &labels, double cell, const QFontMetricsF &fm,
                      bool horizontal) {
  double widest = 0;
  for (const std::string &label : labels)
    widest = std::max(widest, horizontal ? fm.horizontalAdvance(TickLabel(label)) : fm.height());
  const double room = widest + (horizontal ? 10 : 4);
  return std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(room / cell)));
}

// The symbol of a parameter or output as the windows and files name it.
QString Symbol(const std::string &name) {
  static const std::pair<const char *, const char *> symbols[] = {
      {"W1A", "W1(A)"}, {"W2A", "W2(A)"}, {"W1a", "W1(a)"}, {"W2a", "W2(a)"}, {"DG", "DG"},
      {"fAB", "f(AB)"}, {"fAb", "f(Ab)"}, {"faB", "f(aB)"}, {"fab", "f(ab)"}};
  for (const auto &[option, symbol] : symbols)
    if (name == option)
      return symbol;
  return QString::fromStdString(name);
}

// A varied p, q, DG or clone frequency is an initial value: DG0 as the input
// window names it, the others marked as initial.
QString AxisSymbol(const std::string &name) {
  if (name == "DG")
    return "DG0";
  if (name == "p" || name == "q" || name.compare(0, 1, "f") == 0)
    return Symbol(name) + " (initial)";
  return Symbol(name);
}

// The font of the map's labels, set on the painter.
QFont LabelFont(QPainter &painter) {
  QFont font = painter.font();
  font.setFamily("DejaVu Sans");
  font.setPixelSize(13);
  painter.setFont(font);
  return font;
}

// The cells, then the hatching of those that did not converge; true when
// any did not.
bool DrawCells(QPainter &painter, const SweepMapData &map, QSize size) {
  const std::size_t nx = map.xTicks.size(), ny = map.yTicks.size();
  bool anyCut = false;
  for (std::size_t ix = 0; ix < nx; ++ix)
    for (std::size_t iy = 0; iy < ny; ++iy) {
      const std::size_t point = ix * ny + iy;
      const QRectF cell = SweepMapCell(map, size, ix, iy);
      painter.fillRect(cell, SweepMapColour(Fraction(map, map.values[point])));
      if (!map.converged[point]) {
        Hatch(painter, cell);
        anyCut = true;
      }
    }
  painter.setPen(QPen(Qt::black, 1));
  painter.drawRect(PlotArea(size));
  return anyCut;
}

// Ticks and their labels at the cell centres.
void DrawTicks(QPainter &painter, const SweepMapData &map, QSize size, const QFontMetricsF &fm) {
  const QRectF area = PlotArea(size);
  const std::size_t nx = map.xTicks.size(), ny = map.yTicks.size();
  const double cellW = area.width() / static_cast<double>(nx);
  const double cellH = area.height() / static_cast<double>(ny);
  const std::size_t xStep = LabelStep(map.xTicks, cellW, fm, true);
  for (std::size_t ix = 0; ix < nx; ix += xStep) {
    const double x = SweepMapCell(map, size, ix, 0).center().x();
    painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 5));
    painter.drawText(QRectF(x - 60, area.bottom() + 7, 120, fm.height()), Qt::AlignHCenter,
                     TickLabel(map.xTicks[ix]));
  }
  const std::size_t yStep = LabelStep(map.yTicks, cellH, fm, false);
  for (std::size_t iy = 0; iy < ny; iy += yStep) {
    const double y = SweepMapCell(map, size, 0, iy).center().y();
    painter.drawLine(QPointF(area.left() - 5, y), QPointF(area.left(), y));
    painter.drawText(QRectF(0, y - fm.height() / 2, area.left() - 8, fm.height()),
                     Qt::AlignRight | Qt::AlignVCenter, TickLabel(map.yTicks[iy]));
  }
}

// Axis names and title, in bold; the painter's font is back afterwards.
void DrawNames(QPainter &painter, const SweepMapData &map, QSize size, const QFontMetricsF &fm) {
  const QRectF area = PlotArea(size);
  const QFont font = painter.font();
  QFont bold = font;
  bold.setBold(true);
  painter.setFont(bold);
  painter.drawText(QRectF(area.left(), area.bottom() + 10 + fm.height(), area.width(), 24),
                   Qt::AlignCenter, AxisSymbol(map.xName));
  painter.save();
  painter.translate(16, area.center().y());
  painter.rotate(-90);
  painter.drawText(QRectF(-area.height() / 2, -12, area.height(), 24), Qt::AlignCenter,
                   AxisSymbol(map.yName));
  painter.restore();
  painter.drawText(QRectF(0, 8, size.width(), 28), Qt::AlignCenter,
                   Symbol(map.valueName) + " at the end of each series");
  painter.setFont(font);
}

// The colour scale: low at the bottom, high at the top, three labels, and
// below it the hatching's legend when a point did not converge.
void DrawScale(QPainter &painter, const SweepMapData &map, QSize size, const QFontMetricsF &fm,
               bool anyCut) {
  const QRectF area = PlotArea(size);
  const QRectF bar(area.right() + 24, area.top(), 18, area.height() - (anyCut ? 64 : 0));
  const int steps = std::max(1, static_cast<int>(bar.height()));
  for (int k = 0; k < steps; ++k) {
    const double f = (k + 0.5) / steps;
    painter.fillRect(QRectF(bar.left(), bar.bottom() - (k + 1) * bar.height() / steps, bar.width(),
                            bar.height() / steps + 0.5),
                     SweepMapColour(f));
  }
  painter.setPen(QPen(Qt::black, 1));
  painter.drawRect(bar);
  for (double f : {0.0, 0.5, 1.0}) {
    const double y = bar.bottom() - f * bar.height();
    painter.drawLine(QPointF(bar.right(), y), QPointF(bar.right() + 4, y));
    painter.drawText(QRectF(bar.right() + 7, y - fm.height() / 2, kRight - 50, fm.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromStdString(RealToText(map.low + f * (map.high - map.low))));
  }
  if (anyCut) {
    const QRectF swatch(bar.left(), bar.bottom() + 28, 18, 18);
    painter.fillRect(swatch, Qt::white);
    Hatch(painter, swatch);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(swatch);
    painter.drawText(QRectF(bar.right() + 7, swatch.top() - 3, kRight - 50, 2 * fm.height()),
                     Qt::AlignLeft | Qt::AlignTop, "not\nconverged");
  }
}

void Draw(QPainter &painter, const SweepMapData &map, QSize size) {
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(QRectF(0, 0, size.width(), size.height()), Qt::white);
  const QFontMetricsF fm(LabelFont(painter));
  const bool anyCut = DrawCells(painter, map, size);
  DrawTicks(painter, map, size, fm);
  DrawNames(painter, map, size, fm);
  DrawScale(painter, map, size, fm, anyCut);
}

} // namespace

QColor SweepMapColour(double fraction) {
  // A perceptually even scale from dark blue-violet through teal to yellow.
  static const int stops[][3] = {{68, 1, 84},    {71, 44, 122},  {59, 81, 139},
                                 {44, 113, 142}, {33, 144, 141}, {39, 173, 129},
                                 {92, 200, 99},  {170, 220, 50}, {253, 231, 37}};
  const double at = std::clamp(fraction, 0.0, 1.0) * 8;
  const int k = std::min(7, static_cast<int>(at));
  const double t = at - k;
  int rgb[3];
  for (int c = 0; c < 3; ++c)
    rgb[c] = static_cast<int>(std::lround(stops[k][c] + t * (stops[k + 1][c] - stops[k][c])));
  return QColor(rgb[0], rgb[1], rgb[2]);
}

QRectF SweepMapCell(const SweepMapData &map, QSize size, std::size_t x, std::size_t y) {
  const QRectF area = PlotArea(size);
  const double nx = static_cast<double>(map.xTicks.size());
  const double ny = static_cast<double>(map.yTicks.size());
  // Whole pixels, so that neighbouring cells neither overlap nor leave gaps.
  const double left = std::round(area.left() + area.width() * static_cast<double>(x) / nx);
  const double right = std::round(area.left() + area.width() * static_cast<double>(x + 1) / nx);
  const double bottom = std::round(area.bottom() - area.height() * static_cast<double>(y) / ny);
  const double top = std::round(area.bottom() - area.height() * static_cast<double>(y + 1) / ny);
  return QRectF(left, top, right - left, bottom - top);
}

QImage SweepMapImage(const SweepMapData &map, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  QPainter painter(&image);
  Draw(painter, map, size);
  painter.end();
  return image;
}

void WriteSweepMap(const SweepMapData &map, const std::string &file, QSize size) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  std::string lower = file;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  if (lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".svg") == 0) {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(Symbol(map.valueName) + " over " + AxisSymbol(map.xName) + " and " +
                 AxisSymbol(map.yName));
    QPainter painter(&svg);
    Draw(painter, map, size);
  } else {
    SweepMapImage(map, size).save(&buffer, "PNG");
  }
  if (!CreateNewFile(file))
    throw FileError(EEXIST, file);
  AppendToFile(file, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

SweepMapApplication::SweepMapApplication() {
  qInstallMessageHandler(QuietQt);
  // There may be no display: the offscreen platform draws all the same.
  static int argc = 3;
  static char name[] = "morvane-sweep", option[] = "-platform", platform[] = "offscreen";
  static char *argv[] = {name, option, platform, nullptr};
  app_ = std::make_unique<QGuiApplication>(argc, argv);
}

SweepMapApplication::~SweepMapApplication() = default;

} // namespace morvane
