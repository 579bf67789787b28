// Figures of series as they leave the program: readable whole at the
// smallest size, the same from the window and from morvane-plot, several
// series named by what differs between them.
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <cmath>

#include "FieldTestSupport.h"
#include "support/SeriesFilesSupport.h"
#include "ui/figure/FigureSettings.h"
#include "ui/figure/SeriesFigure.h"

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
  const std::string path = ::testing::TempDir() + "figure.gnr";
  morvane::ui::testing::WriteAll(
      QString::fromStdString(path),
      QByteArray::fromStdString(morvane::testing::DetailSeriesText(s, generations)));
  DetailFileContent content = ReadDetailFile(path);
  EXPECT_EQ(content.Series.size(), 1u);
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
    EXPECT_TRUE(QString(e.what()).contains("cm higher")) << e.what();
  }
}

TEST(SeriesFigure, SeveralSeriesAreNamedByTheParametersThatDiffer) {
  const FigureSeries a = Series("Diploid", "Local", 30, 0.55);
  const FigureSeries b = Series("Diploid", "Local", 40, 0.6);
  FigureSeries haploid = Series("Haploid", "Local", 30, 0.6);
  const struct {
    std::vector<FigureSeries> series;
    QStringList labels;
  } cases[] = {
      {{a, b}, {"c = 0.55", "c = 0.6"}},
      {{a, haploid},
       {"Diploids with local panmixia, c = 0.55", "Haploids with local panmixia, c = 0.6"}},
      {{a, a}, {"figure.gnr, series 1", "figure.gnr, series 1"}},
  };
  for (const auto &c : cases)
    EXPECT_EQ(SeriesLabels(c.series), c.labels);
  // Drawn together: each series' lines in the legend under its name, in a
  // colour of its own.
  SeriesFigure figure{false, {a, b}, {}};
  FigureSettings s = DefaultFigureSettings(FigureCharts::Both);
  s.format = FigureFormat::Svg;
  const QByteArray svg = SeriesFigureBytes(figure, s);
  const QStringList texts = SvgTexts(svg);
  for (const char *entry :
       {"p, c = 0.55", "q, c = 0.55", "p, c = 0.6", "DG, c = 0.6", "Fit, c = 0.6"})
    EXPECT_TRUE(texts.contains(entry)) << entry;
  for (const char *colour : {"#d01010", "#1040c0"})
    EXPECT_TRUE(svg.contains(colour)) << colour;
}
