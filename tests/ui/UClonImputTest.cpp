// The clonal input window: its first show, the four frequencies kept summing
// to 1, the x substitute of this window, the activation, and Go.
#include "UClonImput.h"

#include <QAction>

#include "FieldTestSupport.h"
#include "engine/Series.h"

using namespace morvane;
using namespace morvane::ui;
using namespace morvane::ui::testing;

namespace {

class ClonImputTest : public InputWindowTest {
protected:
  void SetUp() override {
    InputWindowTest::SetUp();
    ChooseModel(Sim(), Model::Clonal);
    w = std::make_unique<TFrmClonImput>();
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
  QStringList Frequencies() {
    return {F("TxtAB")->text(), F("TxtAsb")->text(), F("TxtsaB")->text(), F("Txtsasb")->text()};
  }
  QStringList LL(std::initializer_list<const char *> texts) {
    QStringList out;
    for (const char *t : texts)
      out << L(t);
    return out;
  }

  std::unique_ptr<TFrmClonImput> w;
};

TEST_P(ClonImputTest, FirstShowLeavesTheWindowReadyAndThePlotFileEmpty) {
  WriteAll("PlotCloneFile.plo", "old\n");
  Sim().Generation = 3;
  Open();
  EXPECT_EQ(w->windowTitle(), "Input Menu for Clonals (haploids) or two species");
  EXPECT_EQ(Frequencies(), LL({"0", "0.5", "0", "0.5"}));
  EXPECT_EQ(ReadAll("PlotCloneFile.plo"), "");
  EXPECT_EQ(Sim().PlotFileName, "PlotCloneFile.plo");
  EXPECT_FALSE(F("TxtW1A")->isEnabled());
  EXPECT_FALSE(F("TxtSmalla")->isEnabled());
  EXPECT_TRUE(F("TxtW2A")->isEnabled());
  EXPECT_TRUE(F("TxtW2Smalla")->isEnabled());
  EXPECT_EQ(F("TxtPlotFile")->text(), "PlotCloneFile.plo");
  EXPECT_EQ(F("TxtFinalFile")->text(), "series.mrv");
  EXPECT_EQ(Sim().Generation, 0u);
  EXPECT_EQ(Sim().X[2], 0.5);
  EXPECT_EQ(Sim().X[4], 0.5);
  EXPECT_EQ(Sim().SoftProp, 1);
  EXPECT_EQ(Sim().HabFreq, 0.5);
  EXPECT_EQ(Sim().MigSurv, 1);
  EXPECT_EQ(Sim().TriesAB, 1);
  EXPECT_EQ(Sim().TriesaB, 1);
  EXPECT_EQ(Sim().W1A, 1);
  EXPECT_EQ(Sim().W2a, 1);
  EXPECT_EQ(Sim().StopThreshold, 0.000001);
  EXPECT_EQ(Sim().TradeOffStatus, "NoTO");
  EXPECT_EQ(Sim().ESSStatus, "NoESS");
}

TEST_P(ClonImputTest, FrequenciesAreKeptSummingToOne) {
  Open();
  Leave(F("TxtAB"), "1");
  EXPECT_EQ(Frequencies(), LL({"0.5", "0.25", "0", "0.25"}));
  EXPECT_EQ(Sim().X[1] + Sim().X[2] + Sim().X[3] + Sim().X[4], 1);
  EXPECT_TRUE(messages.texts.isEmpty());

  // 0, 0.25, 0, 0.25 sums to 0.5: back to 0, 0.5, 0, 0.5.
  Leave(F("TxtAB"), "0");
  EXPECT_EQ(Frequencies(), LL({"0", "0.5", "0", "0.5"}));
  Leave(F("TxtAsb"), "0");
  EXPECT_EQ(Sim().X[4], 1);
  EXPECT_EQ(Frequencies(), LL({"0", "0", "0", "1"}));

  Leave(F("Txtsasb"), "0");
  EXPECT_EQ(messages.texts, QStringList{"Sum = 0, very funny!"});
  EXPECT_EQ(Frequencies(), LL({"0", "0.5", "0", "0.5"}));
  EXPECT_EQ(Sim().X[2], 0.5);
  EXPECT_EQ(Sim().X[4], 0.5);
}

TEST_P(ClonImputTest, ExampleSequencesOfTheFrequencyRule) {
  Open();
  // f(Ab) set to 0 with f(AB) = f(aB) = 0 and f(ab) = 0.5: f(ab) becomes 1.
  Leave(F("TxtAsb"), "0");
  EXPECT_EQ(Frequencies(), LL({"0", "0", "0", "1"}));
  EXPECT_TRUE(messages.texts.isEmpty());

  // Out of range: the substitute, then the normalisation.
  Leave(F("TxtAsb"), L("0.5"));
  EXPECT_EQ(Frequencies(), LL({"0", "0.333333333333333", "0", "0.666666666666667"}));
  Leave(F("TxtAB"), L("1.5"));
  EXPECT_EQ(messages.texts, QStringList{"f(AB) out of Range"});
  EXPECT_EQ(Sim().X[1], 0);
  EXPECT_TRUE(F("TxtAB")->hasFocus());

  messages.texts.clear();
  Leave(F("Txtsasb"), L("-0.2"));
  EXPECT_EQ(messages.texts, QStringList{"f(ab) out of Range"});
  // 0 + 1/3 + 0 + 0.5 normalised.
  EXPECT_DOUBLE_EQ(Sim().X[2], (1.0 / 3) / (1.0 / 3 + 0.5));
  EXPECT_DOUBLE_EQ(Sim().X[4], 0.5 / (1.0 / 3 + 0.5));
  EXPECT_EQ(Frequencies(), LL({"0", "0.4", "0", "0.6"}));
}

TEST_P(ClonImputTest, XBelowZeroBecomesZeroHere) {
  Open();
  Leave(F("TxtSoftProp"), L("-0.3"));
  EXPECT_EQ(messages.texts, QStringList{"x out of Range"});
  EXPECT_EQ(F("TxtSoftProp")->text(), "0");
  EXPECT_EQ(Sim().SoftProp, 0);
  messages.texts.clear();
  Leave(F("TxtSoftProp"), "abc");
  EXPECT_EQ(F("TxtSoftProp")->text(), "1");
  Leave(F("Txti"), L("2.7"));
  EXPECT_EQ(F("Txti")->text(), "2");
  Leave(F("TxtL"), L("0.2"));
  EXPECT_EQ(F("TxtL")->text(), "1E-6");
  EXPECT_EQ(messages.texts, QStringList({"x out of Range", "L out of Range"}));
}

TEST_P(ClonImputTest, ReturnFromTheMainWindowSumsTheStateNotTheTexts) {
  Open();
  // Each exit brings the four back to a sum of 1 from the state.
  Leave(F("TxtAB"), L("0.25"));
  EXPECT_EQ(Frequencies(), LL({"0.2", "0.4", "0", "0.4"}));
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

TEST_P(ClonImputTest, OwnMessageBoxClosingIsNoActivation) {
  Open();
  Sim().Generation = 5;
  WriteAll("PlotCloneFile.plo", "kept\n");
  messages.stealActivation = true;
  Leave(F("TxtHabFreq"), "1");
  Activate(w.get());
  for (const char *name : {"TxtAB", "TxtAsb", "TxtsaB", "Txtsasb"})
    Leave(F(name), "0");
  Activate(w.get());
  EXPECT_EQ(messages.texts, QStringList({"c out of Range", "Sum = 0, very funny!"}));
  EXPECT_EQ(Sim().Generation, 5u);
  EXPECT_EQ(ReadAll("PlotCloneFile.plo"), "kept\n");
  EXPECT_EQ(Sim().HabFreq, 0.5);
}

TEST_P(ClonImputTest, PlotFileThatCannotBeCreatedStopsTheActivation) {
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
  EXPECT_EQ(F("TxtFinalFile")->text(), "series.mrv");
  EXPECT_EQ(F("TxtDetailFile")->text(), "series.gnr");
}

TEST_P(ClonImputTest, GoWithATextThatDoesNotParseStartsNoRun) {
  Open();
  Leave(F("TxtMigSurv"), L("0.8"));
  PutUncheckedText(F("TxtsaB"), "1/4");
  Sim().StopThreshold = 0.05;
  Button(w.get(), "BtnGoClon")->click();
  EXPECT_EQ(messages.texts, QStringList{"'1/4' is not a valid number"});
  EXPECT_EQ(Sim().MigSurv, 0.8);
  EXPECT_EQ(Sim().StopThreshold, 0.05);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(display.shown, 0);
  EXPECT_EQ(ReadAll("series.gnr"), "");
}

// Go reads the four frequencies from fields that may not have been left
// since an earlier series, and applies the sum rule to what it read.
TEST_P(ClonImputTest, GoStartsOnlyFromFrequenciesSummingToOne) {
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

TEST_P(ClonImputTest, HelpAndBack) {
  Open();
  w->findChild<QAction *>("Help1")->trigger();
  EXPECT_EQ(help.requests, QStringList{"contents HelpMorvane.hlp"});
  Button(w.get(), "BtnBackC")->click();
  EXPECT_FALSE(w->isVisible());
}

// Go from the window writes what the core writes for the same values, also
// right after a return when the state holds the activation's defaults.
TEST_P(ClonImputTest, GoRunsTheClonalSeriesWithTheValuesShown) {
  Open();
  Button(w.get(), "BtnNoTrade")->click();
  Leave(F("TxtSoftProp"), L("0.6"));
  Leave(F("TxtMigSurv"), L("0.9"));
  Leave(F("TxtHabFreq"), L("0.7"));
  Leave(F("Txti"), "4");
  Leave(F("Txtj"), "2");
  Leave(F("TxtL"), L("0.0001"));
  Leave(F("TxtW1A"), L("0.9"));
  Leave(F("TxtSmalla"), L("0.5"));
  Leave(F("TxtW2A"), L("0.4"));
  Leave(F("TxtW2Smalla"), L("0.8"));
  // A return through the main window before Go: the state is reset, the
  // texts are not, and Go runs with the texts.
  Button(w.get(), "BtnBackC")->click();
  Open();
  EXPECT_EQ(Sim().SoftProp, 1);
  // Frequencies shown from an earlier series, never left in this one.
  F("TxtAB")->setText(L("0.1"));
  F("TxtAsb")->setText(L("0.2"));
  F("TxtsaB")->setText(L("0.3"));
  F("Txtsasb")->setText(L("0.4"));
  ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  Button(w.get(), "BtnGoClon")->click();
  ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(display.handedOver, std::vector<Model>{Model::Clonal});
  EXPECT_EQ(Sim().CompletedRuns, 1);

  SimState e;
  e.SoftProp = 0.6;
  e.MigSurv = 0.9;
  e.HabFreq = 0.7;
  e.X[1] = 0.1;
  e.X[2] = 0.2;
  e.X[3] = 0.3;
  e.X[4] = 0.4;
  e.TriesAB = 4;
  e.TriesaB = 2;
  e.StopThreshold = 0.0001;
  e.W1A = 0.9;
  e.W1a = 0.5;
  e.W2A = 0.4;
  e.W2a = 0.8;
  ChooseModel(e, Model::Clonal);
  e.TradeOffStatus = "NoTO";
  e.ESSStatus = "NoESS";
  e.FinalFileName = "series.mrv";
  e.DetailFileName = "series.gnr";
  e.PlotFileName = "PlotCloneFile.plo";
  e.DetailFile.Name = "expected.gnr";
  e.PlotFile.Name = "expected.plo";
  WriteAll("expected.gnr", "");
  WriteAll("expected.plo", "");
  RecordingRunDisplay core;
  StartClonalSeries(e, core);
  EXPECT_EQ(ReadAll("series.gnr"), ReadAll("expected.gnr"));
  EXPECT_EQ(ReadAll("PlotCloneFile.plo"), ReadAll("expected.plo"));
  EXPECT_EQ(Sim().Generation, e.Generation);
  EXPECT_GT(Sim().Generation, 1u);
}

INSTANTIATE_TEST_SUITE_P(Locales, ClonImputTest, ::testing::Values('.', ','), SeparatorName);

} // namespace
