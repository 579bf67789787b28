#include "ui/figure/BifurcationFigure.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "ui/figure/RoundTicks.h"
#include "ui/figure/SweepFigure.h"

namespace morvane::figure {
namespace {

using analysis::BranchRow;
using analysis::Stability;

const QColor kBranchColour(0, 60, 140);

QPen StabilityPen(Stability s, double width) {
  QPen pen(kBranchColour, width);
  pen.setStyle(s == Stability::Stable     ? Qt::SolidLine
               : s == Stability::Unstable ? Qt::DashLine
                                          : Qt::DotLine);
  return pen;
}

// Each event its shape and colour, in the order of kBranchEvents; apart in
// grey by their shapes.
QCPScatterStyle EventStyle(std::size_t event, double size) {
  static const QCPScatterStyle::ScatterShape shapes[] = {
      QCPScatterStyle::ssDiamond, QCPScatterStyle::ssTriangle,    QCPScatterStyle::ssCircle,
      QCPScatterStyle::ssSquare,  QCPScatterStyle::ssCrossCircle, QCPScatterStyle::ssCross};
  static const QColor colours[] = {QColor(220, 50, 32),  QColor(0, 140, 70),  QColor(200, 0, 120),
                                   QColor(120, 60, 160), QColor(230, 140, 0), QColor(90, 90, 90)};
  const QColor colour = colours[event % 6];
  return QCPScatterStyle(shapes[event % 6], QPen(colour, 1.5), QBrush(colour.lighter(170)), size);
}

std::size_t EventIndex(const std::string &event) {
  const auto *begin = std::begin(analysis::kBranchEvents);
  return std::size_t(std::find_if(begin, std::end(analysis::kBranchEvents),
                                  [&](const char *e) { return event == e; }) -
                     begin);
}

// Round ends a little beyond the values, so that no point sits on the frame.
void RoundRange(QCPAxis *axis, double low, double high) {
  const RoundScale scale = RoundTicks(low, high);
  const double pad = (scale.high - scale.low) * 0.03;
  axis->setRange(scale.low - pad, scale.high + pad);
}

} // namespace

std::vector<std::string> BifurcationQuantities(bool clonal) {
  if (clonal)
    return {"fAB", "fAb", "faB", "fab"};
  return {"p", "q", "DG", "Fit"};
}

void BifurcationFigure::Draw(analysis::BranchTable table, std::size_t quantity) {
  table_ = std::move(table);
  quantity_ = std::min<std::size_t>(quantity, 3);
  Build();
}

void BifurcationFigure::SetTextSize(double size) {
  textSize_ = size;
  Build();
}

void BifurcationFigure::Build() {
  plot_.clearPlottables();
  plot_.clearItems();
  plot_.plotLayout()->clear();
  plot_.setAutoAddPlottableToLegend(false);
  QCPLayoutGrid *layout = plot_.plotLayout();
  // The key in a row of its own above the panel, two entries a row.
  auto *legend = new QCPLegend;
  layout->addElement(0, 0, legend);
  legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
  legend->setWrap(2);
  legend->setBorderPen(Qt::NoPen);
  auto *rect = new QCPAxisRect(&plot_);
  layout->addElement(1, 0, rect);
  layout->setRowStretchFactor(0, 0.001);
  layout->setRowSpacing(0);
  // No room kept for the hidden top axis: the key sits right above the panel.
  rect->setAutoMargins(QCP::msLeft | QCP::msRight | QCP::msBottom);
  rect->setMargins(QMargins(0, int(std::lround(std::max(textSize_, 6.0) / 2)), 0, 0));
  QCPAxis *x = rect->axis(QCPAxis::atBottom), *y = rect->axis(QCPAxis::atLeft);
  x->setTicker(QSharedPointer<RoundTicker>::create());
  const std::string quantity = BifurcationQuantities(table_.clonal)[quantity_];
  x->setLabel(Symbol(table_.parameter));
  y->setLabel(Symbol(quantity));

  const double width = textSize_ > 0 ? std::max(1.0, textSize_ / 6) : 1.5;
  const double mark = textSize_ > 0 ? textSize_ * 0.8 : 8;
  const auto &rows = table_.rows;
  // The stretches of each stability in turn, so that the key lists stable,
  // unstable and neutral in that order.
  for (Stability s : {Stability::Stable, Stability::Unstable, Stability::Neutral}) {
    bool keyed = false;
    for (std::size_t start = 0; start < rows.size();) {
      // One stretch of a branch at one stability, joined to the point before
      // it on the same branch so that the line does not break.
      std::size_t end = start + 1;
      while (end < rows.size() && rows[end].branch == rows[start].branch &&
             rows[end].stability == rows[start].stability)
        ++end;
      if (rows[start].stability == s) {
        const std::size_t from =
            start > 0 && rows[start - 1].branch == rows[start].branch ? start - 1 : start;
        auto *curve = new QCPCurve(x, y);
        QVector<double> keys, values;
        for (std::size_t k = from; k < end; ++k) {
          keys << rows[k].value;
          values << rows[k].measures[quantity_];
        }
        curve->setData(keys, values);
        curve->setPen(StabilityPen(s, width));
        if (!keyed) {
          keyed = true;
          curve->setName(QString::fromLatin1(analysis::StabilityName(s)) +
                         QStringLiteral(" branch"));
          curve->addToLegend(legend);
        }
      }
      start = end;
    }
  }
  for (std::size_t e = 0; e < std::size(analysis::kBranchEvents); ++e) {
    QVector<double> keys, values;
    for (const BranchRow &row : rows)
      if (EventIndex(row.event) == e) {
        keys << row.value;
        values << row.measures[quantity_];
      }
    if (keys.isEmpty())
      continue;
    auto *marks = new QCPCurve(x, y);
    marks->setData(keys, values);
    marks->setLineStyle(QCPCurve::lsNone);
    marks->setScatterStyle(EventStyle(e, mark));
    marks->setName(QString::fromLatin1(analysis::kBranchEvents[e]));
    marks->addToLegend(legend);
  }

  if (!rows.empty()) {
    const auto [lowX, highX] = std::minmax_element(
        rows.begin(), rows.end(), [](auto &a, auto &b) { return a.value < b.value; });
    RoundRange(x, lowX->value, highX->value);
  }
  if (quantity == "DG" || quantity == "Fit") {
    y->setTicker(QSharedPointer<RoundTicker>::create());
    double low = 0, high = 0;
    for (const BranchRow &row : rows) {
      low = std::min(low, row.measures[quantity_]);
      high = std::max(high, row.measures[quantity_]);
    }
    // Rounding errors around 0 are not blown up to fill the panel.
    RoundRange(y, std::min(low, -5e-4), std::max(high, 5e-4));
  } else {
    auto quarters = QSharedPointer<QCPAxisTickerFixed>::create();
    quarters->setTickStep(0.25);
    quarters->setScaleStrategy(QCPAxisTickerFixed::ssNone);
    y->setTicker(quarters);
    y->setRange(-0.03, 1.03);
  }

  if (textSize_ > 0) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(1, int(std::lround(textSize_))));
    for (QCPAxis *axis : rect->axes()) {
      axis->setTickLabelFont(font);
      axis->setLabelFont(font);
    }
    legend->setFont(font);
    legend->setIconSize(int(std::lround(textSize_ * 2.5)), int(std::lround(textSize_)));
  }
  plot_.replot(QCustomPlot::rpQueuedReplot);
}

QPointF BifurcationFigure::PixelOf(std::size_t k) const {
  const BranchRow &row = table_.rows.at(k);
  QCPAxisRect *rect = plot_.axisRect();
  return {rect->axis(QCPAxis::atBottom)->coordToPixel(row.value),
          rect->axis(QCPAxis::atLeft)->coordToPixel(row.measures[quantity_])};
}

long BifurcationFigure::RowAt(const QPointF &position, double reach, bool eventsOnly) const {
  if (!plot_.axisRect())
    return -1;
  long best = -1;
  double nearest = reach;
  for (std::size_t k = 0; k < table_.rows.size(); ++k) {
    if (eventsOnly && table_.rows[k].event.empty())
      continue;
    const QPointF d = PixelOf(k) - position;
    const double distance = std::hypot(d.x(), d.y());
    if (distance <= nearest) {
      nearest = distance;
      best = long(k);
    }
  }
  return best;
}

QString BifurcationFigure::RowText(std::size_t row) const {
  const BranchRow &r = table_.rows.at(row);
  const QString where = QStringLiteral("%1 = %2 (%3 = %4, %5)")
                            .arg(Symbol(table_.parameter))
                            .arg(r.value, 0, 'g', 10)
                            .arg(Symbol(BifurcationQuantities(table_.clonal)[quantity_]))
                            .arg(r.measures[quantity_], 0, 'g', 6)
                            .arg(QString::fromLatin1(analysis::StabilityName(r.stability)));
  return r.event.empty() ? where : QString::fromStdString(r.event) + " at " + where;
}

namespace {

std::shared_ptr<void> LayOut(QCustomPlot &plot, const analysis::BranchTable &table,
                             std::size_t quantity, const FigureSettings &settings) {
  const double width = LengthInInches(settings.width, settings.unit) * 72;
  const double height = LengthInInches(settings.height, settings.unit) * 72;
  plot.resize(std::max(1, int(std::lround(width))), std::max(1, int(std::lround(height))));
  plot.setLocale(QLocale::c());
  BifurcationFigure figure(plot);
  figure.Draw(table, quantity);
  figure.SetTextSize(settings.fontPt);
  if (settings.caption)
    AddCaption(plot, QString::fromStdString(table.command), settings.fontPt, width);
  // The panel holds at least four lines of its text.
  for (QCPAxisRect *rect : plot.axisRects())
    rect->setMinimumSize(rect->minimumSize().width(), int(std::lround(settings.fontPt * 4)));
  plot.replot(QCustomPlot::rpImmediateRefresh);
  return nullptr; // the plot holds everything it draws
}

// The model a table's recorded command names (after --model), or "".
std::string ModelOfCommand(const std::string &command) {
  const std::string key = "--model ";
  const std::size_t at = command.find(key);
  if (at == std::string::npos)
    return {};
  const std::size_t start = at + key.size();
  return command.substr(start, command.find(' ', start) - start);
}

} // namespace

std::optional<QSizeF> BifurcationFigureNeeds(const analysis::BranchTable &table,
                                             std::size_t quantity, const FigureSettings &settings) {
  return PlotFigureNeeds(settings, [&](QCustomPlot &plot, const FigureSettings &s) {
    return LayOut(plot, table, quantity, s);
  });
}

void WriteBifurcationFigure(const analysis::BranchTable &table, std::size_t quantity,
                            const FigureSettings &settings, const QString &path) {
  WritePlotFigure(
      settings,
      [&](QCustomPlot &plot, const FigureSettings &s) { return LayOut(plot, table, quantity, s); },
      QStringLiteral("Bifurcation diagram: ") + QString::fromStdString(table.command),
      FigureRecord{QString::fromStdString(ModelOfCommand(table.command)),
                   QString::fromStdString(table.command), settings.record.command},
      path);
}

} // namespace morvane::figure
