#include "ui/figure/SweepFigure.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

#include "files/NumberFormat.h"
#include "sweep/SweepOutputs.h"
#include "ui/figure/FigureBytes.h"
#include "ui/figure/RoundTicks.h"

namespace morvane::figure {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The most cells a map draws one by one in a vector figure (SVG, PDF);
// beyond, its picture.
constexpr double kMostVectorCells = 40000;

// A colour map whose cells, in a vector figure, are rectangles of their
// colour: sharp at every size, where its picture (one pixel a cell) would
// be blurred by the viewer's scaling.
class CellMap : public QCPColorMap {
public:
  using QCPColorMap::QCPColorMap;

protected:
  void draw(QCPPainter *painter) override {
    QCPColorMapData *cells = data();
    const int nk = cells->keySize(), nv = cells->valueSize();
    if (!painter->modes().testFlag(QCPPainter::pmVectorized) || nk < 1 || nv < 1 ||
        double(nk) * double(nv) > kMostVectorCells) {
      QCPColorMap::draw(painter);
      return;
    }
    const QCPRange keys = cells->keyRange(), values = cells->valueRange();
    const double dk = nk > 1 ? keys.size() / (nk - 1) : 1;
    const double dv = nv > 1 ? values.size() / (nv - 1) : 1;
    const bool log = dataScaleType() == QCPAxis::stLogarithmic;
    QCPColorGradient colours = gradient();
    painter->save();
    // Neighbouring cells meet without a seam.
    painter->setAntialiasing(false);
    painter->setPen(Qt::NoPen);
    for (int i = 0; i < nk; ++i)
      for (int j = 0; j < nv; ++j) {
        const double v = cells->cell(i, j);
        if (std::isnan(v))
          continue;
        double key = 0, value = 0;
        cells->cellToCoord(i, j, &key, &value);
        const QRectF cell(coordsToPixels(key - dk / 2, value - dv / 2),
                          coordsToPixels(key + dk / 2, value + dv / 2));
        painter->setBrush(QColor::fromRgba(qUnpremultiply(colours.color(v, dataRange(), log))));
        painter->drawRect(cell.normalized());
      }
    painter->restore();
  }
};

// The most values on an axis of a map whose cells carry crosses.
constexpr std::size_t kMostCrossed = 50;

// A table's number; the tables are written with '.' whatever the locale.
double Number(const std::string &text) { return TextToReal(text).value_or(kNaN); }

std::vector<std::string> Cells(const std::string &line) {
  std::vector<std::string> cells;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
    cells.push_back(line.substr(start, tab - start));
  cells.push_back(line.substr(start));
  return cells;
}

} // namespace

QString Symbol(const std::string &name) {
  static const std::pair<const char *, const char *> symbols[] = {
      {"W1A", "W1(A)"},     {"W2A", "W2(A)"},
      {"W1a", "W1(a)"},     {"W2a", "W2(a)"},
      {"fAB", "f(AB)"},     {"fAb", "f(Ab)"},
      {"faB", "f(aB)"},     {"fab", "f(ab)"},
      {"class", "Outcome"}, {"stableCount", "Stable equilibria"}};
  for (const auto &[option, symbol] : symbols)
    if (name == option)
      return symbol;
  return QString::fromStdString(name);
}

namespace {

// A varied p, q, DG or clone frequency is an initial value: DG0 as the input
// window names it, the others marked as initial.
QString AxisSymbol(const std::string &name) {
  if (name == "DG")
    return "DG0";
  if (name == "p" || name == "q" || name.compare(0, 1, "f") == 0)
    return Symbol(name) + " (initial)";
  return Symbol(name);
}

// Each output its colour and its dashes, so that lines stay apart in grey
// and where they overlap.
QPen LinePen(std::size_t k) {
  static const QColor colours[] = {QColor(0, 90, 181), QColor(220, 50, 32), QColor(0, 140, 70),
                                   QColor(120, 60, 160)};
  static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine};
  return QPen(colours[k % 4], 1.5, styles[k % 4]);
}

bool IsFrequency(const std::string &output) {
  for (const char *f : {"p", "q", "fAB", "fAb", "faB", "fab"})
    if (output == f)
      return true;
  return false;
}

// The outcomes a class map tells apart: each pair of a class of locus A and
// one of locus B, then "not converged"; always in this order and colour, so
// that a colour means the same on every map.
constexpr const char *kClassesA[] = {"A fixed", "polymorphic", "a fixed"};
constexpr const char *kClassesB[] = {"B fixed", "polymorphic", "b fixed"};
constexpr int kCategories = 10;

QString CategoryName(const std::string &output, int k) {
  if (output == "stableCount")
    return QString::number(k) + (k + 1 == kCategories ? QStringLiteral(" or more") : QString()) +
           QStringLiteral(" stable");
  if (k == kCategories - 1)
    return QStringLiteral("not converged");
  const auto named = [](const char *cls, const char *locus) {
    return std::string(cls) == "polymorphic" ? QString(locus) + " polymorphic" : QString(cls);
  };
  return named(kClassesA[k / 3], "A") + ", " + named(kClassesB[k % 3], "B");
}

// Colours told apart by most readers (and the last, not converged, grey).
QColor CategoryColour(int k) {
  static const QColor colours[kCategories] = {
      QColor(0, 114, 178),  QColor(86, 180, 233), QColor(0, 158, 115),   QColor(230, 159, 0),
      QColor(240, 228, 66), QColor(213, 94, 0),   QColor(204, 121, 167), QColor(120, 80, 40),
      QColor(40, 40, 110),  QColor(160, 160, 160)};
  return colours[k];
}

bool IsCategorical(const std::string &output) {
  return output == "class" || output == "stableCount";
}

// Outputs about 1: the invasion eigenvalues and the spectral radius.
bool IsCentredOnOne(const std::string &output) {
  return output == "lambdaA" || output == "lambdaB" || output == "radius";
}

constexpr int kLegendColumns = 3;

// A scale through evenly spaced stops, given as 0xRRGGBB.
QCPColorGradient GradientOf(const std::vector<QRgb> &stops) {
  QCPColorGradient gradient;
  gradient.clearColorStops();
  for (std::size_t k = 0; k < stops.size(); ++k)
    gradient.setColorStopAt(double(k) / double(stops.size() - 1), QColor(stops[k]));
  gradient.setNanHandling(QCPColorGradient::nhTransparent);
  return gradient;
}

} // namespace

// A perceptually even scale from dark blue-violet through teal to yellow,
// readable in grey.
QCPColorGradient SequentialGradient() {
  return GradientOf(
      {0x440154, 0x472c7a, 0x3b518b, 0x2c718e, 0x21908d, 0x27ad81, 0x5cc863, 0xaadc32, 0xfde725});
}

// Blue below 0, white at 0, red above, darker the farther from 0.
QCPColorGradient DivergingGradient() {
  return GradientOf(
      {0x053061, 0x2166ac, 0x67a9cf, 0xd1e5f0, 0xf7f7f7, 0xfddbc7, 0xef8a62, 0xb2182b, 0x67001f});
}

namespace {

void SetRoundTicker(QCPAxis *axis) { axis->setTicker(QSharedPointer<RoundTicker>::create()); }

// The range of the values of some graphs, widened to round limits.
void FitValueAxis(QCPAxis *axis, const std::vector<QCPGraph *> &graphs) {
  bool any = false;
  QCPRange all;
  for (QCPGraph *g : graphs) {
    bool found = false;
    const QCPRange r = g->getValueRange(found);
    if (found)
      all = any ? QCPRange(std::min(all.lower, r.lower), std::max(all.upper, r.upper)) : r;
    any = any || found;
  }
  if (!any)
    return;
  // Rounding errors around 0 are not blown up to fill the panel.
  const double minimumSpan = 1e-3, middle = (all.lower + all.upper) / 2;
  const RoundScale scale = RoundTicks(std::min(all.lower, middle - minimumSpan / 2),
                                      std::max(all.upper, middle + minimumSpan / 2));
  const double pad = (scale.high - scale.low) * 0.03;
  axis->setRange(scale.low - pad, scale.high + pad);
}

} // namespace

QString SweepLegend(const SweepPlan &plan) {
  static const std::pair<Model, const char *> models[] = {
      {Model::HaploidLocal, "Haploids, local panmixia"},
      {Model::HaploidGlobal, "Haploids, global panmixia"},
      {Model::DiploidLocal, "Diploids, local panmixia"},
      {Model::DiploidGlobal, "Diploids, global panmixia"},
      {Model::Clonal, "Clones"}};
  QString text;
  for (const auto &[model, caption] : models)
    if (model == plan.model)
      text = caption;
  QStringList values, choices;
  for (const CommandOption &o : plan.base) {
    const QString value = QString::fromStdString(o.value.value_or(""));
    if (o.name == "model")
      continue;
    if (o.name == "trade-off")
      choices << value + QStringLiteral(" trade-off");
    else if (o.name == "ess")
      choices << QStringLiteral("ESS");
    else if (o.name == "max-generations")
      choices << QStringLiteral("at most %1 generations").arg(value);
    else if (o.name == "disturb")
      choices << QStringLiteral("disturbed: ") + value;
    else
      values << AxisSymbol(o.name).replace(QStringLiteral(" (initial)"), QStringLiteral("0")) +
                    " = " + value;
  }
  if (!values.isEmpty())
    text += "; " + values.join(", ");
  if (!choices.isEmpty())
    text += "; " + choices.join(", ");
  QStringList grid, sizes;
  for (const SweepAxis &a : plan.axes) {
    grid << QStringLiteral("%1 from %2 to %3")
                .arg(
                    AxisSymbol(a.option).replace(QStringLiteral(" (initial)"), QStringLiteral("0")),
                    QString::fromStdString(a.shown.front()),
                    QString::fromStdString(a.shown.back()));
    sizes << QString::number(a.shown.size());
  }
  text += "; " + grid.join(", ") + "; " + sizes.join(QStringLiteral(" \u00d7 ")) +
          (plan.Points() == 1 ? " point" : " points");
  if (plan.shardCount > 1)
    text += QStringLiteral(" (shard %1 of %2)").arg(plan.shardIndex + 1).arg(plan.shardCount);
  return text;
}

void AddCaption(QCustomPlot &plot, const QString &words, double fontPt, double width) {
  const std::size_t perLine = std::max<std::size_t>(20, std::size_t(width / (fontPt * 0.66)));
  QString text, line;
  for (const QString &word : words.split(' ', Qt::SkipEmptyParts)) {
    if (!line.isEmpty() && std::size_t(line.size() + 1 + word.size()) > perLine) {
      text += line + '\n';
      line.clear();
    }
    line += (line.isEmpty() ? "" : " ") + word;
  }
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(std::max(1, int(std::lround(fontPt))));
  auto *caption = new QCPTextElement(&plot, text + line, font);
  QCPLayoutGrid *layout = plot.plotLayout();
  const int row = layout->rowCount();
  layout->addElement(row, 0, caption);
  layout->setRowStretchFactor(row, 0.001);
}

namespace {} // namespace

SweepTable ParseSweepTable(const std::string &content, const std::string &tableName) {
  SweepTable table;
  const std::vector<std::string> lines = LinesEndingWith(content, "\n", tableName, true);
  table.plan = PlanOfTable(lines, tableName);
  for (std::size_t k = 2; k < lines.size(); ++k)
    table.rows.push_back(Cells(lines[k].substr(0, lines[k].size() - 1)));
  return table;
}

std::vector<std::string> DiagramOutputs(Model model, const std::string &output) {
  if (output == "T" || IsCategorical(output) || IsCentredOnOne(output))
    return {output};
  if (model == Model::Clonal)
    return {"fAB", "fAb", "faB", "fab"};
  if (IsDiploid(model))
    return {"p", "q", "DG", "Fit"};
  return {"p", "q", "DG"}; // haploids' Fit is always 0
}

double RoundTicker::getTickStep(const QCPRange &range) {
  // Two intervals more than asked: the ticks need only lie within the range,
  // not cover it.
  return RoundTicks(range.lower, range.upper, std::max(1, tickCount()) + 2).step;
}

void SweepFigure::SetPlan(const SweepPlan &plan, const std::string &output) {
  plan_ = plan;
  rows_.clear();
  std::string header = SweepTableHeader(plan);
  if (!header.empty() && header.back() == '\n')
    header.pop_back();
  columns_ = Cells(header);
  for (std::size_t k = 0; k < 2; ++k) {
    axisValues_[k].clear();
    if (k < plan.axes.size())
      for (const std::string &v : plan.axes[k].shown)
        axisValues_[k].push_back(Number(v));
  }
  output_ = output;
  Build();
}

void SweepFigure::SetOutput(const std::string &output) {
  if (plan_.axes.empty()) {
    output_ = output;
    return; // nothing drawn yet: SetPlan takes the output
  }
  output_ = output;
  Build();
  for (std::size_t k = 0; k < rows_.size(); ++k)
    DrawRow(k);
  Rescale();
}

void SweepFigure::AddRows(const std::vector<std::vector<std::string>> &rows) {
  if (rows.size() <= rows_.size())
    return;
  for (std::size_t k = rows_.size(); k < rows.size(); ++k) {
    rows_.push_back(rows[k]);
    DrawRow(k);
  }
  Rescale();
}

void SweepFigure::AppendRows(std::vector<std::vector<std::string>> &&rows) {
  if (rows.empty())
    return;
  const std::size_t first = rows_.size();
  rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()),
               std::make_move_iterator(rows.end()));
  for (std::size_t k = first; k < rows_.size(); ++k)
    DrawRow(k);
  Rescale();
}

void SweepFigure::SetTextSize(double size) {
  textSize_ = size;
  if (plan_.axes.empty() || size <= 0)
    return;
  Build();
  for (std::size_t k = 0; k < rows_.size(); ++k)
    DrawRow(k);
  Rescale();
}

std::size_t SweepFigure::ColumnOf(const std::string &name) const {
  const auto it = std::find(columns_.begin(), columns_.end(), name);
  return it == columns_.end() ? 0 : std::size_t(it - columns_.begin());
}

bool SweepFigure::Converged(std::size_t point) const {
  const std::size_t column = ColumnOf("converged");
  return column >= rows_[point].size() || rows_[point][column] != "no";
}

double SweepFigure::CellValue(const std::vector<std::string> &row) const {
  if (output_ == "class") {
    const std::size_t a = ColumnOf("classA"), b = ColumnOf("classB");
    if (a == 0 || b >= row.size())
      return kNaN;
    if (row[a] == "not converged")
      return kCategories - 1;
    const auto index = [](const std::string &cls, const char *const(&names)[3]) {
      for (int k = 0; k < 3; ++k)
        if (cls == names[k])
          return k;
      return -1;
    };
    const int ia = index(row[a], kClassesA), ib = index(row[b], kClassesB);
    return ia < 0 || ib < 0 ? kNaN : 3 * ia + ib;
  }
  const std::size_t column = ColumnOf(output_);
  const double v = column < row.size() ? Number(row[column]) : kNaN;
  return output_ == "stableCount" ? std::min<double>(v, kCategories - 1) : v;
}

void SweepFigure::Build() {
  plot_.clearPlottables();
  plot_.clearItems();
  plot_.plotLayout()->clear();
  map_ = nullptr;
  scale_ = nullptr;
  mapCrosses_ = nullptr;
  paled_ = nullptr;
  legend_ = nullptr;
  contours_ = nullptr;
  categoryEntries_.assign(kCategories, nullptr);
  categoryDrawn_.assign(kCategories, false);
  lines_.clear();
  anyValue_ = anyCut_ = false;
  fitNegative_ = false;
  // Each line goes to its panel's legend entries, not to a default legend.
  plot_.setAutoAddPlottableToLegend(false);
  title_ = new QCPTextElement(&plot_, QString());
  plot_.plotLayout()->addElement(0, 0, title_);
  auto *rect = new QCPAxisRect(&plot_);
  plot_.plotLayout()->addElement(1, 0, rect);
  if (plan_.axes.size() == 2)
    BuildMap(rect);
  else
    BuildDiagram(rect);
  // A panel made after the plot puts its axes on the layer of the plottables,
  // drawn before the map's cells, which would hide the ticks: the axes go
  // above them, the grid below, in a fixed order (axes() alone lists them
  // in the order of a hash, which changes from process to process).
  for (QCPAxisRect *r : plot_.axisRects())
    for (QCPAxis *axis :
         r->axes(QCPAxis::atLeft | QCPAxis::atRight | QCPAxis::atTop | QCPAxis::atBottom)) {
      axis->setLayer(QStringLiteral("axes"));
      axis->grid()->setLayer(QStringLiteral("grid"));
    }
  if (textSize_ > 0) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(1, int(std::lround(textSize_))));
    QFont bold = font;
    bold.setBold(true);
    title_->setFont(bold);
    for (QCPAxisRect *r : plot_.axisRects())
      for (QCPAxis *axis : r->axes()) {
        axis->setTickLabelFont(font);
        axis->setLabelFont(font);
      }
    if (scale_) {
      scale_->axis()->setTickLabelFont(font);
      scale_->axis()->setLabelFont(font);
      scale_->setBarWidth(int(std::lround(textSize_ * 1.5)));
    }
    if (legend_) {
      legend_->setFont(font);
      // A line sample two and a half letters long instead of the widget's
      // 32 x 18 pixels, which leave a small figure's names no room.
      legend_->setIconSize(int(std::lround(textSize_ * 2.5)), int(std::lround(textSize_)));
    }
    // A panel of a diagram is a few lines of text high: three or four
    // labels on its value axis, not six crowded ones (the frequencies keep
    // their quarters, T its decades).
    if (!map_)
      for (QCPAxisRect *r : plot_.axisRects())
        if (r->axis(QCPAxis::atLeft)->ticker().dynamicCast<RoundTicker>())
          r->axis(QCPAxis::atLeft)->ticker()->setTickCount(2);
  }
}

void SweepFigure::BuildMap(QCPAxisRect *rect) {
  QCPAxis *x = rect->axis(QCPAxis::atBottom), *y = rect->axis(QCPAxis::atLeft);
  x->setLabel(AxisSymbol(plan_.axes[0].option));
  y->setLabel(AxisSymbol(plan_.axes[1].option));
  SetRoundTicker(x);
  SetRoundTicker(y);
  // Ticks outward, where they show whatever the colour of the cells.
  for (QCPAxis *axis : {x, y}) {
    axis->setTickLength(0, 4);
    axis->setSubTickLength(0, 2);
  }
  map_ = new CellMap(x, y);
  const auto &a = axisValues_[0], &b = axisValues_[1];
  map_->data()->setSize(int(a.size()), int(b.size()));
  map_->data()->setRange(QCPRange(a.front(), a.back()), QCPRange(b.front(), b.back()));
  map_->data()->fill(kNaN);
  map_->setInterpolate(false);
  if (IsCategorical(output_)) {
    // A colour for each category, named in a legend beside the map (entries
    // added as categories come), with lines between cells of two classes.
    std::vector<QRgb> colours;
    for (int k = 0; k < kCategories; ++k)
      colours.push_back(CategoryColour(k).rgb());
    QCPColorGradient gradient = GradientOf(colours);
    gradient.setLevelCount(kCategories);
    map_->setGradient(gradient);
    map_->setDataRange(QCPRange(0, kCategories - 1));
    // The legend at the top of a column of its own, its entries close.
    legend_ = new QCPLegend;
    legend_->setBorderPen(Qt::NoPen);
    auto *column = new QCPLayoutGrid;
    plot_.plotLayout()->addElement(1, 1, column);
    plot_.plotLayout()->setColumnStretchFactor(1, 0.001);
    column->addElement(0, 0, legend_);
    column->addElement(1, 0, new QCPLayoutElement(&plot_));
    column->setRowStretchFactor(0, 0.001);
    if (output_ == "class") {
      contours_ = new QCPCurve(x, y);
      contours_->setPen(QPen(Qt::black, 1.2));
      contours_->setScatterSkip(0);
    }
  } else {
    scale_ = new QCPColorScale(&plot_);
    plot_.plotLayout()->addElement(1, 1, scale_);
    map_->setColorScale(scale_);
    SetRoundTicker(scale_->axis());
    map_->setGradient(SequentialGradient());
    ChooseColourScale(false);
    auto *margins = new QCPMarginGroup(&plot_);
    rect->setMarginGroup(QCP::msBottom | QCP::msTop, margins);
    scale_->setMarginGroup(QCP::msBottom | QCP::msTop, margins);
  }
  // The cells' edges half a step beyond the first and last values.
  const auto pad = [](const std::vector<double> &v) {
    const double half = v.size() > 1 ? (v.back() - v.front()) / double(v.size() - 1) / 2 : 0.5;
    return QCPRange(std::min(v.front(), v.back()) - std::abs(half),
                    std::max(v.front(), v.back()) + std::abs(half));
  };
  x->setRange(pad(a));
  y->setRange(pad(b));
  // Points not converged: a cross on each cell of a coarse grid; on a fine
  // one, whose cells are too small to carry a cross, the cells paled.
  if (a.size() <= kMostCrossed && b.size() <= kMostCrossed) {
    mapCrosses_ = new QCPGraph(x, y);
    mapCrosses_->setLineStyle(QCPGraph::lsNone);
    // Red: a colour the map's scale does not hold; as large as a cell allows,
    // once the layout gives the cells their size.
    QObject::connect(&plot_, &QCustomPlot::afterLayout, mapCrosses_, [this, rect] {
      const double cell = std::min(rect->width() / double(axisValues_[0].size()),
                                   rect->height() / double(axisValues_[1].size()));
      mapCrosses_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCross, QColor(230, 0, 0),
                                                   std::clamp(cell * 0.6, 3.0, 7.0)));
    });
    return;
  }
  paled_ = new CellMap(x, y);
  paled_->data()->setSize(int(a.size()), int(b.size()));
  paled_->data()->setRange(QCPRange(a.front(), a.back()), QCPRange(b.front(), b.back()));
  paled_->data()->fill(kNaN);
  paled_->setInterpolate(false);
  QCPColorGradient pale;
  pale.clearColorStops();
  pale.setColorStopAt(0, QColor(255, 255, 255, 170));
  pale.setColorStopAt(1, QColor(255, 255, 255, 170));
  pale.setNanHandling(QCPColorGradient::nhTransparent);
  paled_->setGradient(pale);
  paled_->setDataRange(QCPRange(0, 2));
}

void SweepFigure::BuildDiagram(QCPAxisRect *first) {
  const std::vector<std::string> outputs = DiagramOutputs(plan_.model, output_);
  // Frequencies in one panel, DG and Fit below them on their own scale.
  std::vector<std::vector<std::string>> panels(1);
  for (const std::string &o : outputs) {
    if (!panels.back().empty() && IsFrequency(panels.back().front()) != IsFrequency(o))
      panels.emplace_back();
    panels.back().push_back(o);
  }
  // One legend, in a row of its own between the title and the panels.
  QCPLayoutGrid *layout = plot_.plotLayout();
  layout->take(first);
  layout->simplify();
  legend_ = new QCPLegend;
  layout->addElement(1, 0, legend_);
  // Three entries a row, so that every name keeps its room at a column's width.
  legend_->setFillOrder(QCPLayoutGrid::foColumnsFirst);
  legend_->setWrap(kLegendColumns);
  legend_->setBorderPen(Qt::NoPen);
  layout->setRowStretchFactor(0, 0.001);
  layout->setRowStretchFactor(1, 0.001);
  auto *margins = new QCPMarginGroup(&plot_);
  std::size_t k = 0;
  for (std::size_t p = 0; p < panels.size(); ++p) {
    QCPAxisRect *rect = p == 0 ? first : new QCPAxisRect(&plot_);
    layout->addElement(int(p) + 2, 0, rect);
    rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
    QCPAxis *x = rect->axis(QCPAxis::atBottom), *y = rect->axis(QCPAxis::atLeft);
    SetRoundTicker(x);
    SetRoundTicker(y);
    // Round ends, a little beyond, so that no point sits on the frame.
    const RoundScale xs = RoundTicks(axisValues_[0].front(), axisValues_[0].back());
    const double pad = (xs.high - xs.low) * 0.03;
    x->setRange(xs.low - pad, xs.high + pad);
    if (p + 1 == panels.size())
      x->setLabel(AxisSymbol(plan_.axes[0].option));
    QString names;
    for (const std::string &o : panels[p])
      names += (names.isEmpty() ? "" : ", ") + Symbol(o);
    y->setLabel(IsFrequency(panels[p].front()) ? QStringLiteral("Frequency") : names);
    if (IsFrequency(panels[p].front())) {
      // 0 to 1, both ends labelled.
      auto quarters = QSharedPointer<QCPAxisTickerFixed>::create();
      quarters->setTickStep(0.25);
      quarters->setScaleStrategy(QCPAxisTickerFixed::ssNone);
      y->setTicker(quarters);
      y->setRange(-0.03, 1.03);
    } else if (panels[p].front() == "T") {
      y->setScaleType(QCPAxis::stLogarithmic);
      y->setTicker(QSharedPointer<QCPAxisTickerLog>::create());
      y->setNumberFormat(QStringLiteral("eb"));
      y->setNumberPrecision(0);
    }
    for (const std::string &o : panels[p]) {
      if (o == output_)
        shownLine_ = lines_.size();
      auto *graph = new QCPGraph(x, y);
      graph->setName(Symbol(o));
      graph->setPen(LinePen(k++));
      graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 3));
      graph->addToLegend(legend_);
      auto *crosses = new QCPGraph(x, y);
      crosses->setLineStyle(QCPGraph::lsNone);
      crosses->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCross, Qt::black, 8));
      crosses->setName(QStringLiteral("not converged"));
      lines_.push_back({ColumnOf(o), graph, crosses});
    }
  }
}

void SweepFigure::ChooseColourScale(bool negativeFit) {
  // Frequencies (and Fit while none is negative) on 0 to 1, both ends
  // labelled; DG, and Fit once a negative one comes, on a scale centred on
  // 0; T on a log scale. Fixed whatever the values, so that a running
  // sweep's colours keep their meaning; only T's top grows, by decades, when
  // no cap bounds it.
  QCPAxis *axis = scale_->axis();
  if (output_ == "T") {
    map_->setDataScaleType(QCPAxis::stLogarithmic);
    axis->setTicker(QSharedPointer<QCPAxisTickerLog>::create());
    axis->setNumberFormat(QStringLiteral("eb"));
    axis->setNumberPrecision(0);
    double top = 10;
    for (const CommandOption &o : plan_.base)
      if (o.name == "max-generations" && o.value)
        top = std::max(top, Number(*o.value));
    if (anyValue_)
      top = std::max(top, high_);
    map_->setDataRange(QCPRange(1, std::pow(10, std::ceil(std::log10(top)))));
    return;
  }
  if (IsCentredOnOne(output_)) {
    // Below 1 (stable, an allele that does not invade) and above on either
    // side of the scale's middle.
    map_->setGradient(DivergingGradient());
    auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
    ticker->setScaleStrategy(QCPAxisTickerFixed::ssNone);
    ticker->setTickStep(0.5);
    axis->setTicker(ticker);
    map_->setDataRange(QCPRange(0.5, 1.5));
    return;
  }
  const bool diverging = output_ == "DG" || (output_ == "Fit" && negativeFit);
  map_->setGradient(diverging ? DivergingGradient() : SequentialGradient());
  auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
  ticker->setScaleStrategy(QCPAxisTickerFixed::ssNone);
  // DG lies within -0.25..0.25 for every p and q.
  const double top = output_ == "DG" ? 0.25 : 1;
  ticker->setTickStep(output_ == "DG" ? 0.05 : diverging ? 0.5 : 0.2);
  axis->setTicker(ticker);
  map_->setDataRange(QCPRange(diverging ? -top : 0, top));
  fitNegative_ = negativeFit;
}

void SweepFigure::DrawRow(std::size_t point) {
  const auto at = plan_.Coordinates(point);
  const bool cut = !Converged(point);
  anyCut_ = anyCut_ || cut;
  const double x = axisValues_[0][at[0]];
  if (map_) {
    const double value = CellValue(rows_[point]);
    if (IsCategorical(output_) && std::isfinite(value))
      ShowCategory(int(value));
    if (std::isfinite(value)) {
      low_ = anyValue_ ? std::min(low_, value) : value;
      high_ = anyValue_ ? std::max(high_, value) : value;
      anyValue_ = true;
      if (output_ == "Fit" && value < 0 && !fitNegative_)
        ChooseColourScale(true);
    }
    map_->data()->setCell(int(at[0]), int(at[1]), value);
    if (paled_)
      paled_->data()->setCell(int(at[0]), int(at[1]), cut ? 1 : kNaN);
    else if (cut)
      mapCrosses_->addData(x, axisValues_[1][at[1]]);
    return;
  }
  for (const Line &line : lines_) {
    const double value = IsCategorical(output_) || IsCentredOnOne(output_) ? CellValue(rows_[point])
                         : line.column < rows_[point].size() ? Number(rows_[point][line.column])
                                                             : kNaN;
    if (IsCategorical(output_) && std::isfinite(value))
      ShowCategory(int(value));
    line.graph->addData(x, value);
    if (cut)
      line.crosses->addData(x, value);
  }
}

void SweepFigure::ShowCategory(int k) {
  if (k < 0 || k >= kCategories || categoryDrawn_[std::size_t(k)])
    return;
  categoryDrawn_[std::size_t(k)] = true;
  if (!map_) {
    // A diagram's value axis names the categories drawn.
    auto ticker = QSharedPointer<QCPAxisTickerText>::create();
    for (int c = 0; c < kCategories; ++c)
      if (categoryDrawn_[std::size_t(c)])
        ticker->addTick(c, CategoryName(output_, c));
    if (!lines_.empty())
      lines_[shownLine_].graph->valueAxis()->setTicker(ticker);
    return;
  }
  // An entry of the map's legend, a square of the category's colour; the
  // entries in the categories' order.
  QCPAxisRect *rect = plot_.axisRects().front();
  auto *entry = new QCPGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
  entry->setLineStyle(QCPGraph::lsNone);
  entry->setScatterStyle(
      QCPScatterStyle(QCPScatterStyle::ssSquare, CategoryColour(k), CategoryColour(k), 9));
  entry->setName(CategoryName(output_, k));
  categoryEntries_[std::size_t(k)] = entry;
  legend_->clearItems();
  for (QCPGraph *shown : categoryEntries_)
    if (shown)
      shown->addToLegend(legend_);
}

void SweepFigure::DrawContours() {
  // A segment along each edge between two cells of different classes,
  // segments apart by a gap (NaN).
  QCPColorMapData *cells = map_->data();
  const int nk = cells->keySize(), nv = cells->valueSize();
  const auto &a = axisValues_[0], &b = axisValues_[1];
  const double dk = nk > 1 ? (a.back() - a.front()) / (nk - 1) : 1;
  const double dv = nv > 1 ? (b.back() - b.front()) / (nv - 1) : 1;
  QVector<double> keys, values;
  const auto segment = [&](double k0, double v0, double k1, double v1) {
    keys << k0 << k1 << kNaN;
    values << v0 << v1 << kNaN;
  };
  for (int i = 0; i < nk; ++i)
    for (int j = 0; j < nv; ++j) {
      const double here = cells->cell(i, j);
      if (std::isnan(here))
        continue;
      const double k = a[std::size_t(i)], v = b[std::size_t(j)];
      if (i + 1 < nk && !std::isnan(cells->cell(i + 1, j)) && cells->cell(i + 1, j) != here)
        segment(k + dk / 2, v - dv / 2, k + dk / 2, v + dv / 2);
      if (j + 1 < nv && !std::isnan(cells->cell(i, j + 1)) && cells->cell(i, j + 1) != here)
        segment(k - dk / 2, v + dv / 2, k + dk / 2, v + dv / 2);
    }
  contours_->setData(keys, values);
}

void SweepFigure::Rescale() {
  // Short enough for a map one chart wide: the colour bar takes its share.
  QString title = !map_                      ? QStringLiteral("At the end of each series")
                  : output_ == "class"       ? QStringLiteral("Outcome")
                  : output_ == "stableCount" ? QStringLiteral("Stable equilibria")
                  : output_ == "lambdaA"     ? QStringLiteral("Invasion of A")
                  : output_ == "lambdaB"     ? QStringLiteral("Invasion of B")
                  : output_ == "radius"      ? QStringLiteral("Spectral radius")
                                             : QStringLiteral("Final ") + Symbol(output_);
  if (contours_)
    DrawContours();
  if (anyCut_ && map_)
    title += paled_ ? QStringLiteral(" (pale: not converged)")
                    : QStringLiteral(" (\u00d7 not converged)");
  if (anyCut_ && legend_ && !lines_.empty() && !legend_->hasItemWithPlottable(lines_[0].crosses))
    lines_[0].crosses->addToLegend(legend_);
  title_->setText(title);
  if (map_ && anyValue_ && output_ == "T" && high_ > map_->dataRange().upper)
    ChooseColourScale(fitNegative_);
  for (QCPAxisRect *rect : plot_.axisRects()) {
    QCPAxis *y = rect->axis(QCPAxis::atLeft);
    std::vector<QCPGraph *> graphs;
    bool frequencies = false;
    for (const Line &line : lines_)
      if (line.graph->valueAxis() == y) {
        graphs.push_back(line.graph);
        frequencies = frequencies || IsFrequency(columns_[line.column]);
      }
    if (graphs.empty() || frequencies)
      continue;
    if (y->scaleType() == QCPAxis::stLogarithmic) {
      // Whole decades around the generations counted (at least 1).
      bool found = false;
      QCPRange r(1, 10);
      for (QCPGraph *g : graphs) {
        const QCPRange gr = g->getValueRange(found, QCP::sdPositive);
        if (found)
          r = QCPRange(std::min(r.lower, gr.lower), std::max(r.upper, gr.upper));
      }
      y->setRange(std::pow(10, std::floor(std::log10(std::max(1.0, r.lower)))),
                  std::pow(10, std::ceil(std::log10(std::max(10.0, r.upper)))));
    } else {
      FitValueAxis(y, graphs);
    }
  }
  plot_.replot(QCustomPlot::rpQueuedReplot);
}

double SweepFigure::Value(std::size_t point) const {
  if (point >= rows_.size())
    return kNaN;
  const auto at = plan_.Coordinates(point);
  if (map_)
    return map_->data()->cell(int(at[0]), int(at[1]));
  if (lines_.empty())
    return kNaN;
  const auto data = lines_[shownLine_].graph->data();
  const auto it = data->findBegin(axisValues_[0][at[0]], false);
  return it == data->constEnd() ? kNaN : it->value;
}

bool SweepFigure::Marked(std::size_t point) const {
  if (point >= rows_.size())
    return false;
  const auto at = plan_.Coordinates(point);
  const double x = axisValues_[0][at[0]];
  if (paled_)
    return paled_->data()->cell(int(at[0]), int(at[1])) == 1;
  const double y = map_ ? axisValues_[1][at[1]] : Value(point);
  const QCPGraph *crosses = map_             ? mapCrosses_
                            : lines_.empty() ? nullptr
                                             : lines_[shownLine_].crosses;
  if (!crosses)
    return false;
  for (auto it = crosses->data()->constBegin(); it != crosses->data()->constEnd(); ++it)
    if (it->key == x && (it->value == y || (std::isnan(y) && std::isnan(it->value))))
      return true;
  return false;
}

long SweepFigure::PointAt(const QPointF &position) const {
  if (plan_.axes.empty())
    return -1;
  const auto nearest = [](const std::vector<double> &values, double v) {
    std::size_t best = 0;
    for (std::size_t k = 1; k < values.size(); ++k)
      if (std::abs(values[k] - v) < std::abs(values[best] - v))
        best = k;
    return best;
  };
  for (QCPAxisRect *rect : plot_.axisRects()) {
    if (!rect->rect().contains(position.toPoint()))
      continue;
    std::size_t point =
        nearest(axisValues_[0], rect->axis(QCPAxis::atBottom)->pixelToCoord(position.x()));
    if (map_)
      point = point * axisValues_[1].size() +
              nearest(axisValues_[1], rect->axis(QCPAxis::atLeft)->pixelToCoord(position.y()));
    return point < rows_.size() ? long(point) : -1;
  }
  return -1;
}

QString SweepFigure::PointText(std::size_t point) const {
  QString text;
  const std::vector<std::string> &row = rows_.at(point);
  for (std::size_t k = 0; k < row.size() && k < columns_.size(); ++k)
    text += QString::fromStdString(columns_[k] + " = " + row[k]) +
            (k + 1 < row.size() ? QStringLiteral("\n") : QString());
  return text;
}

namespace {

// The figure laid out on `plot` at the settings' size in points (72 to the
// inch), the text at its size in points.
void LayOutSweepFigure(QCustomPlot &plot, SweepFigure &figure, const SweepPlan &plan,
                       const std::vector<std::vector<std::string>> &rows, const std::string &output,
                       const FigureSettings &settings) {
  const double width = LengthInInches(settings.width, settings.unit) * 72;
  const double height = LengthInInches(settings.height, settings.unit) * 72;
  plot.resize(std::max(1, int(std::lround(width))), std::max(1, int(std::lround(height))));
  // Numbers with '.', as in the sweep's files and options, whatever the
  // desktop's language: the figure is the same from the window and from the
  // command line.
  plot.setLocale(QLocale::c());
  figure.SetPlan(plan, output);
  figure.SetTextSize(settings.fontPt);
  figure.AddRows(rows);
  if (settings.caption)
    AddCaption(plot, SweepLegend(plan), settings.fontPt, width);
  // A panel holds at least two lines of its text, so that its ticks and
  // points stay readable.
  const int panel = int(std::lround(settings.fontPt * 2));
  for (QCPAxisRect *rect : plot.axisRects())
    rect->setMinimumSize(rect->minimumSize().width(), panel);
  plot.replot(QCustomPlot::rpImmediateRefresh);
}

} // namespace

std::optional<QSizeF> PlotFigureNeeds(const FigureSettings &settings, const PlotLayOut &layOut) {
  // In the settings' unit, rounded up to a tenth.
  const double perUnit = 72 * LengthInInches(1, settings.unit);
  const auto up = [perUnit](double points, double asked) {
    return std::max(asked, std::ceil(points / perUnit * 10) / 10);
  };
  // The caption wraps to the width: a wider figure may want another height,
  // so the size is grown until it holds everything.
  FigureSettings tried = settings;
  for (int round = 0; round < 8; ++round) {
    QCustomPlot plot;
    const std::shared_ptr<void> drawer = layOut(plot, tried);
    const QSize least = plot.plotLayout()->minimumOuterSizeHint();
    if (least.width() <= plot.width() && least.height() <= plot.height())
      break;
    tried.width = up(least.width() + 1, tried.width);
    tried.height = up(least.height() + 1, tried.height);
  }
  if (tried.width == settings.width && tried.height == settings.height)
    return std::nullopt;
  return QSizeF(tried.width, tried.height);
}

std::optional<QSizeF> SweepFigureNeeds(const SweepPlan &plan,
                                       const std::vector<std::vector<std::string>> &rows,
                                       const std::string &output, const FigureSettings &settings) {
  return PlotFigureNeeds(settings, [&](QCustomPlot &plot, const FigureSettings &tried) {
    auto figure = std::make_shared<SweepFigure>(plot);
    LayOutSweepFigure(plot, *figure, plan, rows, output, tried);
    return figure;
  });
}

void WriteSweepFigure(const SweepPlan &plan, const std::vector<std::vector<std::string>> &rows,
                      const std::string &output, const FigureSettings &settings,
                      const QString &path) {
  WritePlotFigure(
      settings,
      [&](QCustomPlot &plot, const FigureSettings &s) {
        auto figure = std::make_shared<SweepFigure>(plot);
        LayOutSweepFigure(plot, *figure, plan, rows, output, s);
        return figure;
      },
      QString::fromStdString(output + " of the sweep " + plan.signature),
      FigureRecord{QString::fromStdString(ModelName(plan.model)), SweepLegend(plan),
                   settings.record.command},
      path);
}

void WritePlotFigure(const FigureSettings &settings, const PlotLayOut &layOut, const QString &title,
                     const FigureRecord &record, const QString &path) {
  // A figure too small for its labels would cut them: refused, with the
  // size it needs.
  if (const std::optional<QSizeF> needs = PlotFigureNeeds(settings, layOut)) {
    const char *unit = settings.unit == LengthUnit::Cm ? " cm" : " in";
    throw std::runtime_error("Cannot write " + path.toStdString() + ": at " +
                             QString::number(settings.fontPt).toStdString() +
                             " pt the figure needs at least " +
                             QString::number(needs->width()).toStdString() + " x " +
                             QString::number(needs->height()).toStdString() + unit +
                             " to hold its labels whole (a larger size or a smaller font)");
  }
  QCustomPlot plot;
  const std::shared_ptr<void> drawer = layOut(plot, settings);
  // Laid out in whole points, on a page of the size asked.
  FigureDrawing drawing;
  drawing.pngFromSvg = true;
  drawing.paint = [&plot](QPaintDevice &device, QSizeF) {
    QCPPainter painter;
    if (!painter.begin(&device))
      return false;
    painter.setMode(QCPPainter::pmVectorized);
    plot.toPainter(&painter, plot.width(), plot.height());
    return painter.end();
  };
  WriteFigure(settings, drawing, title, record, path);
}

} // namespace morvane::figure
