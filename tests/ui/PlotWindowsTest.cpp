// The chart windows filled from the Plot file of the current series or from a
// series the plot menu read back, their pictures, and the thinning of long
// series.
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QImage>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QRegularExpression>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <map>

#include "FieldTestSupport.h"
#include "engine/Series.h"
#include "support/ProgramTestSupport.h"
#include "support/RunLoopTestSupport.h"
#include "support/SeriesFilesSupport.h"
#include "sweep/SweepOptions.h"
#include "sweep/SweepOutputs.h"
#include "ui/analysis/PhasePlaneWindow.h"
#include "ui/charts/PlotForm.h"
#include "ui/charts/UPlotMenu.h"
#include "ui/charts/UPlotSex.h"
#include "ui/charts/UPlotVeg.h"
#include "ui/framework/Locale.h"

using namespace morvane;
using namespace morvane::ui;
using namespace morvane::ui::testing;
using morvane::testing::PlotFileText;

namespace {

std::vector<QChartView *> Charts(QWidget &w) {
  std::vector<QChartView *> views;
  for (const char *name : {"Chart1", "Chart2"})
    if (auto *v = w.findChild<QChartView *>(name))
      views.push_back(v);
  return views;
}

// The four line series of a window, Series1 to Series4.
std::vector<QLineSeries *> Lines(QWidget &w) {
  std::vector<QLineSeries *> lines;
  for (QChartView *v : Charts(w))
    for (QAbstractSeries *s : v->chart()->series())
      if (s->objectName().startsWith("Series"))
        lines.push_back(qobject_cast<QLineSeries *>(s));
  std::sort(lines.begin(), lines.end(),
            [](QLineSeries *a, QLineSeries *b) { return a->objectName() < b->objectName(); });
  return lines;
}

std::vector<int> Counts(QWidget &w) {
  std::vector<int> counts;
  for (QLineSeries *s : Lines(w))
    counts.push_back(static_cast<int>(s->count()));
  return counts;
}

QValueAxis *Axis(QChartView *view, Qt::Orientation o) {
  return qobject_cast<QValueAxis *>(view->chart()->axes(o).value(0));
}

QString Text(QWidget &w, const char *field) { return Field(&w, field)->text(); }
void Write(const QString &path, const std::string &text) {
  WriteAll(path, QByteArray::fromStdString(text));
}

class PlotWindowsTest : public ::testing::Test {
protected:
  void SetUp() override {
    Windows().FrmPlotMenu = &menu;
    Windows().FrmPlotSex = &sex;
    Windows().FrmPlotVeg = &veg;
  }
  void TearDown() override {
    Windows().FrmPlotMenu = Windows().FrmPlotSex = Windows().FrmPlotVeg = nullptr;
  }
  // The state of a stopped series of `generations` and its Plot file, returned.
  std::string StopSeries(bool clonal, unsigned generations) {
    const std::string plotText = PlotFileText(clonal, generations);
    Sim() = morvane::testing::SeriesState("Haploid", clonal ? "Clonal" : "Global", 1);
    Sim().FinalFileName = "results.mrv";
    Sim().DetailFileName = "trace.gnr";
    Sim().PlotFileName = Sim().PlotFile.Name = clonal ? "PlotCloneFile.plo" : "PlotSexFile.plo";
    Sim().PlotRows = generations;
    Write(QString::fromStdString(Sim().PlotFileName), plotText);
    return plotText;
  }
  // The same, shown in `form` (the clones' window draws a clonal series).
  std::string Show(PlotForm *form, unsigned generations, const char *ploidy = "Haploid") {
    const std::string text = StopSeries(form == &veg, generations);
    Sim().Ploidy = ploidy;
    form->ShowForm();
    return text;
  }

  // The one message shown since the last one taken, holding all of `parts`.
  void ExpectMessage(const QStringList &parts) {
    ASSERT_EQ(messages.texts.size(), 1);
    const QString text = messages.texts.takeFirst();
    for (const QString &part : parts)
      EXPECT_TRUE(text.contains(part)) << text.toStdString();
  }
  std::vector<PlotForm *> Forms() { return {&sex, &veg}; }

  ScratchCurrentFolder folder;
  ScratchSettings settings;
  RecordingMessages messages;
  ScriptedFileDialogs dialogs;
  ScriptedExportDialog exportDialog;
  StandIn main{"frmMorvane"};
  TFrmPlotSex sex;
  TFrmPlotVeg veg;
  TFrmPlotMenu menu;
};

TEST_F(PlotWindowsTest, ChartWindowsDrawThePlotFileOfTheSeries) {
  struct Window {
    PlotForm *form;
    bool clonal;
    // Per chart: bottom and step of the left axis (its top is 1).
    std::vector<std::pair<double, double>> leftAxes;
  };
  const Window windows[] = {{&sex, false, {{0, 0.1}, {-1, 0.1}}}, {&veg, true, {{0, 0.05}}}};
  for (const Window &w : windows) {
    SCOPED_TRACE(w.form->objectName().toStdString());
    const std::string text = Show(w.form, 412);
    EXPECT_EQ(Text(*w.form, "Txtx"), RealText(Sim().SoftProp));
    EXPECT_EQ(Text(*w.form, "TxtW1sa"), RealText(Sim().W1a));
    EXPECT_EQ(Text(*w.form, "TxtPlotFile"), QString::fromStdString(Sim().PlotFileName));
    const std::vector<QLineSeries *> lines = Lines(*w.form);
    ASSERT_EQ(lines.size(), 4u);
    SimState at100;
    morvane::testing::MoveTo(at100, 100);
    const double expected[4] = {at100.FreqA, at100.FreqB, at100.DG, at100.Fit};
    for (int k = 0; k < 4; ++k) {
      ASSERT_EQ(lines[k]->count(), 413);
      EXPECT_EQ(lines[k]->at(412).x(), 412);
      EXPECT_NEAR(lines[k]->at(100).y(), expected[k], !w.clonal && k == 3 ? 5e-3 : 5e-6);
    }
    const std::vector<QChartView *> charts = Charts(*w.form);
    ASSERT_EQ(charts.size(), w.leftAxes.size());
    for (std::size_t c = 0; c < charts.size(); ++c) {
      QValueAxis *x = Axis(charts[c], Qt::Horizontal), *y = Axis(charts[c], Qt::Vertical);
      ASSERT_TRUE(x && y);
      EXPECT_EQ(std::make_pair(x->min(), x->max()), std::make_pair(0.0, 412.0));
      EXPECT_EQ(std::make_pair(y->min(), y->max()), std::make_pair(w.leftAxes[c].first, 1.0));
      EXPECT_DOUBLE_EQ((y->max() - y->min()) / (y->tickCount() - 1), w.leftAxes[c].second);
    }

    // Activated again: the same points, not twice as many. A file shorter
    // than the series: only its lines, and a word in the status bar rather
    // than points at (0, 0).
    Sim().PlotRows = 500;
    w.form->ShowForm();
    EXPECT_EQ(Counts(*w.form), std::vector<int>(4, 413));
    EXPECT_TRUE(w.form->StatusText().contains("Only 413 of the 501 lines"))
        << w.form->StatusText().toStdString();
    EXPECT_TRUE(messages.texts.isEmpty());

    // A field that is no number: the message names the file and the line,
    // and the charts stay empty.
    std::string bad = text;
    bad.insert(bad.find('\t', morvane::testing::LineStart(bad, 7)) + 1, "x");
    Write(QString::fromStdString(Sim().PlotFileName), bad);
    w.form->ShowForm();
    ASSERT_EQ(messages.texts.size(), 1);
    const QString message = messages.texts.takeFirst();
    EXPECT_TRUE(
        message.startsWith(QString::fromStdString(Sim().PlotFileName) + ", line 7: \"x0.") &&
        message.endsWith("is not a number"))
        << message.toStdString();
    EXPECT_EQ(Counts(*w.form), std::vector<int>(4, 0));
    EXPECT_TRUE(w.form->StatusText().startsWith("Nothing drawn"));

    // Quit: back to the main window.
    const int before = main.activations;
    Button(w.form, w.clonal ? "BtnQuit" : "BtnQuitPlot")->click();
    EXPECT_FALSE(w.form->isVisible());
    EXPECT_EQ(main.activations, before + 1);
  }
}

TEST_F(PlotWindowsTest, SaveChartWritesTheFigureOfTheExportDialogsSettings) {
  Show(&sex, 60);
  Show(&veg, 60);
  QChartView *sexDG = Charts(sex).back();
  const auto saveBoth = [&] { Button(&sex, "BtnSaveChart")->click(); };
  const auto saveDG = [&] { sexDG->findChild<QAction *>("SaveChart")->trigger(); };
  const auto saveClones = [&] { Button(&veg, "BtnSaveChart")->click(); };
  // The phase plane window saves through the same steps.
  PhasePlaneWindow plane(Model::HaploidLocal, kInputWindowParameters, 5);
  const auto savePlane = [&] { Button(&plane, "BtnSaveFigure")->click(); };
  using figure::FigureCharts;
  using figure::FigureFormat;
  using figure::LengthUnit;
  struct Case {
    std::function<void()> save;
    FigureCharts opensOn;
    figure::FigureSettings settings; // format, unit, width, height, dpi, font, charts
    const char *file;
    QByteArray signature;
    QSize pixels; // a PNG's
  };
  const Case cases[] = {
      {saveBoth,
       FigureCharts::Both,
       {FigureFormat::Png, LengthUnit::Cm, 17, 8, 300, 8, FigureCharts::Both},
       "both.png",
       "\x89PNG\r\n\x1a\n",
       {2008, 945}},
      {saveDG,
       FigureCharts::Fitness,
       {FigureFormat::Png, LengthUnit::Inch, 3, 2.5, 600, 9, FigureCharts::Fitness},
       "dg.PNG",
       "\x89PNG",
       {1800, 1500}},
      {saveDG,
       FigureCharts::Fitness,
       {FigureFormat::Svg, LengthUnit::Cm, 8.5, 7, 300, 8, FigureCharts::Fitness},
       "dg.svg",
       "<?xml",
       {}},
      {saveClones,
       FigureCharts::Frequencies,
       {FigureFormat::Pdf, LengthUnit::Cm, 8.5, 7, 300, 8, FigureCharts::Frequencies},
       "clones.pdf",
       "%PDF-",
       {}},
      {savePlane,
       FigureCharts::Frequencies,
       {FigureFormat::Svg, LengthUnit::Cm, 8.5, 7, 300, 8, FigureCharts::Frequencies},
       "plane.svg",
       "<?xml",
       {}},
      // The name's format wins over the dialog's; a name without one gets it.
      {savePlane,
       FigureCharts::Frequencies,
       {FigureFormat::Svg, LengthUnit::Cm, 8.5, 7, 150, 8, FigureCharts::Frequencies},
       "plane.png",
       "\x89PNG",
       {502, 413}},
      {saveClones,
       FigureCharts::Frequencies,
       {FigureFormat::Pdf, LengthUnit::Cm, 8.5, 7, 150, 8, FigureCharts::Frequencies},
       "clones.png",
       "\x89PNG",
       {502, 413}},
      {saveBoth,
       FigureCharts::Both,
       {FigureFormat::Svg, LengthUnit::Cm, 17, 8, 300, 8, FigureCharts::Both},
       "named",
       "<?xml",
       {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file);
    exportDialog.answers.push_back(c.settings);
    dialogs.answers << folder.File(c.file);
    c.save();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("; ").toStdString();
    ASSERT_FALSE(exportDialog.opened.empty());
    EXPECT_EQ(exportDialog.opened.back().charts, c.opensOn);
    const QString written = folder.File(c.file) + (QString(c.file) == "named" ? ".svg" : "");
    const QByteArray bytes = QByteArray::fromStdString(ReadAll(written));
    EXPECT_TRUE(bytes.startsWith(c.signature));
    if (!c.pixels.isEmpty()) {
      const QImage png = QImage::fromData(bytes, "png");
      EXPECT_EQ(png.size(), c.pixels);
      EXPECT_NEAR(png.dotsPerMeterX() * 0.0254, c.settings.dpi, 0.05);
    }
  }
  // The dialog opens on the last settings of the same kind of figure.
  exportDialog.answers.push_back(std::nullopt);
  saveDG();
  EXPECT_EQ(exportDialog.opened.back().format, FigureFormat::Pdf);
  EXPECT_EQ(exportDialog.opened.back().dpi, 150);
  EXPECT_EQ(dialogs.saves.size(), std::size(cases)); // cancelled: no file asked for

  // Refused names and failed writes name the file; cancelled, nothing
  // happens.
  const QString failures[][2] = {{folder.File("none/x.png"), "Fichier introuvable"},
                                 {folder.File("x.txt"), ".png, .svg or .pdf"}};
  for (const auto &f : failures) {
    exportDialog.answers.push_back(cases[0].settings);
    dialogs.answers << f[0];
    saveBoth();
    ExpectMessage({f[0], f[1]});
  }
  exportDialog.answers.push_back(cases[0].settings);
  saveBoth();
  EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(PlotWindowsTest, TheExportDialogRefusesWhatCannotBeDrawnAsItIsTypedAndReplacesNothing) {
  Show(&sex, 60, "Diploid");
  using figure::FigureCharts;
  using figure::FigureFormat;
  using figure::LengthUnit;
  const struct {
    figure::FigureSettings settings; // format, unit, width, height, dpi, font, charts, caption
    QString problem;                 // "" when accepted
  } cases[] = {
      {{FigureFormat::Png, LengthUnit::Cm, 2, 2, 300, 8, FigureCharts::Frequencies},
       "at least 5.00 cm (one chart): 2.00 cm is too narrow"},
      {{FigureFormat::Svg, LengthUnit::Cm, 8.5, 7, 300, 8, FigureCharts::Both},
       "at least 10.00 cm (two charts side by side): 8.50 cm"},
      {{FigureFormat::Svg, LengthUnit::Inch, 3, 1.5, 300, 8, FigureCharts::Fitness},
       "at least 1.97 in: 1.50 in is too low"},
      {{FigureFormat::Svg, LengthUnit::Cm, 10, 5, 300, 14, FigureCharts::Both, true},
       "At 14 pt the labels and the caption need a figure at least "},
      {{FigureFormat::Svg, LengthUnit::Cm, 8.5, 7, 300, 8, FigureCharts::Fitness}, ""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.problem.toStdString());
    const std::size_t asked = dialogs.saves.size();
    exportDialog.answers.push_back(c.settings);
    dialogs.answers << folder.File("figure.svg");
    Button(&sex, "BtnSaveChart")->click();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("; ").toStdString();
    ASSERT_FALSE(exportDialog.problems.isEmpty());
    const QString said = exportDialog.problems.back();
    EXPECT_TRUE(c.problem.isEmpty() ? said.isEmpty() : said.contains(c.problem))
        << said.toStdString();
    // What was typed is what the dialog holds; a refusal asks for no file.
    EXPECT_EQ(std::make_pair(exportDialog.kept.back().width, exportDialog.kept.back().height),
              std::make_pair(c.settings.width, c.settings.height));
    EXPECT_EQ(dialogs.saves.size(), asked + (c.problem.isEmpty() ? 1 : 0));
    if (!c.problem.isEmpty())
      dialogs.answers.clear();
  }
}

TEST_F(PlotWindowsTest, LinesDifferByDashesAndAHaploidsFitIsNotDrawn) {
  for (PlotForm *form : Forms()) {
    std::vector<Qt::PenStyle> styles;
    for (QLineSeries *line : Lines(*form))
      styles.push_back(line->pen().style());
    // The two lines of a chart, and the four lines of the clones, differ.
    ASSERT_EQ(styles.size(), 4u);
    EXPECT_NE(styles[0], styles[1]);
    EXPECT_NE(styles[2], styles[3]);
    if (form == &veg) {
      std::sort(styles.begin(), styles.end());
      EXPECT_EQ(std::unique(styles.begin(), styles.end()), styles.end());
    }
  }
  const struct {
    const char *ploidy;
    bool fitDrawn;
  } cases[] = {{"Haploid", false}, {"Diploid", true}, {"Haploid", false}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.ploidy);
    Show(&sex, 20, c.ploidy);
    EXPECT_EQ(Lines(sex)[3]->isVisible(), c.fitDrawn);
    EXPECT_TRUE(Lines(sex)[2]->isVisible());
  }
}

TEST_F(PlotWindowsTest, FitYToDataGivesRoundLimitsAroundTheLinesAndBackTheFixedScale) {
  Show(&sex, 20, "Diploid");
  for (QChartView *view : Charts(sex)) {
    QValueAxis *axis = Axis(view, Qt::Vertical);
    const std::pair<double, double> fixed(axis->min(), axis->max());
    double least = 1e300, most = -1e300;
    for (QAbstractSeries *s : view->chart()->series())
      for (const QPointF &p : qobject_cast<QLineSeries *>(s)->points()) {
        least = std::min(least, p.y());
        most = std::max(most, p.y());
      }
    QAction *fit = view->findChild<QAction *>("FitYToData");
    fit->trigger();
    const double step = (axis->max() - axis->min()) / (axis->tickCount() - 1);
    EXPECT_LE(axis->min(), least);
    EXPECT_GE(axis->max(), most);
    EXPECT_LE(axis->tickCount(), 6);
    // Round: the step 1, 2 or 5 times a power of ten, the limits whole steps,
    // and no more than one step of room on either side.
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-6 || std::fabs(mantissa - 2) < 1e-6 ||
                std::fabs(mantissa - 5) < 1e-6)
        << step;
    EXPECT_NEAR(axis->min() / step, std::round(axis->min() / step), 1e-6);
    EXPECT_GT(axis->min() + step, least);
    EXPECT_LT(axis->max() - step, most);
    EXPECT_NE(std::make_pair(axis->min(), axis->max()), fixed);
    fit->trigger();
    EXPECT_EQ(std::make_pair(axis->min(), axis->max()), fixed);
  }
}

TEST_F(PlotWindowsTest, ADeletedPlotFileIsNamedAndLeavesNoAxisOfThePreviousSeries) {
  for (PlotForm *form : Forms()) {
    Show(form, 500);
    ASSERT_TRUE(QFile::remove(QString::fromStdString(Sim().PlotFileName)));
    form->ShowForm();
    ExpectMessage({QString::fromStdString(Sim().PlotFileName), "Fichier introuvable"});
    EXPECT_TRUE(form->StatusText().startsWith("Nothing drawn"));
    EXPECT_EQ(Counts(*form), std::vector<int>(4, 0));
    for (QChartView *view : Charts(*form))
      EXPECT_EQ(
          std::make_pair(Axis(view, Qt::Horizontal)->min(), Axis(view, Qt::Horizontal)->max()),
          std::make_pair(0.0, 1.0));
  }
}

TEST_F(PlotWindowsTest, ExportDataWritesTheDrawnPointsAsCsv) {
  struct Case {
    PlotForm *form;
    const char *file;
    QString header;
  };
  const Case cases[] = {{&sex, "sex.csv", "generation,p,q,DG"}, // haploids: no Fit
                        {&veg, "veg.csv", "generation,f(AB),f(Ab),f(aB),f(ab)"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file);
    Show(c.form, 60);
    dialogs.answers << folder.File(c.file);
    Charts(*c.form).front()->findChild<QAction *>("ExportData")->trigger();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("; ").toStdString();
    const QStringList rows =
        QString::fromStdString(ReadAll(folder.File(c.file))).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 62); // the header and T = 0 to 60
    EXPECT_EQ(rows.front(), c.header);
    EXPECT_TRUE(rows.back().startsWith("60,"));
    EXPECT_TRUE(dialogs.saves.back().filterName.contains("*.csv"));
  }
  dialogs.answers << folder.File("none/x.csv");
  Charts(sex).front()->findChild<QAction *>("ExportData")->trigger();
  ExpectMessage({folder.File("none/x.csv"), "Fichier introuvable"});
}

TEST_F(PlotWindowsTest, PlotMenuPlotsTheChosenSeriesOfADetailFileWithItsOwnParameters) {
  Write("three.gnr", morvane::testing::ThreeModelsDetailFile());
  // The current series, which the plot menu must not draw.
  StopSeries(false, 10);
  menu.ShowForm();
  dialogs.answers << folder.File("three.gnr");
  Button(&menu, "BtnOpenDetail")->click();
  EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("; ").toStdString();
  auto *list = menu.findChild<QListWidget *>("LstSeries");
  ASSERT_EQ(list->count(), 3);
  const char *models[] = {"Haploids with local panmixia, 30 generations",
                          "Diploids with global panmixia, 40 generations",
                          "Haploid clonals, 50 generations"};
  for (int k = 0; k < 3; ++k)
    EXPECT_TRUE(list->item(k)->text().contains(models[k])) << list->item(k)->text().toStdString();

  list->setCurrentRow(1);
  Button(&menu, "BtnPlot")->click();
  EXPECT_FALSE(menu.isVisible());
  ASSERT_TRUE(sex.isVisible());
  EXPECT_EQ(Counts(sex), std::vector<int>(4, 41));
  EXPECT_EQ(Text(sex, "Txtx"), RealText(0.5)); // x of series 2
  EXPECT_EQ(Text(sex, "TxtJ"), "3");
  EXPECT_EQ(Text(sex, "TxtRepro"), "Global");
  EXPECT_EQ(Text(sex, "TxtDetailFile"), folder.File("three.gnr"));
  EXPECT_TRUE(sex.StatusText().startsWith("Series 2 of three.gnr"))
      << sex.StatusText().toStdString();

  // Coming back to it from another window draws the same series again...
  main.ShowForm();
  QApplication::setActiveWindow(&sex);
  EXPECT_EQ(Counts(sex), std::vector<int>(4, 41));
  EXPECT_EQ(Text(sex, "TxtRepro"), "Global");
  // "Back" returns to the menu's list of the file's series.
  EXPECT_EQ(Button(&sex, "BtnQuitPlot")->text(), "&Back");
  Button(&sex, "BtnQuitPlot")->click();
  EXPECT_FALSE(sex.isVisible());
  EXPECT_TRUE(menu.isVisible());
  EXPECT_EQ(list->count(), 3);
  list->setCurrentRow(1);
  Button(&menu, "BtnPlot")->click();
  // ...but the Stop of a series shows the series just stopped, and quits to
  // the main window.
  ShowWindow(Windows().FrmPlotSex);
  EXPECT_EQ(Counts(sex), std::vector<int>(4, 11));
  EXPECT_EQ(Text(sex, "TxtDetailFile"), "trace.gnr");
  EXPECT_EQ(Button(&sex, "BtnQuitPlot")->text(), "&Quit plot menu");
}

TEST_F(PlotWindowsTest, PlotMenuReportsDamagedOrForeignFilesAndOffersWhatCouldBeRead) {
  const std::string three = morvane::testing::ThreeModelsDetailFile();
  const std::size_t line60 = morvane::testing::LineStart(three, 60);
  struct Case {
    const char *file;
    std::string text;
    const char *button;
    int entries;
    const char *message;
    const char *lastEntry;
  };
  const Case cases[] = {
      {"foreign.gnr", "Name,Value\r\n1,2\r\n", "BtnOpenDetail", 0,
       "foreign.gnr is not a Detail file: line 1", ""},
      {"cut.gnr", three.substr(0, line60 + 9), "BtnOpenDetail", 2,
       "cut.gnr, line 60: ", "(cut short by a damaged line)"},
      {"empty.gnr", "", "BtnOpenDetail", 0, "empty.gnr holds no series", ""},
      {"PlotCloneFile.plo", PlotFileText(true, 20) + "21 0.5 x 0 0\r\n", "BtnOpenPlot", 2,
       "PlotCloneFile.plo, line 22: ", "Sexual series"},
  };
  menu.ShowForm();
  auto *list = menu.findChild<QListWidget *>("LstSeries");
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file);
    Write(c.file, c.text);
    dialogs.answers << folder.File(c.file);
    Button(&menu, c.button)->click();
    ExpectMessage({folder.File(c.message)});
    EXPECT_EQ(list->count(), c.entries);
    EXPECT_EQ(Button(&menu, "BtnPlot")->isEnabled(), c.entries > 0);
    if (c.entries > 0) {
      EXPECT_TRUE(list->item(c.entries - 1)->text().contains(c.lastEntry));
    }
  }
  // The clonal reading of a clonal plot file comes first; it has no
  // parameters.
  EXPECT_TRUE(list->item(0)->text().startsWith("Clonal series"));
  Button(&menu, "BtnPlot")->click();
  ASSERT_TRUE(veg.isVisible());
  EXPECT_EQ(Counts(veg), std::vector<int>(4, 21));
  EXPECT_EQ(Text(veg, "Txtx"), "");
  EXPECT_EQ(Text(veg, "TxtPlotFile"), folder.File("PlotCloneFile.plo"));
}

TEST(ChartPoints, LongSeriesAreThinnedToTheSameShapeShortOnesKeptWhole) {
  for (std::size_t n : {std::size_t{413}, kThinAbove, std::size_t{1000000}}) {
    SCOPED_TRACE(n);
    std::vector<double> x(n), y(n);
    for (std::size_t i = 0; i < n; ++i) {
      x[i] = static_cast<double>(i);
      y[i] = 0.5 + 0.4 * std::sin(i * 1e-4) + (i % 2 ? 0.01 : -0.01);
    }
    const QList<QPointF> points = ChartPoints(x, y);
    if (n <= kThinAbove) {
      ASSERT_EQ(static_cast<std::size_t>(points.size()), n);
      for (std::size_t i = 0; i < n; ++i)
        ASSERT_EQ(points[static_cast<qsizetype>(i)], QPointF(x[i], y[i]));
      continue;
    }
    EXPECT_LE(points.size(), 4 * kChartColumns);
    EXPECT_EQ(points.front(), QPointF(x.front(), y.front()));
    EXPECT_EQ(points.back(), QPointF(x.back(), y.back()));
    double low = 1, high = 0;
    for (qsizetype k = 0; k < points.size(); ++k) {
      const auto i = static_cast<std::size_t>(points[k].x());
      ASSERT_EQ(points[k].y(), y[i]) << "a point of the series";
      ASSERT_TRUE(k == 0 || points[k].x() > points[k - 1].x()) << "in file order";
      low = std::min(low, points[k].y());
      high = std::max(high, points[k].y());
    }
    EXPECT_EQ(low, *std::min_element(y.begin(), y.end()));
    EXPECT_EQ(high, *std::max_element(y.begin(), y.end()));
  }
}

} // namespace

TEST_F(PlotWindowsTest, SaveChartAndMorvanePlotWriteTheSameSvgForTheSameSettings) {
  Write("three.gnr", morvane::testing::ThreeModelsDetailFile());
  Write("PlotSexFile.plo", PlotFileText(false, 300));
  using figure::FigureCharts;
  using figure::LengthUnit;
  const struct {
    const char *open; // the plot menu's button
    const char *file;
    int row;
    PlotForm *window;
    figure::FigureSettings settings; // format, unit, width, height, dpi, font, charts, caption
    std::string options;
  } cases[] = {
      {"BtnOpenDetail",
       "three.gnr",
       1,
       &sex,
       {figure::FigureFormat::Svg, LengthUnit::Cm, 12, 6, 300, 9, FigureCharts::Both, true},
       "--detail three.gnr --series 2 --width 12 --height 6 --font 9 --caption"},
      {"BtnOpenDetail",
       "three.gnr",
       2,
       &veg,
       {figure::FigureFormat::Svg, LengthUnit::Inch, 3.5, 3, 300, 8, FigureCharts::Frequencies},
       "--detail three.gnr --series 3 --unit in --width 3.5 --height 3"},
      {"BtnOpenPlot",
       "PlotSexFile.plo",
       0,
       &sex,
       {figure::FigureFormat::Svg, LengthUnit::Cm, 8.5, 7, 300, 8, FigureCharts::Fitness},
       "--plot PlotSexFile.plo --charts fitness"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.options);
    menu.ShowForm();
    dialogs.answers << folder.File(c.file);
    Button(&menu, c.open)->click();
    menu.findChild<QListWidget *>("LstSeries")->setCurrentRow(c.row);
    Button(&menu, "BtnPlot")->click();
    ASSERT_TRUE(c.window->isVisible());
    exportDialog.answers.push_back(c.settings);
    dialogs.answers << folder.File("window.svg");
    Button(c.window, "BtnSaveChart")->click();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("; ").toStdString();

    const morvane::testing::Outcome run =
        morvane::testing::RunProgram(MORVANE_PLOT_PATH, QDir::currentPath().toStdString(),
                                     morvane::testing::Words(c.options + " -o command.svg"));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string window = ReadAll(folder.File("window.svg"));
    EXPECT_GT(window.size(), 1000u);
    EXPECT_TRUE(WithoutRecord(window) == WithoutRecord(ReadAll(folder.File("command.svg"))));
  }
}

TEST(MorvanePlot, DrawsSeveralSeriesTogetherAndRefusesWhatItCannotDraw) {
  morvane::testing::ScratchFolder folder;
  const auto write = [&folder](const char *name, const std::string &text) {
    WriteAll(QString::fromStdString(folder.File(name)), QByteArray::fromStdString(text));
  };
  SimState s = morvane::testing::SeriesState("Diploid", "Local", 1);
  s.HabFreq = 0.55;
  write("a.gnr", morvane::testing::DetailSeriesText(s, 30));
  s.HabFreq = 0.6;
  write("b.gnr", morvane::testing::DetailSeriesText(s, 60));
  write("three.gnr", morvane::testing::ThreeModelsDetailFile());
  write("PlotSexFile.plo", PlotFileText(false, 20));
  const struct {
    std::string args;
    int exitCode;
    std::string error;               // part of stderr
    std::vector<const char *> files; // written, each holding the legend's entries
  } cases[] = {
      {"--detail a.gnr --detail b.gnr -o ab.svg", 0, "", {"ab.svg"}},
      {"--detail three.gnr --series all -o each.svg",
       0,
       "",
       {"each-1.svg", "each-2.svg", "each-3.svg"}},
      {"--detail three.gnr -o f.svg", 2, "holds 3 series: --series N or all", {}},
      {"--detail three.gnr --series 4 -o f.svg", 2, "holds 3 series, not 4", {}},
      {"--detail three.gnr --series 1 --series 3 -o f.svg", 2, "clonal and sexual", {}},
      {"--detail PlotSexFile.plo -o f.svg", 1, "PlotSexFile.plo", {}},
      {"--detail none.gnr -o f.svg", 1, "none.gnr", {}},
      {"--plot PlotSexFile.plo --frames 3 -o f.svg", 2, "unknown option \"--frames\"", {}},
      // A sweep's figure is drawn from its Final file or table, nothing else.
      {"--sweep three.gnr -o f.svg", 2, "three.gnr is neither a Final file nor a sweep", {}},
      {"--sweep none.mrv -o f.svg", 2, "cannot read none.mrv", {}},
      {"--sweep none.mrv --frames 3 -o f.svg", 2, "unknown option \"--frames\" with --sweep", {}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.args);
    const morvane::testing::Outcome run = morvane::testing::RunProgram(
        MORVANE_PLOT_PATH, folder.Path(), morvane::testing::Words(c.args));
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    for (const char *file : c.files)
      EXPECT_TRUE(QString::fromStdString(ReadAll(QString::fromStdString(folder.File(file))))
                      .startsWith("<?xml"))
          << file;
  }
  const std::string together = ReadAll(QString::fromStdString(folder.File("ab.svg")));
  for (const char *entry : {">c = 0.55<", ">c = 0.6<", ">q<", ">Fit<"})
    EXPECT_NE(together.find(entry), std::string::npos) << entry;
}

// Every figure records what made it (morvane-plot --about prints it), and
// its recorded command draws the same bytes again; a table's record is its
// first line.
TEST(MorvanePlot, FiguresRecordTheCommandThatDrawsThemAgain) {
  morvane::testing::ScratchFolder folder;
  const auto path = [&folder](const std::string &name) {
    return QString::fromStdString(folder.File(name));
  };
  SimState s = morvane::testing::SeriesState("Diploid", "Local", 1);
  s.HabFreq = 0.55;
  WriteAll(path("a.gnr"), QByteArray::fromStdString(morvane::testing::DetailSeriesText(s, 30)));
  const SweepOptions o = ParseSweepOptions(morvane::testing::Words(
      "--model haploid-local --c 0.45 --vary x=0.2:0.8:3 --final " + folder.File("s.mrv")));
  RunSweep(o, CheckSweepPoints(o.plan, 1), nullptr);
  const struct {
    std::string args, figure;
    std::vector<std::string> recorded; // parts of --about's output
  } cases[] = {
      {"--detail a.gnr --caption -o a.png", "a.png", {"Model: Diploids", "c = 0.55"}},
      {"--detail a.gnr --width 12 --font 9 -o a.svg", "a.svg", {"Model: Diploids", "c = 0.55"}},
      {"--sweep s.mrv --show q -o s.svg", "s.svg", {"Model: haploid-local", "c = 0.45"}},
      {"--sweep s.tsv --dpi 150 -o s.png", "s.png", {"Model: haploid-local", "x from 0.2"}},
      {"--detail a.gnr -o a.pdf", "a.pdf", {"Model: Diploids", "c = 0.55"}},
  };
  const auto plot = [&folder](const morvane::testing::Args &args) {
    return morvane::testing::RunProgram(MORVANE_PLOT_PATH, folder.Path(), args);
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.args);
    ASSERT_EQ(plot(morvane::testing::Words(c.args)).exitCode, 0);
    const morvane::testing::Outcome about = plot({"--about", c.figure});
    ASSERT_EQ(about.exitCode, 0) << about.err;
    EXPECT_EQ(about.out.rfind("Software: Morvane ", 0), 0u) << about.out;
    EXPECT_NE(about.out.find("\nCommand: morvane-plot " + c.args + "\n"), std::string::npos)
        << about.out;
    for (const std::string &part : c.recorded)
      EXPECT_NE(about.out.find(part), std::string::npos) << part << " in " << about.out;
    // The recorded command again: the same bytes (a PDF's creation date
    // aside, which is the time it is written).
    const auto written = [&] {
      static const QRegularExpression date(QStringLiteral("/CreationDate \\(D:[0-9]+Z\\)"));
      return QString::fromLatin1(QByteArray::fromStdString(ReadAll(path(c.figure))))
          .replace(date, QString());
    };
    const QString first = written();
    ASSERT_TRUE(QFile::remove(path(c.figure)));
    ASSERT_EQ(plot(morvane::testing::Words(c.args)).exitCode, 0);
    EXPECT_TRUE(written() == first);
  }
  const morvane::testing::Outcome table = plot({"--about", "s.tsv"});
  EXPECT_EQ(table.out, ReadAll(path("s.tsv")).substr(0, ReadAll(path("s.tsv")).find('\n') + 1));
  WriteAll(path("plain.png"), QByteArray::fromStdString(ReadAll(path("a.png")).substr(0, 8)));
  EXPECT_EQ(plot({"--about", "plain.png"}).exitCode, 1);
}

// Every input morvane-plot cannot take whole is refused, naming the file
// and its line, and nothing is drawn; no figure takes the place of an input.
TEST(MorvanePlot, RefusesDamagedInputsNamingFileAndLine) {
  morvane::testing::ScratchFolder folder;
  const auto write = [&folder](const std::string &name, const std::string &text) {
    WriteAll(QString::fromStdString(folder.File(name)), QByteArray::fromStdString(text));
  };
  const auto read = [&folder](const std::string &name) {
    return ReadAll(QString::fromStdString(folder.File(name)));
  };
  // A sexual series of 30 generations; line 5 holds generation 3.
  const std::string series =
      morvane::testing::DetailSeriesText(morvane::testing::SeriesState("Haploid", "Local", 1), 30);
  const auto withLine5 = [&series](const std::string &line) {
    const std::size_t at = morvane::testing::LineStart(series, 5);
    return std::string(series).replace(at, series.find('\n', at) + 1 - at, line + "\r\n");
  };
  // A sweep of three points and another sweep's table.
  for (const std::string &args :
       {"--model haploid-local --vary x=0.2:0.8:3 --final " + folder.File("s.mrv"),
        "--model haploid-local --c 0.6 --vary x=0.2:0.8:3 --final " + folder.File("o.mrv")}) {
    const SweepOptions o = ParseSweepOptions(morvane::testing::Words(args));
    RunSweep(o, CheckSweepPoints(o.plan, 1), nullptr);
  }
  const std::string table = read("s.tsv");
  // The last row's p (after point, x and T) made nan.
  const std::size_t lastRow = table.rfind('\n', table.size() - 2) + 1;
  const std::size_t p = table.find('\t', table.find('\t', table.find('\t', lastRow) + 1) + 1) + 1;
  const std::string nanRow = std::string(table).replace(p, table.find('\t', p) - p, "nan");
  std::string crLf;
  for (char c : table)
    crLf += c == '\n' ? std::string("\r\n") : std::string(1, c);

  const struct {
    std::string file, text; // written before the run
    std::string args;
    int exitCode;
    std::string error;
  } cases[] = {
      {"d.gnr", withLine5("3\tnan\t0.5\t0\t0\t0.5\t0.5\t"), "--detail d.gnr", 1,
       "d.gnr, line 5: \"nan\" is not a number"},
      {"d.gnr", withLine5("3\t0.5\t"), "--detail d.gnr", 1,
       "d.gnr, line 5: 2 fields where a generation line has 7"},
      {"d.gnr", withLine5(std::string("3\t0.5\0\t0.5\t0\t0\t0.5\t0.5\t", 21)), "--detail d.gnr", 1,
       "d.gnr, line 5: a NUL byte at character 6"},
      {"d.gnr", series.substr(0, series.size() - 3), "--detail d.gnr", 1,
       "d.gnr, line 32: the file ends inside this line: it is cut short"},
      {"d.gnr", withLine5("3\t7\t0.5\t0\t0\t0.5\t0.5\t"), "--detail d.gnr", 1,
       "d.gnr, line 5: 7 in the second column lies outside 0..1"},
      {"d.gnr", withLine5("1\t0.5\t0.5\t0\t0\t0.5\t0.5\t"), "--detail d.gnr", 1,
       "d.gnr, line 5: generation 1 where 3 follows 2"},
      {"d.gnr", withLine5("99999999999999999999\t0.5\t0.5\t0\t0\t0.5\t0.5\t"), "--detail d.gnr", 1,
       "d.gnr, line 5: generation 1E20 where 3 follows 2"},
      {"p.plo", "0 0.5 0.5 0 0\r\n1 7 0.5 0 0\r\n", "--plot p.plo", 1,
       "p.plo, line 2: 7 in the second column lies outside 0..1"},
      {"d.gnr", series, "--detail d.gnr --format svg -o d.gnr", 2, "would overwrite its input"},
      {"cut.tsv", table.substr(0, lastRow), "--sweep s.mrv --table cut.tsv", 2,
       "cut.tsv holds 2 of the 3 rows of its sweep: it is cut short"},
      {"cut.tsv", table.substr(0, table.size() - 1), "--sweep s.mrv --table cut.tsv", 2,
       "cut.tsv ends in the middle of a line"},
      {"s.tsv.part", table, "--sweep s.mrv --table s.tsv.part", 2,
       "s.tsv.part is the temporary file"},
      {"nan.tsv", nanRow, "--sweep s.mrv --table nan.tsv", 2,
       "nan.tsv, line 5: \"nan\" is not a number"},
      {"nan.tsv", nanRow, "--sweep nan.tsv", 2, "nan.tsv, line 5: \"nan\" is not a number"},
      {"crlf.tsv", crLf, "--sweep s.mrv --table crlf.tsv", 2,
       "crlf.tsv has lines ending with CR LF"},
      {"x", "", "--sweep s.mrv --table o.tsv", 2,
       "s.mrv, line 2: the record of point 0 does not match its sweep and its table row"},
      {"x", "", "--sweep s.mrv --format svg -o s.tsv", 2, "would overwrite its input s.tsv"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.args + ": " + c.error);
    write(c.file, c.text);
    const std::string before = read(c.file);
    const std::string output = c.args.find(" -o ") == std::string::npos ? " -o f.svg" : "";
    const morvane::testing::Outcome run = morvane::testing::RunProgram(
        MORVANE_PLOT_PATH, folder.Path(), morvane::testing::Words(c.args + output));
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder.File("f.svg"))));
    EXPECT_EQ(read(c.file), before);
  }
  // The whole inputs are drawn, a table without its Final file too.
  write("alone.tsv", table);
  for (const char *args :
       {"--sweep s.mrv -o f.svg", "--sweep s.tsv -o f.svg", "--sweep alone.tsv -o f.svg"}) {
    const morvane::testing::Outcome run = morvane::testing::RunProgram(
        MORVANE_PLOT_PATH, folder.Path(), morvane::testing::Words(args));
    EXPECT_EQ(run.exitCode, 0) << args << run.err;
  }
  EXPECT_GT(read("f.svg").size(), 1000u);
}

TEST_F(PlotWindowsTest, EachRerunStartsAtItsDisturbedValueBehindAThinLine) {
  const struct {
    PlotForm *form;
    Model model;
    std::array<double, 4> disturbed; // p, q, DG (Fit follows), or the clones
  } cases[] = {
      {&sex, Model::HaploidLocal, {0.05, 0.5, 0, 0}},
      {&veg, Model::Clonal, {0.1, 0.2, 0.3, 0.4}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.form->objectName().toStdString());
    Sim() = morvane::testing::SeriesState("Haploid", "Local", 1);
    ChooseModel(Sim(), c.model);
    ChooseFinalFile(Sim(), "results.mrv");
    ChooseDetailFile(Sim(), "trace.gnr");
    const bool clonal = c.model == Model::Clonal;
    if (clonal)
      PrepareClonalInput(Sim(), "PlotCloneFile.plo");
    else
      PrepareSexualInput(Sim(), "PlotSexFile.plo");
    Sim().StopThreshold = 1e-4;
    morvane::testing::RecordingDisplay display;
    // A run that would not converge is interrupted, as its window would be.
    display.onDisplay = [](int call) { Sim().StopRequested = call % 20000 == 0; };
    if (clonal)
      StartClonalSeries(Sim(), display);
    else
      StartSexualSeries(Sim(), display);
    std::vector<double> starts;
    for (int rerun = 0; rerun < 2; ++rerun) {
      starts.push_back(Sim().Generation);
      if (clonal)
        RerunClonalSeries(Sim(), display, c.disturbed);
      else
        RerunHaploidSeries(Sim(), display, c.disturbed[0], c.disturbed[1], c.disturbed[2]);
    }
    clonal ? StopClonalSeries(Sim()) : StopSexualSeries(Sim());
    c.form->ShowForm();
    ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("; ").toStdString();

    for (QChartView *view : Charts(*c.form)) {
      std::vector<double> markers;
      for (QAbstractSeries *s : view->chart()->series())
        if (s->objectName() == "RerunStart") {
          auto *line = qobject_cast<QLineSeries *>(s);
          EXPECT_EQ(line->at(0).x(), line->at(1).x());
          EXPECT_EQ(
              std::make_pair(line->at(0).y(), line->at(1).y()),
              std::make_pair(Axis(view, Qt::Vertical)->min(), Axis(view, Qt::Vertical)->max()));
          markers.push_back(line->at(0).x());
        }
      EXPECT_EQ(markers, starts);
    }
    // Each line passes through the disturbed value at the generation its
    // rerun started from, between the equilibrium it left and the next
    // generation.
    const std::vector<QLineSeries *> lines = Lines(*c.form);
    for (std::size_t k = 0; k < (clonal ? 4u : 3u); ++k)
      for (double g : starts) {
        const QList<QPointF> points = lines[k]->points();
        const auto next = std::find_if(points.begin(), points.end(),
                                       [g](const QPointF &point) { return point.x() > g; });
        ASSERT_TRUE(next - points.begin() >= 2 && next != points.end()) << g;
        EXPECT_EQ(next->x(), g + 1);
        EXPECT_EQ((next - 1)->x(), g);
        EXPECT_NEAR((next - 1)->y(), c.disturbed[k], 1e-12) << k << " at " << g;
        EXPECT_EQ((next - 2)->x(), g);
      }
  }
}

TEST_F(PlotWindowsTest, ZoomInBothDirectionsKeepsRoundLabelsSavesAsShownAndResetGoesBack) {
  for (PlotForm *form : Forms()) {
    SCOPED_TRACE(form->objectName().toStdString());
    Show(form, 400);
    QChartView *view = Charts(*form).front();
    view->chart()->zoomIn(QRectF(view->chart()->plotArea().center(), QSizeF(37, 23)));
    for (QValueAxis *axis : {Axis(view, Qt::Horizontal), Axis(view, Qt::Vertical)}) {
      ASSERT_LT(axis->max() - axis->min(), 0.5 * (axis == Axis(view, Qt::Vertical) ? 1 : 400));
      EXPECT_EQ(axis->tickType(), QValueAxis::TicksDynamic);
      const double steps =
          axis->tickInterval() / std::pow(10, std::floor(std::log10(axis->tickInterval())));
      EXPECT_TRUE(std::fabs(steps - 1) < 1e-9 || std::fabs(steps - 2) < 1e-9 ||
                  std::fabs(steps - 5) < 1e-9)
          << axis->tickInterval();
    }
    // The zoom holds in both directions while the window is resized, and
    // "Save chart..." draws it as shown or the whole series, as asked.
    const QValueAxis *y = Axis(view, Qt::Vertical);
    const std::pair<double, double> zoomedY{y->min(), y->max()};
    form->resize(form->size() + QSize(40, 30));
    QApplication::processEvents();
    EXPECT_EQ(std::make_pair(y->min(), y->max()), zoomedY);
    for (const bool asShown : {true, false}) {
      figure::FigureSettings s = figure::DefaultFigureSettings(figure::FigureCharts::Frequencies);
      s.format = figure::FigureFormat::Svg;
      s.asShown = asShown;
      exportDialog.answers.push_back(s);
      dialogs.answers << folder.File("zoom.svg");
      view->findChild<QAction *>("SaveChart")->trigger();
      EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("; ").toStdString();
      EXPECT_TRUE(exportDialog.kept.back().asShown == asShown);
      // The whole series' last generation is labelled only on the whole axis.
      EXPECT_EQ(ReadAll(folder.File("zoom.svg")).find(">400<") != std::string::npos, !asShown);
    }
    view->findChild<QAction *>("ResetZoom")->trigger();
    EXPECT_EQ(std::make_pair(Axis(view, Qt::Vertical)->min(), Axis(view, Qt::Vertical)->max()),
              std::make_pair(0.0, 1.0));
    EXPECT_EQ(Axis(view, Qt::Vertical)->tickType(), QValueAxis::TicksFixed);
    EXPECT_EQ(Axis(view, Qt::Horizontal)->max(), 400.0);
  }
}

TEST_F(PlotWindowsTest, PlotMenuDrawsAndSavesSeveralChosenSeriesTogetherNamedByWhatDiffers) {
  // The two series in one file, and each in a file of its own.
  SimState s = morvane::testing::SeriesState("Diploid", "Local", 1);
  std::string text;
  for (const double c : {0.55, 0.6}) {
    s.HabFreq = c;
    const std::string series = morvane::testing::DetailSeriesText(s, c < 0.58 ? 30 : 40);
    Write(c < 0.58 ? "a.gnr" : "b.gnr", series);
    text += series;
  }
  Write("two.gnr", text + morvane::testing::ThreeModelsDetailFile());
  auto *list = menu.findChild<QListWidget *>("LstSeries");
  const auto choose = [list](std::vector<int> rows) {
    list->clearSelection();
    for (int row : rows)
      list->item(row)->setSelected(true);
  };
  const auto listed = [list] {
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
      texts << list->item(row)->text();
    return texts;
  };
  figure::FigureSettings svg = figure::DefaultFigureSettings(figure::FigureCharts::Both);
  svg.format = figure::FigureFormat::Svg;
  const auto save = [&](QPushButton *button, const char *file) {
    exportDialog.answers.push_back(svg);
    dialogs.answers << folder.File(file);
    button->click();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("; ").toStdString();
    return ReadAll(folder.File(file));
  };

  // A file opened, the others added after it: each entry names its file when
  // the list holds several. The same file again, or one that cannot be read,
  // leaves the list as it was.
  const struct {
    std::vector<const char *> files;
    QString firstEntry, lastEntry, firstSeries;
  } listings[] = {
      {{"a.gnr", "b.gnr"},
       "a.gnr, series 1 (line 1): Diploids",
       "b.gnr, series 1 (line 1): Diploids",
       "a.gnr, series 1"},
      {{"two.gnr"}, "Series 1 (line 1): Diploids", "Series 5 (", "two.gnr, series 1"},
  };
  for (const auto &l : listings) {
    SCOPED_TRACE(l.files.front());
    menu.ShowForm();
    for (const char *file : l.files) {
      dialogs.answers << folder.File(file);
      Button(&menu, file == l.files.front() ? "BtnOpenDetail" : "BtnAddDetail")->click();
    }
    const QStringList entries = listed();
    ASSERT_GE(entries.size(), 2);
    EXPECT_TRUE(entries.front().startsWith(l.firstEntry) && entries.back().startsWith(l.lastEntry))
        << entries.join(" | ").toStdString();
    for (const QString &again : {folder.File(l.files.back()), folder.File("none.gnr")}) {
      dialogs.answers << again;
      Button(&menu, "BtnAddDetail")->click();
      ExpectMessage({again});
      EXPECT_EQ(listed(), entries);
    }
    // No name in force: the dialog opens where the last Detail file was
    // chosen.
    EXPECT_EQ(dialogs.opens.back().current, "");

    choose({0, 1});
    const std::string together = save(Button(&menu, "BtnSaveTogether"), "together.svg");
    Button(&menu, "BtnPlot")->click();
    ASSERT_TRUE(sex.isVisible());
    // Each line of the chart window, by its legend name: its points and
    // colour.
    std::map<QString, std::pair<int, QColor>> drawn;
    for (QChartView *view : Charts(sex))
      for (QAbstractSeries *line : view->chart()->series())
        if (line->isVisible() && line->objectName().startsWith("Series"))
          drawn[line->name()] = {int(qobject_cast<QLineSeries *>(line)->count()),
                                 qobject_cast<QLineSeries *>(line)->pen().color()};
    const struct {
      const char *name;
      int points;
    } lines[] = {{"p, c = 0.55", 31},   {"q, c = 0.55", 31}, {"DG, c = 0.55", 31},
                 {"Fit, c = 0.55", 31}, {"p, c = 0.6", 41},  {"q, c = 0.6", 41},
                 {"DG, c = 0.6", 41},   {"Fit, c = 0.6", 41}};
    EXPECT_EQ(drawn.size(), std::size(lines));
    for (const auto &line : lines)
      EXPECT_EQ(drawn[line.name].first, line.points) << line.name;
    EXPECT_NE(drawn["p, c = 0.55"].second, drawn["p, c = 0.6"].second);
    // The legend, as the figure's keys: the quantities and the series by
    // what differs, whole.
    QApplication::processEvents(); // the legend lays out its entries
    QStringList legend;
    for (QChartView *view : Charts(sex))
      for (QLegendMarker *entry : view->chart()->legend()->markers())
        if (entry->isVisible())
          legend << entry->label();
    EXPECT_EQ(legend,
              QStringList({"p", "q", "c = 0.55", "c = 0.6", "DG", "Fit", "c = 0.55", "c = 0.6"}));
    for (const char *key : {">c = 0.55<", ">c = 0.6<", ">Fit<"})
      EXPECT_NE(together.find(key), std::string::npos) << key;
    // A parameter that differs is left to the legend; one they share is shown.
    EXPECT_EQ(Text(sex, "Txtc"), "");
    EXPECT_EQ(Text(sex, "Txtx"), RealText(0.25));
    EXPECT_TRUE(
        sex.StatusText().startsWith("2 series drawn together: c = 0.55 (" + l.firstSeries + ")"))
        << sex.StatusText().toStdString();
    // "Save chart..." writes the figure the menu wrote; the data of two
    // series go out as one long table.
    EXPECT_EQ(save(Button(&sex, "BtnSaveChart"), "window.svg"), together);
    dialogs.answers << folder.File("long.csv");
    Charts(sex).front()->findChild<QAction *>("ExportData")->trigger();
    const QStringList rows =
        QString::fromStdString(ReadAll(folder.File("long.csv"))).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 1 + 4 * 31 + 4 * 41);
    EXPECT_EQ(rows.front(), "series,generation,quantity,value");
    EXPECT_TRUE(rows[1].startsWith("c = 0.55,0,p,")) << rows[1].toStdString();
    EXPECT_TRUE(rows.back().startsWith("c = 0.6,40,Fit,")) << rows.back().toStdString();

    // "Back" returns to the list as it was.
    Button(&sex, "BtnQuitPlot")->click();
    EXPECT_FALSE(sex.isVisible());
    ASSERT_TRUE(menu.isVisible());
    EXPECT_EQ(listed(), entries);
  }
  // One series is drawn alone again.
  choose({1});
  Button(&menu, "BtnPlot")->click();
  EXPECT_EQ(Counts(sex), std::vector<int>(4, 41));
  EXPECT_EQ(Lines(sex)[0]->name(), "p");
  EXPECT_EQ(Text(sex, "Txtc"), RealText(0.6));
  EXPECT_TRUE(Charts(sex).front()->findChild<QAction *>("ExportData")->isEnabled());
  Button(&sex, "BtnQuitPlot")->click();

  // Clones and sexual series are not drawn together, in a window or a figure.
  for (const char *button : {"BtnPlot", "BtnSaveTogether"}) {
    choose({1, 4});
    Button(&menu, button)->click();
    ExpectMessage({"cannot be drawn together"});
    EXPECT_TRUE(menu.isVisible());
  }
}

TEST_F(PlotWindowsTest, TheCurrentSeriesIsDrawnExportedAndSavedAtTheDetailFilesPrecision) {
  // A diploid series run into its files; then the same series after its
  // Detail file was replaced, where only the Plot file's rounded values are
  // left.
  Sim() = morvane::testing::SeriesState("Diploid", "Global", 1);
  ChooseModel(Sim(), Model::DiploidGlobal);
  ChooseFinalFile(Sim(), "results.mrv");
  ChooseDetailFile(Sim(), "trace.gnr");
  PrepareSexualInput(Sim(), "PlotSexFile.plo");
  Sim().FreqA = 0.3;
  Sim().FreqB = 0.7;
  Sim().StopThreshold = 1e-12;
  morvane::testing::RecordingDisplay display;
  display.onDisplay = [](int call) { Sim().StopRequested = call >= 150; };
  StartSexualSeries(Sim(), display);
  StopSexualSeries(Sim());
  const DetailFileContent detail = ReadDetailFile("trace.gnr");
  ASSERT_EQ(detail.Series.size(), 1u);
  const PlotTable &full = detail.Series.back().Table;
  ASSERT_GT(full.Rows(), 100u);

  const struct {
    bool detailKept;
    double tolerance; // of a drawn or exported value against the Detail file's
  } cases[] = {{true, 0}, {false, 0.005}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.detailKept);
    if (!c.detailKept)
      ChooseDetailFile(Sim(), "other.gnr");
    sex.ShowForm();
    ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("; ").toStdString();
    EXPECT_EQ(sex.StatusText().contains("rounded values"), !c.detailKept)
        << sex.StatusText().toStdString();
    const std::vector<QLineSeries *> lines = Lines(sex);
    ASSERT_EQ(lines.size(), 4u);
    double worst = 0;
    bool rounded = false;
    for (std::size_t k = 0; k < 4; ++k) {
      ASSERT_EQ(std::size_t(lines[k]->count()), full.Rows());
      for (std::size_t row = 0; row < full.Rows(); ++row) {
        const double d = std::fabs(lines[k]->at(qsizetype(row)).y() - full.Columns[k + 1][row]);
        worst = std::max(worst, d);
        rounded = rounded || d > 0;
      }
    }
    EXPECT_LE(worst, c.tolerance);
    EXPECT_EQ(rounded, !c.detailKept);

    // "Export data..." writes what is drawn, every digit of it.
    dialogs.answers << folder.File("data.csv");
    Charts(sex).front()->findChild<QAction *>("ExportData")->trigger();
    const QStringList rows =
        QString::fromStdString(ReadAll(folder.File("data.csv"))).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(std::size_t(rows.size()), full.Rows() + 1);
    EXPECT_EQ(rows.front(), "generation,p,q,DG,Fit");
    for (std::size_t row = 0; row < full.Rows(); ++row) {
      const QStringList fields = rows[qsizetype(row + 1)].split(',');
      ASSERT_EQ(fields.size(), 5);
      for (std::size_t k = 0; k < 4; ++k)
        ASSERT_EQ(fields[qsizetype(k + 1)].toDouble(), lines[k]->at(qsizetype(row)).y())
            << row << " " << k;
    }

    if (!c.detailKept)
      continue;
    // "Save chart..." of the current series writes the figure morvane-plot
    // draws of its Detail file, fitted axes and caption included.
    for (QChartView *view : Charts(sex))
      view->findChild<QAction *>("FitYToData")->trigger();
    exportDialog.answers.push_back(figure::FigureSettings{figure::FigureFormat::Svg,
                                                          figure::LengthUnit::Cm, 17, 8, 300, 8,
                                                          figure::FigureCharts::Both, true});
    dialogs.answers << folder.File("window.svg");
    Button(&sex, "BtnSaveChart")->click();
    ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("; ").toStdString();
    const morvane::testing::Outcome run = morvane::testing::RunProgram(
        MORVANE_PLOT_PATH, QDir::currentPath().toStdString(),
        morvane::testing::Words("--detail trace.gnr --fit-y --caption -o command.svg"));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string window = ReadAll(folder.File("window.svg"));
    EXPECT_TRUE(WithoutRecord(window) == WithoutRecord(ReadAll(folder.File("command.svg"))));
    // It records the command that draws it again, byte for byte.
    const QString recorded = figure::RecordOfFile(QByteArray::fromStdString(window));
    const qsizetype at = recorded.indexOf(QStringLiteral("Command: morvane-plot --detail "));
    ASSERT_GE(at, 0) << recorded.toStdString();
    ASSERT_TRUE(QFile::remove(folder.File("window.svg")));
    const morvane::testing::Outcome again = morvane::testing::RunProgram(
        MORVANE_PLOT_PATH, QDir::currentPath().toStdString(),
        morvane::testing::Words(recorded.mid(at + 22).section('\n', 0, 0).toStdString()));
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_TRUE(ReadAll(folder.File("window.svg")) == window);
    for (QChartView *view : Charts(sex))
      view->findChild<QAction *>("FitYToData")->trigger();
  }
}
