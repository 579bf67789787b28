// The input windows inside the program: the main window's Go opens them, and
// their Go runs the series with the progress window, writing the Detail and
// Plot lines that the core writes for the same values.
#include <QRadioButton>

#include "FieldTestSupport.h"
#include "Startup.h"
#include "UClonImput.h"
#include "UMorvane1.h"
#include "USexImput.h"
#include "engine/CloneFrequencies.h"
#include "engine/Series.h"
#include "files/NumberFormat.h"

using namespace morvane;
using namespace morvane::ui;
using namespace morvane::ui::testing;

namespace {

using InputInProgramTest = ProgramTest;

TEST_P(InputInProgramTest, BothSeriesRunFromTheMainWindow) {
  MorvaneForm *sex = Launch("RdBtnHaploLoc", "first.gnr", "FrmSexImput");
  ASSERT_NE(sex, nullptr);
  EXPECT_EQ(sex->objectName(), "FrmSexImput");
  EXPECT_EQ(Field(sex, "TxtPloidy")->text(), "Haploid");
  EXPECT_EQ(Field(sex, "TxtDetailFile")->text(), "first.gnr");
  Leave(Field(sex, "TxtHabFreq"), L("0.6"));
  Leave(Field(sex, "TxtFreqA"), L("0.3"));
  Leave(Field(sex, "TxtBFreq"), L("0.2"));
  Leave(Field(sex, "TxtDG"), L("-0.01"));
  Leave(Field(sex, "Txti"), "3");
  Leave(Field(sex, "TxtL"), L("0.0001"));
  Button(sex, "BtnTradeLin")->click();
  Leave(Field(sex, "TxtW1A"), L("0.8"));
  Leave(Field(sex, "TxtSmalla"), L("0.3"));
  ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  QTest::mouseClick(Button(sex, "BtnGoSex"), Qt::LeftButton);
  EXPECT_FALSE(sex->isVisible());
  EXPECT_EQ(Sim().CompletedRuns, 1);
  const std::uint32_t sexualGenerations = Sim().Generation;
  EXPECT_EQ(messages.texts, QStringList{QString("Completed runs=1; T=%1").arg(sexualGenerations)});
  messages.texts.clear();

  SimState e;
  ChooseModel(e, Model::HaploidLocal);
  e.SoftProp = 1;
  e.MigSurv = 1;
  e.HabFreq = 0.6;
  e.FreqA = 0.3;
  e.FreqB = 0.2;
  e.DG = -0.01;
  e.TriesAB = 3;
  e.TriesaB = 1;
  e.StopThreshold = 0.0001;
  e.W1A = 0.8;
  e.W2A = 0.2; // as shown, then read by Go
  e.W1a = 0.3;
  e.W2a = 0.7;
  e.TradeOffStatus = "LinTO";
  e.ESSStatus = "NoESS";
  RunCoreSeries(e, "first.gnr", false);
  EXPECT_EQ(ReadAll("first.gnr"), ReadAll("expected.gnr"));
  EXPECT_EQ(ReadAll("PlotSexFile.plo"), ReadAll("expected.plo"));
  EXPECT_EQ(sexualGenerations, e.Generation);
  EXPECT_GT(e.Generation, 1u);

  // The run ends in the disturbance window; its Stop leads back to the main
  // window until the plot windows exist.
  MorvaneForm *disturb = FindForm("FrmPerturb1N");
  ASSERT_TRUE(disturb && disturb->isVisible());
  Button(disturb, "BtnExit")->click();
  ASSERT_TRUE(main->isVisible());
  Activate(main);
  MorvaneForm *clon = Launch("RdBtnClonal", "second.gnr", "FrmClonImput");
  ASSERT_NE(clon, nullptr);
  EXPECT_EQ(clon->objectName(), "FrmClonImput");
  // The clonal window records the trade-off still in force.
  EXPECT_EQ(Sim().TradeOffStatus, "LinTO");
  Button(clon, "BtnNoTrade")->click();
  Leave(Field(clon, "TxtSoftProp"), L("0.5"));
  Leave(Field(clon, "TxtAB"), L("0.5"));
  Leave(Field(clon, "TxtW1A"), L("0.9"));
  Leave(Field(clon, "TxtW2Smalla"), L("0.6"));
  Leave(Field(clon, "TxtL"), L("0.001"));
  ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  QTest::mouseClick(Button(clon, "BtnGoClon"), Qt::LeftButton);
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_TRUE(messages.texts[0].startsWith("Completed runs=1; T="))
      << messages.texts[0].toStdString();

  SimState c;
  ChooseModel(c, Model::Clonal);
  c.SoftProp = 0.5;
  c.MigSurv = 1;
  c.HabFreq = 0.5;
  // The clonal window has its own fields: those not typed show their
  // initial texts.
  c.TriesAB = 1;
  c.TriesaB = 1;
  // f(AB) = 0.5 with 0.5, 0, 0.5: normalised to 1/3 each.
  c.X[1] = 1.0 / 3;
  c.X[2] = 1.0 / 3;
  c.X[3] = 0;
  c.X[4] = 1.0 / 3;
  c.StopThreshold = 0.001;
  c.W1A = 0.9;
  // Shown with the linear trade-off still in force (W1(A) = 1 gives 0), then
  // freed by "No Trade-off" and not typed.
  c.W2A = 0;
  c.W1a = 1;
  c.W2a = 0.6;
  c.TradeOffStatus = "NoTO";
  c.ESSStatus = "NoESS";
  // The window reads the fields as shown (15 significant digits), and these
  // three thirds do not quite sum to 1: Go divides them by their sum.
  for (int k = 1; k <= 4; ++k)
    c.X[k] = *TextToReal(RealToText(c.X[k]));
  ASSERT_EQ(CheckCloneSum(c), CloneSum::Other);
  NormaliseCloneFrequencies(c);
  RunCoreSeries(c, "second.gnr", true);
  EXPECT_EQ(ReadAll("second.gnr"), ReadAll("expected.gnr"));
  EXPECT_EQ(ReadAll("PlotCloneFile.plo"), ReadAll("expected.plo"));
  EXPECT_GT(c.Generation, 1u);
  // The first series' files are left as they were.
  EXPECT_NE(ReadAll("PlotSexFile.plo"), "");
}

TEST_P(InputInProgramTest, BackShowsTheMainWindowWhichIsResetThere) {
  for (const char *option : {"RBtnDiploGlob", "RdBtnClonal"}) {
    const bool clonal = std::string(option) == "RdBtnClonal";
    MorvaneForm *input = Launch(option, "trace.gnr", clonal ? "FrmClonImput" : "FrmSexImput");
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(MorvaneForm::LastActiveForm(), input);
    EXPECT_TRUE(Button(main, "BtnLaunch")->isEnabled());
    Button(input, clonal ? "BtnBackC" : "BtnBackS")->click();
    EXPECT_FALSE(input->isVisible());
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(MorvaneForm::LastActiveForm(), main);
    // The main window's reset: the files are to be chosen again.
    EXPECT_FALSE(Button(main, "BtnLaunch")->isEnabled());
    // The platform makes the main window active before the user goes on.
    Activate(main);
  }
}

INSTANTIATE_TEST_SUITE_P(Locales, InputInProgramTest, ::testing::Values('.', ','), SeparatorName);

} // namespace
