// The bifurcation diagram: the window's branches and events against
// morvane-analyse continue, its hover, click, Cancel and keys; and
// morvane-plot --bifurcation's figures and refusals.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <fstream>
#include <sstream>

#include <qcustomplot.h>

#include "UiTestSeams.h"
#include "analysis/Linearise.h"
#include "support/ProgramTestSupport.h"
#include "support/ScratchFolder.h"
#include "ui/analysis/BifurcationWindow.h"
#include "ui/figure/BifurcationFigure.h"

namespace morvane::ui::testing {
namespace {

using morvane::testing::LfLines;
using morvane::testing::Outcome;
using morvane::testing::RunProgram;
using morvane::testing::ScratchFolder;
using morvane::testing::Words;

// The haploid Levene case: the polymorphism is protected for 0.4 < c < 0.6.
const std::string kLevene = "--model haploid-local --x 1 --d 1 --c 0.3 --i 1 --j 1 --W1A 0.9 "
                            "--W2A 0.6 --W1a 0.6 --W2a 0.9";
constexpr Parameters kLeveneParameters{1, 1, 0.3, 1, 1, 0.9, 0.6, 0.6, 0.9, 0.000001};

std::string Read(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The window for the Levene case, c from 0.3 to 0.7, its branches drawn.
TFrmBifurcation *Continued() {
  TFrmBifurcation *w = OpenBifurcation(Model::HaploidLocal, kLeveneParameters);
  w->findChild<QLineEdit *>("TxtFrom")->setText("0.3");
  w->findChild<QLineEdit *>("TxtTo")->setText("0.7");
  QSignalSpy finished(w, &TFrmBifurcation::Finished);
  w->Go();
  EXPECT_TRUE(finished.wait(60000));
  return w;
}

TEST(BifurcationWindow, BranchesAndEventsAreThoseOfTheCommand) {
  ScratchFolder folder;
  const Outcome o = RunProgram(MORVANE_ANALYSE_PATH, folder.Path(),
                               Words("continue " + kLevene + " --vary c=0.3:0.7"));
  ASSERT_EQ(o.exitCode, 0) << o.err;
  std::vector<std::string> expected = LfLines(o.out);
  expected.erase(expected.begin()); // the command line
  for (std::string &line : expected)
    std::replace(line.begin(), line.end(), '\t', ',');

  RecordingMessages messages;
  ScriptedFileDialogs dialogs;
  TFrmBifurcation *w = Continued();
  const std::string csv = folder.Path() + "/Branches.csv";
  dialogs.answers = {QString::fromStdString(csv)};
  w->ExportData();
  EXPECT_EQ(LfLines(Read(csv)), expected);
  // The transcritical points of the theory are among the events drawn.
  std::vector<double> branchPoints;
  for (const analysis::BranchRow &row : w->Figure().Table().rows)
    if (row.event == "branch point")
      branchPoints.push_back(row.value);
  for (double c : {0.4, 0.6})
    EXPECT_TRUE(std::any_of(branchPoints.begin(), branchPoints.end(), [c](double v) {
      return std::abs(v - c) < 1e-9;
    })) << c;
  EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  w->close();
}

// The pointer over an event names it; a click on a branch hands the
// parameters at its value to the hook; Cancel stops a continuation; no
// Alt+letter is used twice; F1 is the window's help.
TEST(BifurcationWindow, HoverClickCancelAndKeys) {
  TFrmBifurcation *w = Continued();
  w->resize(1024, 768);
  QCustomPlot *plot = w->Plot();
  plot->replot(QCustomPlot::rpImmediateRefresh);
  const auto &rows = w->Figure().Table().rows;
  std::size_t event = 0, plain = 0;
  while (event < rows.size() && rows[event].event != "branch point")
    ++event;
  while (plain < rows.size() && (!rows[plain].event.empty() || rows[plain].value < 0.45))
    ++plain;
  ASSERT_LT(event, rows.size());
  ASSERT_LT(plain, rows.size());

  QTest::mouseMove(plot, w->Figure().PixelOf(event).toPoint());
  EXPECT_TRUE(w->findChild<QLabel *>("LblStatus")->text().startsWith("branch point at c = "))
      << w->findChild<QLabel *>("LblStatus")->text().toStdString();

  std::vector<double> clicked;
  w->SetPhasePlaneHook([&](Model m, Parameters p) {
    EXPECT_EQ(m, Model::HaploidLocal);
    EXPECT_EQ(p.W1A, kLeveneParameters.W1A);
    clicked.push_back(p.HabFreq);
  });
  const QPointF at = w->Figure().PixelOf(plain);
  QTest::mouseClick(plot, Qt::LeftButton, {}, at.toPoint());
  ASSERT_EQ(clicked.size(), 1u);
  const long hit = w->Figure().RowAt(at.toPoint(), 8, false);
  ASSERT_GE(hit, 0);
  EXPECT_EQ(clicked[0], rows[std::size_t(hit)].value);
  EXPECT_NEAR(clicked[0], rows[plain].value, 0.01);

  for (const auto &[letter, texts] : MnemonicsUsedTwice(w))
    ADD_FAILURE() << "Alt+" << QString(letter).toStdString() << ": "
                  << texts.join(" | ").toStdString();
  // F1 opens the help file at this window's section.
  RecordingHelp help;
  QTest::keyClick(w, Qt::Key_F1);
  EXPECT_EQ(help.requests, QStringList({"contents HelpMorvane.hlp", "topic HelpMorvane.hlp 17"}));

  // A continuation that would take long, cancelled at once.
  w->findChild<QLineEdit *>("TxtTo")->setText("0.7");
  QSignalSpy finished(w, &TFrmBifurcation::Finished);
  w->Go();
  EXPECT_TRUE(w->Running());
  QTest::keyClick(w, Qt::Key_Escape);
  ASSERT_TRUE(finished.wait(60000));
  EXPECT_FALSE(w->Running());
  EXPECT_TRUE(w->findChild<QLabel *>("LblStatus")->text().startsWith("Cancelled"));
  EXPECT_EQ(w->Figure().Table().rows.size(), rows.size());
  w->close();
}

TEST(PlotBifurcation, WritesEachFormatAndRefusesDamagedTables) {
  ScratchFolder folder;
  const Outcome table = RunProgram(MORVANE_ANALYSE_PATH, folder.Path(),
                                   Words("continue " + kLevene + " --vary c=0.3:0.7"));
  ASSERT_EQ(table.exitCode, 0) << table.err;
  const auto write = [&](const std::string &name, const std::string &content) {
    std::ofstream(folder.Path() + "/" + name, std::ios::binary) << content;
  };
  write("good.tsv", table.out);
  const std::string head = table.out.substr(0, table.out.find('\n', table.out.find('\n') + 1) + 1);
  const std::string firstRow = LfLines(table.out)[2];
  struct Case {
    std::string args;    // after morvane-plot
    std::string content; // of in.tsv, when the case writes it
    int exitCode;
    std::string says; // the start of the figure (0), or the message holds it
  };
  const Case cases[] = {
      {"--bifurcation good.tsv -o f.png", "", 0, "\x89PNG"},
      {"--bifurcation good.tsv --y q -o f.svg", "", 0, "<?xml"},
      {"--bifurcation good.tsv --y DG --width 17 --height 8 -o f.pdf", "", 0, "%PDF"},
      {"--bifurcation in.tsv -o f.png", table.out.substr(0, table.out.size() - 1), 1, "cut short"},
      {"--bifurcation in.tsv -o f.png", "p\tq\n", 1, "line 1: not a table"},
      {"--bifurcation in.tsv -o f.png", head.substr(0, head.find('\n') + 1) + "branch\tc\tp\n", 1,
       "line 2"},
      {"--bifurcation in.tsv -o f.png", head + "1" + firstRow.substr(1) + "\n", 1,
       "line 3: branch 1"},
      {"--bifurcation in.tsv -o f.png", head + firstRow + "\t0\n", 1, "line 3: 16 cells"},
      {"--bifurcation in.tsv -o f.png",
       head + "0\tx" + firstRow.substr(firstRow.find('\t', 2)) + "\n", 1, "line 3: c is \"x\""},
      {"--bifurcation in.tsv -o f.png",
       head + firstRow.substr(0, firstRow.rfind('\t')) + "\thopf\n", 1, "\"hopf\" is not"},
      {"--bifurcation in.tsv -o f.png", head, 1, "holds no branch"},
      {"--bifurcation good.tsv --y T -o f.png", "", 2, "--y must be one of p, q, DG or Fit"},
      {"--bifurcation good.tsv --format png -o good.tsv", "", 2, "would overwrite its input"},
      {"--bifurcation missing.tsv -o f.png", "", 2, "missing.tsv"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args + " | " + c.content.substr(0, 60));
    if (!c.content.empty())
      write("in.tsv", c.content);
    std::remove((folder.Path() + "/f.png").c_str());
    const Outcome o = RunProgram(MORVANE_PLOT_PATH, folder.Path(), Words(c.args));
    EXPECT_EQ(o.exitCode, c.exitCode) << o.err;
    if (c.exitCode == 0) {
      const std::string output = Words(c.args).back();
      EXPECT_EQ(Read(folder.Path() + "/" + output).substr(0, c.says.size()), c.says);
    } else {
      EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
      EXPECT_FALSE(morvane::FileExists(folder.Path() + "/f.png"));
    }
  }
  EXPECT_EQ(Read(folder.Path() + "/good.tsv"), table.out);
}

} // namespace
} // namespace morvane::ui::testing
