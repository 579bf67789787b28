// The fitness group of both input windows: the trade-offs, the ESS option,
// the follow-ups of the habitat-1 survivals and the differences between the
// two windows.
#include <QAction>

#include "FieldTestSupport.h"
#include "engine/Series.h"
#include "engine/TradeOff.h"
#include "ui/framework/Locale.h"
#include "ui/series/UClonImput.h"
#include "ui/series/USexImput.h"

using namespace morvane;
using namespace morvane::ui;
using namespace morvane::ui::testing;

namespace {

class FitnessTest : public InputWindowTest {
protected:
  void TearDown() override {
    sexual.reset();
    clonal.reset();
    InputWindowTest::TearDown();
  }
  template <class Form> MorvaneForm *Open(std::unique_ptr<Form> &form) {
    form = std::make_unique<Form>();
    form->SetRunDisplay(&display);
    form->ShowForm();
    Activate(form.get());
    return form.get();
  }
  MorvaneForm *OpenSexual() { return Open(sexual); }
  MorvaneForm *OpenClonal() { return Open(clonal); }
  // The c the trade-off buttons and the ESS read is the one stored by the
  // exit of the c field.
  void SetC(MorvaneForm *w, const char *c) { Leave(Field(w, "TxtHabFreq"), L(c)); }
  void Click(MorvaneForm *w, const char *button) { Button(w, button)->click(); }
  QString Text(MorvaneForm *w, const char *field) { return Field(w, field)->text(); }
  bool Enabled(MorvaneForm *w, const char *name) {
    return w->findChild<QWidget *>(name)->isEnabled();
  }

  std::unique_ptr<TFrmSexImput> sexual;
  std::unique_ptr<TFrmClonImput> clonal;
};

TEST_P(FitnessTest, LinearTradeOffComputesAndLocksTheHabitat2Survivals) {
  for (int k = 0; k < 2; ++k) {
    MorvaneForm *w = k == 0 ? OpenSexual() : OpenClonal();
    SCOPED_TRACE(w->objectName().toStdString());
    SetC(w, "0.5");
    Click(w, "BtnNoTrade");
    ExpectEnabled(w, "TxtW1A TxtSmalla", true);
    ExpectShown(w, "TxtTOStatus=NoTO");
    LeaveAll(w, "TxtW1A=0.7 TxtSmalla=0.2");
    Click(w, "BtnTradeLin");
    ExpectShown(w, "TxtW2A=0.3 TxtW2Smalla=0.8 TxtTOStatus=LinTO");
    EXPECT_DOUBLE_EQ(Sim().W2A, 0.3);
    EXPECT_DOUBLE_EQ(Sim().W2a, 0.8);
    ExpectEnabled(w, "TxtW2A TxtW2Smalla", false);
    EXPECT_EQ(Sim().TradeOffStatus, "LinTO");
    EXPECT_TRUE(Sim().LinTradeOff);
    EXPECT_TRUE(Enabled(w, "BtnESS"));
    EXPECT_TRUE(messages.texts.isEmpty());
  }
  // Only the clonal window opens "No ESS" with the linear trade-off.
  EXPECT_FALSE(Enabled(sexual.get(), "BtnNoESS"));
  EXPECT_TRUE(Enabled(clonal.get(), "BtnNoESS"));
}

TEST_P(FitnessTest, LinearTradeOffWithRareHabitat1AppliesTheRuleWithoutESS) {
  MorvaneForm *w = OpenSexual();
  // A fresh program: c has never been stored, so it is 0 although the
  // field shows 0.5.
  EXPECT_EQ(Sim().HabFreq, 0);
  Click(w, "BtnConvexTrade");
  Leave(Field(w, "TxtW1A"), L("0.4"));
  Click(w, "BtnTradeLin");
  EXPECT_EQ(messages.texts, QStringList{"as c<0.5 [A] cannot be the ESS"});
  EXPECT_FALSE(Enabled(w, "BtnESS"));
  // The survivals used are those of the linear rule, as recorded.
  EXPECT_TRUE(Sim().LinTradeOff);
  EXPECT_FALSE(Sim().ConvexTradeOff);
  EXPECT_EQ(Sim().TradeOffStatus, "LinTO");
  ExpectShown(w, "TxtTOStatus=LinTO TxtW2A=0.6 TxtW2Smalla=0");
  EXPECT_FALSE(Enabled(w, "TxtW2A"));
  // The exits then keep following the linear rule.
  Leave(Field(w, "TxtW1A"), L("0.25"));
  EXPECT_EQ(Text(w, "TxtW2A"), L("0.75"));

  // Once c has been left at 0.5, the same click opens the ESS.
  messages.texts.clear();
  SetC(w, "0.5");
  Click(w, "BtnTradeLin");
  EXPECT_TRUE(messages.texts.isEmpty());
  EXPECT_TRUE(Enabled(w, "BtnESS"));
}

TEST_P(FitnessTest, ConvexAndConcaveRulesAndTheirSwitching) {
  MorvaneForm *w = OpenSexual();
  Click(w, "BtnNoTrade");
  LeaveAll(w, "TxtW1A=0.5 TxtSmalla=0.2");
  SetC(w, "0.6");
  Click(w, "BtnTradeLin");
  ExpectShown(w, "TxtW2A=0.5");
  Click(w, "BtnConvexTrade");
  ExpectShown(w, "TxtW2A=0.75 TxtW2Smalla=0.96");
  EXPECT_EQ(Sim().TradeOffStatus, "ConvTO");
  EXPECT_FALSE(Enabled(w, "BtnESS"));
  EXPECT_FALSE(Sim().LinTradeOff);
  Click(w, "BtnConcaveTrade");
  ExpectShown(w, "TxtW2A=0.25 TxtW2Smalla=0.64 TxtTOStatus=ConcTO");
  EXPECT_TRUE(Sim().ConcaveTradeOff);
  EXPECT_FALSE(Sim().ConvexTradeOff);

  // W1(A) = 1 gives W2(A) = 0 under all three; a bad W1(A) becomes 1.
  for (const char *button : {"BtnTradeLin", "BtnConvexTrade", "BtnConcaveTrade"}) {
    SCOPED_TRACE(button);
    Click(w, button);
    messages.texts.clear();
    Leave(Field(w, "TxtW1A"), L("1.3"));
    EXPECT_EQ(messages.texts, QStringList{"W1(A) out of Range"});
    ExpectShown(w, "TxtW1A=1 TxtW2A=0");
    EXPECT_EQ(Sim().W2A, 0);
    EXPECT_FALSE(Enabled(w, "TxtW2A"));
  }

  // No trade-off frees the habitat-2 fields again and the exits stop
  // recomputing them.
  Click(w, "BtnNoTrade");
  EXPECT_TRUE(Enabled(w, "TxtW2A"));
  Leave(Field(w, "TxtW1A"), L("0.3"));
  EXPECT_EQ(Text(w, "TxtW2A"), "0");
  EXPECT_EQ(Sim().TradeOffStatus, "NoTO");
}

TEST_P(FitnessTest, TypingInW1aUpdatesW2aFromTheStoredValueFirst) {
  MorvaneForm *w = OpenSexual();
  SetC(w, "0.5");
  Click(w, "BtnNoTrade");
  Leave(Field(w, "TxtSmalla"), L("0.2"));
  Click(w, "BtnTradeLin");
  QLineEdit *w1a = Field(w, "TxtSmalla");
  w1a->setFocus(Qt::OtherFocusReason);
  w1a->selectAll();
  QTest::keyClicks(w1a, L("0.6"));
  // While typing, W2(a) follows the W1(a) stored before: 1 - 0.2.
  EXPECT_EQ(Text(w, "TxtW2Smalla"), L("0.8"));
  QTest::keyClick(w1a, Qt::Key_Tab);
  EXPECT_EQ(Text(w, "TxtW2Smalla"), L("0.4"));
  EXPECT_EQ(Sim().W2a, 1 - 0.6);
}

TEST_P(FitnessTest, ESSValuesAndTheNoESSButton) {
  struct Case {
    const char *x;
    const char *c;
    QString w1, w2;
  };
  const Case cases[] = {
      {"1", "0.6", L("0.6"), L("0.4")},
      {"0", "0.7", "1", "0"},
      {"0.5", "0.5", L("0.5"), L("0.5")},
  };
  MorvaneForm *w = OpenSexual();
  Click(w, "BtnNoTrade");
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string("x=") + c.x + " c=" + c.c);
    Leave(Field(w, "TxtSoftProp"), L(c.x));
    SetC(w, c.c);
    Click(w, "BtnTradeLin");
    Click(w, "BtnESS");
    EXPECT_EQ(Text(w, "TxtW1A"), c.w1);
    EXPECT_EQ(Text(w, "TxtW2A"), c.w2);
    EXPECT_EQ(Sim().ESSStatus, "LinESS");
    EXPECT_FALSE(Enabled(w, "TxtW1A"));
    EXPECT_TRUE(Enabled(w, "BtnNoESS"));
    Click(w, "BtnNoESS");
    EXPECT_EQ(Sim().ESSStatus, "NoESS");
    EXPECT_TRUE(Enabled(w, "TxtW1A"));
    EXPECT_EQ(Text(w, "TxtW1A"), c.w1);
  }
  // x = 0.5, c = 0.8: the general formula.
  Leave(Field(w, "TxtSoftProp"), L("0.5"));
  SetC(w, "0.8");
  Click(w, "BtnTradeLin");
  Click(w, "BtnESS");
  const double s = 0.5 * 0.8 * 0.2;
  const double expected = (std::sqrt(s * s + 0.3 * 0.3) + 0.3 - s) / (2 * 0.3);
  EXPECT_DOUBLE_EQ(Sim().W1A, expected);
  EXPECT_EQ(Sim().W2A, 1 - Sim().W1A);
  // "No Trade-off" after the ESS leaves its status until "No ESS".
  Click(w, "BtnNoTrade");
  EXPECT_EQ(Sim().ESSStatus, "LinESS");
  EXPECT_FALSE(Enabled(w, "BtnESS"));
}

TEST_P(FitnessTest, ClonalESSLeavesNoESSAsTheTradeOffSetIt) {
  MorvaneForm *w = OpenClonal();
  SetC(w, "0.6");
  Click(w, "BtnTradeLin");
  EXPECT_TRUE(Enabled(w, "BtnNoESS"));
  Click(w, "BtnNoESS");
  Click(w, "BtnESS");
  EXPECT_EQ(Text(w, "TxtW1A"), L("0.6"));
  EXPECT_TRUE(Enabled(w, "BtnNoESS"));
}

// The trade-off flags outlive a series: a window opened for the next one
// presents that trade-off in force exactly as its button does, so that the
// status recorded, the fields open to typing and the survivals a run uses
// agree, until "No Trade-off" frees the habitat-2 fields.
TEST_P(FitnessTest, ATradeOffOfAnEarlierSeriesIsPresentedInForce) {
  // An earlier clonal series typed W2(A) freely; a sexual one then used the
  // concave trade-off with W1(A) = 0.9.
  ChooseModel(Sim(), Model::HaploidLocal);
  MorvaneForm *c = OpenClonal();
  Click(c, "BtnNoTrade");
  LeaveAll(c, "TxtW1A=0.9 TxtW2A=0.5");
  Click(c, "BtnBackC");
  MorvaneForm *s = OpenSexual();
  SetC(s, "0.6");
  Click(s, "BtnTradeLin");
  Click(s, "BtnESS");
  Click(s, "BtnConcaveTrade");
  Leave(Field(s, "TxtW1A"), L("0.9"));
  Click(s, "BtnBackS");
  ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();

  const double w2A = ConcaveTradeOff(0.9);
  for (MorvaneForm *w : {s, c}) {
    SCOPED_TRACE(w->objectName().toStdString());
    w->ShowForm();
    Activate(w);
    EXPECT_TRUE(Sim().ConcaveTradeOff);
    EXPECT_EQ(Sim().TradeOffStatus, "ConcTO");
    EXPECT_EQ(Sim().ESSStatus, "NoESS");
    EXPECT_EQ(Text(w, "TxtTOStatus"), "ConcTO");
    ExpectEnabled(w, "TxtW1A TxtSmalla", true);
    ExpectEnabled(w, "TxtW2A TxtW2Smalla BtnESS BtnNoESS", false);
    EXPECT_EQ(Text(w, "TxtW2A"), RealText(w2A));
    // Go runs with the survivals of the trade-off it records.
    Click(w, w == s ? "BtnGoSex" : "BtnGoClon");
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(Sim().W1A, 0.9);
    EXPECT_NEAR(Sim().W2A, w2A, 1e-15);
    EXPECT_NEAR(Sim().W2a, ConcaveTradeOff(Sim().W1a), 1e-15);
    EXPECT_EQ(Sim().TradeOffStatus, "ConcTO");
  }
  EXPECT_EQ(display.shown, 2);

  // "No Trade-off" frees the habitat-2 fields, and the exits no longer tie
  // them.
  c->ShowForm();
  Activate(c);
  Click(c, "BtnNoTrade");
  ExpectEnabled(c, "TxtW2A TxtW2Smalla", true);
  LeaveAll(c, "TxtW2A=0.5 TxtW1A=0.3");
  ExpectShown(c, "TxtW2A=0.5");
  EXPECT_EQ(Sim().TradeOffStatus, "NoTO");
  EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
}

TEST_P(FitnessTest, UnparsableHabitat1TextEndsATradeOffButton) {
  MorvaneForm *w = OpenSexual();
  Click(w, "BtnNoTrade");
  Leave(Field(w, "TxtW1A"), L("0.4"));
  Button(w, "BtnConvexTrade")->setFocus(Qt::OtherFocusReason);
  PutUncheckedText(Field(w, "TxtSmalla"), "zz");
  Click(w, "BtnConvexTrade");
  EXPECT_EQ(messages.texts, QStringList{"'zz' is not a valid number"});
  // W(A) was done before the failure; W(a) was not.
  EXPECT_EQ(Text(w, "TxtW2A"), L("0.84"));
  EXPECT_TRUE(Enabled(w, "TxtW2Smalla"));
}

// A trade-off button pressed by its accelerator leaves the survival being
// typed first, so the rule is applied to the checked value.
TEST_P(FitnessTest, TradeOffByAcceleratorChecksTheSurvivalBeingTyped) {
  MorvaneForm *w = OpenSexual();
  Click(w, "BtnNoTrade");
  Type(Field(w, "TxtW1A"), "5");
  // Like its accelerator key, click() leaves the focus in the field.
  Button(w, "BtnConvexTrade")->click();
  EXPECT_EQ(messages.texts, QStringList{"W1(A) out of Range"});
  ExpectShown(w, "TxtW1A=1");
  EXPECT_EQ(Sim().W1A, 1);
  EXPECT_FALSE(Sim().ConvexTradeOff); // the refused entry ended the click

  messages.texts.clear();
  Type(Field(w, "TxtW1A"), L("0.5"));
  Button(w, "BtnConvexTrade")->click();
  EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  EXPECT_TRUE(Sim().ConvexTradeOff);
  EXPECT_EQ(Text(w, "TxtW2A"), L("0.75"));
}

INSTANTIATE_TEST_SUITE_P(Locales, FitnessTest, ::testing::Values('.', ','), SeparatorName);

} // namespace
