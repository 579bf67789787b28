// The two input windows, one suite: what both do (first show, Go stopped by
// a text that is no number, their own message boxes, Help and Back, Go
// writing what the core writes) runs on each, then what only one does: the
// sexual window's DG range and tab order, the clonal window's frequencies
// kept summing to 1.
#include <QAction>

#include "FieldTestSupport.h"
#include "engine/Series.h"
#include "files/PlotFile.h"
#include "ui/analysis/PhasePlaneWindow.h"
#include "ui/series/UClonImput.h"
#include "ui/series/USexImput.h"

using namespace morvane;
using namespace morvane::ui;
using namespace morvane::ui::testing;

namespace {

// What the suite needs to know of a window.
struct InputWindowKind {
  const char *name;
  Model model;
  std::unique_ptr<InputForm> (*make)();
  const char *plotFile, *go, *back, *help;
  // Go stopped by a text that is no number: an entry left before, the
  // values read before the bad text (stored), the bad text, a good text for
  // that field, and a value read after it (kept).
  Entry left;
  const char *readBefore;
  Entry bad;
  const char *good;
  const FieldRule *after;
  // Bad entries that bring up the window's own message boxes, and a
  // substitute they leave.
  std::vector<Entry> refused;
  QStringList refusedMessages;
  const char *refusedStored;
  // The values of a series run by Go, as morvane-run's options, and
  // the models Go runs it for.
  const char *series;
  std::vector<Model> models;
};

const InputWindowKind kSexual = {
    "Sexual",
    Model::HaploidLocal,
    [] { return std::unique_ptr<InputForm>(std::make_unique<TFrmSexImput>()); },
    "PlotSexFile.plo",
    "BtnGoSex",
    "BtnBackS",
    "Morvanev2Help1",
    {"TxtHabFreq", "0.7"},
    "c=0.7 L=0.000001",
    {"TxtMigSurv", "abc"},
    "1",
    &rules::SoftPropSexual,
    {{"TxtSoftProp", "abc"}, {"TxtMigSurv", "0"}},
    {"x out of Range", "d out of Range"},
    "x=1",
    "x=0.8 d=0.9 c=0.6 p=0.3 q=0.2 i=3 j=2 DG=0.01 L=0.0001 W1A=0.9 W1a=0.6 W2A=0.5 W2a=0.8",
    {Model::HaploidLocal, Model::HaploidGlobal, Model::DiploidLocal, Model::DiploidGlobal},
};

const InputWindowKind kClonal = {
    "Clonal",
    Model::Clonal,
    [] { return std::unique_ptr<InputForm>(std::make_unique<TFrmClonImput>()); },
    "PlotCloneFile.plo",
    "BtnGoClon",
    "BtnBackC",
    "Help1",
    {"TxtMigSurv", "0.8"},
    "d=0.8",
    {"TxtsaB", "1/4"},
    "0",
    &rules::StopThreshold,
    {{"TxtHabFreq", "1"}, {"TxtAB", "0"}, {"TxtAsb", "0"}, {"TxtsaB", "0"}, {"Txtsasb", "0"}},
    {"c out of Range", "Sum = 0, very funny!"},
    "c=0.5",
    "x=0.6 d=0.9 c=0.7 i=4 j=2 L=0.0001 W1A=0.9 W1a=0.5 W2A=0.4 W2a=0.8",
    {Model::Clonal},
};

struct InputCase {
  const InputWindowKind *window;
  char separator;
};

std::string CaseName(const ::testing::TestParamInfo<InputCase> &info) {
  return std::string(info.param.window->name) + LocaleName(info.param.separator);
}

class InputWindowsTest : public LocaleWindowTest<InputCase> {
protected:
  void SetUp() override {
    LocaleWindowTest::SetUp();
    ChooseModel(Sim(), Kind().model);
    w = Kind().make();
    w->SetRunDisplay(&display);
  }
  void TearDown() override {
    w.reset();
    LocaleWindowTest::TearDown();
  }
  const InputWindowKind &Kind() const { return *GetParam().window; }
  void Open() {
    w->ShowForm();
    Activate(w.get());
  }
  QLineEdit *F(const char *name) { return Field(w.get(), name); }
  void LeaveEntry(const Entry &e) { Leave(F(e.field), L(e.text)); }
  void Go() { Button(w.get(), Kind().go)->click(); }
  QStringList Frequencies() {
    return {F("TxtAB")->text(), F("TxtAsb")->text(), F("TxtsaB")->text(), F("Txtsasb")->text()};
  }
  // `typed` left in `field`; the four frequencies then show `shown`.
  void LeaveFrequency(const char *field, const char *typed,
                      std::initializer_list<const char *> shown) {
    Leave(F(field), L(typed));
    EXPECT_EQ(Frequencies(), LL(shown)) << field << " typed " << typed;
  }
  QStringList LL(std::initializer_list<const char *> texts) {
    QStringList out;
    for (const char *t : texts)
      out << L(t);
    return out;
  }
  // The row of the field table of a morvane-run option ("x", "DG").
  static const FieldRule &RuleOf(const QString &option) {
    for (const FieldRule *r : SexualInputFields())
      if (option == QLatin1String(r->option))
        return *r;
    throw std::invalid_argument("no field of option " + option.toStdString());
  }
  // Each "option=value" of `held` is what the state holds ("x=1 i=1").
  static void ExpectStored(const QString &held) {
    for (const QString &entry : held.split(' ', Qt::SkipEmptyParts)) {
      const FieldRule &r = RuleOf(entry.section('=', 0, 0));
      EXPECT_EQ(r.kind == FieldTarget::Count ? r.count(Sim()) : r.real(Sim()),
                entry.section('=', 1).toDouble())
          << qPrintable(entry);
    }
  }
  // The values of Kind().series typed into their fields.
  void TypeSeries() {
    for (const QString &e : QString(Kind().series).split(' '))
      Leave(F(InputField(e.section('=', 0, 0).toStdString())), L(e.section('=', 1)));
  }
  // The state a series of Kind().series starts from.
  SimState SeriesState(Model model) const {
    SimState e;
    for (const QString &entry : QString(Kind().series).split(' ')) {
      const FieldRule &r = RuleOf(entry.section('=', 0, 0));
      if (r.kind == FieldTarget::Count)
        r.count(e) = static_cast<std::uint16_t>(entry.section('=', 1).toUInt());
      else
        r.real(e) = entry.section('=', 1).toDouble();
    }
    ChooseModel(e, model);
    e.TradeOffStatus = "NoTO";
    e.ESSStatus = "NoESS";
    return e;
  }

  std::unique_ptr<InputForm> w;
};

const auto kBothWindows = ::testing::Values(InputCase{&kSexual, '.'}, InputCase{&kSexual, ','},
                                            InputCase{&kClonal, '.'}, InputCase{&kClonal, ','});

TEST_P(InputWindowsTest, FirstShowLeavesTheWindowReadyAndThePlotFileEmpty) {
  WriteAll(Kind().plotFile, "left from an earlier program\n");
  Sim().Generation = 12;
  Open();
  EXPECT_TRUE(w->isMaximized());
  ExpectEnabled(w.get(), "TxtW1A TxtSmalla", false);
  ExpectEnabled(w.get(), "TxtW2A TxtW2Smalla", true);
  ExpectShown(w.get(), "TxtFinalFile=series.mrv TxtDetailFile=series.gnr");
  EXPECT_EQ(ReadAll(Kind().plotFile), "");
  EXPECT_EQ(Sim().PlotFileName, Kind().plotFile);
  EXPECT_EQ(Sim().Generation, 0u);
  EXPECT_EQ(Sim().TradeOffStatus, "NoTO");
  EXPECT_EQ(Sim().ESSStatus, "NoESS");
  EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_P(InputWindowsTest, GoWithATextThatDoesNotParseStartsNoRun) {
  Open();
  LeaveEntry(Kind().left);
  PutUncheckedText(F(Kind().bad.field), Kind().bad.text);
  Kind().after->real(Sim()) = 0.05;
  Go();
  EXPECT_EQ(messages.texts,
            QStringList{QString("'%1' is not a valid number").arg(Kind().bad.text)});
  // What was read before the bad field is stored; what comes after is not.
  ExpectStored(Kind().readBefore);
  EXPECT_EQ(Kind().after->real(Sim()), 0.05);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(display.shown, 0);
  EXPECT_EQ(ReadAll("series.gnr"), "");

  // A count beyond the 16-bit count is not wrapped into range.
  messages.texts.clear();
  LeaveEntry({Kind().bad.field, Kind().good});
  PutUncheckedText(F("Txtj"), "65537");
  Go();
  EXPECT_EQ(messages.texts, QStringList{"'65537' is not a valid number"});
  EXPECT_EQ(display.shown, 0);
}

TEST_P(InputWindowsTest, OwnMessageBoxClosingIsNoActivation) {
  Open();
  Sim().Generation = 7;
  WriteAll(Kind().plotFile, "kept\n");
  messages.stealActivation = true;
  for (const Entry &e : Kind().refused) {
    LeaveEntry(e);
    Activate(w.get());
  }
  EXPECT_EQ(messages.texts, Kind().refusedMessages);
  EXPECT_EQ(Sim().Generation, 7u);
  EXPECT_EQ(ReadAll(Kind().plotFile), "kept\n");
  ExpectStored(Kind().refusedStored);
  // Coming back from another of the program's windows is one.
  MorvaneForm other;
  other.ShowForm();
  Activate(&other);
  Activate(w.get());
  EXPECT_EQ(Sim().Generation, 0u);
  EXPECT_EQ(ReadAll(Kind().plotFile), "");
}

TEST_P(InputWindowsTest, HelpAndBack) {
  Open();
  w->findChild<QAction *>(Kind().help)->trigger();
  EXPECT_EQ(help.requests, QStringList{"contents HelpMorvane.hlp"});
  Button(w.get(), Kind().back)->click();
  EXPECT_FALSE(w->isVisible());
}

// Go from the window writes what the core writes for the same values.
TEST_P(InputWindowsTest, GoRunsTheSeriesOfEachModel) {
  for (Model model : Kind().models) {
    SCOPED_TRACE(static_cast<int>(model));
    WriteAll("series.gnr", "");
    ChooseModel(Sim(), model);
    display.handedOver.clear();
    Open();
    Button(w.get(), "BtnNoTrade")->click();
    TypeSeries();
    ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
    QTest::mouseClick(Button(w.get(), Kind().go), Qt::LeftButton);
    ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(display.handedOver, std::vector<Model>{model});
    EXPECT_EQ(Sim().CompletedRuns, 1);

    SimState e = SeriesState(model);
    if (model == Model::Clonal) // the frequencies of the activation
      e.X[2] = e.X[4] = 0.5;
    RunCoreSeries(e, "series.gnr", model == Model::Clonal);
    EXPECT_EQ(ReadAll("series.gnr"), ReadAll("expected.gnr"));
    EXPECT_EQ(ReadAll(Kind().plotFile), ReadAll("expected.plo"));
    EXPECT_EQ(Sim().Generation, e.Generation);
    EXPECT_GT(Sim().Generation, 1u);
  }
}

// Analyse...: every field checked by its rule first (a value out of range is
// refused with its message and nothing opens), then the phase plane of the
// parameters typed, for the window's model.
TEST_P(InputWindowsTest, AnalyseOpensThePhasePlaneOfTheParametersTyped) {
  struct Case {
    const char *habFreq;
    const char *message; // "" when the plane opens
  };
  for (const Case &c : {Case{"0.45", ""}, Case{"1.5", "c out of Range"}}) {
    SCOPED_TRACE(c.habFreq);
    Open();
    messages.texts.clear();
    PutUncheckedText(F("TxtHabFreq"), L(c.habFreq));
    Button(w.get(), Kind().model == Model::Clonal ? "BtnAnalyseC" : "BtnAnalyseS")->click();
    std::unique_ptr<PhasePlaneWindow> plane;
    for (QWidget *top : QApplication::topLevelWidgets())
      if (auto *p = qobject_cast<PhasePlaneWindow *>(top))
        plane.reset(p);
    if (*c.message) {
      EXPECT_EQ(messages.texts, QStringList{c.message});
      EXPECT_EQ(plane, nullptr);
    } else {
      EXPECT_TRUE(messages.texts.isEmpty());
      ASSERT_NE(plane, nullptr);
      EXPECT_EQ(plane->ModelShown(), Kind().model);
      EXPECT_EQ(plane->ParametersShown().HabFreq, 0.45);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Windows, InputWindowsTest, kBothWindows, CaseName);

// ---- The sexual input window ---------------------------------------------

using SexualInputTest = InputWindowsTest;

TEST_P(SexualInputTest, FirstShowShowsTheModelAndTheDGRange) {
  Open();
  ExpectEnabled(w.get(), "BtnESS BtnNoESS", false);
  ExpectShown(w.get(), "TxtTOStatus= TxtDGRange=[-0.25..0.25] TxtHabFreq=0.5 TxtL=0.000001 "
                       "TxtPloidy=Haploid TxtRepro=Local");
  // The activation does not set the parameters (c).
  ExpectStored("p=0.5 q=0.5 DG=0 c=0");
  EXPECT_EQ(Sim().DGMin, -0.25);
  EXPECT_EQ(Sim().DGMax, 0.25);
}

// Refused entries get their substitute, a message and the focus back; in the
// clonal window an x below 0 becomes 0.
TEST_P(InputWindowsTest, BadEntriesAreReplacedAnnouncedAndRefocused) {
  Open();
  messages.stealActivation = true;
  struct Case {
    const char *field;
    QString typed;
    QString shown;
    const char *message; // nullptr: accepted without a message
    const char *stored;  // what the state then holds, or nullptr
  };
  const std::vector<Case> sexual = {
      {"TxtSoftProp", "abc", "1", "x out of Range", nullptr},
      {"TxtSoftProp", "", "1", "x out of Range", nullptr},
      {"TxtSoftProp", L("-0.2"), "1", "x out of Range", "x=1"},
      {"TxtMigSurv", L("0.00005"), "1", "d out of Range", nullptr},
      {"TxtMigSurv", L("0.0001"), L("0.0001"), nullptr, "d=0.0001"},
      {"TxtHabFreq", "1", L("0.5"), "c out of Range", nullptr},
      {"TxtHabFreq", L("0.99991"), L("0.5"), "c out of Range", nullptr},
      {"TxtHabFreq", L("0.9999"), L("0.9999"), nullptr, "c=0.9999"},
      {"TxtFreqA", L("0.50"), L("0.5"), nullptr, nullptr},
      {"TxtBFreq", L("5E-1"), L("0.5"), nullptr, nullptr},
      {"TxtBFreq", L(" 0.5 "), L("0.5"), nullptr, nullptr},
      {"Txti", L("2.7"), "2", nullptr, nullptr},
      {"Txti", "70000", "1", "i out of Range", "i=1"},
      {"Txtj", "-3", "1", "j out of Range", nullptr},
      {"Txtj", "1001", "1", "j out of Range", "j=1"},
      {"TxtL", L("0.2"), "1E-6", "L out of Range", nullptr},
      {"TxtL", L("-0.001"), "1E-6", "L out of Range", nullptr},
      {"TxtL", L("0.1"), L("0.1"), nullptr, "L=0.1"},
      {"TxtW2A", L("1.5"), "1", "W2(A) out of Range", "W2A=1"},
      {"TxtW2Smalla", "x", "1", "W2(a) out of Range", nullptr},
  };
  const std::vector<Case> clonal = {
      {"TxtSoftProp", L("-0.3"), "0", "x out of Range", "x=0"},
      {"TxtSoftProp", "abc", "1", "x out of Range", nullptr},
      {"Txti", L("2.7"), "2", nullptr, nullptr},
      {"TxtL", L("0.2"), "1E-6", "L out of Range", nullptr},
  };
  for (const Case &c : Kind().model == Model::Clonal ? clonal : sexual) {
    messages.texts.clear();
    QLineEdit *f = F(c.field);
    Leave(f, c.typed);
    SCOPED_TRACE(std::string(c.field) + " typed " + c.typed.toStdString());
    EXPECT_EQ(f->text(), c.shown);
    if (c.message) {
      EXPECT_EQ(messages.texts, QStringList{c.message});
      EXPECT_TRUE(f->hasFocus());
      EXPECT_EQ(QApplication::activeWindow(), w.get());
    } else {
      EXPECT_TRUE(messages.texts.isEmpty());
      EXPECT_FALSE(f->hasFocus());
    }
    if (c.stored)
      ExpectStored(c.stored);
  }
}

TEST_P(SexualInputTest, DGRangeFollowsPAndQAndRefusesOutsideValues) {
  Open();
  LeaveAll(w.get(), "TxtFreqA=0.3 TxtBFreq=0.6");
  EXPECT_EQ(F("TxtDGRange")->text(), Range("-0.18", "0.12"));
  Leave(F("TxtDG"), L("0.15"));
  EXPECT_EQ(messages.texts, QStringList{"DG0 out of Range"});
  EXPECT_EQ(F("TxtDG")->text(), "0");
  EXPECT_EQ(Sim().DG, 0);
  messages.texts.clear();
  Leave(F("TxtDG"), L("0.12"));
  EXPECT_TRUE(messages.texts.isEmpty());
  EXPECT_EQ(Sim().DG, 0.12);

  // A bad p still recomputes the range, from the substitute.
  Leave(F("TxtFreqA"), "2");
  EXPECT_EQ(messages.texts, QStringList{"p out of Range"});
  EXPECT_EQ(F("TxtDGRange")->text(), Range("-0.2", "0.2"));

  messages.texts.clear();
  Leave(F("TxtFreqA"), "1");
  EXPECT_EQ(F("TxtDGRange")->text(), "[0..0]");
  Leave(F("TxtDG"), L("0.01"));
  EXPECT_EQ(messages.texts, QStringList{"DG0 out of Range"});
  EXPECT_EQ(Sim().DG, 0);
}

TEST_P(SexualInputTest, GoRefusesADGLeftOutsideTheRangeOfNewFrequencies) {
  Open();
  LeaveAll(w.get(), "TxtDG=0.2 TxtFreqA=0.9");
  // The stored DG0 is not checked again when p changes.
  ExpectShown(w.get(), "TxtDGRange=[-0.05..0.05] TxtDG=0.2");
  EXPECT_TRUE(messages.texts.isEmpty());

  Button(w.get(), "BtnGoSex")->click();
  EXPECT_EQ(messages.texts, QStringList{"DG0 out of Range"});
  EXPECT_EQ(Sim().DG, 0);
  EXPECT_EQ(F("TxtDG")->text(), "0");
  EXPECT_TRUE(F("TxtDG")->hasFocus());
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(display.shown, 0);
  EXPECT_EQ(ReadAll("series.gnr"), "");
  EXPECT_EQ(ReadAll("PlotSexFile.plo"), "");

  // Go again with the corrected DG0 starts the series.
  messages.texts.clear();
  Button(w.get(), "BtnGoSex")->click();
  EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(display.shown, 1);
}

// Go pressed by its accelerator takes no focus: the field being typed in is
// left first, as a click on Go would leave it, and a refused entry starts no
// run.
TEST_P(SexualInputTest, GoByItsAcceleratorChecksTheFieldBeingTyped) {
  Open();
  Type(F("Txti"), "0");
  // Like the accelerator key, click() leaves the focus in the field.
  Button(w.get(), "BtnGoSex")->click();
  EXPECT_EQ(messages.texts, QStringList{"i out of Range"});
  EXPECT_EQ(F("Txti")->text(), "1");
  EXPECT_EQ(Sim().TriesAB, 1);
  EXPECT_TRUE(F("Txti")->hasFocus());
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(display.shown, 0);
  EXPECT_EQ(ReadAll("series.gnr"), "");

  messages.texts.clear();
  Type(F("TxtHabFreq"), L("0.70"));
  Button(w.get(), "BtnGoSex")->click();
  EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  EXPECT_EQ(F("TxtHabFreq")->text(), L("0.7"));
  EXPECT_EQ(Sim().HabFreq, 0.7);
  EXPECT_EQ(display.shown, 1);
}

TEST_P(SexualInputTest, ActivationResetsTheStateButKeepsTheTexts) {
  Open();
  LeaveAll(w.get(), "TxtFreqA=0.3 TxtBFreq=0.6 TxtDG=0.1 TxtHabFreq=0.7");
  Sim().Generation = 40;
  WriteAll("PlotSexFile.plo", "0 0.3 0.6 0.1 0\n");
  // Back to the main window, then launched again.
  Button(w.get(), "BtnBackS")->click();
  EXPECT_FALSE(w->isVisible());
  Open();
  EXPECT_EQ(Sim().Generation, 0u);
  // Parameters (c) are not reset, nor the texts, nor the range text.
  ExpectStored("p=0.5 q=0.5 DG=0 c=0.7");
  EXPECT_EQ(ReadAll("PlotSexFile.plo"), "");
  ExpectShown(w.get(), "TxtFreqA=0.3 TxtDG=0.1 TxtDGRange=[-0.18..0.12]");

  // Go at once uses the field texts, not the state's defaults.
  Button(w.get(), "BtnGoSex")->click();
  EXPECT_EQ(display.shown, 1);
  EXPECT_EQ(Sim().StopThreshold, 0.000001);
  const std::string plot = ReadAll("PlotSexFile.plo");
  SimState first;
  first.FreqA = 0.3;
  first.FreqB = 0.6;
  first.DG = 0.1;
  EXPECT_EQ(plot.substr(0, plot.find('\n') + 1), SexualPlotFirstLine(first));
}

TEST_P(SexualInputTest, TabGoesThroughTheFieldsInTheirOrderSkippingDisplays) {
  Open();
  F("TxtSoftProp")->setFocus(Qt::OtherFocusReason);
  QStringList seen;
  for (int k = 0; k < 19; ++k) {
    QWidget *f = QApplication::focusWidget();
    ASSERT_NE(f, nullptr);
    seen << f->objectName();
    QTest::keyClick(f, Qt::Key_Tab);
  }
  EXPECT_EQ(seen, QStringList({"TxtSoftProp", "TxtMigSurv", "TxtHabFreq", "TxtFreqA", "TxtBFreq",
                               "Txti", "Txtj", "TxtDG", "TxtL", "TxtW2A", "TxtW2Smalla",
                               "BtnNoTrade", "BtnTradeLin", "BtnConvexTrade", "BtnConcaveTrade",
                               "BtnAnalyseS", "BtnBackS", "BtnGoSex", "TxtSoftProp"}));
  EXPECT_TRUE(messages.texts.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Windows, SexualInputTest,
                         ::testing::Values(InputCase{&kSexual, '.'}, InputCase{&kSexual, ','}),
                         CaseName);

// ---- The clonal input window ---------------------------------------------

using ClonalInputTest = InputWindowsTest;

TEST_P(ClonalInputTest, FirstShowShowsTheFrequenciesAndTheDefaults) {
  Open();
  EXPECT_EQ(Frequencies(), LL({"0", "0.5", "0", "0.5"}));
  EXPECT_EQ(F("TxtPlotFile")->text(), "PlotCloneFile.plo");
  EXPECT_EQ(Sim().X[2], 0.5);
  EXPECT_EQ(Sim().X[4], 0.5);
  ExpectStored("x=1 c=0.5 d=1 i=1 j=1 W1A=1 W2a=1 L=0.000001");
}

TEST_P(ClonalInputTest, FrequenciesAreKeptSummingToOne) {
  Open();
  LeaveFrequency("TxtAB", "1", {"0.5", "0.25", "0", "0.25"});
  EXPECT_EQ(Sim().X[1] + Sim().X[2] + Sim().X[3] + Sim().X[4], 1);
  EXPECT_TRUE(messages.texts.isEmpty());

  // 0, 0.25, 0, 0.25 sums to 0.5: back to 0, 0.5, 0, 0.5.
  LeaveFrequency("TxtAB", "0", {"0", "0.5", "0", "0.5"});
  LeaveFrequency("TxtAsb", "0", {"0", "0", "0", "1"});
  EXPECT_EQ(Sim().X[4], 1);

  LeaveFrequency("Txtsasb", "0", {"0", "0.5", "0", "0.5"});
  EXPECT_EQ(messages.texts, QStringList{"Sum = 0, very funny!"});
  EXPECT_EQ(Sim().X[2], 0.5);
  EXPECT_EQ(Sim().X[4], 0.5);
}

TEST_P(ClonalInputTest, ExampleSequencesOfTheFrequencyRule) {
  Open();
  // f(Ab) set to 0 with f(AB) = f(aB) = 0 and f(ab) = 0.5: f(ab) becomes 1.
  LeaveFrequency("TxtAsb", "0", {"0", "0", "0", "1"});
  EXPECT_TRUE(messages.texts.isEmpty());

  // Out of range: the substitute, then the normalisation.
  LeaveFrequency("TxtAsb", "0.5", {"0", "0.333333333333333", "0", "0.666666666666667"});
  Leave(F("TxtAB"), L("1.5"));
  EXPECT_EQ(messages.texts, QStringList{"f(AB) out of Range"});
  EXPECT_EQ(Sim().X[1], 0);
  EXPECT_TRUE(F("TxtAB")->hasFocus());

  messages.texts.clear();
  LeaveFrequency("Txtsasb", "-0.2", {"0", "0.4", "0", "0.6"});
  EXPECT_EQ(messages.texts, QStringList{"f(ab) out of Range"});
  // 0 + 1/3 + 0 + 0.5 normalised.
  EXPECT_DOUBLE_EQ(Sim().X[2], (1.0 / 3) / (1.0 / 3 + 0.5));
  EXPECT_DOUBLE_EQ(Sim().X[4], 0.5 / (1.0 / 3 + 0.5));
}

TEST_P(ClonalInputTest, ReturnFromTheMainWindowSumsTheStateNotTheTexts) {
  Open();
  // Each exit brings the four back to a sum of 1 from the state.
  LeaveFrequency("TxtAB", "0.25", {"0.2", "0.4", "0", "0.4"});
  // The user goes for the Back button (the field that had the focus is
  // left unchanged), with texts left by an earlier series on the screen.
  QTest::mouseClick(Button(w.get(), "BtnBackC"), Qt::LeftButton);
  EXPECT_FALSE(w->isVisible());
  EXPECT_TRUE(messages.texts.isEmpty());
  for (const char *name : {"TxtAB", "TxtAsb", "TxtsaB", "Txtsasb"})
    F(name)->setText(L("0.25"));
  Sim().Generation = 9;
  Open();
  EXPECT_EQ(Sim().Generation, 0u);
  EXPECT_EQ(Frequencies(), LL({"0.25", "0.25", "0.25", "0.25"}));
  // Leaving TxtAB unchanged: 0.25 + 0.5 + 0 + 0.5 = 1.25.
  Leave(F("TxtAB"), F("TxtAB")->text());
  EXPECT_EQ(Frequencies(), LL({"0.2", "0.4", "0", "0.4"}));
}

TEST_P(ClonalInputTest, PlotFileThatCannotBeCreatedStopsTheActivation) {
  ASSERT_TRUE(QDir().mkdir("PlotCloneFile.plo"));
  Sim().Generation = 4;
  Sim().X[1] = 0.7;
  Open();
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_TRUE(w->isVisible());
  // Nothing after the file step has been reset, but the files in force are
  // shown, not those of an earlier series.
  EXPECT_EQ(Sim().Generation, 4u);
  EXPECT_EQ(Sim().X[1], 0.7);
  ExpectShown(w.get(), "TxtFinalFile=series.mrv TxtDetailFile=series.gnr");
}

// Go reads the four frequencies from fields that may not have been left
// since an earlier series, and applies the sum rule to what it read.
TEST_P(ClonalInputTest, GoStartsOnlyFromFrequenciesSummingToOne) {
  Open();
  const char *const names[] = {"TxtAB", "TxtAsb", "TxtsaB", "Txtsasb"};
  const char *const shown[] = {"0", "0.4", "0", "0.4"};
  for (int k = 0; k < 4; ++k)
    PutUncheckedText(F(names[k]), L(shown[k]));
  Button(w.get(), "BtnGoClon")->click();
  EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  EXPECT_EQ(display.shown, 1);
  EXPECT_EQ(Frequencies(), LL({"0", "0.5", "0", "0.5"}));

  Open();
  for (const char *name : names)
    PutUncheckedText(F(name), "0");
  Button(w.get(), "BtnGoClon")->click();
  EXPECT_EQ(messages.texts, QStringList{"Sum = 0, very funny!"});
  EXPECT_EQ(display.shown, 1);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(Frequencies(), LL({"0", "0.5", "0", "0.5"}));
}

// Go right after a return through the main window, when the state holds the
// activation's defaults, runs with the texts shown, also frequencies never
// left in this series.
TEST_P(ClonalInputTest, GoAfterAReturnRunsWithTheTextsShown) {
  Open();
  Button(w.get(), "BtnNoTrade")->click();
  TypeSeries();
  Button(w.get(), "BtnBackC")->click();
  Open();
  EXPECT_EQ(Sim().SoftProp, 1);
  const Entry frequencies[] = {
      {"TxtAB", "0.1"}, {"TxtAsb", "0.2"}, {"TxtsaB", "0.3"}, {"Txtsasb", "0.4"}};
  for (const Entry &f : frequencies)
    F(f.field)->setText(L(f.text));
  ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  Go();
  ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(display.handedOver, std::vector<Model>{Model::Clonal});

  SimState e = SeriesState(Model::Clonal);
  for (int k = 0; k < 4; ++k)
    e.X[k + 1] = *morvane::TextToReal(frequencies[k].text);
  RunCoreSeries(e, "series.gnr", true);
  EXPECT_EQ(ReadAll("series.gnr"), ReadAll("expected.gnr"));
  EXPECT_EQ(ReadAll("PlotCloneFile.plo"), ReadAll("expected.plo"));
  EXPECT_EQ(Sim().Generation, e.Generation);
}

INSTANTIATE_TEST_SUITE_P(Windows, ClonalInputTest,
                         ::testing::Values(InputCase{&kClonal, '.'}, InputCase{&kClonal, ','}),
                         CaseName);

} // namespace
