// The three disturbance windows: what their show reports, the entries with
// the previous value as substitute, the checks of Go, and what happens when
// a rerun or Stop meets a file that cannot be written.
#include <QLabel>
#include <QRegularExpression>
#include <sys/stat.h>
#include <unistd.h>

#include "FieldTestSupport.h"
#include "UPerturb.h"
#include "UPerturb2N.h"
#include "UPerturbClone.h"
#include "USexImput.h"
#include "engine/InitialState.h"
#include "engine/Series.h"
#include "files/FinalFile.h"
#include "files/PlotFile.h"
#include "files/TextFile.h"
#include "framework/Locale.h"

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

class DisturbanceTest : public InputWindowTest {
protected:
  void SetUp() override {
    InputWindowTest::SetUp();
    CreateOrAcceptFinalFile("series.mrv");
    for (DisturbanceForm *w : {static_cast<DisturbanceForm *>(haploid.get()),
                               static_cast<DisturbanceForm *>(diploid.get()),
                               static_cast<DisturbanceForm *>(clonal.get())})
      w->SetRunDisplay(&runs);
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
    ChooseModel(Sim, model);
    ResetPlotFile(Sim, model == Model::Clonal ? kClonePlotFileName : kSexPlotFileName);
    Sim.SoftProp = Sim.MigSurv = 1;
    Sim.HabFreq = 0.5;
    Sim.TriesAB = Sim.TriesaB = 1;
    Sim.W1A = Sim.W2A = Sim.W1a = Sim.W2a = 1;
    Sim.StopThreshold = 0.000001;
    Sim.TradeOffStatus = "NoTO";
    Sim.ESSStatus = "NoESS";
    Sim.CompletedRuns = 1;
    Sim.Generation = 137;
    MorvaneForm *w = DisturbanceWindow(model);
    messages.texts.clear();
    w->ShowForm();
    Activate(w);
    return w;
  }
  void SexualState(double p, double q, double dg, double fit) {
    Sim.FreqA = p;
    Sim.FreqB = q;
    Sim.DG = dg;
    Sim.Fit = fit;
  }
  void Disturb(MorvaneForm *w) {
    Button(w, w == diploid.get() ? "BtnPerturb2N" : "BtnPerturb")->click();
    messages.texts.clear();
  }
  QStringList Clones(MorvaneForm *w) {
    return {Field(w, "TxtNewX1")->text(), Field(w, "TxtNewX2")->text(),
            Field(w, "TxtNewX3")->text(), Field(w, "TxtNewX4")->text()};
  }
  QStringList LL(std::initializer_list<const char *> texts) {
    QStringList out;
    for (const char *t : texts)
      out << L(t);
    return out;
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
    const char *title;
    const char *disturb;
    QStringList closed; // disabled until Disturb
    QStringList opened; // enabled by Disturb
  };
  const Case cases[] = {
      {Model::HaploidGlobal,
       "Disturb or Stop Menu for Sexual Haploids",
       "BtnPerturb",
       {"TxtNewp", "TxtNewq", "TxtNewDG", "BtnGoPert1N"},
       {"TxtNewp", "TxtNewq", "TxtNewDG", "BtnGoPert1N"}},
      {Model::DiploidLocal,
       "Disturbance Menu for Sexual Diploids",
       "BtnPerturb2N",
       {"TxtNewp", "TxtNewq", "TxtNewDG", "TxtNewFit", "BtnChangeDG", "BtnChangeFit",
        "BtnGoPert2N"},
       {"TxtNewp", "TxtNewq", "BtnChangeDG", "BtnChangeFit", "BtnGoPert2N"}},
      {Model::Clonal,
       "Disturbance Menu for Clones",
       "BtnPerturb",
       {"TxtNewX1", "TxtNewX2", "TxtNewX3", "TxtNewX4", "BtnGoPertClon"},
       {"TxtNewX1", "TxtNewX2", "TxtNewX3", "TxtNewX4", "BtnGoPertClon"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.title);
    SexualState(0.2, 0.5, -0.05, 0.0123);
    Sim.X[1] = 0.5, Sim.X[2] = 0.25, Sim.X[3] = 0.125, Sim.X[4] = 0.125;
    Sim.StopRequested = true;
    MorvaneForm *w = DisturbanceWindow(c.model);
    bool windowUnderTheBox = false;
    messages.onShow = [&] { windowUnderTheBox = w->isVisible(); };
    AfterRun(c.model);
    messages.onShow = nullptr;
    EXPECT_EQ(w->windowTitle(), c.title);
    EXPECT_EQ(messages.texts, QStringList{"Completed runs=1; T=137"});
    EXPECT_TRUE(windowUnderTheBox);
    EXPECT_FALSE(Sim.StopRequested);
    EXPECT_TRUE(Button(w, c.disturb)->hasFocus());
    EXPECT_TRUE(Button(w, "BtnExit")->isEnabled());
    for (const QString &name : c.closed)
      EXPECT_FALSE(w->findChild<QWidget *>(name)->isEnabled()) << name.toStdString();
    if (c.model == Model::Clonal) {
      EXPECT_EQ(Clones(w), LL({"0.5", "0.25", "0.125", "0.125"}));
    } else {
      EXPECT_EQ(Field(w, "TxtNewp")->text(), L("0.2"));
      EXPECT_EQ(Field(w, "TxtNewq")->text(), L("0.5"));
      EXPECT_EQ(Field(w, "TxtRangeDG")->text(), Range("-0.1", "0.1"));
      EXPECT_EQ(Field(w, "TxtNewDG")->text(), L("-0.05"));
    }
    if (IsDiploid(c.model)) {
      EXPECT_EQ(Field(w, "TxtFitRange")->text(), "[" + L("-0.25") + "..1]");
      EXPECT_EQ(Field(w, "TxtNewFit")->text(), L("0.0123"));
      EXPECT_EQ(w->findChild<QLabel *>("LblOldFit")->text(), "Old Fit was =" + L("0.0123"));
    }
    Sim.StopRequested = true;
    Disturb(w);
    EXPECT_FALSE(Sim.StopRequested);
    for (const QString &name : c.closed)
      EXPECT_EQ(w->findChild<QWidget *>(name)->isEnabled(), c.opened.contains(name))
          << name.toStdString();
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
    QStringList shown;   // field=text after the exit, texts written with '.'
  };
  struct Case {
    Model model;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {Model::HaploidLocal,
       {{"TxtNewq", "abc", "q out of Range", "TxtNewDG", {"TxtNewq=0.5"}},
        {"TxtNewp",
         "1.5",
         "p out of Range",
         "TxtNewDG",
         {"TxtNewp=0.42", "TxtRangeDG=[-0.21..0.21]"}},
        {"TxtNewp", "0", nullptr, "TxtNewDG", {"TxtNewp=0", "TxtRangeDG=[0..0]", "TxtNewDG=0.01"}},
        {"TxtNewDG", "0.02", "DG out of Range", "TxtNewDG", {"TxtNewDG=0.01"}},
        {"TxtNewDG", "0", nullptr, nullptr, {"TxtNewDG=0"}}}},
      {Model::DiploidGlobal,
       {{"TxtNewp",
         "0.2",
         nullptr,
         "TxtNewq",
         {"TxtFitRange=[-0.25..1]", "TxtNewFit=0", "TxtRangeDG=[-0.1..0.1]"}},
        {"TxtNewp", "0.5", nullptr, "TxtNewq", {"TxtFitRange=[-1..1]"}},
        {"TxtNewFit", "-1.2", "Fit out of Range", "TxtNewFit", {"TxtNewFit=0", "TxtNewDG=0"}},
        {"TxtNewFit", "1", nullptr, nullptr, {"TxtNewFit=1"}},
        {"TxtNewFit", "1.5", "Fit out of Range", "TxtNewFit", {"TxtNewFit=1"}},
        {"TxtNewFit", "-1", nullptr, nullptr, {"TxtNewFit=-1", "TxtNewDG=0"}},
        {"TxtNewDG", "0.25", nullptr, nullptr, {"TxtNewDG=0.25", "TxtNewFit=0"}},
        {"TxtNewq", "0.9", nullptr, "BtnChangeDG", {"TxtRangeDG=[-0.05..0.05]", "TxtNewFit=0"}}}},
      {Model::Clonal,
       {{"TxtNewX1",
         "0.75",
         nullptr,
         nullptr,
         {"TxtNewX1=0.6", "TxtNewX2=0.2", "TxtNewX3=0.1", "TxtNewX4=0.1"}},
        {"TxtNewX2",
         "2",
         "f(Ab) out of Range",
         "TxtNewX2",
         // f(Ab) back to the 0.25 the run ended with, then the sum rule.
         {"TxtNewX1=0.571428571428571", "TxtNewX2=0.238095238095238"}},
        {"TxtNewX1", "0", nullptr, nullptr, {}},
        {"TxtNewX2", "0", nullptr, nullptr, {}},
        {"TxtNewX3", "0", nullptr, nullptr, {"TxtNewX4=1"}},
        {"TxtNewX4",
         "0",
         "Sum = 0, very funny!",
         nullptr,
         {"TxtNewX1=0.5", "TxtNewX2=0.25", "TxtNewX3=0.125", "TxtNewX4=0.125"}}}},
  };
  for (const Case &c : cases) {
    SexualState(0.42, 0.5, 0.01, 0);
    Sim.X[1] = 0.5, Sim.X[2] = 0.25, Sim.X[3] = 0.125, Sim.X[4] = 0.125;
    MorvaneForm *w = AfterRun(c.model);
    Disturb(w);
    for (const Step &s : c.steps) {
      SCOPED_TRACE(std::string(s.field) + " typed " + s.typed);
      // The diploid DG and Fit fields open with their mode button.
      if (IsDiploid(c.model) && std::string(s.field) == "TxtNewFit")
        Button(w, "BtnChangeFit")->click();
      if (IsDiploid(c.model) && std::string(s.field) == "TxtNewDG")
        Button(w, "BtnChangeDG")->click();
      messages.texts.clear();
      Leave(Field(w, s.field), L(s.typed));
      EXPECT_EQ(messages.texts, s.message ? QStringList{s.message} : QStringList{});
      if (s.focus) {
        EXPECT_EQ(QApplication::focusWidget()->objectName(), s.focus);
      }
      for (const QString &expected : s.shown) {
        const QString name = expected.section('=', 0, 0);
        QString text = expected.section('=', 1);
        if (!text.startsWith('['))
          text = L(text);
        else
          text.replace(QRegularExpression("(\\d)\\.(\\d)"), QString("\\1") + GetParam() + "\\2");
        EXPECT_EQ(Field(w, name.toLatin1().constData())->text(), text) << name.toStdString();
      }
    }
    w->CloseForm();
  }
  // The state holds what the fields show.
  EXPECT_EQ(Sim.X[1], 0.5);
  EXPECT_EQ(Sim.X[4], 0.125);
}

// Go reads the fields again: a DG or Fit typed before p or q changed is
// checked against the range of the p and q read, clone frequencies are
// brought to a sum of 1, and a refused value starts no run.
TEST_P(DisturbanceTest, GoChecksWhatItReadsBeforeAnyRun) {
  // Haploids: DG 0.2 was in range for p = q = 0.5, not for the p = 0.9
  // typed and left by Go's accelerator (the exit moves the focus to DG).
  SexualState(0.5, 0.5, 0, 0);
  MorvaneForm *w = AfterRun(Model::HaploidLocal);
  Disturb(w);
  Leave(Field(w, "TxtNewDG"), L("0.2"));
  Type(Field(w, "TxtNewp"), L("0.9"));
  ASSERT_TRUE(messages.texts.isEmpty());
  Button(w, "BtnGoPert1N")->click();
  EXPECT_EQ(messages.texts, QStringList{"DG out of Range"});
  EXPECT_EQ(Field(w, "TxtNewDG")->text(), "0");
  EXPECT_EQ(Field(w, "TxtRangeDG")->text(), Range("-0.05", "0.05"));
  EXPECT_EQ(Sim.DG, 0);
  EXPECT_TRUE(Field(w, "TxtNewDG")->hasFocus());
  EXPECT_EQ(runs.shown, 0);
  EXPECT_TRUE(w->isVisible());
  w->CloseForm();

  // Diploids, new DG without the mode button: the equilibrium DG shown
  // leaves the range of the new p; the DG field opens for the correction.
  SexualState(0.5, 0.5, 0.2, 0);
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
  Leave(Field(w, "TxtNewp"), L("0.5"));
  Button(w, "BtnChangeFit")->click();
  Leave(Field(w, "TxtNewFit"), L("-0.9"));
  PutUncheckedText(Field(w, "TxtNewp"), L("0.1"));
  messages.texts.clear();
  Button(w, "BtnGoPert2N")->click();
  EXPECT_EQ(messages.texts, QStringList{"Fit out of Range"});
  EXPECT_EQ(Field(w, "TxtNewFit")->text(), "0");
  EXPECT_EQ(Field(w, "TxtFitRange")->text(), "[" + L("-0.111111111111111") + "..1]");
  EXPECT_TRUE(Field(w, "TxtNewFit")->hasFocus());
  EXPECT_EQ(runs.shown, 0);
  w->CloseForm();

  // Clones: four zeros typed and never left are refused, the frequencies the
  // run ended with come back; four ones are divided by their sum and run.
  Sim.X[1] = 0.5, Sim.X[2] = 0.25, Sim.X[3] = 0.125, Sim.X[4] = 0.125;
  w = AfterRun(Model::Clonal);
  Disturb(w);
  for (const char *name : {"TxtNewX1", "TxtNewX2", "TxtNewX3", "TxtNewX4"})
    PutUncheckedText(Field(w, name), "0");
  Button(w, "BtnGoPertClon")->click();
  EXPECT_EQ(messages.texts, QStringList{"Sum = 0, very funny!"});
  EXPECT_EQ(Clones(w), LL({"0.5", "0.25", "0.125", "0.125"}));
  EXPECT_EQ(runs.shown, 0);
  for (const char *name : {"TxtNewX1", "TxtNewX2", "TxtNewX3", "TxtNewX4"})
    PutUncheckedText(Field(w, name), "1");
  messages.texts.clear();
  Button(w, "BtnGoPertClon")->click();
  EXPECT_EQ(runs.shown, 1);
  EXPECT_EQ(Sim.Generation, 138u);
  // Shown again by the end of the run, with the values it used.
  EXPECT_EQ(messages.texts, QStringList{"Completed runs=2; T=138"});
  EXPECT_EQ(Clones(w), LL({"0.25", "0.25", "0.25", "0.25"}));
}

// The Final file fails at Stop: the window comes back with the message and
// the file named; once mended, Stop writes exactly one record.
TEST_P(DisturbanceTest, StopThatCannotWriteTheRecordComesBackToTheWindow) {
  enum Breakage { FullDevice, Deleted, FolderRemoved };
  for (Breakage breakage : {FullDevice, Deleted, FolderRemoved}) {
    SCOPED_TRACE(breakage);
    ::mkdir("results", 0777);
    const std::string final = "results/series.mrv";
    Sim.FinalFileName = Sim.FinalFile.Name = final;
    CreateOrAcceptFinalFile(final);
    const std::string header = ReadAll("results/series.mrv");
    SexualState(0.3, 0.6, 0.05, 0);
    const bool clones = breakage == Deleted;
    MorvaneForm *w = AfterRun(clones ? Model::Clonal : Model::HaploidLocal);
    messages.texts.clear();
    Sim.PlotRows = 0;
    if (breakage == FullDevice) {
      ASSERT_EQ(::unlink(final.c_str()), 0);
      ASSERT_EQ(::symlink("/dev/full", final.c_str()), 0);
    } else if (breakage == Deleted) {
      ASSERT_EQ(::unlink(final.c_str()), 0);
    } else {
      ASSERT_EQ(std::system("rm -rf results"), 0);
    }
    Button(w, "BtnExit")->click();
    EXPECT_EQ(messages.texts,
              QStringList{QString(breakage == FullDevice ? "Disque plein" : "Fichier introuvable") +
                          "\n" + QString::fromStdString(final)});
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(plotSex.isVisible() || plotVeg.isVisible());
    EXPECT_EQ(Sim.PlotRows, 0u);
    EXPECT_FALSE(Sim.StopRequested);
    EXPECT_FALSE(Button(w, clones ? "BtnGoPertClon" : "BtnGoPert1N")->isEnabled());

    // The user puts the file back and stops again.
    ::mkdir("results", 0777);
    ::unlink(final.c_str());
    WriteAll("results/series.mrv", QByteArray::fromStdString(header));
    messages.texts.clear();
    Button(w, "BtnExit")->click();
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(ReadAll("results/series.mrv"), header + FinalRecordLine(Sim, clones));
    EXPECT_EQ(Sim.PlotRows, 137u);
    EXPECT_TRUE(Sim.StopRequested);
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
  enum Breakage { PlotDeleted, DetailOnAFullDevice, FolderRemoved };
  for (Breakage breakage : {PlotDeleted, DetailOnAFullDevice, FolderRemoved}) {
    SCOPED_TRACE(breakage);
    const Model model = breakage == PlotDeleted     ? Model::HaploidGlobal
                        : breakage == FolderRemoved ? Model::Clonal
                                                    : Model::DiploidLocal;
    ::mkdir("out", 0777);
    Sim.DetailFileName = Sim.DetailFile.Name = "out/series.gnr";
    CreateEmptyFile(Sim.DetailFile.Name);
    SexualState(0.5, 0.5, 0, 0);
    Sim.X[1] = Sim.X[2] = Sim.X[3] = Sim.X[4] = 0.25;
    MorvaneForm *w = AfterRun(model);
    // A run that moves: from 0.3, 0.6 or from the clones 0.7, 0.1, 0.1, 0.1.
    Sim.W1A = 0.9, Sim.W2A = 0.4, Sim.W1a = 0.5, Sim.W2a = 0.8, Sim.StopThreshold = 0.0001;
    Disturb(w);
    if (model == Model::Clonal) {
      for (const char *name : {"TxtNewX1", "TxtNewX2", "TxtNewX3", "TxtNewX4"})
        Field(w, name)->setText(L(name == std::string("TxtNewX1") ? "0.7" : "0.1"));
    } else {
      Field(w, "TxtNewp")->setText(L("0.3"));
      Field(w, "TxtNewq")->setText(L("0.6"));
    }
    const std::string failing = breakage == PlotDeleted ? Sim.PlotFile.Name : Sim.DetailFile.Name;
    int generations = 0;
    std::string detailThen, plotThen;
    runs.onEvents = [&] {
      if (++generations != 3)
        return;
      detailThen = ReadAll(QString::fromStdString(Sim.DetailFile.Name));
      plotThen = ReadAll(QString::fromStdString(Sim.PlotFile.Name));
      if (breakage == PlotDeleted) {
        ASSERT_EQ(::unlink(failing.c_str()), 0);
      } else if (breakage == DetailOnAFullDevice) {
        ASSERT_EQ(::unlink(failing.c_str()), 0);
        ASSERT_EQ(::symlink("/dev/full", failing.c_str()), 0);
      } else {
        ASSERT_EQ(std::system("rm -rf out"), 0);
      }
    };
    Button(w, model == Model::Clonal ? "BtnGoPertClon"
              : IsDiploid(model)     ? "BtnGoPert2N"
                                     : "BtnGoPert1N")
        ->click();
    runs.onEvents = nullptr;
    EXPECT_EQ(messages.texts,
              QStringList{QString(breakage == DetailOnAFullDevice ? "Disque plein"
                                                                  : "Fichier introuvable") +
                          "\n" + QString::fromStdString(failing)});
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(Sim.CompletedRuns, 1);
    // The state of the third generation of the rerun, the last one written.
    EXPECT_EQ(Sim.Generation, 140u);
    if (model == Model::Clonal) {
      EXPECT_EQ(Field(w, "TxtNewX1")->text(), RealText(Sim.X[1]));
    } else {
      EXPECT_EQ(Field(w, "TxtNewp")->text(), RealText(Sim.FreqA));
    }
    EXPECT_FALSE(Field(w, model == Model::Clonal ? "TxtNewX1" : "TxtNewp")->isEnabled());

    // Mended, Disturb and Go from the values shown: one line per generation.
    ::mkdir("out", 0777);
    ::unlink(failing.c_str());
    WriteAll(QString::fromStdString(Sim.DetailFile.Name), QByteArray::fromStdString(detailThen));
    WriteAll(QString::fromStdString(Sim.PlotFile.Name), QByteArray::fromStdString(plotThen));
    Disturb(w);
    Button(w, model == Model::Clonal ? "BtnGoPertClon"
              : IsDiploid(model)     ? "BtnGoPert2N"
                                     : "BtnGoPert1N")
        ->click();
    EXPECT_EQ(Sim.CompletedRuns, 2);
    EXPECT_GT(Sim.Generation, 141u);
    for (const std::string &name : {Sim.DetailFile.Name, Sim.PlotFile.Name}) {
      const QStringList lines = QString::fromStdString(ReadAll(QString::fromStdString(name)))
                                    .split("\r\n", Qt::SkipEmptyParts);
      ASSERT_EQ(lines.size(), static_cast<int>(Sim.Generation - 137)) << name;
      for (int k = 0; k < lines.size(); ++k)
        EXPECT_EQ(lines[k].section('\t', 0, 0).toUInt(), 138u + k) << name;
    }
    w->CloseForm();
  }

  // The first run from the input window: its Detail file is gone before Go.
  ChooseModel(Sim, Model::DiploidGlobal);
  TFrmSexImput input;
  input.SetRunDisplay(&runs);
  input.ShowForm();
  Activate(&input);
  Sim.DetailFileName = Sim.DetailFile.Name = "gone/series.gnr";
  messages.texts.clear();
  Button(&input, "BtnGoSex")->click();
  EXPECT_EQ(messages.texts, QStringList{"Fichier introuvable\ngone/series.gnr"});
  EXPECT_TRUE(input.isVisible());
  EXPECT_FALSE(diploid->isVisible());
  EXPECT_EQ(ReadAll("PlotSexFile.plo"), "");
}

INSTANTIATE_TEST_SUITE_P(Locales, DisturbanceTest, ::testing::Values('.', ','), SeparatorName);

} // namespace
