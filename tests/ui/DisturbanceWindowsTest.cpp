// The three disturbance windows: what their show reports, the entries with
// the previous value as substitute, the checks of Go, and what happens when
// a rerun or Stop meets a file that cannot be written.
#include <QLabel>
#include <filesystem>
#include <unistd.h>

#include "FieldTestSupport.h"
#include "engine/Series.h"
#include "files/FinalFile.h"
#include "files/TextFile.h"
#include "support/EngineTestSupport.h"
#include "ui/UMorvane1.h"
#include "ui/framework/Locale.h"
#include "ui/series/UPerturb.h"
#include "ui/series/UPerturb2N.h"
#include "ui/series/UPerturbClone.h"
#include "ui/series/USexImput.h"

using namespace morvane;
using namespace morvane::ui;
using namespace morvane::ui::testing;

namespace {

// The run display of the program as far as these windows see it: at the end
// of a run the model's disturbance window shows; `onEvents` runs once per
// generation.
class HandingOverDisplay : public RecordingRunDisplay {
public:
  void ProcessPendingEvents() override {
    if (onEvents)
      onEvents();
  }
  void HandOver(Model model) override {
    RecordingRunDisplay::HandOver(model);
    ShowWindow(DisturbanceWindow(model));
  }
  std::function<void()> onEvents;
};

// The ways a file stops taking lines, and the message each gives.
enum Breakage { FullDevice, Deleted, FolderRemoved };
void Break(Breakage b, const std::string &file) {
  if (b == FolderRemoved) {
    std::filesystem::remove_all(std::filesystem::path(file).parent_path());
    return;
  }
  ASSERT_EQ(::unlink(file.c_str()), 0) << file;
  if (b == FullDevice) {
    ASSERT_EQ(::symlink("/dev/full", file.c_str()), 0) << file;
  }
}
QStringList FailureOf(Breakage b, const std::string &file) {
  return {QString(b == FullDevice ? "Disque plein" : "Fichier introuvable") + "\n" +
          QString::fromStdString(file)};
}
// The file put back in its folder with `content`.
void Mend(const std::string &file, const std::string &content) {
  std::filesystem::create_directories(std::filesystem::path("./" + file).parent_path());
  ::unlink(file.c_str());
  WriteAll(QString::fromStdString(file), QByteArray::fromStdString(content));
}

const char *GoButton(Model m) {
  return m == Model::Clonal ? "BtnGoPertClon" : IsDiploid(m) ? "BtnGoPert2N" : "BtnGoPert1N";
}
const QString kNotAtEquilibrium =
    "The run was interrupted before equilibrium (T=140): these values are not an equilibrium.";
const char *const kClones[] = {"TxtNewX1", "TxtNewX2", "TxtNewX3", "TxtNewX4"};
// The line under the counters: the sexual end states below are no
// equilibrium; with survivals that do not tell the clones apart, or every
// survival 1, every state is one, on a line of them.
const QString kMoving = "Not an equilibrium: the run stopped on L while still moving";
const QString kNeutral = "Neutral: an eigenvalue of modulus 1 (a line of equilibria)";

class DisturbanceTest : public InputWindowTest {
protected:
  void SetUp() override {
    InputWindowTest::SetUp();
    CreateOrAcceptFinalFile("series.mrv");
    haploid->SetRunDisplay(&runs);
    diploid->SetRunDisplay(&runs);
    clonal->SetRunDisplay(&runs);
    Windows().FrmPerturb1N = haploid.get();
    Windows().FrmPerturb2N = diploid.get();
    Windows().FrmPerturbClone = clonal.get();
  }
  void TearDown() override {
    Windows().FrmPerturb1N = Windows().FrmPerturb2N = Windows().FrmPerturbClone = nullptr;
    InputWindowTest::TearDown();
  }

  // The state a run of `model` leaves (every survival 1, so that any run
  // takes one generation), its Plot file, and the model's window shown by
  // the end of the run.
  MorvaneForm *AfterRun(Model model) {
    ChooseModel(Sim(), model);
    ResetPlotFile(Sim(), model == Model::Clonal ? kClonePlotFileName : kSexPlotFileName);
    morvane::testing::Apply(morvane::testing::kWindowDefaults, Sim());
    Sim().TradeOffStatus = "NoTO";
    Sim().ESSStatus = "NoESS";
    Sim().CompletedRuns = 1;
    Sim().Generation = 137;
    Sim().LastRunConverged = true;
    MorvaneForm *w = DisturbanceWindow(model);
    messages.texts.clear();
    w->ShowForm();
    Activate(w);
    return w;
  }
  // The state at the end of the run: p, q, DG and Fit, and the clones.
  void EndState(double p, double q, double dg, double fit = 0) {
    Sim().FreqA = p;
    Sim().FreqB = q;
    Sim().DG = dg;
    Sim().Fit = fit;
    Sim().X[1] = 0.5, Sim().X[2] = 0.25, Sim().X[3] = 0.125, Sim().X[4] = 0.125;
  }
  void Disturb(MorvaneForm *w) {
    Button(w, w == diploid.get() ? "BtnPerturb2N" : "BtnPerturb")->click();
    messages.texts.clear();
  }
  // A fresh Final file in results/ as the one in force; returns its header.
  std::string FreshFinalFile() {
    const std::string final = "results/series.mrv";
    Mend(final, "");
    Sim().FinalFileName = Sim().FinalFile.Name = final;
    CreateOrAcceptFinalFile(final);
    return ReadAll("results/series.mrv");
  }
  // The Detail file out/series.gnr, empty, in force.
  void FreshDetailFile() {
    Mend("out/series.gnr", "");
    Sim().DetailFileName = Sim().DetailFile.Name = "out/series.gnr";
  }
  // New values typed for a rerun: p and q, or the clones.
  void TypeNewValues(MorvaneForm *w, Model model, const char *p, const char *q) {
    if (model == Model::Clonal)
      LeaveAll(w, "TxtNewX1=0.7 TxtNewX2=0.1 TxtNewX3=0.1 TxtNewX4=0.1");
    else
      LeaveAll(w, QString("TxtNewp=%1 TxtNewq=%2").arg(p, q));
  }

  HandingOverDisplay runs;
  std::unique_ptr<TFrmPerturb1N> haploid = std::make_unique<TFrmPerturb1N>();
  std::unique_ptr<TFrmPerturb2N> diploid = std::make_unique<TFrmPerturb2N>();
  std::unique_ptr<TFrmPerturbClone> clonal = std::make_unique<TFrmPerturbClone>();
  StandIn plotSex{"FrmPlotSex"};
  StandIn plotVeg{"FrmPlotVeg"};
};

// The counters are told over the window itself, every field shows the state
// the run left, and nothing can be typed before Disturb Equilibrium.
TEST_P(DisturbanceTest, ShowReportsTheRunOverTheWindowAndWaitsForDisturb) {
  struct Case {
    Model model;
    const char *disturb;
    const char *opened;      // disabled until Disturb, enabled by it
    const char *stillClosed; // disabled before and after Disturb
    const char *shown;
    QString reached; // the line under the counters
  };
  const Case cases[] = {
      {Model::HaploidGlobal, "BtnPerturb", "TxtNewp TxtNewq TxtNewDG BtnGoPert1N", "",
       "TxtNewp=0.2 TxtNewq=0.5 TxtRangeDG=[-0.1..0.1] TxtNewDG=-0.05", kMoving},
      {Model::DiploidLocal, "BtnPerturb2N", "TxtNewp TxtNewq BtnChangeDG BtnChangeFit BtnGoPert2N",
       "TxtNewDG TxtNewFit",
       "TxtNewp=0.2 TxtNewq=0.5 TxtRangeDG=[-0.1..0.1] TxtNewDG=-0.05 TxtFitRange=[-0.25..1] "
       "TxtNewFit=0.0123",
       kMoving},
      {Model::Clonal, "BtnPerturb", "TxtNewX1 TxtNewX2 TxtNewX3 TxtNewX4 BtnGoPertClon", "",
       "TxtNewX1=0.5 TxtNewX2=0.25 TxtNewX3=0.125 TxtNewX4=0.125", kNeutral},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.shown);
    EndState(0.2, 0.5, -0.05, 0.0123);
    Sim().StopRequested = true;
    MorvaneForm *w = DisturbanceWindow(c.model);
    bool windowUnderTheBox = false;
    messages.onShow = [&] { windowUnderTheBox = w->isVisible(); };
    AfterRun(c.model);
    messages.onShow = nullptr;
    EXPECT_EQ(messages.texts, QStringList{"Completed runs=1; T=137\n" + c.reached});
    EXPECT_EQ(w->findChild<QLabel *>("LblReached")->text(), c.reached);
    EXPECT_TRUE(windowUnderTheBox);
    EXPECT_FALSE(Sim().StopRequested);
    EXPECT_TRUE(Button(w, c.disturb)->hasFocus());
    EXPECT_TRUE(Button(w, "BtnExit")->isEnabled());
    ExpectEnabled(w, QString(c.opened) + " " + c.stillClosed, false);
    ExpectShown(w, c.shown);
    if (IsDiploid(c.model)) {
      EXPECT_EQ(w->findChild<QLabel *>("LblOldFit")->text(), "Old Fit was =" + L("0.0123"));
    }
    Sim().StopRequested = true;
    Disturb(w);
    EXPECT_FALSE(Sim().StopRequested);
    ExpectEnabled(w, c.opened, true);
    ExpectEnabled(w, c.stillClosed, false);
    w->CloseForm();
  }
}

// Each exit stores, checks and rewrites its field; a refused entry gets back
// the value held before it (the clones: the value the run ended with), and
// the follow-up of the exit runs whatever the check found.
TEST_P(DisturbanceTest, EntriesGetThePreviousValueBackAndTheirFollowUpRuns) {
  struct Step {
    const char *field;
    const char *typed;
    const char *message; // nullptr: accepted
    const char *focus;   // where the focus ends
    const char *shown;   // field=text after the exit, texts written with '.'
  };
  struct Case {
    Model model;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {Model::HaploidLocal,
       {{"TxtNewq", "abc", "q out of Range", "TxtNewDG", "TxtNewq=0.5"},
        {"TxtNewp", "1.5", "p out of Range", "TxtNewDG", "TxtNewp=0.42 TxtRangeDG=[-0.21..0.21]"},
        {"TxtNewp", "0", nullptr, "TxtNewDG", "TxtNewp=0 TxtRangeDG=[0..0] TxtNewDG=0.01"},
        {"TxtNewDG", "0.02", "DG out of Range", "TxtNewDG", "TxtNewDG=0.01"},
        {"TxtNewDG", "0", nullptr, nullptr, "TxtNewDG=0"}}},
      {Model::DiploidGlobal,
       {{"TxtNewp", "0.2", nullptr, "TxtNewq",
         "TxtFitRange=[-0.25..1] TxtNewFit=0 TxtRangeDG=[-0.1..0.1]"},
        {"TxtNewp", "0.5", nullptr, "TxtNewq", "TxtFitRange=[-1..1]"},
        {"TxtNewFit", "-1.2", "Fit out of Range", "TxtNewFit", "TxtNewFit=0 TxtNewDG=0"},
        {"TxtNewFit", "1", nullptr, nullptr, "TxtNewFit=1"},
        {"TxtNewFit", "1.5", "Fit out of Range", "TxtNewFit", "TxtNewFit=1"},
        {"TxtNewFit", "-1", nullptr, nullptr, "TxtNewFit=-1 TxtNewDG=0"},
        {"TxtNewDG", "0.25", nullptr, nullptr, "TxtNewDG=0.25 TxtNewFit=0"},
        {"TxtNewq", "0.9", nullptr, "BtnChangeDG", "TxtRangeDG=[-0.05..0.05] TxtNewFit=0"}}},
      {Model::Clonal,
       {{"TxtNewX1", "0.75", nullptr, nullptr,
         "TxtNewX1=0.6 TxtNewX2=0.2 TxtNewX3=0.1 TxtNewX4=0.1"},
        // f(Ab) back to the 0.25 the run ended with, then the sum rule.
        {"TxtNewX2", "2", "f(Ab) out of Range", "TxtNewX2",
         "TxtNewX1=0.571428571428571 TxtNewX2=0.238095238095238"},
        {"TxtNewX1", "0", nullptr, nullptr, ""},
        {"TxtNewX2", "0", nullptr, nullptr, ""},
        {"TxtNewX3", "0", nullptr, nullptr, "TxtNewX4=1"},
        {"TxtNewX4", "0", "Sum = 0, very funny!", nullptr,
         "TxtNewX1=0.5 TxtNewX2=0.25 TxtNewX3=0.125 TxtNewX4=0.125"}}},
  };
  for (const Case &c : cases) {
    EndState(0.42, 0.5, 0.01);
    MorvaneForm *w = AfterRun(c.model);
    Disturb(w);
    for (const Step &s : c.steps) {
      SCOPED_TRACE(std::string(s.field) + " typed " + s.typed);
      // The diploid DG and Fit fields open with their mode button.
      const std::string field = s.field;
      if (IsDiploid(c.model) && (field == "TxtNewFit" || field == "TxtNewDG"))
        Button(w, field == "TxtNewFit" ? "BtnChangeFit" : "BtnChangeDG")->click();
      messages.texts.clear();
      Leave(Field(w, s.field), L(s.typed));
      EXPECT_EQ(messages.texts, s.message ? QStringList{s.message} : QStringList{});
      if (s.focus) {
        EXPECT_EQ(QApplication::focusWidget()->objectName(), s.focus);
      }
      ExpectShown(w, s.shown);
    }
    w->CloseForm();
  }
  // The state holds what the fields show.
  EXPECT_EQ(Sim().X[1], 0.5);
  EXPECT_EQ(Sim().X[4], 0.125);
}

// Go reads the fields again: a DG or Fit typed before p or q changed is
// checked against the range of the p and q read, clone frequencies are
// brought to a sum of 1, and a refused value starts no run.
TEST_P(DisturbanceTest, GoChecksWhatItReadsBeforeAnyRun) {
  // Haploids: DG 0.2 was in range for p = q = 0.5, not for the p = 0.9
  // typed and left by Go's accelerator (the exit moves the focus to DG).
  EndState(0.5, 0.5, 0);
  MorvaneForm *w = AfterRun(Model::HaploidLocal);
  Disturb(w);
  Leave(Field(w, "TxtNewDG"), L("0.2"));
  Type(Field(w, "TxtNewp"), L("0.9"));
  ASSERT_TRUE(messages.texts.isEmpty());
  Button(w, "BtnGoPert1N")->click();
  EXPECT_EQ(messages.texts, QStringList{"DG out of Range"});
  ExpectShown(w, "TxtNewDG=0 TxtRangeDG=[-0.05..0.05]");
  EXPECT_EQ(Sim().DG, 0);
  EXPECT_TRUE(Field(w, "TxtNewDG")->hasFocus());
  EXPECT_EQ(runs.shown, 0);
  EXPECT_TRUE(w->isVisible());
  w->CloseForm();

  // Diploids, new DG without the mode button: the equilibrium DG shown
  // leaves the range of the new p; the DG field opens for the correction.
  EndState(0.5, 0.5, 0.2);
  w = AfterRun(Model::DiploidLocal);
  Disturb(w);
  Leave(Field(w, "TxtNewp"), L("0.9"));
  EXPECT_FALSE(Field(w, "TxtNewDG")->isEnabled());
  Button(w, "BtnGoPert2N")->click();
  EXPECT_EQ(messages.texts, QStringList{"DG out of Range"});
  EXPECT_EQ(Field(w, "TxtNewDG")->text(), "0");
  EXPECT_TRUE(Field(w, "TxtNewDG")->isEnabled());
  EXPECT_TRUE(Field(w, "TxtNewDG")->hasFocus());
  EXPECT_EQ(runs.shown, 0);

  // Diploids, new Fit: -0.9 is typed for p = 0.5; p then reads 0.1 (FitMin
  // -1/9) from a text no exit has seen.
  LeaveAll(w, "TxtNewp=0.5");
  Button(w, "BtnChangeFit")->click();
  Leave(Field(w, "TxtNewFit"), L("-0.9"));
  PutUncheckedText(Field(w, "TxtNewp"), L("0.1"));
  messages.texts.clear();
  Button(w, "BtnGoPert2N")->click();
  EXPECT_EQ(messages.texts, QStringList{"Fit out of Range"});
  ExpectShown(w, "TxtNewFit=0 TxtFitRange=[-0.111111111111111..1]");
  EXPECT_TRUE(Field(w, "TxtNewFit")->hasFocus());
  EXPECT_EQ(runs.shown, 0);
  w->CloseForm();

  // Clones: four zeros typed and never left are refused, the frequencies the
  // run ended with come back; four ones are divided by their sum and run.
  w = AfterRun(Model::Clonal);
  Disturb(w);
  for (const char *name : kClones)
    PutUncheckedText(Field(w, name), "0");
  Button(w, "BtnGoPertClon")->click();
  EXPECT_EQ(messages.texts, QStringList{"Sum = 0, very funny!"});
  ExpectShown(w, "TxtNewX1=0.5 TxtNewX2=0.25 TxtNewX3=0.125 TxtNewX4=0.125");
  EXPECT_EQ(runs.shown, 0);
  for (const char *name : kClones)
    PutUncheckedText(Field(w, name), "1");
  messages.texts.clear();
  Button(w, "BtnGoPertClon")->click();
  EXPECT_EQ(runs.shown, 1);
  EXPECT_EQ(Sim().Generation, 138u);
  // Shown again by the end of the run, with the values it used.
  EXPECT_EQ(messages.texts, QStringList{"Completed runs=2; T=138\n" + kNeutral});
  ExpectShown(w, "TxtNewX1=0.25 TxtNewX2=0.25 TxtNewX3=0.25 TxtNewX4=0.25");
}

// The Final file fails at Stop: the window comes back with the message and
// the file named; once mended, Stop writes exactly one record.
TEST_P(DisturbanceTest, StopThatCannotWriteTheRecordComesBackToTheWindow) {
  for (Breakage breakage : {FullDevice, Deleted, FolderRemoved}) {
    SCOPED_TRACE(breakage);
    const std::string final = "results/series.mrv", header = FreshFinalFile();
    EndState(0.3, 0.6, 0.05);
    const bool clones = breakage == Deleted;
    MorvaneForm *w = AfterRun(clones ? Model::Clonal : Model::HaploidLocal);
    Sim().PlotRows = 0;
    messages.texts.clear();
    Break(breakage, final);
    Button(w, "BtnExit")->click();
    EXPECT_EQ(messages.texts, FailureOf(breakage, final));
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(plotSex.isVisible() || plotVeg.isVisible());
    EXPECT_EQ(Sim().PlotRows, 0u);
    EXPECT_FALSE(Sim().StopRequested);
    EXPECT_FALSE(Button(w, clones ? "BtnGoPertClon" : "BtnGoPert1N")->isEnabled());

    // The user puts the file back and stops again.
    Mend(final, header);
    messages.texts.clear();
    Button(w, "BtnExit")->click();
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(ReadAll("results/series.mrv"), header + FinalRecordLine(Sim(), clones));
    EXPECT_EQ(Sim().PlotRows, 137u);
    EXPECT_TRUE(Sim().StopRequested);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE((clones ? plotVeg : plotSex).isVisible());
    plotSex.CloseForm();
    plotVeg.CloseForm();
  }
}

// A file fails inside a rerun: the message names it, the window of the
// series comes back with the state of the last generation the files hold,
// and once the file is mended the series goes on without a gap or a repeated
// generation. A failure of the run header of a first run shows the input
// window again, nothing of the series written.
TEST_P(DisturbanceTest, RunThatCannotWriteComesBackToAWindowOfTheSeries) {
  const std::pair<Model, Breakage> cases[] = {{Model::HaploidGlobal, Deleted}, // the Plot file
                                              {Model::DiploidLocal, FullDevice},
                                              {Model::Clonal, FolderRemoved}};
  for (const auto &[model, breakage] : cases) {
    SCOPED_TRACE(breakage);
    FreshDetailFile();
    EndState(0.5, 0.5, 0);
    MorvaneForm *w = AfterRun(model);
    // A run that moves: from 0.3, 0.6 or from the clones 0.7, 0.1, 0.1, 0.1.
    morvane::testing::Apply(morvane::Parameters{1, 1, 0.5, 1, 1, 0.9, 0.4, 0.5, 0.8, 0.0001},
                            Sim());
    Disturb(w);
    if (model == Model::Clonal) {
      for (const char *name : kClones)
        Field(w, name)->setText(L(name == std::string("TxtNewX1") ? "0.7" : "0.1"));
    } else {
      Field(w, "TxtNewp")->setText(L("0.3"));
      Field(w, "TxtNewq")->setText(L("0.6"));
    }
    const std::string failing = breakage == Deleted ? Sim().PlotFile.Name : Sim().DetailFile.Name;
    int generations = 0;
    std::string detailThen, plotThen;
    runs.onEvents = [&] {
      if (++generations != 3)
        return;
      detailThen = ReadAll(QString::fromStdString(Sim().DetailFile.Name));
      plotThen = ReadAll(QString::fromStdString(Sim().PlotFile.Name));
      Break(breakage, failing);
    };
    Button(w, GoButton(model))->click();
    runs.onEvents = nullptr;
    EXPECT_EQ(messages.texts,
              QStringList{FailureOf(breakage, failing)[0] + "\n" + kNotAtEquilibrium});
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(Sim().CompletedRuns, 1);
    // The state of the third generation of the rerun, the last one written.
    EXPECT_EQ(Sim().Generation, 140u);
    const char *first = model == Model::Clonal ? "TxtNewX1" : "TxtNewp";
    EXPECT_EQ(Field(w, first)->text(), RealText(model == Model::Clonal ? Sim().X[1] : Sim().FreqA));
    EXPECT_FALSE(Field(w, first)->isEnabled());

    // Mended, Disturb and Go from the values shown: one line per generation.
    Mend(Sim().DetailFile.Name, detailThen);
    Mend(Sim().PlotFile.Name, plotThen);
    Disturb(w);
    Button(w, GoButton(model))->click();
    EXPECT_EQ(Sim().CompletedRuns, 2);
    EXPECT_GT(Sim().Generation, 141u);
    for (const std::string &name : {Sim().DetailFile.Name, Sim().PlotFile.Name}) {
      const QStringList lines = QString::fromStdString(ReadAll(QString::fromStdString(name)))
                                    .split("\r\n", Qt::SkipEmptyParts);
      ASSERT_EQ(lines.size(), static_cast<int>(Sim().Generation - 137)) << name;
      for (int k = 0; k < lines.size(); ++k)
        EXPECT_EQ(lines[k].section('\t', 0, 0).toUInt(), 138u + k) << name;
    }
    w->CloseForm();
  }

  // The first run from the input window: its Detail file is gone before Go.
  ChooseModel(Sim(), Model::DiploidGlobal);
  TFrmSexImput input;
  input.SetRunDisplay(&runs);
  input.ShowForm();
  Activate(&input);
  Sim().DetailFileName = Sim().DetailFile.Name = "gone/series.gnr";
  messages.texts.clear();
  Button(&input, "BtnGoSex")->click();
  EXPECT_EQ(messages.texts, QStringList{"Fichier introuvable\ngone/series.gnr"});
  EXPECT_TRUE(input.isVisible());
  EXPECT_FALSE(diploid->isVisible());
  EXPECT_EQ(ReadAll("PlotSexFile.plo"), "");
}

// New values typed but never run are not the series: whether the rerun
// fails before its first generation (its Detail file gone) or no Go is
// pressed, Stop records the last generation the files hold.
TEST_P(DisturbanceTest, StopRecordsWhatRanNotWhatWasTyped) {
  const Model models[] = {Model::HaploidLocal, Model::DiploidGlobal, Model::Clonal};
  for (const Model model : models) {
    for (const bool go : {true, false}) {
      SCOPED_TRACE(std::to_string(static_cast<int>(model)) + (go ? " Go" : " no Go"));
      const std::string header = FreshFinalFile();
      FreshDetailFile();
      EndState(0.5, 0.5, 0);
      MorvaneForm *w = AfterRun(model);
      const std::string held = FinalRecordLine(Sim(), model == Model::Clonal);
      Disturb(w);
      TypeNewValues(w, model, "0.2", "0.9");
      if (go) {
        Break(Deleted, "out/series.gnr");
        messages.texts.clear();
        Button(w, GoButton(model))->click();
        EXPECT_EQ(messages.texts, FailureOf(Deleted, "out/series.gnr"));
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(Sim().Generation, 137u);
        EXPECT_EQ(Field(w, model == Model::Clonal ? "TxtNewX1" : "TxtNewp")->text(), L("0.5"));
      }
      messages.texts.clear();
      Button(w, "BtnExit")->click();
      EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
      EXPECT_EQ(ReadAll("results/series.mrv"), header + held);
      plotSex.CloseForm();
      plotVeg.CloseForm();
    }
  }
}

// A run stopped from the progress window is told as one that did not reach
// its equilibrium, under the counters.
TEST_P(DisturbanceTest, InterruptedRunIsToldUnderTheCounters) {
  EndState(0.5, 0.5, 0);
  MorvaneForm *w = AfterRun(Model::HaploidLocal);
  morvane::testing::Apply(morvane::Parameters{1, 1, 0.5, 1, 1, 0.9, 0.4, 0.5, 0.8, 0.0001}, Sim());
  Disturb(w);
  Field(w, "TxtNewp")->setText(L("0.3"));
  int generations = 0;
  runs.onEvents = [&] { Sim().StopRequested = ++generations == 3; };
  Button(w, "BtnGoPert1N")->click();
  runs.onEvents = nullptr;
  EXPECT_EQ(messages.texts, QStringList{"Completed runs=2; T=140\n" + kNotAtEquilibrium});
  w->CloseForm();
}

// Closing the disturbance window (title-bar button, Alt+F4) or the main
// window while the series waits asks first: Stop writes the record and shows
// the plot window as the Stop button does, Discard closes without a record,
// Cancel keeps everything as it was.
TEST_P(DisturbanceTest, ClosingWhileTheSeriesWaitsAsksFirst) {
  int quits = 0;
  TfrmMorvane::SetQuitProgram([&] { ++quits; });
  TfrmMorvane mainWindow;
  enum { Stop, Discard, Cancel };
  for (const bool fromMain : {false, true}) {
    for (const int answer : {Stop, Discard, Cancel}) {
      SCOPED_TRACE(std::to_string(answer) + (fromMain ? " main window" : " disturbance window"));
      const std::string header = FreshFinalFile();
      EndState(0.3, 0.6, 0.05);
      MorvaneForm *w = AfterRun(Model::Clonal);
      const std::string record = FinalRecordLine(Sim(), true);
      messages.texts.clear();
      messages.questions.clear();
      messages.scriptedAnswers = {answer};
      quits = 0;
      if (fromMain) {
        mainWindow.show();
        mainWindow.close();
      } else {
        w->close();
      }
      EXPECT_EQ(messages.questions,
                QStringList{"The series waits for Stop: its record is not in the Final file yet."});
      EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
      EXPECT_EQ(ReadAll("results/series.mrv"), header + (answer == Stop ? record : ""));
      // Discarded from the main window, the series ends with the program.
      EXPECT_EQ(w->isVisible(), answer == Cancel || (fromMain && answer == Discard));
      EXPECT_EQ(plotVeg.isVisible(), answer == Stop);
      EXPECT_EQ(quits, fromMain && answer != Cancel ? 1 : 0);
      plotVeg.CloseForm();
      w->CloseForm();
    }
  }
  // Nothing waits: the main window closes without a question.
  messages.questions.clear();
  mainWindow.show();
  mainWindow.close();
  EXPECT_TRUE(messages.questions.isEmpty());
  EXPECT_EQ(quits, 1);
  TfrmMorvane::SetQuitProgram(nullptr);
}

// After a run that ended on long numbers, with long numbers typed, each
// disturbance window fits a small screen and shows every number whole.
TEST_P(DisturbanceTest, LongNumbersShowWholeOnSmallScreens) {
  const QString p = L("0.333333333333333"), dg = L("-0.0123456789012345");
  for (const Model model : {Model::HaploidLocal, Model::DiploidGlobal, Model::Clonal}) {
    SCOPED_TRACE(int(model));
    EndState(0.333333333333333, 0.666666666666667, -0.0123456789012345, 0.0123456789012345);
    MorvaneForm *w = AfterRun(model);
    Disturb(w);
    for (QLineEdit *field : w->findChildren<QLineEdit *>())
      if (field->isEnabled() && !field->isReadOnly())
        PutUncheckedText(field, field->objectName().contains("DG") ? dg : p);
    ExpectWholeTextsOnSmallScreens(w);
    w->CloseForm();
  }
}

INSTANTIATE_TEST_SUITE_P(Locales, DisturbanceTest, ::testing::Values('.', ','), SeparatorName);

} // namespace
