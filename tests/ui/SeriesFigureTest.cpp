// Figures of series as they leave the program: readable whole at the
// smallest size, the same from the window and from morvane-plot, several
// series named by what differs between them.
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <cmath>
#include <functional>
#include <stdexcept>

#include "FieldTestSupport.h"
#include "support/ProgramTestSupport.h"
#include "support/ScratchFolder.h"
#include "support/SeriesFilesSupport.h"
#include "sweep/SweepOptions.h"
#include "sweep/SweepPlan.h"
#include "ui/figure/FigureSettings.h"
#include "ui/figure/PhasePlaneFigure.h"
#include "ui/figure/SeriesFigure.h"
#include "ui/figure/SweepFigure.h"
#include "ui/framework/Locale.h"

using namespace morvane;
using namespace morvane::ui;
using namespace morvane::figure;

namespace {

// The texts an SVG shows, in the order drawn.
QStringList SvgTexts(const QByteArray &svg) {
  QStringList texts;
  static const QRegularExpression text(QStringLiteral("<text[^>]*>([^<]*)</text>"));
  for (auto m = text.globalMatch(QString::fromUtf8(svg)); m.hasNext();)
    texts << QTextDocumentFragment::fromHtml(m.next().captured(1)).toPlainText();
  return texts;
}

// Whether `step` is 1, 2 or 5 times a power of ten.
bool RoundStep(double step) {
  const double power = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
  for (double f : {1.0, 2.0, 5.0, 10.0})
    if (std::fabs(step - f * power) < 1e-9 * power)
      return true;
  return false;
}

// A series of `generations` generations of `model` from the program's own
// writers, read back as a Detail file is.
FigureSeries Series(const char *ploidy, const char *reproduction, unsigned generations,
                    double c = 0.55) {
  SimState s = morvane::testing::SeriesState(ploidy, reproduction, 1);
  s.HabFreq = c;
  // A folder of this call's own: ctest runs the tests of this file in
  // parallel processes, which must not share one file.
  const morvane::testing::ScratchFolder dir;
  const std::string path = dir.File("figure.gnr");
  morvane::ui::testing::WriteAll(
      QString::fromStdString(path),
      QByteArray::fromStdString(morvane::testing::DetailSeriesText(s, generations)));
  DetailFileContent content = ReadDetailFile(path);
  EXPECT_EQ(content.Series.size(), 1u);
  if (content.Series.empty())
    throw std::runtime_error("no series read back from " + path);
  return {content.Series[0].Parameters,
          std::make_shared<const PlotTable>(std::move(content.Series[0].Table)),
          QStringLiteral("figure.gnr, series 1")};
}

} // namespace

TEST(SeriesFigure, TheSmallestFigureShowsEveryLabelWholeWithAxisTitlesAndRoundTicks) {
  const struct {
    const char *ploidy, *reproduction;
    FigureCharts charts;
    unsigned generations;
    bool caption;
    QStringList titles; // besides "Generations T"
  } cases[] = {
      {"Diploid",
       "Local",
       FigureCharts::Both,
       300000,
       false,
       {"Frequencies of p and q", "Frequencies of DG and Fit", "p, q", "DG, Fit"}},
      {"Diploid", "Global", FigureCharts::Fitness, 412, false, {"DG, Fit", "DG", "Fit"}},
      {"Haploid", "Local", FigureCharts::Frequencies, 37, false, {"p, q", "p", "q"}},
      {"Haploid",
       "Clonal",
       FigureCharts::Frequencies,
       5000,
       false,
       {"Frequencies of AB, Ab, aB and ab", "Frequency", "f(ab)"}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.generations);
    SeriesFigure figure;
    figure.clonal = QString(c.reproduction) == "Clonal";
    figure.series = {Series(c.ploidy, c.reproduction, c.generations)};
    FigureSettings s = DefaultFigureSettings(c.charts);
    s.format = FigureFormat::Svg;
    s.width = MinimumWidth(c.charts, LengthUnit::Cm);
    s.height = kMinHeightCm;
    s.caption = c.caption;
    const QStringList texts = SvgTexts(SeriesFigureBytes(figure, s));
    // A title may wrap onto several lines.
    const QString all = texts.join(' ');
    for (const QString &title : c.titles + QStringList{"Generations T"})
      EXPECT_TRUE(all.contains(title)) << title.toStdString();
    // Numbers drawn one after the other at one spacing are an axis's
    // labels: the spacing is a round step, and every axis has labels.
    std::vector<double> steps;
    double last = NAN, step = NAN;
    for (const QString &text : texts) {
      EXPECT_FALSE(text.contains(QChar(0x2026)) || text.contains("...")) << text.toStdString();
      bool number = false;
      const double value = text.toDouble(&number);
      if (number && !std::isnan(last) &&
          (std::isnan(step) || std::fabs(value - last - step) < 1e-9 * std::fabs(step))) {
        if (std::isnan(step))
          steps.push_back(step = value - last);
      } else {
        step = NAN;
      }
      last = number ? value : NAN;
    }
    EXPECT_EQ(steps.size(), 2 * c.titles.filter("Frequencies of").size() +
                                (c.titles.filter("Frequencies of").isEmpty() ? 2 : 0));
    for (const double s : steps)
      EXPECT_TRUE(RoundStep(std::fabs(s))) << s << " in " << all.toStdString();
    // A haploid's Fit is not drawn; a diploid's is.
    EXPECT_EQ(texts.contains("Fit"),
              QString(c.ploidy) == "Diploid" && c.charts != FigureCharts::Frequencies);
  }
  // A caption that leaves the charts too little room is refused with the
  // height it needs, never squeezed into cut labels.
  SeriesFigure clones{true, {Series("Haploid", "Clonal", 50)}, {}};
  FigureSettings tight = DefaultFigureSettings(FigureCharts::Frequencies);
  tight.width = MinimumWidth(FigureCharts::Frequencies, LengthUnit::Cm);
  tight.height = kMinHeightCm;
  tight.caption = true;
  try {
    SeriesFigureBytes(clones, tight);
    ADD_FAILURE() << "a cramped caption was drawn";
  } catch (const std::runtime_error &e) {
    EXPECT_TRUE(QString(e.what()).contains(QRegularExpression("at least [0-9.]+ cm high")))
        << e.what();
  }
}

TEST(SeriesFigure, SeveralSeriesAreNamedByWhatDiffersAndTheCaptionStatesTheRestOnce) {
  const FigureSeries a = Series("Diploid", "Local", 30, 0.55);
  const FigureSeries b = Series("Diploid", "Local", 40, 0.6);
  const FigureSeries haploid = Series("Haploid", "Local", 30, 0.6);
  // The same parameters from another start, with another L, or in another file.
  FigureSeries otherStart = a;
  auto table = std::make_shared<PlotTable>(*a.table);
  table->Columns[1].front() = 0.25;
  otherStart.table = table;
  FigureSeries withL = a, withOtherL = a;
  withL.parameters.StopThreshold = 1e-6;
  withOtherL.parameters.StopThreshold = 1e-8;
  FigureSeries otherFile = a;
  otherFile.origin = "other.gnr, series 1";
  const struct {
    std::vector<FigureSeries> series;
    QStringList labels;
  } cases[] = {
      {{a, b}, {"c = 0.55", "c = 0.6"}},
      {{a, haploid},
       {"Diploids with local panmixia, c = 0.55", "Haploids with local panmixia, c = 0.6"}},
      {{a, otherStart}, {"p0 = " + RealText(a.table->Columns[1].front()), "p0 = 0.25"}},
      {{withL, withOtherL}, {"L = " + RealText(1e-6), "L = " + RealText(1e-8)}},
      {{a, otherFile}, {"figure.gnr, series 1", "other.gnr, series 1"}},
      {{a, a}, {"figure.gnr, series 1 (1)", "figure.gnr, series 1 (2)"}},
  };
  for (const auto &c : cases)
    EXPECT_EQ(SeriesLabels(c.series), c.labels);

  // Drawn together: a key of the quantities by their dashes, one of the
  // series by their names, and a caption with what they share, once, in
  // words, each value on the line of its name.
  SeriesFigure figure{false, {a, b, otherStart}, {}};
  FigureSettings s = DefaultFigureSettings(FigureCharts::Both);
  s.format = FigureFormat::Svg;
  s.caption = true;
  s.height = 10;
  const QStringList texts = SvgTexts(SeriesFigureBytes(figure, s));
  const QString p0 = "p0 = " + RealText(a.table->Columns[1].front());
  for (const QString &entry : QStringList{"p", "q", "DG", "Fit", "c = 0.55, " + p0,
                                          "c = 0.6, " + p0, "c = 0.55, p0 = 0.25"})
    EXPECT_TRUE(texts.contains(entry)) << entry.toStdString();
  const QString caption = CommonCaption(figure.series);
  EXPECT_TRUE(caption.startsWith("Diploids with local panmixia: x\u00A0=\u00A00.25, "))
      << caption.toStdString();
  EXPECT_TRUE(caption.contains("no\u00A0trade-off, no\u00A0ESS")) << caption.toStdString();
  EXPECT_EQ(caption.count("Diploids"), 1);
  EXPECT_FALSE(caption.contains("c\u00A0=") || caption.contains("p0")) << caption.toStdString();
}

TEST(SeriesFigure, EveryPairOfLinesStaysDistinctInGreyscale) {
  // Two lines of a chart can be told apart in grey when their greys differ
  // by a fifth of the scale, or their dashes or markers differ.
  SeriesFigure three{false,
                     {Series("Diploid", "Local", 30, 0.55), Series("Diploid", "Local", 30, 0.6),
                      Series("Diploid", "Local", 30, 0.65)},
                     {}};
  SeriesFigure clones{true, {Series("Haploid", "Clonal", 30)}, {}};
  SeriesFigure one{false, {Series("Diploid", "Global", 30)}, {}};
  for (const SeriesFigure *f : {&three, &clones, &one})
    for (const ChartDesign &design : SeriesChartDesigns(f->clonal)) {
      const std::vector<FigureLine> lines = FigureLines(*f, design);
      for (std::size_t m = 0; m < lines.size(); ++m) {
        // Every line reads on the white page once grey.
        EXPECT_LT(qGray(lines[m].line.colour.rgb()), 200) << lines[m].name.toStdString();
        for (std::size_t n = m + 1; n < lines.size(); ++n) {
          const int greys =
              std::abs(qGray(lines[m].line.colour.rgb()) - qGray(lines[n].line.colour.rgb()));
          EXPECT_TRUE(greys >= 51 || lines[m].line.style != lines[n].line.style ||
                      lines[m].marker != lines[n].marker)
              << lines[m].name.toStdString() << " and " << lines[n].name.toStdString();
          // Series drawn together differ by their grey and marker, not only by
          // the dashes that tell their quantities apart.
          if (lines[m].series != lines[n].series) {
            EXPECT_TRUE(greys >= 51 && lines[m].marker != lines[n].marker)
                << lines[m].name.toStdString() << " and " << lines[n].name.toStdString();
          }
        }
      }
    }
}

TEST(SeriesFigure, AcceptedSizesShowEveryNameWholeAndPagesAreExact) {
  SeriesFigure three{false,
                     {Series("Diploid", "Local", 30, 0.55), Series("Diploid", "Local", 30, 0.6),
                      Series("Haploid", "Local", 30, 0.65)},
                     {}};
  const QStringList labels = SeriesLabels(three.series);
  int accepted = 0, refused = 0;
  for (const FigureCharts charts : {FigureCharts::Both, FigureCharts::Frequencies})
    for (const double width : {5.0, 8.5, 12.0, 17.0})
      for (const double height : {5.0, 7.0, 8.0})
        for (const double font : {6.0, 8.0, 10.0, 12.0})
          for (const bool caption : {false, true}) {
            FigureSettings s = DefaultFigureSettings(charts);
            s.format = FigureFormat::Svg;
            s.width = width, s.height = height, s.fontPt = font, s.caption = caption;
            if (width < MinimumWidth(charts, LengthUnit::Cm))
              continue;
            const QString problem = SeriesFigureProblem(three, s);
            if (!problem.isEmpty()) {
              ++refused;
              // The figure is refused with the size it needs.
              EXPECT_TRUE(problem.contains(QRegularExpression("at least [0-9.]+ cm (high|wide)")))
                  << problem.toStdString();
              continue;
            }
            ++accepted;
            const QStringList texts = SvgTexts(SeriesFigureBytes(three, s));
            for (const QString &label : labels)
              EXPECT_TRUE(texts.contains(label))
                  << label.toStdString() << " at " << width << " x " << height << ", " << font;
          }
  EXPECT_GT(accepted, 10);
  EXPECT_GT(refused, 5);

  // Negative labels have a true minus sign.
  FigureSettings fitness = DefaultFigureSettings(FigureCharts::Fitness);
  fitness.format = FigureFormat::Svg;
  const QStringList labelled = SvgTexts(SeriesFigureBytes(three, fitness));
  EXPECT_TRUE(labelled.contains(QString(QChar(0x2212)) + "0.5") && !labelled.contains("-0.5"))
      << labelled.join(" ").toStdString();

  // The page is the size asked for, to a hundredth of a millimetre: the
  // series figure, the sweep's map and one-parameter diagram, the phase plane.
  morvane::testing::ScratchFolder dir;
  const QString page = QString::fromStdString(dir.File("page"));
  const auto sweep = [&page](const char *grid) {
    return [&page, grid](const FigureSettings &s) {
      const SweepPlan plan =
          ParseSweepOptions(morvane::testing::Words(std::string("--model haploid-local ") + grid +
                                                    " --final s.mrv"))
              .plan;
      const std::string header = SweepTableHeader(plan);
      const std::vector<std::vector<std::string>> rows(
          plan.Points(),
          std::vector<std::string>(std::count(header.begin(), header.end(), '\t') + 1, "0.5"));
      WriteSweepFigure(plan, rows, "p", s, page);
      return QByteArray::fromStdString(morvane::ui::testing::ReadAll(page));
    };
  };
  const struct {
    const char *what;
    FigureCharts charts;
    double width, height; // cm
    std::function<QByteArray(const FigureSettings &)> bytes;
  } figures[] = {
      {"series", FigureCharts::Both, 17, 8,
       [&three](const FigureSettings &s) { return SeriesFigureBytes(three, s); }},
      {"sweep map", FigureCharts::Frequencies, 8.5, 7, sweep("--vary x=0:1:3 --vary c=0.2:0.8:3")},
      {"sweep map", FigureCharts::Frequencies, 17, 8, sweep("--vary x=0:1:3 --vary c=0.2:0.8:3")},
      {"sweep diagram", FigureCharts::Frequencies, 17, 8, sweep("--vary c=0.2:0.8:5")},
      {"phase plane", FigureCharts::Frequencies, 8.5, 7,
       [&page](const FigureSettings &s) {
         WritePhasePlaneFigure(NewPhasePlane(Model::HaploidLocal, kInputWindowParameters), s, page);
         return QByteArray::fromStdString(morvane::ui::testing::ReadAll(page));
       }},
  };
  for (const auto &f : figures)
    for (const FigureFormat format : {FigureFormat::Svg, FigureFormat::Pdf}) {
      SCOPED_TRACE(std::string(f.what) + (format == FigureFormat::Svg ? " SVG" : " PDF"));
      FigureSettings s = DefaultFigureSettings(f.charts);
      s.format = format;
      s.width = f.width, s.height = f.height;
      const QString bytes = QString::fromLatin1(f.bytes(s));
      const auto m =
          QRegularExpression(format == FigureFormat::Svg
                                 ? R"(<svg[^>]* width="([0-9.]+)mm" height="([0-9.]+)mm")"
                                 : R"(/MediaBox \[0 0 ([0-9.]+) ([0-9.]+)\])")
              .match(bytes);
      ASSERT_TRUE(m.hasMatch());
      const double mm = format == FigureFormat::Svg ? 1 : 25.4 / 72;
      EXPECT_NEAR(m.captured(1).toDouble() * mm, f.width * 10, 0.01);
      EXPECT_NEAR(m.captured(2).toDouble() * mm, f.height * 10, 0.01);
    }
}
