#include "ui/figure/SeriesFigure.h"

#include "ui/figure/FigureOptions.h"

#include <QChart>
#include <QFile>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "files/TextFile.h"
#include "ui/figure/ChartSetUp.h"
#include "ui/figure/FigureBytes.h"
#include "ui/figure/FigureSaving.h"
#include "ui/framework/Locale.h"

namespace morvane::ui {

using figure::FigureCharts;
using figure::FigureFormat;
using figure::FigureSettings;

QString ModelName(const std::string &ploidy, const std::string &reproduction) {
  const struct {
    const char *ploidy, *reproduction, *name;
  } models[] = {{"Diploid", "Global", "Diploids with global panmixia"},
                {"Diploid", "Local", "Diploids with local panmixia"},
                {"Haploid", "Global", "Haploids with global panmixia"},
                {"Haploid", "Local", "Haploids with local panmixia"},
                {"Haploid", "Clonal", "Haploid clonals"}};
  for (const auto &m : models)
    if (ploidy == m.ploidy && reproduction == m.reproduction)
      return QString::fromLatin1(m.name);
  return QString::fromStdString(ploidy + " " + reproduction).trimmed();
}

namespace {

// The trade-off and ESS of a series in words.
QString StatusWords(const std::string &status) {
  const struct {
    const char *status, *words;
  } words[] = {{"NoTO", "no trade-off"},
               {"LinTO", "linear trade-off"},
               {"ConvTO", "convex trade-off"},
               {"ConcTO", "concave trade-off"},
               {"NoESS", "no ESS"},
               {"LinESS", "linear ESS"}};
  for (const auto &w : words)
    if (status == w.status)
      return QString::fromLatin1(w.words);
  return QString::fromStdString(status);
}

QString Named(const QString &name, const QString &value) { return name + " = " + value; }

// What tells series apart, in the order legends and captions name it: the
// model, the parameters, the initial state (T = 0 of its table) and L.
QStringList SeriesItems(const FigureSeries &s) {
  const SeriesParameters &p = s.parameters;
  if (!p.HasParameters)
    return {};
  QStringList items = {
      ModelName(p.Ploidy, p.Reproduction),    Named("x", RealText(p.SoftProp)),
      Named("d", RealText(p.MigSurv)),        Named("c", RealText(p.HabFreq)),
      Named("i", QString::number(p.TriesAB)), Named("j", QString::number(p.TriesaB)),
      Named("W1(A)", RealText(p.W1A)),        Named("W2(A)", RealText(p.W2A)),
      Named("W1(a)", RealText(p.W1a)),        Named("W2(a)", RealText(p.W2a)),
      StatusWords(p.TradeOffStatus),          StatusWords(p.ESSStatus)};
  if (s.table && s.table->Rows() > 0) {
    const bool clonal = p.Reproduction == "Clonal";
    const char *sexual[] = {"p0", "q0", "DG0"};
    const char *clones[] = {"f0(AB)", "f0(Ab)", "f0(aB)", "f0(ab)"};
    for (std::size_t k = 0; k < (clonal ? 4u : 3u); ++k)
      items << Named(QString::fromLatin1(clonal ? clones[k] : sexual[k]),
                     RealText(s.table->Columns[k + 1].front()));
  }
  // A Detail file does not record L: only the current series knows it. L
  // comes last.
  if (p.StopThreshold > 0)
    items << Named("L", RealText(p.StopThreshold));
  return items;
}

} // namespace

QString ParameterSummary(const SeriesParameters &p) {
  FigureSeries alone{p, nullptr, QString()};
  QStringList items = SeriesItems(alone);
  if (!items.isEmpty())
    items.removeFirst();
  return items.join(QStringLiteral(", "));
}

QString SeriesCaption(const SeriesParameters &p) {
  if (!p.HasParameters)
    return QStringLiteral("%1 (a Plot file holds no parameters)")
        .arg(QFile::decodeName(QByteArray::fromStdString(p.PlotFileName)));
  return ModelName(p.Ploidy, p.Reproduction) + QStringLiteral(": ") + ParameterSummary(p);
}

QString CommonCaption(const std::vector<FigureSeries> &series) {
  if (series.empty())
    return {};
  if (!series.front().parameters.HasParameters)
    return series.size() == 1 ? SeriesCaption(series.front().parameters) : QString();
  // L only where a Detail file, which does not record it, cannot hold
  // another: the caption of the current series is the caption of its Detail
  // file's series.
  const auto items = [](const FigureSeries &s) {
    QStringList all = SeriesItems(s);
    if (s.parameters.StopThreshold > 0)
      all.removeLast();
    return all;
  };
  QStringList common = items(series.front());
  for (std::size_t k = 1; k < series.size(); ++k) {
    const QStringList other = items(series[k]);
    for (qsizetype item = 0; item < common.size(); ++item)
      if (item >= other.size() || other[item] != common[item])
        common[item].clear();
  }
  // "no trade-off" and the like stay on one line too.
  for (qsizetype item = 1; item < common.size(); ++item)
    if (!common[item].contains(QStringLiteral(" = ")))
      common[item].replace(QChar(' '), QChar(0x00A0));
  const bool sameModel = !common.front().isEmpty();
  const QString model = common.front();
  common.removeFirst();
  common.removeAll(QString());
  // A name and its value are kept together on one line.
  const QString values = common.join(QStringLiteral(", "))
                             .replace(QStringLiteral(" = "), QStringLiteral("\u00A0=\u00A0"));
  if (!sameModel)
    return values.isEmpty() ? QString() : QStringLiteral("All series: ") + values + ".";
  return model + (values.isEmpty() ? QString() : QStringLiteral(": ") + values) + ".";
}

QStringList SeriesLabels(const std::vector<FigureSeries> &series) {
  std::vector<QStringList> all;
  for (const FigureSeries &s : series)
    all.push_back(SeriesItems(s));
  QStringList labels;
  for (std::size_t k = 0; k < series.size(); ++k) {
    QStringList differing;
    for (qsizetype item = 0; item < all[k].size(); ++item)
      for (const QStringList &other : all)
        if (other.size() != all[k].size() || other[item] != all[k][item]) {
          differing << all[k][item];
          break;
        }
    labels << (differing.isEmpty() || all[k].isEmpty() ? series[k].origin
                                                       : differing.join(QStringLiteral(", ")));
  }
  // The same series twice, or two that nothing tells apart: numbered.
  for (qsizetype k = 0; k < labels.size(); ++k)
    if (labels.count(labels[k]) > 1) {
      const QString same = labels[k];
      for (qsizetype n = 0, number = 1; n < labels.size(); ++n)
        if (labels[n] == same)
          labels[n] = QStringLiteral("%1 (%2)").arg(same).arg(number++);
    }
  return labels;
}

ChartDesign DrawnDesign(const SeriesFigure &f, const ChartDesign &design) {
  ChartDesign drawn = design;
  const bool fit = std::any_of(design.lines.begin(), design.lines.end(),
                               [](const LineDesign &l) { return l.column == 4; });
  const bool anyDiploid = std::any_of(f.series.begin(), f.series.end(), [](const FigureSeries &s) {
    return s.parameters.Ploidy != "Haploid";
  });
  if (!f.clonal && fit && !anyDiploid && !f.series.empty()) {
    drawn.title = QStringLiteral("Frequencies of DG");
    drawn.yTitle = QStringLiteral("DG");
  }
  return drawn;
}

std::vector<FigureLine> FigureLines(const SeriesFigure &f, const ChartDesign &design) {
  const bool several = f.series.size() > 1;
  const QStringList labels = several ? SeriesLabels(f.series) : QStringList();
  std::vector<FigureLine> lines;
  for (std::size_t n = 0; n < f.series.size(); ++n) {
    const bool haploid = !f.clonal && f.series[n].parameters.Ploidy == "Haploid";
    for (LineDesign line : design.lines) {
      if (haploid && line.column == 4)
        continue;
      QString name = QString::fromLatin1(line.title);
      Marker marker = Marker::None;
      if (several) {
        line.colour = SeriesColour(n);
        marker = SeriesMarker(n);
        name += QStringLiteral(", ") + labels[qsizetype(n)];
      }
      lines.push_back({n, line, name, marker});
    }
  }
  return lines;
}

namespace {

// A figure is laid out in half points: fonts of a whole or half point size
// are whole units, and the charts' own paddings keep their proportions.
constexpr double kUnitsPerPoint = 2;
// The least height of a chart, plot area and axes, in lines of its font.
constexpr double kLeastChartHeight = 7;

std::runtime_error SaveFailure(const QString &fileName, const QString &why) {
  return std::runtime_error(
      QStringLiteral("Cannot save the chart to %1:\n%2").arg(fileName, why).toStdString());
}

// The charts of the series the settings ask for.
std::vector<std::size_t> ChosenCharts(bool clonal, FigureCharts charts) {
  if (clonal)
    return {0};
  switch (charts) {
  case FigureCharts::Frequencies:
    return {0};
  case FigureCharts::Fitness:
    return {1};
  case FigureCharts::Both:
    break;
  }
  return {0, 1};
}

// The rerun starts of a figure of one series.
const std::vector<SimState::RerunStart> &RerunsOfOne(const SeriesFigure &f) {
  return f.series.front().reruns;
}

ChartLook FigureLook(const FigureSettings &s) {
  ChartLook look;
  // A named family, not the desktop's font: the same figure on every
  // desktop and from the command line.
  look.font = QFont(QStringLiteral("DejaVu Sans"));
  look.font.setPixelSize(std::max(1, int(std::lround(s.fontPt * kUnitsPerPoint))));
  look.lineWidth = 1.0 * kUnitsPerPoint;
  look.margin = int(std::lround(3 * kUnitsPerPoint));
  return look;
}

// The numbers of a figure: the user's decimal separator, as in the windows,
// with a true minus sign (U+2212) where the windows have a hyphen. Romansh
// writes a point and Swedish a comma, both with that minus.
QLocale FigureLocale() {
  QLocale locale(QLocale().decimalPoint() == QStringLiteral(",") ? QStringLiteral("sv_SE")
                                                                 : QStringLiteral("rm_CH"));
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale;
}

// A legend entry of a figure: a stretch of the line, dashes and all, its
// marker, and its name.
struct LegendEntry {
  QPen pen;
  QString name;
  Marker marker = Marker::None;
};

// The entries laid out in rows across `width`, from `top`; returns the height
// they take. Draws them when `painter` is given. A name too long for a row
// is elided rather than drawn over the next entry; a layout that needs that
// is refused (NamesFit).
double LayOutLegend(QPainter *painter, const std::vector<LegendEntry> &entries, const QFont &font,
                    double left, double top, double width, double markerSize) {
  const QFontMetricsF metrics(font);
  const double sample = 2.5 * metrics.height(), gap = 0.5 * metrics.height();
  const double lineHeight = metrics.height() * 1.15;
  double x = 0, y = 0;
  for (const LegendEntry &e : entries) {
    const double entryWidth = std::min(width, sample + gap + metrics.horizontalAdvance(e.name));
    if (x > 0 && x + entryWidth > width) {
      x = 0;
      y += lineHeight;
    }
    if (painter) {
      const double middle = top + y + lineHeight / 2;
      painter->setPen(e.pen);
      painter->drawLine(QPointF(left + x, middle), QPointF(left + x + sample, middle));
      DrawMarker(*painter, e.marker, e.pen.color(), QPointF(left + x + sample / 2, middle),
                 markerSize);
      painter->setPen(Qt::black);
      painter->setFont(font);
      painter->drawText(
          QRectF(left + x + sample + gap, top + y, entryWidth - sample - gap + 1, lineHeight),
          Qt::AlignLeft | Qt::AlignVCenter,
          metrics.elidedText(e.name, Qt::ElideRight, entryWidth - sample - gap + 1));
    }
    x += entryWidth + 2 * gap;
  }
  return entries.empty() ? 0 : y + lineHeight;
}

// Whether every name of `entries` fits whole in a row `width` wide.
bool NamesFit(const std::vector<LegendEntry> &entries, const QFont &font, double width) {
  const QFontMetricsF metrics(font);
  for (const LegendEntry &e : entries)
    if (2.5 * metrics.height() + 0.5 * metrics.height() + metrics.horizontalAdvance(e.name) >
        width + 1e-9)
      return false;
  return true;
}

// The height of `text` wrapped across `width`.
double WrappedHeight(const QFont &font, const QString &text, double width) {
  return QFontMetricsF(font)
      .boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap | Qt::AlignHCenter, text)
      .height();
}

// A length in half points as centimetres or inches, rounded up to a tenth.
QString LengthText(double units, figure::LengthUnit unit) {
  const double inches = units / kUnitsPerPoint / 72;
  const double value = unit == figure::LengthUnit::Cm ? inches * 2.54 : inches;
  return QStringLiteral("%1 %2")
      .arg(std::ceil(value * 10 - 1e-9) / 10)
      .arg(unit == figure::LengthUnit::Cm ? QStringLiteral("cm") : QStringLiteral("in"));
}

// The figure drawn by `painter` on a page of `units` (half points): the
// charts side by side under their titles, on plot areas of one height; below
// them the key of each chart's lines, then, for several series, one key of
// the series (colour and marker) across the page; then the caption. Titles,
// keys and caption wrap instead of being cut; a page too small for them is
// refused with the size it needs. With `painter` null only the layout is
// checked.
void Paint(QPainter *painter, const SeriesFigure &f, const FigureSettings &s, QSizeF units) {
  const ChartLook look = FigureLook(s);
  const double margin = look.margin;
  QFont titleFont = look.font;
  titleFont.setBold(true);
  const bool several = f.series.size() > 1;
  const QStringList labels = several ? SeriesLabels(f.series) : QStringList();
  const QFontMetricsF metrics(look.font);
  const double markerSize = MarkerSize(look.lineWidth);

  double captionHeight = 0;
  const QString caption = s.caption ? CommonCaption(f.series) : QString();
  if (!caption.isEmpty())
    captionHeight = WrappedHeight(look.font, caption, units.width() - 2 * margin) + margin;

  double xMin = std::numeric_limits<double>::infinity(), xMax = -xMin;
  for (const FigureSeries &one : f.series)
    if (!one.table->Columns[0].empty()) {
      const auto [low, high] =
          std::minmax_element(one.table->Columns[0].begin(), one.table->Columns[0].end());
      xMin = std::min(xMin, *low);
      xMax = std::max(xMax, *high);
    }
  if (!(xMin <= xMax))
    xMin = 0, xMax = 1;
  if (xMax <= xMin)
    xMax = xMin + 1;
  const std::vector<std::size_t> chosen = ChosenCharts(f.clonal, s.charts);
  const double chartWidth = units.width() / double(chosen.size());
  const double inner = chartWidth - 2 * margin;
  const double height = std::max(1.0, units.height() - captionHeight);

  // The keys: of one series, its lines in their colours; of several, each
  // chart's quantities by their dashes in black, and the series by colour and
  // marker.
  std::vector<std::vector<LegendEntry>> keys(chosen.size());
  double titleHeight = 0, keyHeight = 0;
  for (std::size_t k = 0; k < chosen.size(); ++k) {
    const ChartDesign design = DrawnDesign(f, SeriesChartDesigns(f.clonal)[chosen[k]]);
    titleHeight = std::max(titleHeight, WrappedHeight(titleFont, design.title, inner));
    for (const FigureLine &line : FigureLines(f, design)) {
      QPen pen(several ? QColor(Qt::black) : line.line.colour, look.lineWidth, line.line.style);
      const QString name = QString::fromLatin1(line.line.title);
      if (line.series == 0 ||
          std::none_of(keys[k].begin(), keys[k].end(),
                       [&name](const LegendEntry &e) { return e.name == name; }))
        keys[k].push_back({pen, name});
    }
    keyHeight =
        std::max(keyHeight, LayOutLegend(nullptr, keys[k], look.font, 0, 0, inner, markerSize));
  }
  std::vector<LegendEntry> seriesKey;
  if (several)
    for (std::size_t n = 0; n < f.series.size(); ++n)
      seriesKey.push_back({QPen(SeriesColour(n), look.lineWidth, Qt::SolidLine),
                           labels[qsizetype(n)], SeriesMarker(n)});
  const double seriesKeyHeight =
      LayOutLegend(nullptr, seriesKey, look.font, 0, 0, units.width() - 2 * margin, markerSize);

  const double top = margin + titleHeight;
  const double chartHeight = height - top - keyHeight - seriesKeyHeight - margin;
  // Below this the chart would cut its axes' titles short; the left axis's
  // title runs along the plot area: it needs that much too.
  double least = kLeastChartHeight * metrics.height();
  for (std::size_t k : chosen)
    least = std::max(
        least, metrics.horizontalAdvance(DrawnDesign(f, SeriesChartDesigns(f.clonal)[k]).yTitle) +
                   5 * metrics.height());
  const QString unitName =
      s.unit == figure::LengthUnit::Cm ? QStringLiteral("cm") : QStringLiteral("in");
  if (chartHeight < least) {
    QStringList what = {QStringLiteral("the labels")};
    if (several)
      what << QStringLiteral("the key of the series");
    if (!caption.isEmpty())
      what << QStringLiteral("the caption");
    throw std::runtime_error(
        QStringLiteral("At %1 pt %2 need a figure at least %3 high (%4 %5 is too low): make it "
                       "higher, wider or the font smaller.")
            .arg(s.fontPt)
            .arg(what.size() == 1 ? what.front()
                                  : what.mid(0, what.size() - 1).join(QStringLiteral(", ")) +
                                        QStringLiteral(" and ") + what.back())
            .arg(LengthText(units.height() + least - chartHeight, s.unit))
            .arg(QString::number(s.height, 'f', 2), unitName)
            .toStdString());
  }
  bool namesFit = NamesFit(seriesKey, look.font, units.width() - 2 * margin);
  for (const std::vector<LegendEntry> &key : keys)
    namesFit = namesFit && NamesFit(key, look.font, inner);
  if (!namesFit) {
    double widest = 0;
    for (const LegendEntry &e : seriesKey)
      widest = std::max(widest, 3 * metrics.height() + metrics.horizontalAdvance(e.name));
    throw std::runtime_error(
        QStringLiteral("At %1 pt the names of the series need a figure at least %2 wide: make it "
                       "wider or the font smaller.")
            .arg(s.fontPt)
            .arg(LengthText(widest + 2 * margin + 1, s.unit))
            .toStdString());
  }
  if (!painter)
    return;

  painter->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  painter->fillRect(QRectF(QPointF(0, 0), units), Qt::white);
  QGraphicsScene scene;
  scene.setSceneRect(QRectF(QPointF(0, 0), units));
  for (std::size_t k = 0; k < chosen.size(); ++k) {
    const ChartDesign design = DrawnDesign(f, SeriesChartDesigns(f.clonal)[chosen[k]]);
    const double left = k * chartWidth;
    painter->setFont(titleFont);
    painter->setPen(Qt::black);
    painter->drawText(QRectF(left + margin, margin, inner, titleHeight),
                      Qt::TextWordWrap | Qt::AlignHCenter | Qt::AlignTop, design.title);

    auto *chart = new QChart;
    scene.addItem(chart);
    StyleChart(chart, QString(), Qt::white, look);
    chart->setLocale(FigureLocale());
    chart->legend()->hide();
    const ChartAxes axes = AddAxes(chart, design, look);
    const std::vector<FigureLine> lines = FigureLines(f, design);
    for (const FigureLine &line : lines) {
      const FigureSeries &one = f.series[line.series];
      const std::vector<double> &x = one.table->Columns[0];
      const std::vector<double> &y = one.table->Columns[std::size_t(line.line.column)];
      QLineSeries *drawn = AddLine(chart, axes, line.line, look);
      drawn->replace(WithRerunStarts(ChartPoints(x, y), one.reruns, line.line.column));
      if (line.marker != Marker::None)
        AddMarkers(chart, axes, line.marker, line.line.colour,
                   MarkerPoints(x, y, line.series, f.series.size()), look);
    }
    if (!several)
      AddRerunMarkers(chart, axes, RerunsOfOne(f));
    chart->setGeometry(QRectF(left, top, chartWidth, chartHeight));
    // The axes' labels follow the size of the plot area, known once the
    // chart is laid out.
    const bool fitY = chosen[k] < f.fitY.size() && f.fitY[chosen[k]];
    const ShownRange *shown =
        chosen[k] < f.shown.size() && f.shown[chosen[k]] ? &*f.shown[chosen[k]] : nullptr;
    const double labelHeight = metrics.height();
    for (int pass = 0; pass < 2; ++pass) {
      const QRectF plot =
          pass == 0 ? QRectF(0, 0, chartWidth * 0.7, chartHeight * 0.6) : chart->plotArea();
      if (shown) {
        // As the zoomed window shows it: round labels over the range shown.
        SetBottomAxis(axes.x, shown->xMin, shown->xMax, plot.width());
        axes.y->setRange(shown->yMin, shown->yMax);
        SetZoomedTicks(axes.y, shown->yMin, shown->yMax);
      } else {
        SetBottomAxis(axes.x, xMin, xMax, plot.width());
        SetLeftAxis(axes.y, design, fitY, chart, int(plot.height() / (1.8 * labelHeight)));
      }
      chart->layout()->activate();
    }
  }
  scene.render(painter, QRectF(QPointF(0, 0), units), scene.sceneRect());
  const double keysTop = top + chartHeight;
  for (std::size_t k = 0; k < chosen.size(); ++k)
    LayOutLegend(painter, keys[k], look.font, k * chartWidth + margin, keysTop, inner, markerSize);
  LayOutLegend(painter, seriesKey, look.font, margin, keysTop + keyHeight,
               units.width() - 2 * margin, markerSize);
  if (!caption.isEmpty()) {
    painter->setFont(look.font);
    painter->setPen(Qt::black);
    painter->drawText(QRectF(margin, height, units.width() - 2 * margin, captionHeight),
                      Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, caption);
  }
}

// The figure's record: the models of its series, their parameters (each
// series' named by where it comes from when there are several) and the
// command given.
figure::FigureRecord SeriesRecord(const SeriesFigure &f, const QString &command) {
  QStringList models, parameters;
  for (const FigureSeries &one : f.series) {
    const SeriesParameters &p = one.parameters;
    const QString model = p.HasParameters ? ModelName(p.Ploidy, p.Reproduction) : QString();
    if (!model.isEmpty() && !models.contains(model))
      models << model;
    const QString summary = p.HasParameters ? ParameterSummary(p) : SeriesCaption(p);
    parameters << (f.series.size() > 1 ? one.origin + QStringLiteral(": ") + summary : summary);
  }
  return {models.join(QStringLiteral("; ")), parameters.join(QStringLiteral("; ")), command};
}

QString FigureTitle(const SeriesFigure &f, const FigureSettings &s) {
  QStringList titles;
  for (std::size_t k : ChosenCharts(f.clonal, s.charts))
    titles << DrawnDesign(f, SeriesChartDesigns(f.clonal)[k]).title;
  return titles.join(QStringLiteral("; "));
}

} // namespace

namespace {

// The figure's size in half points, once the series are known to be there.
QSizeF CheckedUnits(const SeriesFigure &f, const FigureSettings &s) {
  if (f.series.empty())
    throw std::runtime_error("There is no series to draw.");
  for (const FigureSeries &one : f.series)
    if (!one.table)
      throw std::runtime_error("There is no series to draw.");
  const QSizeF points = figure::PageInPoints(s);
  if (!(points.width() > 0 && points.height() > 0))
    throw std::runtime_error("The figure has no size.");
  return points * kUnitsPerPoint;
}

} // namespace

QString SeriesFigureProblem(const SeriesFigure &f, const FigureSettings &s) {
  try {
    Paint(nullptr, f, s, CheckedUnits(f, s));
  } catch (const std::runtime_error &e) {
    return QString::fromUtf8(e.what());
  }
  return {};
}

QByteArray SeriesFigureBytes(const SeriesFigure &f, const FigureSettings &s) {
  const QSizeF units = CheckedUnits(f, s);
  // Refused before a page is begun.
  Paint(nullptr, f, s, units);
  figure::FigureDrawing drawing;
  drawing.unitsPerPoint = kUnitsPerPoint;
  drawing.paint = figure::PaintWith([&](QPainter &painter) { Paint(&painter, f, s, units); });
  return figure::FigureBytes(s, drawing, FigureTitle(f, s), SeriesRecord(f, s.record.command));
}

QString SaveFigureAs(QWidget *parent, const SeriesFigure &figure, FigureCharts charts,
                     const QString &baseName, QString &folder) {
  figure::FigureToSave save;
  if (figure.clonal)
    save.choices = {{FigureCharts::Frequencies, SeriesChartDesigns(true)[0].title}};
  else
    save.choices = {{FigureCharts::Both, QStringLiteral("Both charts")},
                    {FigureCharts::Frequencies, SeriesChartDesigns(false)[0].title},
                    {FigureCharts::Fitness, SeriesChartDesigns(false)[1].title}};
  save.initial = charts;
  save.check = [&figure](const FigureSettings &s) { return SeriesFigureProblem(figure, s); };
  save.zoomed = std::any_of(figure.shown.begin(), figure.shown.end(),
                            [](const std::optional<ShownRange> &r) { return r.has_value(); });
  save.stem = [&](const FigureSettings &s) {
    return baseName + "-" +
           (s.charts == FigureCharts::Both      ? QStringLiteral("charts")
            : figure.clonal                     ? QStringLiteral("clones")
            : s.charts == FigureCharts::Fitness ? QStringLiteral("dg-fit")
                                                : QStringLiteral("frequencies"));
  };
  save.write = [&figure](const FigureSettings &settings, const QString &name) {
    FigureSettings chosen = settings;
    // The morvane-plot command that draws the same figure, when every series
    // lies in a file and the figure has nothing morvane-plot cannot give (a
    // zoom, one chart's axis fitted and not the other's).
    const bool zoomed =
        settings.asShown && std::any_of(figure.shown.begin(), figure.shown.end(),
                                        [](const auto &r) { return r.has_value(); });
    const bool fitted = !figure.fitY.empty() && figure.fitY.front();
    bool drawable = !zoomed && std::all_of(figure.fitY.begin(), figure.fitY.end(),
                                           [fitted](bool f) { return f == fitted; });
    QStringList words{QStringLiteral("morvane-plot")};
    for (const FigureSeries &one : figure.series) {
      drawable = drawable && !one.source.isEmpty();
      words << one.source;
    }
    SeriesFigure drawn = figure;
    if (drawable) {
      // As the files hold them: a Detail file does not record L.
      for (FigureSeries &one : drawn.series)
        one.parameters.StopThreshold = 0;
      if (fitted)
        words << QStringLiteral("--fit-y");
      for (const std::string &w : figure::FigureOptionWords(chosen, false))
        words << QString::fromStdString(w);
      words << QStringLiteral("-o") << name;
      chosen.record.command = figure::ShellCommand(words);
    }
    if (!settings.asShown)
      drawn.shown.clear();
    WriteSeriesFigure(drawn, chosen, name);
  };
  return figure::SaveFigureFile(parent, save, folder);
}

void WriteSeriesFigure(const SeriesFigure &f, const FigureSettings &s, const QString &fileName) {
  QByteArray bytes;
  try {
    bytes = SeriesFigureBytes(f, s);
  } catch (const std::exception &e) {
    throw SaveFailure(fileName, QString::fromUtf8(e.what()));
  }
  try {
    const std::string path = QFile::encodeName(fileName).toStdString();
    CreateEmptyFile(path);
    AppendToFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  } catch (const FileError &e) {
    throw SaveFailure(fileName, QString::fromUtf8(e.what()));
  }
}

} // namespace morvane::ui
