// The sweep window, opened from the main window and filled from the
// keyboard: its files against the sweep library run on the same command
// line, the command line it shows, Cancel and the resume, its refusals.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <cmath>
#include <map>

#include "FieldTestSupport.h"
#include "support/ProgramTestSupport.h"
#include "support/ScratchFolder.h"
#include "sweep/SweepOutputs.h"
#include "ui/analysis/BifurcationWindow.h"
#include "ui/analysis/PhasePlaneWindow.h"
#include "ui/charts/PlotForm.h"
#include "ui/figure/FigureSettings.h"
#include "ui/figure/SweepFigure.h"
#include "ui/series/UTShowStop.h"
#include "ui/sweep/USweep.h"

using namespace morvane;
using namespace morvane::ui;
using namespace morvane::ui::testing;

namespace {

// The column names of a sweep's table.
std::vector<std::string> Columns(const SweepPlan &plan) {
  const std::string header = SweepTableHeader(plan);
  return TabCells(std::string_view(header).substr(0, header.size() - 1));
}

// A choice of a list made with the arrow keys.
void Choose(QWidget *w, const char *name, const QString &text) {
  auto *box = w->findChild<QComboBox *>(name);
  ASSERT_NE(box, nullptr) << name;
  const int k = box->findText(text);
  ASSERT_GE(k, 0) << text.toStdString();
  box->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(box, Qt::Key_Home);
  for (int n = 0; n < k; ++n)
    QTest::keyClick(box, Qt::Key_Down);
  ASSERT_EQ(box->currentText(), text);
}

// A sweep typed into the window: the model, the fields ("field=text", with '.';
// a check box ticked by its name alone), the varied parameters as NAME, FROM,
// TO, COUNT, and the morvane-sweep command line it stands for.
struct SweepCase {
  const char *name;
  const char *model;
  const char *fields;
  std::vector<std::array<const char *, 4>> vary;
  std::vector<std::string> args;
  const char *show;              // the output the map shows, as the Show list names it
  const char *column = nullptr;  // its column when the name differs
  const char *offered = nullptr; // the Show list, '|' between captions, when checked
  const char *Column() const { return column ? column : show; }
};

const std::vector<SweepCase> kSweeps = {
    {"HaploidOverXAndC",
     "Haploids, global panmixia",
     "TxtW1A=0.9 TxtW2Smalla=0.8 TxtL=0.0001 TxtThreads=2 TxtMaxGen=120",
     {{"c", "0.2", "0.8", "3"}, {"x", "0", "1", "3"}},
     // clang-format off
     {"--model", "haploid-global", "--W1A", "0.9", "--W2a", "0.8", "--L", "0.0001",
      "--vary", "c=0.2:0.8:3", "--vary", "x=0:1:3",
      "--max-generations", "120", "--jobs", "2", "--final", "Sweep.mrv"},
     // clang-format on
     "p"},
    {"ClonalOverD",
     "Clones",
     "TxtfABClone=0.25 TxtLClone=0.0001 TxtMaxGen=50 TxtThreads=1 TxtPointDetail=pt.gnr "
     "TxtPointPlot=pt.plo",
     {{"d", "0.5", "1", "4"}},
     {},
     "T"},
    // The analysed sweep, from one start and from K.
    {"HaploidLeveneAnalysed",
     "Haploids, local panmixia",
     "TxtW1A=0.9 TxtW2A=0.6 TxtSmalla=0.6 TxtW2Smalla=0.9 TxtThreads=2 TxtMaxGen=100 "
     "ChkAnalyse",
     {{"c", "0.32", "0.68", "4"}, {"x", "0", "1", "2"}},
     // clang-format off
     {"--model", "haploid-local", "--W1A", "0.9", "--W1a", "0.6", "--W2A", "0.6", "--W2a", "0.9",
      "--vary", "c=0.32:0.68:4", "--vary", "x=0:1:2",
      "--max-generations", "100", "--analyse", "--jobs", "2", "--final", "Sweep.mrv"},
     // clang-format on
     "Stability",
     "radius",
     "p|q|DG|Fit|T|Outcome|Invasion of A|Invasion of B|Stability"},
    {"HaploidLeveneFromFourStarts",
     "Haploids, local panmixia",
     "TxtW1A=0.9 TxtW2A=0.6 TxtSmalla=0.6 TxtW2Smalla=0.9 TxtThreads=2 TxtMaxGen=20000 "
     "ChkAnalyse TxtStarts=4",
     {{"c", "0.32", "0.68", "4"}},
     {},
     "Stable equilibria",
     "stableCount",
     "p|q|DG|Fit|T|Outcome|Invasion of A|Invasion of B|Stability|Stable equilibria"},
};

class SweepWindowTest : public ProgramTest {
protected:
  ScriptedExportDialog exportDialog;
  MorvaneForm *OpenSweepWindow() {
    Button(main, "BtnSweep")->click();
    MorvaneForm *window = FindForm("FrmSweep");
    EXPECT_TRUE(window && window->isVisible());
    Activate(window);
    return window;
  }
  void Fill(MorvaneForm *w, const SweepCase &c) {
    Choose(w, "CmbModel", c.model);
    for (const QString &e : QString(c.fields).split(' ', Qt::SkipEmptyParts))
      if (e.contains('='))
        LeaveAll(w, e);
      else if (!w->findChild<QCheckBox *>(e)->isChecked())
        w->findChild<QCheckBox *>(e)->click();
    for (std::size_t k = 0; k < c.vary.size(); ++k) {
      const auto &v = c.vary[k];
      const std::string row = std::to_string(k + 1);
      Choose(w, ("CmbVary" + row).c_str(), v[0]);
      Leave(Field(w, ("TxtFrom" + row).c_str()), L(v[1]));
      Leave(Field(w, ("TxtTo" + row).c_str()), L(v[2]));
      Leave(Field(w, ("TxtCount" + row).c_str()), v[3]);
    }
    if (c.vary.size() < 2)
      Choose(w, "CmbVary2", "(none)");
    Choose(w, "CmbShow", c.show);
  }
  // Go on a sweep of count x count points, too big to end before the test
  // acts on it.
  MorvaneForm *StartBigSweep(const char *count) {
    MorvaneForm *w = OpenSweepWindow();
    Fill(w, {"Big",
             "Haploids, local panmixia",
             "",
             {{"c", "0.1", "0.9", count}, {"x", "0", "1", count}},
             {},
             "p"});
    Button(w, "BtnGo")->click();
    return w;
  }
  // The program started again: every window as it first shows.
  void FreshProgram() {
    windows.reset();
    windows = std::make_unique<ProgramWindows>();
    main = FindForm("frmMorvane");
    main->ShowForm();
  }
  // Go, then the events until the run has ended.
  void RunToEnd(MorvaneForm *w) {
    Button(w, "BtnGo")->click();
    WaitForEnd(w);
  }
  void WaitForEnd(MorvaneForm *w) {
    for (int n = 0; n < 3000 && static_cast<TFrmSweep *>(w)->Running(); ++n)
      QTest::qWait(20);
    ASSERT_FALSE(static_cast<TFrmSweep *>(w)->Running());
  }
  // The map's cells (or the diagram's points) hold the table's values of
  // the output shown, and cross out the points not converged.
  // (An empty cell, no value, is drawn as none.)
  static void ExpectMapShowsTable(TFrmSweep *w, const std::string &output,
                                  const std::string &table) {
    const figure::SweepTable sweep = figure::ParseSweepTable(table, "Sweep.tsv");
    const auto &rows = sweep.rows;
    const auto header = Columns(sweep.plan);
    const auto column = std::find(header.begin(), header.end(), output) - header.begin();
    const auto converged = std::find(header.begin(), header.end(), "converged") - header.begin();
    ASSERT_EQ(w->Map()->RowsDrawn(), rows.size());
    std::size_t marked = 0;
    double low = HUGE_VAL, high = -HUGE_VAL;
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const double v = morvane::TextToReal(rows[k][column]).value_or(NAN);
      low = std::min(low, v);
      high = std::max(high, v);
      if (std::isnan(v))
        EXPECT_TRUE(std::isnan(w->Map()->Value(k))) << k;
      else
        EXPECT_EQ(w->Map()->Value(k), v) << k;
      EXPECT_EQ(w->Map()->Marked(k), rows[k][converged] == "no") << k;
      marked += w->Map()->Marked(k);
    }
    // The colour bar holds every value drawn on its fixed scale.
    if (sweep.plan.axes.size() == 2) {
      EXPECT_LE(w->Map()->ColourRange().lower, low);
      EXPECT_GE(w->Map()->ColourRange().upper, high);
    }
    if (output == "p") {
      EXPECT_GT(marked, 0u);
    }
  }
  // Hovering the last point names its values; a click on it opens the model's chart window with
  // that point's parameters.
  void ExpectClickShowsSeries(TFrmSweep *w, const SweepPlan &plan) {
    SweepMapView *map = w->Map();
    map->replot();
    const std::size_t point = plan.Points() - 1;
    const auto at = plan.Coordinates(point);
    QCPAxisRect *rect = map->axisRect();
    const double x = *morvane::TextToReal(plan.axes[0].shown[at[0]]);
    const double y =
        plan.axes.size() == 2 ? *morvane::TextToReal(plan.axes[1].shown[at[1]]) : map->Value(point);
    const QPoint position(int(rect->axis(QCPAxis::atBottom)->coordToPixel(x)),
                          int(rect->axis(QCPAxis::atLeft)->coordToPixel(y)));
    // Hovering: the point's parameters and results.
    QTest::mouseMove(map, position);
    const QString hover = map->PointText(point);
    for (std::size_t k = 0; k < plan.axes.size(); ++k)
      EXPECT_TRUE(hover.contains(
          QString::fromStdString(plan.axes[k].option + " = " + plan.axes[k].shown[at[k]])))
          << hover.toStdString();
    EXPECT_TRUE(hover.contains("converged = ")) << hover.toStdString();
    // An analysed sweep's: the class and the eigenvalues too.
    for (const char *name : {"classA = ", "classB = ", "radius = ", "lambdaA = ", "lambdaB = "})
      EXPECT_EQ(hover.contains(name), plan.analyse) << hover.toStdString();
    EXPECT_EQ(map->PointAt(position), long(point));
    QTest::mouseClick(map, Qt::LeftButton, {}, position);
    // The series runs on a thread of its own; the chart opens when it ends,
    // its files where the user named them.
    MorvaneForm *chart = FindForm(plan.model == Model::Clonal ? "FrmPlotVeg" : "FrmPlotSex");
    ASSERT_TRUE(QTest::qWaitFor([chart] { return chart->isVisible(); }, 20000));
    for (const char *name : {"TxtPointDetail", "TxtPointPlot"}) {
      const QString file = Field(w, name)->text();
      EXPECT_TRUE(file.isEmpty() || QFileInfo(file).size() > 0) << file.toStdString();
    }
    for (std::size_t k = 0; k < plan.axes.size(); ++k)
      EXPECT_EQ(Field(chart, ("Txt" + plan.axes[k].option).c_str())->text(),
                L(QString::fromStdString(plan.axes[k].shown[at[k]])));
    const QString status = static_cast<PlotForm *>(chart)->StatusText();
    EXPECT_TRUE(status.startsWith(QStringLiteral("Point %1 of the sweep").arg(point)));
    EXPECT_EQ(status.contains("Not converged: stopped at the cap"), map->Marked(point))
        << status.toStdString();
    // Titled as the point's, its Plot file named; going back from it shows
    // the sweep, not the plot menu, and gives the chart its own title back.
    const QString title = chart->windowTitle();
    EXPECT_EQ(title, QStringLiteral("Point %1 of the sweep").arg(point));
    EXPECT_FALSE(Field(chart, "TxtPlotFile")->text().isEmpty());
    chart->CloseForm();
    QTest::qWait(20);
    EXPECT_NE(chart->windowTitle(), title);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(FindForm("FrmPlotMenu")->isVisible());
    ExpectPointMenuOpensItsAnalyses(w, plan, point);
  }
  // The point's menu: its phase plane at the point's parameters, and its
  // bifurcation diagram along each varied parameter that one can vary, over
  // the sweep's range.
  void ExpectPointMenuOpensItsAnalyses(TFrmSweep *w, const SweepPlan &plan, std::size_t point) {
    const std::unique_ptr<QMenu> menu(w->PointMenu(point));
    const morvane::Parameters params = morvane::SweepPointOptions(plan, point).params;
    QStringList captions;
    for (QAction *action : menu->actions())
      captions << action->text();
    QStringList expected{"&Series", "&Phase plane"};
    for (std::size_t k = 0; k < plan.axes.size(); ++k)
      if (plan.axes[k].option != "fAB" && plan.axes[k].option != "p" && plan.axes[k].option != "q")
        expected << QString(k == 0 ? "&Bifurcation diagram along %1"
                                   : "Bifurcation &diagram along %1")
                        .arg(morvane::figure::Symbol(plan.axes[k].option));
    EXPECT_EQ(captions, expected);
    for (QAction *action : menu->actions().mid(1)) {
      const QWidgetList before = QApplication::topLevelWidgets();
      action->trigger();
      QWidget *opened = nullptr;
      for (QWidget *top : QApplication::topLevelWidgets())
        if (!before.contains(top) && top->isVisible())
          opened = top;
      ASSERT_NE(opened, nullptr) << action->text().toStdString();
      if (auto *plane = qobject_cast<morvane::ui::PhasePlaneWindow *>(opened)) {
        EXPECT_EQ(plane->ModelShown(), plan.model);
        EXPECT_EQ(plane->ParametersShown().HabFreq, params.HabFreq);
        EXPECT_EQ(plane->ParametersShown().SoftProp, params.SoftProp);
        EXPECT_EQ(plane->ParametersShown().MigSurv, params.MigSurv);
      } else {
        auto *diagram = qobject_cast<TFrmBifurcation *>(opened);
        ASSERT_NE(diagram, nullptr);
        const auto *choice = diagram->findChild<QComboBox *>("CmbParameter");
        EXPECT_TRUE(action->text().endsWith(" " + choice->currentText()))
            << choice->currentText().toStdString();
      }
      opened->close();
    }
  }
  // The sweep library's run of `args` with `final` as the Final file.
  static void RunReference(std::vector<std::string> args, const std::string &final) {
    args.back() = final;
    const SweepOptions o = ParseSweepOptions(args);
    RunSweep(o, CheckSweepPoints(o.plan, o.jobs), nullptr);
  }
};

TEST_P(SweepWindowTest, AKeyboardFilledSweepWritesWhatMorvaneSweepWrites) {
  for (const SweepCase &c : kSweeps) {
    SCOPED_TRACE(c.name);
    MorvaneForm *w = OpenSweepWindow();
    Fill(w, c);
    auto *sweep = static_cast<TFrmSweep *>(w);
    if (c.offered) {
      QStringList offered;
      for (const auto *box = w->findChild<QComboBox *>("CmbShow"); offered.size() < box->count();)
        offered << box->itemText(int(offered.size()));
      EXPECT_EQ(offered.join('|').toStdString(), c.offered);
    }
    const std::vector<std::string> args = sweep->SweepArguments();
    if (!c.args.empty()) {
      EXPECT_EQ(args, c.args);
    }
    QString line = "morvane-sweep";
    for (const std::string &a : args)
      line += " " + QString::fromStdString(a);
    EXPECT_EQ(sweep->CommandLine(), line);
    RunToEnd(w);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
    RunReference(args, "ref.mrv");
    EXPECT_EQ(ReadAll("Sweep.mrv"), ReadAll("ref.mrv"));
    EXPECT_EQ(ReadAll("Sweep.tsv"), ReadAll("ref.tsv"));
    ExpectMapShowsTable(sweep, c.Column(), ReadAll("Sweep.tsv"));
    ExpectClickShowsSeries(sweep, ParseSweepOptions(args).plan);
    // Opened again from its Final file, without a run, in a fresh window.
    Button(w, "BtnBack")->click();
    windows.reset();
    windows = std::make_unique<ProgramWindows>();
    main = FindForm("frmMorvane");
    main->ShowForm();
    w = OpenSweepWindow();
    sweep = static_cast<TFrmSweep *>(w);
    dialogs.answers << "Sweep.mrv";
    Button(w, "BtnOpen")->click();
    Choose(w, "CmbShow", c.show);
    ExpectMapShowsTable(sweep, c.Column(), ReadAll("Sweep.tsv"));
    // The form is the sweep opened (but for the threads, the machine's): Go
    // would run it again to the same bytes.
    std::vector<std::string> opened = sweep->SweepArguments();
    const auto jobs = std::find(args.begin(), args.end(), "--jobs") - args.begin();
    opened.at(std::size_t(jobs) + 1) = args[std::size_t(jobs) + 1];
    EXPECT_EQ(opened, args);
    EXPECT_EQ(Field(w, "TxtCommand")->text(), sweep->CommandLine());
    // The figure saved in each format to the export dialog's settings (a PNG
    // at its size and resolution); the SVG is the one morvane-plot draws to
    // the same settings; a folder that does not exist is named.
    for (const auto format :
         {figure::FigureFormat::Png, figure::FigureFormat::Svg, figure::FigureFormat::Pdf}) {
      const figure::FigureSettings settings{
          format, figure::LengthUnit::Cm, 12, 9, 150, 9, figure::FigureCharts::Frequencies, true};
      exportDialog.answers.push_back(settings);
      const QString picture =
          QStringLiteral("map.") + QString("png svg pdf").split(' ')[int(format)];
      dialogs.answers << picture;
      Button(w, "BtnSaveMap")->click();
      EXPECT_GT(QFileInfo(picture).size(), 100) << picture.toStdString();
      if (format == figure::FigureFormat::Png) {
        EXPECT_EQ(QImage(picture).size(), figure::PngPixelSize(settings));
        EXPECT_EQ(QImage(picture).dotsPerMeterX(), 5906);
      }
    }
    // The SVG records the morvane-plot command that draws it again, byte for
    // byte.
    const std::string window = ReadAll("map.svg");
    const QString recorded = figure::RecordOfFile(QByteArray::fromStdString(window));
    const qsizetype at = recorded.indexOf(QStringLiteral("Command: morvane-plot "));
    ASSERT_GE(at, 0) << recorded.toStdString();
    const QString command = recorded.mid(at + 22).section('\n', 0, 0);
    EXPECT_EQ(command.toStdString(),
              std::string("--sweep Sweep.mrv --show ") + c.Column() +
                  " --format svg --unit cm --width 12 --height 9 --dpi 150 --font 9 --caption"
                  " -o map.svg");
    ASSERT_TRUE(QFile::remove("map.svg"));
    const morvane::testing::Outcome plot =
        morvane::testing::RunProgram(MORVANE_PLOT_PATH, QDir::currentPath().toStdString(),
                                     morvane::testing::Words(command.toStdString()));
    EXPECT_EQ(plot.exitCode, 0) << plot.err;
    EXPECT_TRUE(ReadAll("map.svg") == window);
    // A map's cells are drawn as shapes, sharp at any size: the colour bar
    // is the figure's one picture.
    if (ParseSweepOptions(args).plan.axes.size() == 2) {
      const std::string svg = ReadAll("map.svg");
      std::size_t pictures = 0;
      for (std::size_t at = svg.find("<image"); at != std::string::npos;
           at = svg.find("<image", at + 1))
        ++pictures;
      EXPECT_EQ(pictures, 1u);
    }
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
    exportDialog.answers.push_back(
        figure::DefaultFigureSettings(figure::FigureCharts::Frequencies));
    dialogs.answers << "no/such/map.png";
    Button(w, "BtnSaveMap")->click();
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith("Cannot write no/such/map.png: "));
    messages.texts.clear();
    for (const char *name : {"Sweep.mrv", "Sweep.tsv", "ref.mrv", "ref.tsv"})
      QFile::remove(name);
    Button(w, "BtnBack")->click();
    EXPECT_TRUE(main->isVisible());
  }
}

// While a sweep runs the form is the sweep's: its fields read-only, its
// choices shut, Cancel live; Cancel says so at once, and the status then says
// where it stopped.
TEST_P(SweepWindowTest, CancelKeepsTheRunForAResume) {
  MorvaneForm *w = StartBigSweep("60");
  const char *readOnly[] = {"Txtx",      "TxtL",       "TxtW1A",    "TxtFrom1",
                            "TxtCount2", "TxtThreads", "TxtMaxGen", "TxtFinal"};
  const char *shut[] = {"BtnGo",     "BtnFinal", "BtnOpen", "BtnTradeLin",
                        "ChkResume", "CmbModel", "CmbVary1"};
  for (bool running : {true, false}) {
    SCOPED_TRACE(running ? "running" : "ended");
    for (const char *name : readOnly)
      EXPECT_EQ(Field(w, name)->isReadOnly(), running) << name;
    for (const char *name : shut)
      EXPECT_EQ(w->findChild<QWidget *>(name)->isEnabled(), !running) << name;
    EXPECT_EQ(Button(w, "BtnCancel")->isEnabled(), running);
    if (running) {
      Button(w, "BtnCancel")->click();
      EXPECT_EQ(w->findChild<QLabel *>("LblProgress")->text(), "Cancelling...");
      WaitForEnd(w);
    }
  }
  EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  const QString status = w->findChild<QLabel *>("LblProgress")->text();
  EXPECT_TRUE(status.startsWith("Cancelled at ") &&
              status.endsWith(" of 3600 points; Resume goes on"))
      << status.toStdString();
  EXPECT_TRUE(QFile::exists("Sweep.mrv.part"));
  EXPECT_FALSE(QFile::exists("Sweep.mrv"));
  EXPECT_TRUE(w->findChild<QCheckBox *>("ChkResume")->isChecked());
  // Go again resumes, and the result is that of a run never interrupted.
  const std::vector<std::string> args = static_cast<TFrmSweep *>(w)->SweepArguments();
  EXPECT_EQ(args.back(), "--resume");
  RunToEnd(w);
  EXPECT_TRUE(messages.texts.isEmpty());
  std::vector<std::string> whole(args.begin(), args.end() - 1);
  RunReference(whole, "ref.mrv");
  EXPECT_EQ(ReadAll("Sweep.mrv"), ReadAll("ref.mrv"));
  EXPECT_EQ(ReadAll("Sweep.tsv"), ReadAll("ref.tsv"));
  EXPECT_FALSE(w->findChild<QCheckBox *>("ChkResume")->isChecked());
}

// A sweep of more than 100,000 points asks first, telling the points and the
// room they take: No runs nothing, Yes runs it.
TEST_P(SweepWindowTest, ALargeSweepAsksFirst) {
  struct Case {
    const char *count;
    std::vector<bool> answers;
    int questions;
    bool runs;
  };
  const Case cases[] = {{"100", {}, 0, true}, {"317", {false}, 1, false}, {"400", {true}, 1, true}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.count);
    messages.questions.clear();
    messages.answers.clear();
    for (bool answer : c.answers)
      messages.answers << answer;
    MorvaneForm *w = StartBigSweep(c.count);
    EXPECT_EQ(messages.questions.size(), c.questions);
    if (c.questions > 0) {
      EXPECT_TRUE(
          messages.questions[0].startsWith(QStringLiteral("This sweep has %L1 points.")
                                               .arg(std::stoi(c.count) * std::stoi(c.count))))
          << messages.questions[0].toStdString();
      // Timed on a sample of its points, on the window's threads.
      EXPECT_TRUE(messages.questions[0].contains(QRegularExpression(
          QStringLiteral("It would take about [0-9.]+ (s|min|h) on [0-9]+ threads"))))
          << messages.questions[0].toStdString();
    }
    EXPECT_EQ(static_cast<TFrmSweep *>(w)->Running(), c.runs);
    if (c.runs) {
      Button(w, "BtnCancel")->click();
      WaitForEnd(w);
    }
    for (const char *name : {"Sweep.mrv.part", "Sweep.tsv.part", "Sweep.mrv", "Sweep.tsv"})
      QFile::remove(name);
    Button(w, "BtnBack")->click();
  }
}

// Closing the window during a sweep asks first: No goes on, Yes cancels
// and keeps what was done.
TEST_P(SweepWindowTest, ClosingDuringASweepAsksFirst) {
  MorvaneForm *w = StartBigSweep("100");
  // Quitting the program asks the same: No goes on.
  messages.answers = {false};
  Button(main, "BtnQuit")->click();
  EXPECT_TRUE(static_cast<TFrmSweep *>(w)->Running());
  EXPECT_TRUE(messages.texts.isEmpty()); // no farewell
  messages.questions.clear();
  messages.answers = {false, true};
  EXPECT_FALSE(w->close());
  EXPECT_TRUE(static_cast<TFrmSweep *>(w)->Running());
  EXPECT_TRUE(w->close());
  EXPECT_FALSE(static_cast<TFrmSweep *>(w)->Running());
  EXPECT_EQ(messages.questions.size(), 2);
  EXPECT_TRUE(messages.questions[0].startsWith("A sweep is running."));
  EXPECT_TRUE(QFile::exists("Sweep.mrv.part"));
  EXPECT_FALSE(QFile::exists("Sweep.mrv"));
  EXPECT_TRUE(messages.texts.isEmpty());
}

// "Open sweep..." makes the form the sweep opened: the same command, so that
// an interrupted sweep opened in a fresh window resumes to the bytes of a run
// never interrupted (analysed, it stays so).
TEST_P(SweepWindowTest, OpenSweepFillsTheFormSoThatItResumes) {
  MorvaneForm *w = OpenSweepWindow();
  Fill(w, {"Diploid",
           "Diploids, local panmixia",
           "TxtW1A=0.9 Txtp=0.3 TxtL=0.0000001 TxtMaxGen=5000 TxtThreads=1 ChkAnalyse",
           {{"x", "0", "1", "70"}, {"c", "0.1", "0.9", "50"}},
           {},
           "DG"});
  Button(w, "BtnTradeLin")->click();
  const std::vector<std::string> args = static_cast<TFrmSweep *>(w)->SweepArguments();
  ASSERT_NE(std::find(args.begin(), args.end(), "--analyse"), args.end());
  Button(w, "BtnGo")->click();
  QTest::qWait(300);
  Button(w, "BtnCancel")->click();
  WaitForEnd(w);
  ASSERT_TRUE(QFile::exists("Sweep.mrv.part"));
  // A fresh program: the interrupted run's table opened.
  FreshProgram();
  w = OpenSweepWindow();
  dialogs.answers << "Sweep.tsv.part";
  Button(w, "BtnOpen")->click();
  EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  std::vector<std::string> opened = static_cast<TFrmSweep *>(w)->SweepArguments();
  EXPECT_EQ(opened.back(), "--resume");
  // The threads are the machine's, not the sweep's.
  const auto jobs = std::find(opened.begin(), opened.end(), "--jobs");
  ASSERT_NE(jobs, opened.end());
  *(jobs + 1) = "1";
  EXPECT_EQ(std::vector<std::string>(opened.begin(), opened.end() - 1), args);
  Leave(Field(w, "TxtThreads"), "2");
  // Resumed without the analysis it was run with: refused, in the window's
  // words, nothing changed.
  auto *analyse = w->findChild<QCheckBox *>("ChkAnalyse");
  analyse->click();
  RunToEnd(w);
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_TRUE(messages.texts[0].startsWith(
      "Sweep.tsv.part holds this sweep run with \"Analyse equilibria\": it cannot be resumed "
      "without \"Analyse equilibria\""))
      << messages.texts[0].toStdString();
  messages.texts.clear();
  analyse->click();
  RunToEnd(w);
  RunReference(args, "ref.mrv");
  EXPECT_EQ(ReadAll("Sweep.mrv"), ReadAll("ref.mrv"));
  EXPECT_EQ(ReadAll("Sweep.tsv"), ReadAll("ref.tsv"));
}

// An opened sweep with other counts asks to be extended: Yes keeps the
// points of the same values and gives the bytes of a fresh run of the new
// grid, No runs nothing; an analysed sweep stays analysed.
TEST_P(SweepWindowTest, OpenSweepWithOtherCountsAsksToExtendIt) {
  const std::string before = "--model diploid-local --W1A 0.9 --vary x=0:1:3 --vary c=0.2:0.8:4";
  const struct {
    bool answer;
    const char *question;
    const char *analysis; // the earlier sweep's, which the form takes
  } cases[] = {{false, "Extend the sweep (12 points kept, 23 new)?", ""},
               {true, "Extend the sweep (12 points kept, 23 new)?", ""},
               {true, "Extend the sweep (12 points kept, 23 new)?", " --analyse --starts 4"}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.analysis);
    RunReference(morvane::testing::Words(before + c.analysis + " --jobs 2 --final Sweep.mrv"),
                 "Sweep.mrv");
    const std::string earlier = ReadAll("Sweep.tsv");
    MorvaneForm *w = OpenSweepWindow();
    dialogs.answers << "Sweep.mrv";
    Button(w, "BtnOpen")->click();
    EXPECT_EQ(w->findChild<QCheckBox *>("ChkAnalyse")->isChecked(), *c.analysis != 0);
    EXPECT_EQ(Field(w, "TxtStarts")->text(), *c.analysis ? "4" : "1");
    Leave(Field(w, "TxtCount1"), "5");
    Leave(Field(w, "TxtCount2"), "7");
    messages.questions.clear();
    messages.answers = {c.answer};
    RunToEnd(w);
    ASSERT_EQ(messages.questions.size(), 1);
    EXPECT_TRUE(messages.questions[0].endsWith(c.question)) << messages.questions[0].toStdString();
    if (c.answer) {
      RunReference(static_cast<TFrmSweep *>(w)->SweepArguments(), "ref.mrv");
      EXPECT_EQ(ReadAll("Sweep.mrv"), ReadAll("ref.mrv"));
      EXPECT_EQ(ReadAll("Sweep.tsv"), ReadAll("ref.tsv"));
      EXPECT_TRUE(w->findChild<QLabel *>("LblProgress")->text().contains("12 kept"));
      EXPECT_TRUE(Field(w, "TxtCommand")->text().endsWith("--extend"));
      EXPECT_NE(ReadAll("Sweep.tsv").find(std::string(c.analysis) + "\n"), std::string::npos);
    } else {
      EXPECT_EQ(ReadAll("Sweep.tsv"), earlier);
    }
    for (const char *name : {"Sweep.mrv", "Sweep.tsv", "ref.mrv", "ref.tsv"})
      QFile::remove(name);
    Button(w, "BtnBack")->click();
  }
}

// The clone frequencies follow the clonal input window's sum rule as each
// is left.
TEST_P(SweepWindowTest, CloneFrequenciesKeepSummingToOne) {
  struct Case {
    const char *entries;
    std::array<double, 4> shown; // f(AB), f(Ab), f(aB), f(ab)
    const char *message;
  };
  const Case cases[] = {
      {"TxtfABClone=0.5", {1 / 3.0, 1 / 3.0, 0, 1 / 3.0}, nullptr},
      {"TxtfABClone=0.5 TxtfaBClone=0.5", {2 / 9.0, 2 / 9.0, 1 / 3.0, 2 / 9.0}, nullptr},
      {"TxtfAbClone=0 TxtfabClone=0", {0, 0.5, 0, 0.5}, "Sum = 0, very funny!"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.entries);
    FreshProgram();
    MorvaneForm *w = OpenSweepWindow();
    Choose(w, "CmbModel", "Clones");
    messages.texts.clear();
    LeaveAll(w, c.entries);
    const char *names[] = {"TxtfABClone", "TxtfAbClone", "TxtfaBClone", "TxtfabClone"};
    for (int k = 0; k < 4; ++k) {
      QString text = Field(w, names[k])->text();
      text.replace(GetParam(), '.');
      EXPECT_NEAR(*morvane::TextToReal(text.toStdString()), c.shown[k], 1e-14) << names[k];
    }
    EXPECT_EQ(messages.texts, c.message ? QStringList{c.message} : QStringList{});
    Button(w, "BtnBack")->click();
  }
}

// The keyboard: Tab in reading order, Enter is Go, Esc is Back (asking
// during a sweep), and Back asks as closing does.
TEST_P(SweepWindowTest, KeyboardReadsTheFormInOrder) {
  MorvaneForm *w = OpenSweepWindow();
  Choose(w, "CmbModel", "Haploids, local panmixia");
  QStringList seen;
  QWidget *f = w->findChild<QWidget *>("CmbModel");
  f->setFocus(Qt::OtherFocusReason);
  for (int k = 0; k < 40 && f; ++k) {
    seen << f->objectName();
    QTest::keyClick(f, Qt::Key_Tab);
    f = QApplication::focusWidget();
  }
  const QStringList order = {"CmbModel",  "Txtx",       "Txtd",       "Txtc",      "Txtp",
                             "Txtq",      "Txti",       "Txtj",       "TxtDG",     "TxtL",
                             "TxtW1A",    "BtnNoTrade", "CmbVary1",   "TxtFrom1",  "TxtTo1",
                             "TxtCount1", "CmbVary2",   "TxtThreads", "TxtMaxGen", "TxtFinal",
                             "BtnFinal",  "ChkResume",  "BtnGo",      "BtnBack",   "CmbShow"};
  qsizetype at = -1;
  for (const QString &name : order) {
    const qsizetype next = seen.indexOf(name);
    EXPECT_GT(next, at) << name.toStdString() << " in " << seen.join(' ').toStdString();
    at = std::max(at, next);
  }
  EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  // Enter in a field is Go; Esc asks during the sweep (No goes on, Yes
  // cancels and goes back to the main window).
  Choose(w, "CmbVary1", "c");
  LeaveAll(w, "TxtFrom1=0.1 TxtTo1=0.9 TxtCount1=300");
  Choose(w, "CmbVary2", "x");
  LeaveAll(w, "TxtFrom2=0 TxtTo2=1");
  Field(w, "TxtCount2")->setText("300");
  Field(w, "TxtCount2")->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(Field(w, "TxtCount2"), Qt::Key_Return);
  EXPECT_TRUE(static_cast<TFrmSweep *>(w)->Running());
  messages.answers = {false, true};
  QTest::keyClick(Field(w, "TxtCount2"), Qt::Key_Escape);
  EXPECT_TRUE(static_cast<TFrmSweep *>(w)->Running());
  EXPECT_TRUE(w->isVisible());
  QTest::keyClick(Field(w, "TxtCount2"), Qt::Key_Escape);
  EXPECT_FALSE(static_cast<TFrmSweep *>(w)->Running());
  EXPECT_FALSE(w->isVisible());
  EXPECT_TRUE(main->isVisible());
  ASSERT_EQ(messages.questions.size(), 2);
  EXPECT_TRUE(messages.questions[1].startsWith("A sweep is running."));
  EXPECT_TRUE(QFile::exists("Sweep.mrv.part"));
}

// Every window: no two of the controls it shows together answer the same
// Alt+letter.
TEST_P(SweepWindowTest, NoWindowHasAMnemonicTwice) {
  const AppWindows &set = Windows();
  PhasePlaneWindow plane(Model::DiploidLocal, Parameters{1, 1, 0.5, 1, 1, 0.9, 0.6, 0.6, 0.9, 1e-9},
                         2, 0.0);
  const std::vector<QWidget *> all = {set.frmMorvane,  set.FrmSexImput,     set.FrmClonImput,
                                      set.FrmPlotMenu, set.FrmPerturb1N,    set.FrmPerturb2N,
                                      set.FrmShowT,    set.FrmPerturbClone, set.FrmPlotSex,
                                      set.FrmPlotVeg,  set.FrmSweep,        &plane};
  for (QWidget *window : all) {
    ASSERT_NE(window, nullptr);
    SCOPED_TRACE(window->objectName().toStdString());
    for (const auto &[letter, texts] : MnemonicsUsedTwice(window))
      ADD_FAILURE() << "Alt+" << QString(letter).toStdString() << ": "
                    << texts.join(" | ").toStdString();
  }
}

// Refusals: a bad entry gets its field's message with the focus back in the
// field; what the sweep's own rules refuse at Go, their message with the
// focus in the field concerned, nothing written.
TEST_P(SweepWindowTest, Refusals) {
  struct Refusal {
    const char *entries;        // "field=text", with '.'
    const char *existing;       // a Final file there before Go
    bool go;                    // refused at Go rather than when the field is left
    const char *message;        // the message starts with it
    const char *focus;          // the field given the focus
    const char *shown;          // the number it then shows, written with '.'
    const char *tick = nullptr; // a check box ticked first
  };
  const std::vector<Refusal> refusals = {
      {"Txtx=2", nullptr, false, "x out of Range", "Txtx", "1"},
      {"TxtFrom1=7", nullptr, false, "c out of Range", "TxtFrom1", "0.5"},
      {"TxtCount1=0", nullptr, true, "Vary c (From 0.2, To 0.8, Count 0): Count must be",
       "TxtCount1", "0"},
      {"TxtCount1=1", nullptr, true,
       "Vary c (From 0.2, To 0.8, Count 1): one point needs From = To", "TxtFrom1", "0.2"},
      {"TxtThreads=0", nullptr, true, "Threads needs a whole number", "TxtThreads", "0"},
      {"TxtMaxGen=-3", nullptr, true, "Generation cap", "TxtMaxGen", "-3"},
      {"", "not a sweep\n", true, "Sweep.mrv exists and does not hold this sweep whole", "TxtFinal",
       nullptr},
      // An empty end is left alone until Go names it.
      {"TxtTo1=", nullptr, true, "Vary c: From, To and Count need a value", "TxtTo1", ""},
      {"TxtFinal=no/such/folder/s.mrv", nullptr, true, "Final file: the folder ", "TxtFinal",
       nullptr},
      // (Last: the box stays ticked.)
      {"TxtStarts=3", nullptr, true, "Starts K needs 1 (none) or a whole number from 4 to 10000",
       "TxtStarts", "3", "ChkAnalyse"},
  };
  for (const Refusal &r : refusals) {
    SCOPED_TRACE(r.message);
    MorvaneForm *w = OpenSweepWindow();
    Choose(w, "CmbVary1", "c");
    LeaveAll(w, "TxtFrom1=0.2 TxtTo1=0.8 TxtCount1=3 TxtThreads=1 TxtMaxGen=");
    Field(w, "TxtFinal")->setText("Sweep.mrv");
    if (r.existing)
      WriteAll("Sweep.mrv", r.existing);
    messages.texts.clear();
    if (r.tick)
      w->findChild<QCheckBox *>(r.tick)->click();
    LeaveAll(w, r.entries);
    if (r.go)
      Button(w, "BtnGo")->click();
    WaitForEnd(w);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith(r.message)) << messages.texts[0].toStdString();
    EXPECT_TRUE(Field(w, r.focus)->hasFocus());
    if (r.shown) {
      EXPECT_EQ(Field(w, r.focus)->text(), L(r.shown));
    }
    EXPECT_EQ(ReadAll("Sweep.mrv"), r.existing ? r.existing : "<missing Sweep.mrv>");
    EXPECT_FALSE(QFile::exists("Sweep.tsv"));
    EXPECT_TRUE(Button(w, "BtnGo")->isEnabled());
    QFile::remove("Sweep.mrv");
    Button(w, "BtnBack")->click();
  }
}

// The Fitness Menu of the input windows: its trade-off and ESS buttons give
// the sweep's --trade-off and --ess, and the survivals they compute are
// locked and left to morvane-sweep.
TEST_P(SweepWindowTest, FitnessMenuGivesTheTradeOffAndTheEss) {
  struct Case {
    const char *buttons; // pressed in turn
    std::vector<std::string> given;
    const char *locked; // the survival fields computed
  };
  const Case cases[] = {
      {"BtnTradeLin", {"--trade-off", "linear", "--W1A", "0.8"}, "TxtW2A TxtW2Smalla"},
      {"BtnTradeLin BtnESS", {"--trade-off", "linear", "--ess"}, "TxtW1A TxtW2A TxtW2Smalla"},
      {"BtnTradeLin BtnConvexTrade",
       {"--trade-off", "convex", "--W1A", "0.8"},
       "TxtW2A TxtW2Smalla"},
      // Freed, the habitat-2 survivals keep the convex values, now given.
      {"BtnNoTrade", {"--W1A", "0.8", "--W2A", "0.36", "--W2a", "0"}, ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.buttons);
    MorvaneForm *w = OpenSweepWindow();
    Choose(w, "CmbModel", "Haploids, global panmixia");
    LeaveAll(w, "TxtW1A=0.8");
    for (const QString &button : QString(c.buttons).split(' '))
      Button(w, button.toUtf8().constData())->click();
    // The model changed and back: the choices stay.
    Choose(w, "CmbModel", "Diploids, global panmixia");
    Choose(w, "CmbModel", "Haploids, global panmixia");
    const std::vector<std::string> args = static_cast<TFrmSweep *>(w)->SweepArguments();
    const auto at = std::find(args.begin(), args.end(), "--vary");
    EXPECT_EQ(std::vector<std::string>(args.begin() + 2, at), c.given);
    for (const char *field : {"TxtW1A", "TxtW2A", "TxtW2Smalla"})
      EXPECT_EQ(Field(w, field)->isEnabled(), !QString(c.locked).contains(field)) << field;
    Button(w, "BtnBack")->click();
  }
}

// The colour bar of a map: frequencies and Fit on 0 to 1 with both ends
// labelled, DG and a Fit below 0 centred on 0, T on a log scale; the scale set
// by the output and the cap, never by the values that came first.
TEST(SweepFigure, ColourScalesAreFixedAndHonest) {
  struct Case {
    const char *model, *output, *options;
    std::vector<std::string> values; // the output's values, in grid order
    double low, high;
    bool log;
    std::vector<double> ticks; // ticks that must be labelled
  };
  const Case cases[] = {
      {"haploid-local", "p", "", {"0.15", "0.85", "0.5", "0.6"}, 0, 1, false, {0, 0.2, 1}},
      {"clonal", "fAb", "", {"0.3", "0.31", "0.32", "0.33"}, 0, 1, false, {0, 1}},
      {"diploid-local", "Fit", "", {"0.1", "0.2", "0.3", "0.4"}, 0, 1, false, {0, 1}},
      {"diploid-local", "Fit", "", {"0.1", "-0.2", "0.3", "0.4"}, -1, 1, false, {-1, 0, 1}},
      {"haploid-global", "DG", "", {"0.001", "0.002", "0.003", "0.004"}, -0.25, 0.25, false, {0}},
      {"haploid-global", "T", "", {"12", "150", "93000000", "40"}, 1, 1e8, true, {1, 100}},
      {"haploid-global",
       "T",
       " --max-generations 5000",
       {"12", "150", "5000", "40"},
       1,
       1e4,
       true,
       {1, 1000}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.model) + " " + c.output + c.options);
    const SweepPlan plan =
        ParseSweepOptions(
            morvane::testing::Words(std::string("--model ") + c.model + c.options +
                                    " --vary x=0:1:2 --vary c=0.2:0.8:2 --final s.mrv"))
            .plan;
    const auto columns = Columns(plan);
    QCustomPlot plot;
    plot.resize(600, 400);
    figure::SweepFigure f(plot);
    f.SetPlan(plan, c.output);
    // The first value alone sets nothing: the scale is there from the start.
    const QCPRange before = f.ColourRange();
    for (std::size_t k = 0; k < c.values.size(); ++k) {
      std::vector<std::string> row(columns.size(), "0.5");
      row[std::find(columns.begin(), columns.end(), c.output) - columns.begin()] = c.values[k];
      row.back() = "yes";
      f.AppendRows({row});
      if (k == 0 && !c.log && c.low >= 0) {
        EXPECT_EQ(f.ColourRange().lower, before.lower);
        EXPECT_EQ(f.ColourRange().upper, before.upper);
      }
    }
    EXPECT_DOUBLE_EQ(f.ColourRange().lower, c.low);
    EXPECT_DOUBLE_EQ(f.ColourRange().upper, c.high);
    plot.replot();
    auto *scale = plot.findChild<QCPColorScale *>();
    ASSERT_NE(scale, nullptr);
    EXPECT_EQ(scale->axis()->scaleType() == QCPAxis::stLogarithmic, c.log);
    const QVector<double> ticks = scale->axis()->tickVector();
    for (double t : c.ticks)
      EXPECT_TRUE(std::any_of(ticks.begin(), ticks.end(), [t](double v) {
        return std::abs(v - t) < 1e-9 * std::max(1.0, t);
      })) << t;
  }
}

// A sweep's figure is written whole or refused: at every size and font the
// export dialog accepts, either every label fits, or the refusal names a size
// that holds them; the default size of one chart holds any sweep's figure
// without a caption.
TEST(SweepFigure, NeverCutsALabel) {
  const char *sweeps[] = {"--model diploid-local --vary c=0.1:0.9:9",
                          "--model clonal --vary d=0.5:1:5",
                          "--model haploid-global --vary x=0:1:12 --vary c=0.1:0.9:7"};
  const double sizes[][2] = {{5, 5}, {8.5, 7}, {17, 8}, {5, 20}, {30, 5}};
  const double fonts[] = {4, 8, 12, 36};
  morvane::testing::ScratchFolder dir;
  const QString svg = QString::fromStdString(dir.File("f.svg"));
  for (const char *sweep : sweeps) {
    const SweepPlan plan =
        ParseSweepOptions(morvane::testing::Words(std::string(sweep) + " --final s.mrv")).plan;
    const auto columns = Columns(plan);
    std::vector<std::vector<std::string>> rows(plan.Points(),
                                               std::vector<std::string>(columns.size(), "0.25"));
    for (auto &row : rows)
      row.back() = "no";
    const std::string output = plan.model == Model::Clonal ? "fAB" : "p";
    for (const bool caption : {false, true}) {
      figure::FigureSettings defaults =
          figure::DefaultFigureSettings(figure::FigureCharts::Frequencies);
      defaults.format = figure::FigureFormat::Svg;
      defaults.caption = caption;
      // A caption may ask for more room, and is then refused with the size.
      const auto needs = figure::SweepFigureNeeds(plan, rows, output, defaults);
      EXPECT_TRUE(caption || !needs)
          << sweep << (caption ? " with caption needs " : " needs ") << (needs ? needs->width() : 0)
          << " x " << (needs ? needs->height() : 0);
      for (const auto &size : sizes)
        for (const double font : fonts) {
          SCOPED_TRACE(std::string(sweep) + " at " + std::to_string(size[0]) + " x " +
                       std::to_string(size[1]) + " cm, " + std::to_string(font) + " pt" +
                       (caption ? ", caption" : ""));
          figure::FigureSettings s = defaults;
          s.width = size[0];
          s.height = size[1];
          s.fontPt = font;
          const std::optional<QSizeF> needs = figure::SweepFigureNeeds(plan, rows, output, s);
          QFile::remove(svg);
          try {
            figure::WriteSweepFigure(plan, rows, output, s, svg);
            EXPECT_FALSE(needs);
          } catch (const std::runtime_error &e) {
            ASSERT_TRUE(needs) << e.what();
            EXPECT_NE(std::string(e.what()).find("needs at least"), std::string::npos);
            EXPECT_FALSE(QFile::exists(svg));
            // The size it names holds the labels.
            s.width = needs->width();
            s.height = needs->height();
            EXPECT_FALSE(figure::SweepFigureNeeds(plan, rows, output, s));
          }
        }
    }
  }
}

// The sweep's figure from rows: each point's value drawn where it belongs and
// the points not converged marked, by crosses on a coarse map or a diagram,
// by pale cells on a fine map; a diagram draws each output of its model.
TEST(SweepFigure, DrawsEachPointAndMarksThoseNotConverged) {
  struct Case {
    const char *model, *grid, *output;
    std::vector<std::string> lines; // the diagram's legend
  };
  const Case cases[] = {
      {"haploid-local", "--vary x=0:1:4 --vary c=0.1:0.9:3", "p", {}},
      {"diploid-global", "--vary x=0:1:60 --vary c=0.1:0.9:70", "DG", {}},
      {"haploid-local", "--vary c=0.1:0.9:9", "q", {"p", "q", "DG", "not converged"}},
      {"diploid-local", "--vary c=0.1:0.9:9", "Fit", {"p", "q", "DG", "Fit", "not converged"}},
      {"clonal", "--vary d=0.5:1:5", "fAb", {"f(AB)", "f(Ab)", "f(aB)", "f(ab)", "not converged"}},
      {"clonal", "--vary d=0.5:1:5", "T", {"T", "not converged"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.model) + " " + c.grid + " " + c.output);
    const SweepPlan plan =
        ParseSweepOptions(morvane::testing::Words(std::string("--model ") + c.model + " " + c.grid +
                                                  " --final s.mrv"))
            .plan;
    // The output's column holds the point's number; one point in seven is cut.
    const auto columns = Columns(plan);
    std::vector<std::vector<std::string>> rows(plan.Points(),
                                               std::vector<std::string>(columns.size(), "0.5"));
    for (std::size_t k = 0; k < rows.size(); ++k) {
      rows[k][std::find(columns.begin(), columns.end(), c.output) - columns.begin()] =
          std::to_string(k % 11 / 10.0);
      rows[k].back() = k % 7 == 3 ? "no" : "yes";
    }
    QCustomPlot plot;
    plot.resize(600, 400);
    figure::SweepFigure f(plot);
    f.SetPlan(plan, c.output);
    f.AddRows(rows);
    for (std::size_t k = 0; k < rows.size(); ++k) {
      EXPECT_EQ(f.Value(k), *morvane::TextToReal(std::to_string(k % 11 / 10.0))) << k;
      EXPECT_EQ(f.Marked(k), k % 7 == 3) << k;
    }
    std::vector<std::string> legend;
    for (QCPLegend *l : plot.findChildren<QCPLegend *>())
      for (int k = 0; k < l->itemCount(); ++k)
        if (auto *item = qobject_cast<QCPPlottableLegendItem *>(l->item(k)))
          legend.push_back(item->plottable()->name().toStdString());
    EXPECT_EQ(legend, c.lines);
  }
}

INSTANTIATE_TEST_SUITE_P(Locales, SweepWindowTest, ::testing::Values('.', ','), SeparatorName);

} // namespace
