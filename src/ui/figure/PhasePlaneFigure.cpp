#include "ui/figure/PhasePlaneFigure.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "analysis/Equilibria.h"
#include "engine/Series.h"
#include "ui/figure/FigureBytes.h"
#include "ui/figure/SeriesFigure.h"

namespace morvane::figure {

namespace {

QString Number(double v) { return QString::number(v, 'g', 6); }

QString ComplexText(std::complex<double> z) {
  if (std::fabs(z.imag()) <= 1e-12)
    return Number(z.real());
  return QStringLiteral("%1 %2 %3i")
      .arg(Number(z.real()), z.imag() < 0 ? QStringLiteral("-") : QStringLiteral("+"),
           Number(std::fabs(z.imag())));
}

// Beyond this many equilibria their symbols are not drawn.
constexpr std::size_t kMostEquilibriaDrawn = 400;

// The paths' colours, darker than any basin.
const QColor kPathColours[] = {QColor(0xb0, 0x20, 0x20), QColor(0x20, 0x40, 0xa0),
                               QColor(0x10, 0x80, 0x30), QColor(0x80, 0x20, 0x90)};

// An equilibrium's symbol: filled, open, or the left half filled.
void PaintMarker(QPainter &painter, QPointF at, double radius, analysis::Stability s) {
  const QRectF box(at.x() - radius, at.y() - radius, 2 * radius, 2 * radius);
  painter.setPen(QPen(Qt::black, std::max(1.0, radius / 4)));
  painter.setBrush(s == analysis::Stability::Stable ? Qt::black : Qt::white);
  painter.drawEllipse(box);
  if (s == analysis::Stability::Neutral) {
    painter.setBrush(Qt::black);
    painter.drawPie(box, 90 * 16, 180 * 16);
  }
}

} // namespace

QString AxisName(Model m, bool q) {
  if (m == Model::Clonal)
    return q ? QStringLiteral("q = f(AB) + f(aB)") : QStringLiteral("p = f(AB) + f(Ab)");
  return q ? QStringLiteral("q (frequency of B)") : QStringLiteral("p (frequency of A)");
}

std::vector<int> BasinColours(const PhasePlane &plane) {
  std::vector<int> colour(plane.equilibria.size());
  for (std::size_t k = 0; k < colour.size(); ++k)
    colour[k] = int(k);
  if (colour.size() <= kBasinColours)
    return colour;
  // Too many to tell apart: the equilibria fixing or keeping the same alleles
  // share a colour.
  const auto side = [](double v) { return v <= 0 ? 0 : v >= 1 ? 2 : 1; };
  for (std::size_t k = 0; k < colour.size(); ++k)
    colour[k] = side(plane.equilibria[k].p) * 3 + side(plane.equilibria[k].q);
  return colour;
}

QColor BasinColour(int k) {
  if (k == kBasinPending)
    return Qt::white;
  if (k < 0)
    return QColor(0xdd, 0xdd, 0xdd);
  static const QColor pale[] = {
      QColor(0xc6, 0xdb, 0xef), QColor(0xfd, 0xd0, 0xa2), QColor(0xc7, 0xe9, 0xc0),
      QColor(0xfc, 0xc5, 0xc0), QColor(0xda, 0xda, 0xeb), QColor(0xff, 0xf2, 0xae),
      QColor(0xcc, 0xeb, 0xe5), QColor(0xe6, 0xd5, 0xc3), QColor(0xf2, 0xd7, 0xeb)};
  return pale[k % 9];
}

PhasePlane NewPhasePlane(Model m, const Parameters &p, int arrows) {
  PhasePlane plane;
  plane.model = m;
  plane.params = p;
  SimState named;
  ChooseModel(named, m);
  plane.title = ui::ModelName(named.Ploidy, named.Reproduction) +
                QStringLiteral(": x = %1, d = %2, c = %3, i = %4, j = %5, W1(A) = %6, "
                               "W2(A) = %7, W1(a) = %8, W2(a) = %9")
                    .arg(Number(p.SoftProp), Number(p.MigSurv), Number(p.HabFreq),
                         QString::number(p.TriesAB), QString::number(p.TriesaB), Number(p.W1A),
                         Number(p.W2A), Number(p.W1a), Number(p.W2a));
  for (int i = 0; i < arrows; ++i)
    for (int j = 0; j < arrows; ++j) {
      const double p0 = (i + 0.5) / arrows, q0 = (j + 0.5) / arrows;
      const analysis::Measures next = analysis::MeasuresOf(
          m, analysis::NextGeneration(m, p, analysis::StartPopulation(m, p0, q0)));
      plane.arrows.push_back({p0, q0, next.p - p0, next.q - q0});
    }
  return plane;
}

PlaneEquilibrium PlaneEquilibriumOf(Model m, const analysis::Equilibrium &e) {
  const analysis::Measures f = analysis::MeasuresOf(m, e.X);
  PlaneEquilibrium shown{f.p, f.q, e.spectrum.stability, {}};
  QStringList lines;
  lines << QStringLiteral("%1 equilibrium").arg(analysis::StabilityName(e.spectrum.stability));
  lines << QStringLiteral("p = %1, q = %2, DG = %3%4")
               .arg(Number(f.p), Number(f.q), Number(f.DG),
                    IsDiploid(m) ? QStringLiteral(", Fit = ") + Number(f.Fit) : QString());
  QStringList classes;
  for (int k = 0; k < analysis::Classes(m); ++k)
    classes << QStringLiteral("X%1 = %2").arg(k + 1).arg(Number(e.X[k]));
  lines << classes.join(QStringLiteral(", "));
  QStringList values;
  for (const auto &z : e.spectrum.eigenvalues)
    values << ComplexText(z);
  lines << QStringLiteral("eigenvalues: ") + values.join(QStringLiteral("; "));
  if (e.spectrum.lambdaA)
    lines << QStringLiteral("invasion of the missing allele at locus A: ") +
                 Number(*e.spectrum.lambdaA);
  if (e.spectrum.lambdaB)
    lines << QStringLiteral("invasion of the missing allele at locus B: ") +
                 Number(*e.spectrum.lambdaB);
  shown.text = lines.join('\n');
  return shown;
}

void SetEquilibria(PhasePlane &plane, const std::vector<analysis::Equilibrium> &list) {
  plane.equilibria.clear();
  for (const analysis::Equilibrium &e : list)
    plane.equilibria.push_back(PlaneEquilibriumOf(plane.model, e));
}

QRectF PlaneSquare(const QRectF &area, double font) {
  const double left = 4.7 * font, right = 1.5 * font, top = 3.4 * font, bottom = 3.4 * font;
  // A legend to the right when the area is wide enough for one.
  const double legend =
      area.width() - left - right > area.height() - top - bottom + 16 * font ? 15 * font : 0;
  const double side =
      std::max(1.0, std::min(area.width() - left - right - legend, area.height() - top - bottom));
  return QRectF(area.left() + left, area.top() + top, side, side);
}

QPointF PointOf(const QRectF &square, double p, double q) {
  return {square.left() + p * square.width(), square.bottom() - q * square.height()};
}

std::optional<analysis::PathPoint> PlaneAt(const QRectF &square, const QPointF &point) {
  if (!square.contains(point))
    return std::nullopt;
  return analysis::PathPoint{std::clamp((point.x() - square.left()) / square.width(), 0.0, 1.0),
                             std::clamp((square.bottom() - point.y()) / square.height(), 0.0, 1.0)};
}

void PaintPhasePlane(QPainter &painter, const PhasePlane &plane, const QRectF &area, double font) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  QFont f = painter.font();
  f.setPixelSize(std::max(1, int(std::lround(font))));
  painter.setFont(f);
  const QFontMetricsF metrics(f, painter.device());
  const QRectF square = PlaneSquare(area, font);

  // The basins: one cell around each start, clipped to the square.
  if (plane.grid >= 2 && plane.basin.size() == std::size_t(plane.grid) * plane.grid) {
    const int N = plane.grid;
    const std::vector<int> colour = BasinColours(plane);
    QImage cells(N, N, QImage::Format_RGB32);
    for (int i = 0; i < N; ++i)
      for (int j = 0; j < N; ++j) {
        const int k = plane.basin[std::size_t(i) * N + j];
        cells.setPixel(i, N - 1 - j,
                       BasinColour(k >= 0 && std::size_t(k) < colour.size() ? colour[k] : k).rgb());
      }
    const double cell = square.width() / (N - 1);
    painter.save();
    painter.setClipRect(square);
    painter.drawImage(square.adjusted(-cell / 2, -cell / 2, cell / 2, cell / 2), cells);
    painter.restore();
  }

  // The arrows: their direction, their length growing with the change.
  double largest = 0;
  for (const PhasePlane::Arrow &a : plane.arrows)
    largest = std::max(largest, std::hypot(a.dp, a.dq));
  const double spacing =
      plane.arrows.empty() ? 0 : square.width() / std::sqrt(double(plane.arrows.size()));
  painter.setPen(QPen(QColor(0x55, 0x55, 0x55), std::max(0.6, font / 12)));
  for (const PhasePlane::Arrow &a : plane.arrows) {
    const double size = std::hypot(a.dp, a.dq);
    const QPointF at = PointOf(square, a.p, a.q);
    // A change of the order of rounding is none.
    if (size <= 1e-12) {
      painter.drawPoint(at);
      continue;
    }
    const double length = spacing * (0.25 + 0.5 * std::pow(size / largest, 0.4));
    const QPointF u(a.dp / size, -a.dq / size);
    const QPointF from = at - u * (length / 2), to = at + u * (length / 2);
    const QPointF n(-u.y(), u.x());
    const double head = std::min(length / 2.5, spacing / 5);
    painter.drawLine(from, to);
    painter.drawLine(to, to - u * head + n * (head / 2));
    painter.drawLine(to, to - u * head - n * (head / 2));
  }

  // The frame, its ticks and names.
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(Qt::black, std::max(1.0, font / 10)));
  painter.drawRect(square);
  for (int k = 0; k <= 5; ++k) {
    const double v = k / 5.0;
    const QString label = QString::number(v, 'g', 2);
    const QPointF x = PointOf(square, v, 0), y = PointOf(square, 0, v);
    painter.drawLine(x, x + QPointF(0, font / 3));
    painter.drawLine(y, y - QPointF(font / 3, 0));
    painter.drawText(QRectF(x.x() - 2 * font, x.y() + font / 2, 4 * font, 1.4 * font),
                     Qt::AlignHCenter | Qt::AlignTop, label);
    painter.drawText(QRectF(y.x() - 3.2 * font, y.y() - 0.7 * font, 2.6 * font, 1.4 * font),
                     Qt::AlignRight | Qt::AlignVCenter, label);
  }
  painter.drawText(QRectF(square.left(), square.bottom() + 1.9 * font, square.width(), 1.4 * font),
                   Qt::AlignHCenter | Qt::AlignTop, AxisName(plane.model, false));
  painter.save();
  painter.translate(square.left() - 3.25 * font, square.center().y());
  painter.rotate(-90);
  painter.drawText(QRectF(-square.height() / 2, -1.3 * font, square.height(), 1.3 * font),
                   Qt::AlignHCenter | Qt::AlignBottom, AxisName(plane.model, true));
  painter.restore();
  // The title in smaller letters, on at most three lines.
  painter.save();
  QFont small = f;
  small.setPixelSize(std::max(1, int(std::lround(font * 0.8))));
  painter.setFont(small);
  const QRectF titleBox(area.left() + font / 2, area.top() + font / 4, area.width() - font,
                        square.top() - area.top() - font / 2);
  painter.drawText(titleBox, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, plane.title);
  painter.restore();

  // The paths of series, a small square at their start.
  for (std::size_t k = 0; k < plane.paths.size(); ++k) {
    const auto &path = plane.paths[k];
    if (path.empty())
      continue;
    const QColor colour = kPathColours[k % 4];
    QPolygonF line;
    for (const analysis::PathPoint &pt : path)
      line << PointOf(square, pt.p, pt.q);
    painter.setPen(QPen(colour, std::max(1.2, font / 7)));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(line);
    painter.setBrush(colour);
    const double s = font / 3;
    painter.drawRect(QRectF(line.front() - QPointF(s, s), QSizeF(2 * s, 2 * s)));
  }

  // The equilibria over everything.
  // Smaller symbols where many stand (a line of equilibria).
  const double radius = plane.equilibria.size() > 12 ? font * 0.22 : font * 0.42;
  if (plane.equilibria.size() <= kMostEquilibriaDrawn) {
    for (const PlaneEquilibrium &e : plane.equilibria)
      PaintMarker(painter, PointOf(square, e.p, e.q), radius, e.stability);
  } else {
    // A surface of equilibria (nothing selects): their symbols would hide
    // the plane.
    painter.setPen(Qt::black);
    painter.setBrush(QColor(255, 255, 255, 220));
    const QString note =
        QStringLiteral("%1 equilibria: a surface of them, not drawn").arg(plane.equilibria.size());
    const QRectF box(square.left() + font, square.top() + font, square.width() - 2 * font,
                     1.6 * font);
    painter.drawRect(box);
    painter.drawText(box, Qt::AlignCenter, note);
  }

  // The legend: each equilibrium, its basin's colour and its class.
  const double legendLeft = square.right() + 1.5 * font;
  if (area.right() - legendLeft >= 12 * font) {
    double y = square.top();
    const double row = 1.6 * font;
    for (std::size_t k = 0; k < plane.equilibria.size(); ++k, y += row) {
      if (y + row > square.bottom()) {
        painter.setPen(Qt::black);
        painter.drawText(QPointF(legendLeft, y + font), QStringLiteral("..."));
        break;
      }
      const PlaneEquilibrium &e = plane.equilibria[k];
      painter.setPen(QPen(Qt::black, std::max(0.5, font / 14)));
      painter.setBrush(BasinColour(BasinColours(plane)[k]));
      painter.drawRect(QRectF(legendLeft, y, 1.8 * font, 1.2 * font));
      PaintMarker(painter, QPointF(legendLeft + 0.9 * font, y + 0.6 * font), radius, e.stability);
      painter.setPen(Qt::black);
      const QString text = QStringLiteral("(%1, %2) %3")
                               .arg(QString::number(e.p, 'g', 3), QString::number(e.q, 'g', 3),
                                    analysis::StabilityName(e.stability));
      painter.drawText(
          QRectF(legendLeft + 2.3 * font, y, area.right() - legendLeft - 2.3 * font, 1.2 * font),
          Qt::AlignLeft | Qt::AlignVCenter,
          metrics.elidedText(text, Qt::ElideRight, area.right() - legendLeft - 2.3 * font));
    }
  }
  painter.restore();
}

void WritePhasePlaneFigure(const PhasePlane &plane, const FigureSettings &s, const QString &path) {
  // Drawn in tenths of a point, whatever the format.
  FigureDrawing drawing;
  drawing.unitsPerPoint = 10;
  const QRectF page(QPointF(0, 0), PageInPoints(s) * drawing.unitsPerPoint);
  drawing.paint = PaintWith([&](QPainter &painter) {
    painter.fillRect(page, Qt::white);
    PaintPhasePlane(painter, plane, page, s.fontPt * drawing.unitsPerPoint);
  });
  // The title is the model, a colon and the parameters.
  WriteFigure(s, drawing, plane.title,
              FigureRecord{plane.title.section(QStringLiteral(": "), 0, 0),
                           plane.title.section(QStringLiteral(": "), 1), s.record.command},
              path);
}

} // namespace morvane::figure
