#include "ui/figure/SeriesFigure.h"

#include <QBuffer>
#include <QChart>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QImage>
#include <QImageWriter>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QSettings>
#include <QSvgGenerator>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "files/TextFile.h"
#include "ui/figure/ChartSetUp.h"
#include "ui/figure/ExportDialog.h"
#include "ui/framework/Locale.h"
#include "ui/framework/Seams.h"

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

QString ParameterSummary(const SeriesParameters &p) {
  return QStringLiteral("x = %1, d = %2, c = %3, i = %4, j = %5, W1(A) = %6, W2(A) = %7, "
                        "W1(a) = %8, W2(a) = %9, ")
             .arg(RealText(p.SoftProp), RealText(p.MigSurv), RealText(p.HabFreq))
             .arg(p.TriesAB)
             .arg(p.TriesaB)
             .arg(RealText(p.W1A), RealText(p.W2A), RealText(p.W1a), RealText(p.W2a)) +
         QString::fromStdString(p.TradeOffStatus) + ", " + QString::fromStdString(p.ESSStatus);
}

QString SeriesCaption(const SeriesParameters &p) {
  if (!p.HasParameters)
    return QStringLiteral("%1 (a Plot file holds no parameters)")
        .arg(QFile::decodeName(QByteArray::fromStdString(p.PlotFileName)));
  return ModelName(p.Ploidy, p.Reproduction) + QStringLiteral(": ") + ParameterSummary(p);
}

QStringList SeriesLabels(const std::vector<FigureSeries> &series) {
  // Each series' parameters as name = value texts, in a fixed order.
  const auto texts = [](const SeriesParameters &p) {
    if (!p.HasParameters)
      return QStringList();
    return QStringList{ModelName(p.Ploidy, p.Reproduction),
                       "x = " + RealText(p.SoftProp),
                       "d = " + RealText(p.MigSurv),
                       "c = " + RealText(p.HabFreq),
                       QStringLiteral("i = %1").arg(p.TriesAB),
                       QStringLiteral("j = %1").arg(p.TriesaB),
                       "W1(A) = " + RealText(p.W1A),
                       "W2(A) = " + RealText(p.W2A),
                       "W1(a) = " + RealText(p.W1a),
                       "W2(a) = " + RealText(p.W2a),
                       QString::fromStdString(p.TradeOffStatus),
                       QString::fromStdString(p.ESSStatus)};
  };
  std::vector<QStringList> all;
  for (const FigureSeries &s : series)
    all.push_back(texts(s.parameters));
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
  return labels;
}

namespace {

// The colour of the n-th series drawn together with others.
QColor SeriesColour(std::size_t n) {
  static const QColor colours[] = {QColor(0xD0, 0x10, 0x10), QColor(0x10, 0x40, 0xC0),
                                   QColor(0x10, 0x80, 0x20), QColor(0xE0, 0x80, 0x00),
                                   QColor(0x80, 0x20, 0xA0), QColor(0x40, 0x40, 0x40)};
  return colours[n % (sizeof colours / sizeof colours[0])];
}

} // namespace

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
      if (several) {
        line.colour = SeriesColour(n);
        name += QStringLiteral(", ") + labels[qsizetype(n)];
      }
      lines.push_back({n, line, name});
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

QSizeF SizeInPoints(const FigureSettings &s) {
  return {figure::LengthInInches(s.width, s.unit) * 72,
          figure::LengthInInches(s.height, s.unit) * 72};
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

// A legend entry of a figure: a stretch of the line, dashes and all, and its
// name.
struct LegendEntry {
  QPen pen;
  QString name;
};

// The entries laid out in rows across `width`, from `top`; returns the height
// they take. Draws them when `painter` is given.
double LayOutLegend(QPainter *painter, const std::vector<LegendEntry> &entries, const QFont &font,
                    double left, double top, double width) {
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
      painter->setPen(Qt::black);
      painter->setFont(font);
      painter->drawText(QRectF(left + x + sample + gap, top + y, entryWidth, lineHeight),
                        Qt::AlignLeft | Qt::AlignVCenter, e.name);
    }
    x += entryWidth + 2 * gap;
  }
  return entries.empty() ? 0 : y + lineHeight;
}

// The height of `text` wrapped across `width`.
double WrappedHeight(const QFont &font, const QString &text, double width) {
  return QFontMetricsF(font)
      .boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap | Qt::AlignHCenter, text)
      .height();
}

// The figure drawn by `painter` on a page of `units` (half points): per chart
// its title, the chart (plot area and axes) and its legend, then the caption
// across the page. Titles, legends and caption wrap instead of being cut.
void Paint(QPainter &painter, const SeriesFigure &f, const FigureSettings &s, QSizeF units) {
  painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  painter.fillRect(QRectF(QPointF(0, 0), units), Qt::white);
  const ChartLook look = FigureLook(s);
  const double margin = look.margin;
  QFont titleFont = look.font;
  titleFont.setBold(true);
  const bool several = f.series.size() > 1;
  const QStringList labels = several ? SeriesLabels(f.series) : QStringList();

  double captionHeight = 0;
  QString caption;
  if (s.caption) {
    QStringList captions;
    for (std::size_t k = 0; k < f.series.size(); ++k)
      captions << (several ? labels[qsizetype(k)] + QStringLiteral(" (") + f.series[k].origin +
                                 QStringLiteral("): ")
                           : QString()) +
                      SeriesCaption(f.series[k].parameters);
    caption = captions.join('\n');
    captionHeight = WrappedHeight(look.font, caption, units.width() - 2 * margin) + margin;
  }

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
  const double height = std::max(1.0, units.height() - captionHeight);

  QGraphicsScene scene;
  scene.setSceneRect(QRectF(QPointF(0, 0), units));
  std::vector<std::vector<LegendEntry>> legends(chosen.size());
  std::vector<double> legendTops(chosen.size());
  for (std::size_t k = 0; k < chosen.size(); ++k) {
    const ChartDesign &design = SeriesChartDesigns(f.clonal)[chosen[k]];
    const double left = k * chartWidth;
    const double inner = chartWidth - 2 * margin;
    // The title above the chart, the legend below it.
    const double titleHeight = WrappedHeight(titleFont, design.title, inner);
    painter.setFont(titleFont);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(left + margin, margin, inner, titleHeight),
                     Qt::TextWordWrap | Qt::AlignHCenter | Qt::AlignTop, design.title);

    auto *chart = new QChart;
    scene.addItem(chart);
    StyleChart(chart, QString(), Qt::white, look);
    chart->legend()->hide();
    const ChartAxes axes = AddAxes(chart, design, look);
    for (const FigureLine &line : FigureLines(f, design)) {
      const FigureSeries &one = f.series[line.series];
      QLineSeries *drawn = AddLine(chart, axes, line.line, look);
      legends[k].push_back({drawn->pen(), line.name});
      drawn->replace(WithRerunStarts(
          ChartPoints(one.table->Columns[0],
                      one.table->Columns[static_cast<std::size_t>(line.line.column)]),
          one.reruns, line.line.column));
    }
    if (!several)
      AddRerunMarkers(chart, axes, RerunsOfOne(f));
    const double legendHeight =
        LayOutLegend(nullptr, legends[k], look.font, left + margin, 0, inner);
    const double top = margin + titleHeight;
    const double chartHeight = height - top - legendHeight - margin;
    // Below this the chart would cut its axes' titles short: the figure is
    // refused with the height it needs instead.
    // The left axis's title runs along the plot area: it needs that much too.
    const QFontMetricsF metrics(look.font);
    const double least = std::max(kLeastChartHeight * metrics.height(),
                                  metrics.horizontalAdvance(design.yTitle) + 5 * metrics.height());
    if (chartHeight < least) {
      const double missing = (least - chartHeight) / kUnitsPerPoint / 72;
      const double inUnit = s.unit == figure::LengthUnit::Cm ? missing * 2.54 : missing;
      throw std::runtime_error(
          QStringLiteral("At %1 pt the labels%2 need a figure %3 %4 higher: make it higher, "
                         "wider or the font smaller.")
              .arg(s.fontPt)
              .arg(s.caption ? QStringLiteral(" and the caption") : QString())
              .arg(std::ceil(inUnit * 10) / 10)
              .arg(s.unit == figure::LengthUnit::Cm ? QStringLiteral("cm") : QStringLiteral("in"))
              .toStdString());
    }
    legendTops[k] = top + chartHeight;
    chart->setGeometry(QRectF(left, top, chartWidth, chartHeight));
    // The axes' labels follow the size of the plot area, known once the
    // chart is laid out.
    const bool fitY = chosen[k] < f.fitY.size() && f.fitY[chosen[k]];
    const double labelHeight = QFontMetricsF(look.font).height();
    for (int pass = 0; pass < 2; ++pass) {
      const QRectF plot =
          pass == 0 ? QRectF(0, 0, chartWidth * 0.7, chartHeight * 0.6) : chart->plotArea();
      SetBottomAxis(axes.x, xMin, xMax, plot.width());
      SetLeftAxis(axes.y, design, fitY, chart, int(plot.height() / (1.8 * labelHeight)));
      chart->layout()->activate();
    }
  }
  scene.render(&painter, QRectF(QPointF(0, 0), units), scene.sceneRect());
  for (std::size_t k = 0; k < chosen.size(); ++k)
    LayOutLegend(&painter, legends[k], look.font, k * chartWidth + margin, legendTops[k],
                 chartWidth - 2 * margin);
  if (!caption.isEmpty()) {
    painter.setFont(look.font);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(margin, height, units.width() - 2 * margin, captionHeight),
                     Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, caption);
  }
}

QString FigureTitle(const SeriesFigure &f, const FigureSettings &s) {
  QStringList titles;
  for (std::size_t k : ChosenCharts(f.clonal, s.charts))
    titles << SeriesChartDesigns(f.clonal)[k].title;
  return titles.join(QStringLiteral("; "));
}

} // namespace

QByteArray SeriesFigureBytes(const SeriesFigure &f, const FigureSettings &s) {
  if (f.series.empty())
    throw std::runtime_error("There is no series to draw.");
  for (const FigureSeries &one : f.series)
    if (!one.table)
      throw std::runtime_error("There is no series to draw.");
  const QSizeF points = SizeInPoints(s);
  if (!(points.width() > 0 && points.height() > 0))
    throw std::runtime_error("The figure has no size.");
  const QSizeF units = points * kUnitsPerPoint;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  switch (s.format) {
  case FigureFormat::Png: {
    const QSize pixels = figure::PngPixelSize(s);
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
      throw std::runtime_error("The picture is too large for the memory.");
    figure::SetResolution(image, s.dpi);
    image.fill(Qt::white);
    {
      QPainter painter(&image);
      painter.scale(pixels.width() / units.width(), pixels.height() / units.height());
      Paint(painter, f, s, units);
    }
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
      throw std::runtime_error(writer.errorString().toStdString());
    break;
  }
  case FigureFormat::Svg: {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setResolution(int(72 * kUnitsPerPoint));
    svg.setSize(QSize(int(std::lround(units.width())), int(std::lround(units.height()))));
    svg.setViewBox(QRectF(QPointF(0, 0), units));
    svg.setTitle(FigureTitle(f, s));
    svg.setDescription(QStringLiteral("Morvane v2"));
    QPainter painter(&svg);
    Paint(painter, f, s, units);
    break;
  }
  case FigureFormat::Pdf: {
    QPdfWriter pdf(&buffer);
    pdf.setResolution(int(72 * kUnitsPerPoint));
    pdf.setPageSize(QPageSize(points, QPageSize::Point));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setCreator(QStringLiteral("Morvane v2"));
    pdf.setTitle(FigureTitle(f, s));
    QPainter painter(&pdf);
    Paint(painter, f, s, units);
    break;
  }
  }
  buffer.close();
  return bytes;
}

QString SaveFigureAs(QWidget *parent, const SeriesFigure &figure, FigureCharts charts,
                     const QString &allCharts, QString &folder) {
  std::vector<figure::ChartChoice> choices;
  if (figure.clonal)
    choices = {{FigureCharts::Frequencies, SeriesChartDesigns(true)[0].title}};
  else
    choices = {{FigureCharts::Both, QStringLiteral("Both charts")},
               {FigureCharts::Frequencies, SeriesChartDesigns(false)[0].title},
               {FigureCharts::Fitness, SeriesChartDesigns(false)[1].title}};
  QSettings store(QStringLiteral("Morvane"), QStringLiteral("Morvane"));
  const std::optional<FigureSettings> settings =
      figure::ExportDialog::Ask(parent, choices, charts, store);
  if (!settings)
    return {};
  const char *suffixes[] = {"png", "svg", "pdf"};
  const QString suffix = QString::fromLatin1(suffixes[int(settings->format)]);
  const QString suggested =
      (settings->charts == FigureCharts::Both || figure.clonal
           ? allCharts
           : SeriesChartDesigns(false)[settings->charts == FigureCharts::Fitness ? 1 : 0].title) +
      "." + suffix;
  const QStringList filters[] = {{QStringLiteral("PNG picture (*.png)")},
                                 {QStringLiteral("SVG drawing (*.svg)")},
                                 {QStringLiteral("PDF document (*.pdf)")}};
  QString name = FileDialogs().SaveFileNameAs(
      parent, QDir(folder.isEmpty() ? QDir::currentPath() : folder).filePath(suggested),
      filters[int(settings->format)]);
  if (name.isEmpty())
    return {};
  folder = QFileInfo(name).absolutePath();
  FigureSettings chosen = *settings;
  // A name of another picture format writes that format; a name without
  // one gets the format's extension.
  const QString given = QFileInfo(name).suffix().toLower();
  if (given.isEmpty() && !name.endsWith('.'))
    name += "." + suffix;
  else if (given == "png" || given == "svg" || given == "pdf")
    chosen.format = given == "png"   ? FigureFormat::Png
                    : given == "svg" ? FigureFormat::Svg
                                     : FigureFormat::Pdf;
  else
    throw SaveFailure(name, QStringLiteral("the name must end in .png, .svg or .pdf."));
  WriteSeriesFigure(figure, chosen, name);
  return name;
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
