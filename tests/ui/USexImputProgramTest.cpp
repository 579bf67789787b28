// The input windows inside the program: the main window's Go opens them, and
// their Go runs the series with the progress window, writing the Detail and
// Plot lines that the core writes for the same values.
#include <QRadioButton>

#include "FieldTestSupport.h"
#include "engine/CloneFrequencies.h"
#include "engine/Series.h"
#include "files/NumberFormat.h"
#include "ui/Startup.h"
#include "ui/UMorvane1.h"
#include "ui/series/DisturbanceForm.h"
#include "ui/series/UClonImput.h"
#include "ui/series/USexImput.h"

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
  LeaveAll(sex, "TxtHabFreq=0.6 TxtFreqA=0.3 TxtBFreq=0.2 TxtDG=-0.01 Txti=3 TxtL=0.0001");
  Button(sex, "BtnTradeLin")->click();
  LeaveAll(sex, "TxtW1A=0.8 TxtSmalla=0.3");
  ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  QTest::mouseClick(Button(sex, "BtnGoSex"), Qt::LeftButton);
  EXPECT_FALSE(sex->isVisible());
  EXPECT_EQ(Sim().CompletedRuns, 1);
  const std::uint32_t sexualGenerations = Sim().Generation;
  // Under the counters, what the state reached is.
  EXPECT_EQ(messages.texts, QStringList{QString("Completed runs=1; T=%1\n").arg(sexualGenerations) +
                                        DisturbanceForm::ReachedText(Sim(), Model::HaploidLocal)});
  messages.texts.clear();

  SimState e;
  ChooseModel(e, Model::HaploidLocal);
  // x d c i j W1A W2A W1a W2a L; W2A and W2a as shown, then read by Go.
  e.Params() = {1, 1, 0.6, 3, 1, 0.8, 0.2, 0.3, 0.7, 0.0001};
  e.FreqA = 0.3;
  e.FreqB = 0.2;
  e.DG = -0.01;
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
  LeaveAll(clon, "TxtSoftProp=0.5 TxtAB=0.5 TxtW1A=0.9 TxtW2Smalla=0.6 TxtL=0.001");
  ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  QTest::mouseClick(Button(clon, "BtnGoClon"), Qt::LeftButton);
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_TRUE(messages.texts[0].startsWith("Completed runs=1; T="))
      << messages.texts[0].toStdString();

  SimState c;
  ChooseModel(c, Model::Clonal);
  // The clonal window has its own fields: those not typed show their initial
  // texts. W2(A) was shown with the linear trade-off still in force (W1(A) = 1
  // gives 0), then freed by "No Trade-off" and not typed.
  c.Params() = {0.5, 1, 0.5, 1, 1, 0.9, 0, 1, 0.6, 0.001};
  // f(AB) = 0.5 with 0.5, 0, 0.5: normalised to 1/3 each.
  c.X[1] = c.X[2] = c.X[4] = 1.0 / 3;
  c.X[3] = 0;
  c.TradeOffStatus = "NoTO";
  c.ESSStatus = "NoESS";
  // The window reads the fields as shown (15 significant digits): these
  // three thirds sum to 1 within the rounding of what is shown, and Go runs
  // them as shown.
  for (int k = 1; k <= 4; ++k)
    c.X[k] = *TextToReal(RealToText(c.X[k]));
  ASSERT_EQ(CheckCloneSum(c), CloneSum::Other);
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
