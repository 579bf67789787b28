// The sexual input window: its first show, the field exits with their
// substitutes and messages, the DG range, the activation, and Go.
#include "USexImput.h"

#include <QAction>

#include "FieldTestSupport.h"
#include "engine/Series.h"
#include "files/PlotFile.h"

using namespace morvane;
using namespace morvane::ui;
using namespace morvane::ui::testing;

namespace {

class SexImputTest : public InputWindowTest {
protected:
  void SetUp() override {
    InputWindowTest::SetUp();
    ChooseModel(Sim(), Model::HaploidLocal);
    w = std::make_unique<TFrmSexImput>();
    w->SetRunDisplay(&display);
  }
  void TearDown() override {
    w.reset();
    InputWindowTest::TearDown();
  }
  void Open() {
    w->ShowForm();
    Activate(w.get());
  }
  QLineEdit *F(const char *name) { return Field(w.get(), name); }

  std::unique_ptr<TFrmSexImput> w;
};

TEST_P(SexImputTest, FirstShowLeavesTheWindowReadyAndThePlotFileEmpty) {
  WriteAll("PlotSexFile.plo", "left from an earlier program\n");
  Sim().Generation = 12;
  Open();
  EXPECT_EQ(w->windowTitle(), "Input Menu for Sexuals");
  EXPECT_TRUE(w->isMaximized());
  EXPECT_EQ(F("TxtTOStatus")->text(), "");
  EXPECT_FALSE(F("TxtW1A")->isEnabled());
  EXPECT_FALSE(F("TxtSmalla")->isEnabled());
  EXPECT_TRUE(F("TxtW2A")->isEnabled());
  EXPECT_TRUE(F("TxtW2Smalla")->isEnabled());
  EXPECT_FALSE(Button(w.get(), "BtnESS")->isEnabled());
  EXPECT_FALSE(Button(w.get(), "BtnNoESS")->isEnabled());
  EXPECT_EQ(F("TxtDGRange")->text(), Range("-0.25", "0.25"));
  EXPECT_EQ(F("TxtHabFreq")->text(), L("0.5"));
  EXPECT_EQ(F("TxtL")->text(), L("0.000001"));
  EXPECT_EQ(F("TxtPloidy")->text(), "Haploid");
  EXPECT_EQ(F("TxtRepro")->text(), "Local");
  EXPECT_EQ(F("TxtFinalFile")->text(), "series.mrv");
  EXPECT_EQ(F("TxtDetailFile")->text(), "series.gnr");
  EXPECT_EQ(ReadAll("PlotSexFile.plo"), "");
  EXPECT_EQ(Sim().PlotFileName, "PlotSexFile.plo");
  EXPECT_EQ(Sim().Generation, 0u);
  EXPECT_EQ(Sim().FreqA, 0.5);
  EXPECT_EQ(Sim().FreqB, 0.5);
  EXPECT_EQ(Sim().DG, 0);
  EXPECT_EQ(Sim().DGMin, -0.25);
  EXPECT_EQ(Sim().DGMax, 0.25);
  EXPECT_EQ(Sim().TradeOffStatus, "NoTO");
  EXPECT_EQ(Sim().ESSStatus, "NoESS");
  // The activation does not set the parameters.
  EXPECT_EQ(Sim().HabFreq, 0);
  EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_P(SexImputTest, BadEntriesAreReplacedAnnouncedAndRefocused) {
  Open();
  messages.stealActivation = true;
  struct Case {
    const char *field;
    QString typed;
    QString shown;
    const char *message; // nullptr: accepted without a message
  };
  const Case cases[] = {
      {"TxtSoftProp", "abc", "1", "x out of Range"},
      {"TxtSoftProp", "", "1", "x out of Range"},
      {"TxtSoftProp", L("-0.2"), "1", "x out of Range"},
      {"TxtMigSurv", L("0.00005"), "1", "d out of Range"},
      {"TxtMigSurv", L("0.0001"), L("0.0001"), nullptr},
      {"TxtHabFreq", "1", L("0.5"), "c out of Range"},
      {"TxtHabFreq", L("0.99991"), L("0.5"), "c out of Range"},
      {"TxtHabFreq", L("0.9999"), L("0.9999"), nullptr},
      {"TxtFreqA", L("0.50"), L("0.5"), nullptr},
      {"TxtBFreq", L("5E-1"), L("0.5"), nullptr},
      {"TxtBFreq", L(" 0.5 "), L("0.5"), nullptr},
      {"Txti", L("2.7"), "2", nullptr},
      {"Txti", "70000", "1", "i out of Range"},
      {"Txtj", "-3", "1", "j out of Range"},
      {"Txtj", "1001", "1", "j out of Range"},
      {"TxtL", L("0.2"), "1E-6", "L out of Range"},
      {"TxtL", L("-0.001"), "1E-6", "L out of Range"},
      {"TxtL", L("0.1"), L("0.1"), nullptr},
      {"TxtW2A", L("1.5"), "1", "W2(A) out of Range"},
      {"TxtW2Smalla", "x", "1", "W2(a) out of Range"},
  };
  for (const Case &c : cases) {
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
  }
  EXPECT_EQ(Sim().SoftProp, 1);
  EXPECT_EQ(Sim().MigSurv, 0.0001);
  EXPECT_EQ(Sim().HabFreq, 0.9999);
  EXPECT_EQ(Sim().TriesAB, 1);
  EXPECT_EQ(Sim().TriesaB, 1);
  EXPECT_EQ(Sim().StopThreshold, 0.1);
  EXPECT_EQ(Sim().W2A, 1);
}

TEST_P(SexImputTest, DGRangeFollowsPAndQAndRefusesOutsideValues) {
  Open();
  Leave(F("TxtFreqA"), L("0.3"));
  Leave(F("TxtBFreq"), L("0.6"));
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

TEST_P(SexImputTest, GoRefusesADGLeftOutsideTheRangeOfNewFrequencies) {
  Open();
  Leave(F("TxtDG"), L("0.2"));
  Leave(F("TxtFreqA"), L("0.9"));
  // The stored DG0 is not checked again when p changes.
  EXPECT_EQ(F("TxtDGRange")->text(), Range("-0.05", "0.05"));
  EXPECT_EQ(F("TxtDG")->text(), L("0.2"));
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

TEST_P(SexImputTest, GoWithATextThatDoesNotParseStartsNoRun) {
  Open();
  Leave(F("TxtHabFreq"), L("0.7"));
  PutUncheckedText(F("TxtMigSurv"), "abc");
  Sim().SoftProp = 0.25;
  Button(w.get(), "BtnGoSex")->click();
  EXPECT_EQ(messages.texts, QStringList{"'abc' is not a valid number"});
  // What was read before the bad field is stored; what comes after is not.
  EXPECT_EQ(Sim().HabFreq, 0.7);
  EXPECT_EQ(Sim().StopThreshold, 0.000001);
  EXPECT_EQ(Sim().SoftProp, 0.25);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(display.shown, 0);
  EXPECT_EQ(ReadAll("series.gnr"), "");

  // A count beyond the 16-bit count is not wrapped into range.
  messages.texts.clear();
  Leave(F("TxtMigSurv"), "1");
  PutUncheckedText(F("Txtj"), "65537");
  Button(w.get(), "BtnGoSex")->click();
  EXPECT_EQ(messages.texts, QStringList{"'65537' is not a valid number"});
  EXPECT_EQ(display.shown, 0);
}

// Go pressed by its accelerator takes no focus: the field being typed in is
// left first, as a click on Go would leave it, and a refused entry starts no
// run.
TEST_P(SexImputTest, GoByItsAcceleratorChecksTheFieldBeingTyped) {
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

TEST_P(SexImputTest, ActivationResetsTheStateButKeepsTheTexts) {
  Open();
  Leave(F("TxtFreqA"), L("0.3"));
  Leave(F("TxtBFreq"), L("0.6"));
  Leave(F("TxtDG"), L("0.1"));
  Leave(F("TxtHabFreq"), L("0.7"));
  Sim().Generation = 40;
  WriteAll("PlotSexFile.plo", "0 0.3 0.6 0.1 0\n");
  // Back to the main window, then launched again.
  Button(w.get(), "BtnBackS")->click();
  EXPECT_FALSE(w->isVisible());
  Open();
  EXPECT_EQ(Sim().Generation, 0u);
  EXPECT_EQ(Sim().FreqA, 0.5);
  EXPECT_EQ(Sim().FreqB, 0.5);
  EXPECT_EQ(Sim().DG, 0);
  EXPECT_EQ(Sim().HabFreq, 0.7); // parameters are not reset
  EXPECT_EQ(ReadAll("PlotSexFile.plo"), "");
  EXPECT_EQ(F("TxtFreqA")->text(), L("0.3"));
  EXPECT_EQ(F("TxtDG")->text(), L("0.1"));
  // The range text is not rewritten by the activation.
  EXPECT_EQ(F("TxtDGRange")->text(), Range("-0.18", "0.12"));

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

TEST_P(SexImputTest, OwnMessageBoxClosingIsNoActivation) {
  Open();
  Sim().Generation = 7;
  WriteAll("PlotSexFile.plo", "kept\n");
  messages.stealActivation = true;
  Leave(F("TxtSoftProp"), "abc");
  Activate(w.get());
  Leave(F("TxtMigSurv"), "0");
  Activate(w.get());
  EXPECT_EQ(messages.texts, QStringList({"x out of Range", "d out of Range"}));
  EXPECT_EQ(Sim().Generation, 7u);
  EXPECT_EQ(ReadAll("PlotSexFile.plo"), "kept\n");
  // Coming back from another of the program's windows is one.
  MorvaneForm other;
  other.ShowForm();
  Activate(&other);
  Activate(w.get());
  EXPECT_EQ(Sim().Generation, 0u);
  EXPECT_EQ(ReadAll("PlotSexFile.plo"), "");
}

TEST_P(SexImputTest, HelpAndBack) {
  Open();
  w->findChild<QAction *>("Morvanev2Help1")->trigger();
  EXPECT_EQ(help.requests, QStringList{"contents HelpMorvane.hlp"});
  Button(w.get(), "BtnBackS")->click();
  EXPECT_FALSE(w->isVisible());
}

// Go from the window writes what the core writes for the same values.
TEST_P(SexImputTest, GoRunsTheSeriesOfEachModel) {
  for (Model model :
       {Model::HaploidLocal, Model::HaploidGlobal, Model::DiploidLocal, Model::DiploidGlobal}) {
    SCOPED_TRACE(static_cast<int>(model));
    WriteAll("series.gnr", "");
    ChooseModel(Sim(), model);
    display.handedOver.clear();
    Open();
    Button(w.get(), "BtnNoTrade")->click();
    Leave(F("TxtSoftProp"), L("0.8"));
    Leave(F("TxtMigSurv"), L("0.9"));
    Leave(F("TxtHabFreq"), L("0.6"));
    Leave(F("TxtFreqA"), L("0.3"));
    Leave(F("TxtBFreq"), L("0.2"));
    Leave(F("Txti"), "3");
    Leave(F("Txtj"), "2");
    Leave(F("TxtDG"), L("0.01"));
    Leave(F("TxtL"), L("0.0001"));
    Leave(F("TxtW1A"), L("0.9"));
    Leave(F("TxtSmalla"), L("0.6"));
    Leave(F("TxtW2A"), L("0.5"));
    Leave(F("TxtW2Smalla"), L("0.8"));
    ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
    QTest::mouseClick(Button(w.get(), "BtnGoSex"), Qt::LeftButton);
    ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(display.handedOver, std::vector<Model>{model});
    EXPECT_EQ(Sim().CompletedRuns, 1);

    SimState e;
    e.SoftProp = 0.8;
    e.MigSurv = 0.9;
    e.HabFreq = 0.6;
    e.FreqA = 0.3;
    e.FreqB = 0.2;
    e.TriesAB = 3;
    e.TriesaB = 2;
    e.DG = 0.01;
    e.StopThreshold = 0.0001;
    e.W1A = 0.9;
    e.W1a = 0.6;
    e.W2A = 0.5;
    e.W2a = 0.8;
    ChooseModel(e, model);
    e.TradeOffStatus = "NoTO";
    e.ESSStatus = "NoESS";
    e.FinalFileName = "series.mrv";
    e.DetailFileName = "series.gnr";
    e.PlotFileName = "PlotSexFile.plo";
    e.DetailFile.Name = "expected.gnr";
    e.PlotFile.Name = "expected.plo";
    WriteAll("expected.gnr", "");
    WriteAll("expected.plo", "");
    RecordingRunDisplay core;
    ASSERT_EQ(StartSexualSeries(e, core), model);
    EXPECT_EQ(ReadAll("series.gnr"), ReadAll("expected.gnr"));
    EXPECT_EQ(ReadAll("PlotSexFile.plo"), ReadAll("expected.plo"));
    EXPECT_EQ(Sim().Generation, e.Generation);
    EXPECT_GT(Sim().Generation, 1u);
  }
}

TEST_P(SexImputTest, TabGoesThroughTheFieldsInTheirOrderSkippingDisplays) {
  Open();
  F("TxtSoftProp")->setFocus(Qt::OtherFocusReason);
  QStringList seen;
  for (int k = 0; k < 18; ++k) {
    QWidget *f = QApplication::focusWidget();
    ASSERT_NE(f, nullptr);
    seen << f->objectName();
    QTest::keyClick(f, Qt::Key_Tab);
  }
  EXPECT_EQ(seen, QStringList({"TxtSoftProp", "TxtMigSurv", "TxtHabFreq", "TxtFreqA", "TxtBFreq",
                               "Txti", "Txtj", "TxtDG", "TxtL", "TxtW2A", "TxtW2Smalla",
                               "BtnNoTrade", "BtnTradeLin", "BtnConvexTrade", "BtnConcaveTrade",
                               "BtnBackS", "BtnGoSex", "TxtSoftProp"}));
  EXPECT_TRUE(messages.texts.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Locales, SexImputTest, ::testing::Values('.', ','), SeparatorName);

} // namespace
