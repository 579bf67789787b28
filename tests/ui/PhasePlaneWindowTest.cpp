// The phase plane window against the analysis and the programs: its
// equilibria and classes, a clicked series against morvane-run, its basin
// map against morvane-analyse basins, and morvane-plot --basins.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>
#include <cmath>
#include <sstream>

#include "analysis/Equilibria.h"
#include "files/SeriesReader.h"
#include "runner/Runner.h"
#include "support/ProgramTestSupport.h"
#include "support/ScratchFolder.h"
#include "ui/analysis/PhasePlaneView.h"
#include "ui/analysis/PhasePlaneWindow.h"

namespace morvane::ui {
namespace {

using testing::Args;
using testing::Words;

// The haploid Levene case: polymorphism protected exactly for 0.4 < c < 0.6.
const char *const kLevene = "--model haploid-local --x 1 --d 1 --i 1 --j 1 --W1A 0.9 --W2A 0.6 "
                            "--W1a 0.6 --W2a 0.9";
Parameters Levene(double c) { return {1, 1, c, 1, 1, 0.9, 0.6, 0.6, 0.9, 1e-12}; }

// The window once its basin map is whole.
void WaitReady(PhasePlaneWindow &w) {
  for (int k = 0; k < 3000 && !w.Ready(); ++k)
    QTest::qWait(10);
  ASSERT_TRUE(w.Ready());
}

TEST(PhasePlaneWindow, ShowsTheEquilibriaAndClassesOfTheAnalysis) {
  // A invades where it is lost for c > 0.4, a where A is fixed for c < 0.6.
  struct Case {
    double c;
    bool lostInvaded, fixedInvaded;
  };
  for (const Case &c : {Case{0.35, false, true}, Case{0.45, true, true}, Case{0.55, true, true},
                        Case{0.65, true, false}}) {
    SCOPED_TRACE(c.c);
    PhasePlaneWindow w(Model::HaploidLocal, Levene(c.c), 11);
    WaitReady(w);
    const auto found = analysis::FindEquilibria(Model::HaploidLocal, Levene(c.c));
    const auto &shown = w.View().Plane().equilibria;
    ASSERT_GE(shown.size(), found.size());
    bool interior = false;
    for (std::size_t k = 0; k < found.size(); ++k) {
      const analysis::Measures m = analysis::MeasuresOf(Model::HaploidLocal, found[k].X);
      EXPECT_EQ(shown[k].p, m.p);
      EXPECT_EQ(shown[k].q, m.q);
      EXPECT_EQ(shown[k].stability, found[k].spectrum.stability);
      if (m.p > 0 && m.p < 1) {
        interior = true;
        EXPECT_EQ(shown[k].stability, analysis::Stability::Neutral);
        EXPECT_NEAR(m.p, (c.c - 0.4) / 0.2, 1e-9);
      } else {
        EXPECT_EQ(shown[k].stability == analysis::Stability::Unstable,
                  m.p == 0 ? c.lostInvaded : c.fixedInvaded);
      }
    }
    // A protected polymorphism exactly where both boundaries are invaded.
    EXPECT_EQ(interior, c.lostInvaded && c.fixedInvaded);
  }
}

// A click runs the series morvane-run runs from that start, generation for
// generation; DG is 0 or the series' DG, as chosen.
TEST(PhasePlaneWindow, AClickRunsTheSeriesOfMorvaneRun) {
  struct Case {
    Model model;
    const char *name;
    double p, q; // where the click falls
    bool seriesDG;
  };
  const Case cases[] = {{Model::HaploidLocal, "haploid-local", 0.3, 0.7, false},
                        {Model::DiploidGlobal, "diploid-global", 0.8, 0.4, true},
                        {Model::Clonal, "clonal", 0.6, 0.2, false}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Parameters p = Levene(0.45);
    p.StopThreshold = 1e-9;
    PhasePlaneWindow w(c.model, p, 2, 0.01);
    w.resize(900, 700);
    w.show();
    if (c.seriesDG)
      w.findChild<QComboBox *>("CmbStartDG")->setCurrentIndex(1);
    PhasePlaneView &view = w.View();
    QTest::mouseClick(&view, Qt::LeftButton, {},
                      figure::PointOf(view.Square(), c.p, c.q).toPoint());
    ASSERT_EQ(view.Plane().paths.size(), 1u);
    const auto &path = view.Plane().paths[0];
    const double p0 = path.front().p, q0 = path.front().q;
    EXPECT_NEAR(p0, c.p, 0.01);
    EXPECT_NEAR(q0, c.q, 0.01);

    testing::ScratchFolder folder;
    const QString here = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(folder.Path()));
    std::ostringstream p0Text, q0Text;
    p0Text << p0;
    q0Text << q0;
    Args args = testing::Joined(Words(kLevene), {"--c", "0.45", "--L", "1e-9", "--final", "s.mrv",
                                                 "--detail", "s.gnr", "--plot", "s.plo"});
    args[1] = c.name;
    if (c.model == Model::Clonal) {
      const analysis::Population X = analysis::StartPopulation(c.model, p0, q0);
      const char *clones[] = {"--fAB", "--fAb", "--faB", "--fab"};
      for (int k = 0; k < 4; ++k) {
        std::ostringstream v;
        v.precision(17);
        v << X[k];
        args.insert(args.end(), {clones[k], v.str()});
      }
    } else {
      args.insert(args.end(),
                  {"--p", p0Text.str(), "--q", q0Text.str(), "--DG", c.seriesDG ? "0.01" : "0"});
    }
    SimState runner;
    std::ostringstream out, err;
    RunSeries(ParseRunnerOptions(args), runner, out, err);
    const DetailFileContent detail = ReadDetailFile("s.gnr");
    QDir::setCurrent(here);
    ASSERT_EQ(detail.Series.size(), 1u);
    const PlotTable &run = detail.Series[0].Table;
    ASSERT_EQ(run.Rows(), path.size());
    for (std::size_t g = 0; g < path.size(); ++g) {
      double p = run.Columns[1][g], q = run.Columns[2][g];
      if (c.model == Model::Clonal) {
        p = run.Columns[1][g] + run.Columns[2][g];
        q = run.Columns[1][g] + run.Columns[3][g];
      }
      ASSERT_NEAR(path[g].p, p, 1e-12) << g;
      ASSERT_NEAR(path[g].q, q, 1e-12) << g;
    }
  }
}

// The basin map drawn and exported is the one of morvane-analyse basins; the
// figure of that table is made by morvane-plot --basins, a damaged table is
// refused.
TEST(PhasePlaneWindow, BasinsAreThoseOfMorvaneAnalyseAndMorvanePlotDrawsThem) {
  testing::ScratchFolder folder;
  const Args command =
      testing::Joined({"basins"}, Words(std::string(kLevene) + " --c 0.55 --grid 13"));
  const testing::Outcome analysed =
      testing::RunProgram(MORVANE_ANALYSE_PATH, folder.Path(), command);
  ASSERT_EQ(analysed.exitCode, 0) << analysed.err;

  PhasePlaneWindow w(Model::HaploidLocal, Levene(0.55), 13);
  WaitReady(w);
  // The CSV's basin table, TABs for commas, is the command's after its first line.
  QString table = w.DataCsv().section("\n\n", 1, 1) + "\n";
  table.replace(',', '\t');
  const std::string expected = analysed.out.substr(analysed.out.find('\n') + 1);
  EXPECT_EQ(table.toStdString(), expected);

  const std::string tsv = folder.Path() + "/basins.tsv";
  {
    QFile f(QString::fromStdString(tsv));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(analysed.out.c_str());
  }
  std::string cut = analysed.out.substr(0, analysed.out.rfind('\n', analysed.out.size() - 2) + 1);
  {
    QFile f(QString::fromStdString(folder.Path() + "/cut.tsv"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(cut.c_str());
  }
  struct Case {
    const char *args;
    int exitCode;
    const char *figure; // made, or "" for none
  };
  for (const Case &c : {Case{"--basins basins.tsv -o plane.png", 0, "plane.png"},
                        Case{"--basins basins.tsv -o plane.svg", 0, "plane.svg"},
                        Case{"--basins basins.tsv -o plane.pdf", 0, "plane.pdf"},
                        Case{"--basins cut.tsv -o cut.png", 2, ""}}) {
    SCOPED_TRACE(c.args);
    const testing::Outcome o = testing::RunProgram(MORVANE_PLOT_PATH, folder.Path(), Words(c.args));
    EXPECT_EQ(o.exitCode, c.exitCode) << o.err;
    if (*c.figure)
      EXPECT_GT(QFile(QString::fromStdString(folder.Path() + "/" + c.figure)).size(), 1000);
    else
      EXPECT_NE(o.err.find("cut.tsv"), std::string::npos) << o.err;
  }
  // The PNG shows the equilibria's basins as the window does.
  const QImage png(QString::fromStdString(folder.Path() + "/plane.png"));
  EXPECT_FALSE(png.isNull());
}

} // namespace
} // namespace morvane::ui
