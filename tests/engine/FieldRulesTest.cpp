// The field-exit rule without a window: what is stored, what text is written
// back, and whether the entry counts as replaced.
#include <gtest/gtest.h>

#include "engine/CloneFrequencies.h"
#include "engine/FieldRules.h"
#include "engine/InitialState.h"
#include "state/SimState.h"

namespace morvane {
namespace {

class FieldRuleTest : public ::testing::TestWithParam<char> {
protected:
  void SetUp() override { ResetSimState(); }
  char Sep() const { return GetParam(); }
  // Writes '.' in a test text as the separator under test.
  std::string T(std::string text) const {
    for (char &ch : text)
      if (ch == '.')
        ch = Sep();
    return text;
  }
  FieldOutcome Exit(const FieldRule &rule, const std::string &text) {
    return ApplyFieldRule(rule, T(text), Sep(), Sim);
  }
};

TEST_P(FieldRuleTest, UnparsableOrEmptyTextStoresTheParseSubstitute) {
  Sim.SoftProp = 0.3;
  for (const char *text : {"abc", "", " ", "0 .5", "0.5x", "1..2"}) {
    const FieldOutcome o = Exit(rules::SoftPropSexual, text);
    EXPECT_FALSE(o.valid) << text;
    EXPECT_EQ(Sim.SoftProp, 1) << text;
    EXPECT_EQ(o.text, "1") << text;
  }
  const FieldOutcome c = Exit(rules::HabFreq, "none");
  EXPECT_FALSE(c.valid);
  EXPECT_EQ(Sim.HabFreq, 0.5);
  EXPECT_EQ(c.text, T("0.5"));
}

TEST_P(FieldRuleTest, LowSubstituteOfXDiffersBetweenWindows) {
  const FieldOutcome sexual = Exit(rules::SoftPropSexual, "-0.2");
  EXPECT_FALSE(sexual.valid);
  EXPECT_EQ(Sim.SoftProp, 1);
  EXPECT_EQ(sexual.text, "1");

  const FieldOutcome clonal = Exit(rules::SoftPropClonal, "-0.3");
  EXPECT_FALSE(clonal.valid);
  EXPECT_EQ(Sim.SoftProp, 0);
  EXPECT_EQ(clonal.text, "0");

  // Above 1 and unparsable still give 1 in the clonal window.
  EXPECT_FALSE(Exit(rules::SoftPropClonal, "1.5").valid);
  EXPECT_EQ(Sim.SoftProp, 1);
  EXPECT_FALSE(Exit(rules::SoftPropClonal, "x").valid);
  EXPECT_EQ(Sim.SoftProp, 1);
}

TEST_P(FieldRuleTest, BoundsTypedExactlyAreAccepted) {
  struct Case {
    const FieldRule *rule;
    const char *text;
    double stored;
  };
  const Case cases[] = {
      {&rules::MigSurv, "0.0001", 0.0001},
      {&rules::MigSurv, "1", 1},
      {&rules::HabFreq, "0.0001", 0.0001},
      {&rules::HabFreq, "0.9999", 0.9999},
      {&rules::StopThreshold, "0.1", 0.1},
      {&rules::StopThreshold, "0", 0},
      {&rules::StopThreshold, "0.09", 0.09},
      {&rules::SoftPropSexual, "0", 0},
      {&rules::W1A, "0", 0},
      {&rules::W2a, "1", 1},
      {&rules::FreqA, "0", 0},
      {&rules::FreqB, "1", 1},
      {&rules::FreqAB, "1", 1},
      {&rules::Freqab, "0", 0},
  };
  for (const Case &c : cases) {
    const FieldOutcome o = Exit(*c.rule, c.text);
    EXPECT_TRUE(o.valid) << c.rule->message << " " << c.text;
    EXPECT_EQ(c.rule->real(Sim), c.stored) << c.rule->message << " " << c.text;
    EXPECT_EQ(o.text, T(c.text)) << c.rule->message;
  }
}

TEST_P(FieldRuleTest, ValuesJustOutsideTheBoundsAreReplacedWithTheirMessage) {
  struct Case {
    const FieldRule *rule;
    const char *text;
    double stored;
    const char *shown;
    const char *message;
  };
  const Case cases[] = {
      {&rules::MigSurv, "0.00005", 1, "1", "d out of Range"},
      {&rules::MigSurv, "0", 1, "1", "d out of Range"},
      {&rules::HabFreq, "1", 0.5, "0.5", "c out of Range"},
      {&rules::HabFreq, "0.99991", 0.5, "0.5", "c out of Range"},
      {&rules::HabFreq, "0", 0.5, "0.5", "c out of Range"},
      {&rules::StopThreshold, "0.2", 0.000001, "1E-6", "L out of Range"},
      {&rules::StopThreshold, "-0.001", 0.000001, "1E-6", "L out of Range"},
      {&rules::FreqA, "1.01", 0.5, "0.5", "p out of Range"},
      {&rules::FreqB, "-1E-9", 0.5, "0.5", "q out of Range"},
      {&rules::W1A, "1.2", 1, "1", "W1(A) out of Range"},
      {&rules::W1a, "-0.1", 1, "1", "W1(a) out of Range"},
      {&rules::W2A, "2", 1, "1", "W2(A) out of Range"},
      {&rules::W2a, "abc", 1, "1", "W2(a) out of Range"},
      {&rules::FreqAB, "1.5", 0, "0", "f(AB) out of Range"},
      {&rules::FreqAb, "-1", 0.5, "0.5", "f(Ab) out of Range"},
      {&rules::FreqaB, "7", 0, "0", "f(aB) out of Range"},
      {&rules::Freqab, "-0.2", 0.5, "0.5", "f(ab) out of Range"},
  };
  for (const Case &c : cases) {
    const FieldOutcome o = Exit(*c.rule, c.text);
    EXPECT_FALSE(o.valid) << c.rule->message << " " << c.text;
    EXPECT_EQ(c.rule->real(Sim), c.stored) << c.rule->message << " " << c.text;
    EXPECT_EQ(o.text, T(c.shown)) << c.rule->message << " " << c.text;
    EXPECT_STREQ(c.rule->message, c.message);
  }
}

TEST_P(FieldRuleTest, GoodValuesInAnotherFormAreRewrittenCanonically) {
  for (const char *text :
       {"0.50", ".5", "5E-1", "5e-1", "+0.5", "0.5000000000000001", " 0.5 ", "\t0.5"}) {
    const FieldOutcome o = Exit(rules::FreqA, text);
    EXPECT_TRUE(o.valid) << text;
    EXPECT_EQ(o.text, T("0.5")) << text;
  }
  const FieldOutcome tiny = Exit(rules::StopThreshold, "0.0000025");
  EXPECT_TRUE(tiny.valid);
  EXPECT_EQ(tiny.text, T("2.5E-6"));
  // The point is accepted in every locale.
  EXPECT_TRUE(ApplyFieldRule(rules::HabFreq, "0.25", Sep(), Sim).valid);
  EXPECT_EQ(Sim.HabFreq, 0.25);
}

TEST_P(FieldRuleTest, CountsAreTruncatedTowardZeroAndCheckedBeforeNarrowing) {
  FieldOutcome o = Exit(rules::TriesAB, "2.7");
  EXPECT_TRUE(o.valid);
  EXPECT_EQ(Sim.TriesAB, 2);
  EXPECT_EQ(o.text, "2");

  o = Exit(rules::TriesaB, "1000.9");
  EXPECT_TRUE(o.valid);
  EXPECT_EQ(Sim.TriesaB, 1000);
  EXPECT_EQ(o.text, "1000");

  o = Exit(rules::TriesaB, "1E3");
  EXPECT_TRUE(o.valid);
  EXPECT_EQ(Sim.TriesaB, 1000);

  // 70000 would wrap to 4464 in 16 bits; 65537 to 1; 1E300 has no integer form.
  for (const char *text :
       {"0", "1001", "-3", "70000", "65537", "0.9", "-0.5", "1E300", "abc", ""}) {
    Sim.TriesAB = 7;
    o = Exit(rules::TriesAB, text);
    EXPECT_FALSE(o.valid) << text;
    EXPECT_EQ(Sim.TriesAB, 1) << text;
    EXPECT_EQ(o.text, "1") << text;
  }
  EXPECT_STREQ(rules::TriesAB.message, "i out of Range");
  EXPECT_STREQ(rules::TriesaB.message, "j out of Range");
}

TEST_P(FieldRuleTest, DGIsCheckedAgainstTheRangeHeldAtTheExit) {
  Sim.FreqA = 0.5;
  Sim.FreqB = 0.5;
  StoreDGRange(Sim);
  EXPECT_EQ(DGRangeText(Sim.DGMin, Sim.DGMax, Sep()), "[" + T("-0.25") + ".." + T("0.25") + "]");
  EXPECT_TRUE(Exit(rules::DG, "0.25").valid);
  EXPECT_EQ(Sim.DG, 0.25);
  FieldOutcome o = Exit(rules::DG, "0.3");
  EXPECT_FALSE(o.valid);
  EXPECT_EQ(Sim.DG, 0);
  EXPECT_EQ(o.text, "0");
  EXPECT_STREQ(rules::DG.message, "DG0 out of Range");

  Sim.FreqA = 0.3;
  Sim.FreqB = 0.6;
  StoreDGRange(Sim);
  EXPECT_EQ(DGRangeText(Sim.DGMin, Sim.DGMax, Sep()), "[" + T("-0.18") + ".." + T("0.12") + "]");
  EXPECT_FALSE(Exit(rules::DG, "0.15").valid);
  EXPECT_EQ(Sim.DG, 0);
  EXPECT_TRUE(Exit(rules::DG, "-0.18").valid);
  EXPECT_FALSE(Exit(rules::DG, "-0.19").valid);

  Sim.FreqA = 1;
  StoreDGRange(Sim);
  EXPECT_EQ(DGRangeText(Sim.DGMin, Sim.DGMax, Sep()), "[0..0]");
  EXPECT_FALSE(Exit(rules::DG, "1E-12").valid);
  EXPECT_EQ(Sim.DG, 0);
  EXPECT_TRUE(Exit(rules::DG, "0").valid);
}

TEST_P(FieldRuleTest, PreviousValueSubstitutesRestoreWhatTheStateHeld) {
  const FieldRule p = WithPreviousValueSubstitutes(rules::FreqA);
  Sim.FreqA = 0.42;
  FieldOutcome o = Exit(p, "1.5");
  EXPECT_FALSE(o.valid);
  EXPECT_EQ(Sim.FreqA, 0.42);
  EXPECT_EQ(o.text, T("0.42"));
  o = Exit(p, "junk");
  EXPECT_FALSE(o.valid);
  EXPECT_EQ(Sim.FreqA, 0.42);
  o = Exit(p, "0.7");
  EXPECT_TRUE(o.valid);
  EXPECT_EQ(Sim.FreqA, 0.7);

  // A previous DG outside a range that has moved since is kept as it is.
  const FieldRule dg = WithPreviousValueSubstitutes(rules::DG);
  Sim.FreqA = 0.9;
  Sim.FreqB = 0.5;
  StoreDGRange(Sim);
  Sim.DG = 0.2;
  o = Exit(dg, "-0.3");
  EXPECT_FALSE(o.valid);
  EXPECT_EQ(Sim.DG, 0.2);

  const FieldRule i = WithPreviousValueSubstitutes(rules::TriesAB);
  Sim.TriesAB = 12;
  o = Exit(i, "0");
  EXPECT_FALSE(o.valid);
  EXPECT_EQ(Sim.TriesAB, 12);
  EXPECT_EQ(o.text, "12");
}

INSTANTIATE_TEST_SUITE_P(Separators, FieldRuleTest, ::testing::Values('.', ','),
                         [](const ::testing::TestParamInfo<char> &info) {
                           return info.param == '.' ? std::string("Point") : std::string("Comma");
                         });

bool DGWithinRange(double p, double q, double dg) { return FitDGIntoRange(p, q, dg); }

TEST(DGWithinRange, UsesTheRangeOfTheGivenFrequencies) {
  EXPECT_TRUE(DGWithinRange(0.5, 0.5, 0.25));
  EXPECT_TRUE(DGWithinRange(0.5, 0.5, -0.25));
  EXPECT_FALSE(DGWithinRange(0.9, 0.5, 0.2)); // range [-0.05..0.05]
  EXPECT_TRUE(DGWithinRange(0.9, 0.5, 0.04));
  EXPECT_TRUE(DGWithinRange(0.75, 0.5, 0.125)); // the upper bound itself
  EXPECT_FALSE(DGWithinRange(1, 0.5, 0.01));
  EXPECT_TRUE(DGWithinRange(1, 0.5, 0));
}

// With p = 0.9 and q = 0.5 the upper bound is 0.1 * 0.5, one rounding error
// below 0.05, and the range text shows 0.05: typing it back must be accepted
// and must store the bound itself, so that no type frequency goes negative.
TEST(DGWithinRange, ABoundTypedAsShownIsTheBound) {
  const DGRange r = ComputeDGRange(0.9, 0.5);
  ASSERT_LT(r.upper, 0.05);
  EXPECT_EQ(DGRangeText(r.lower, r.upper, '.'), "[-0.05..0.05]");

  double dg = 0.05;
  EXPECT_TRUE(FitDGIntoRange(0.9, 0.5, dg));
  EXPECT_EQ(dg, r.upper);
  dg = 0.0500001; // beyond the shown bound: still refused
  EXPECT_FALSE(FitDGIntoRange(0.9, 0.5, dg));

  ResetSimState();
  Sim.FreqA = 0.9;
  Sim.FreqB = 0.5;
  StoreDGRange(Sim);
  const FieldOutcome out = ApplyFieldRule(rules::DG, "0.05", '.', Sim);
  EXPECT_TRUE(out.valid);
  EXPECT_EQ(Sim.DG, r.upper);
  EXPECT_EQ(out.text, "0.05");
  HaploidInitialState(Sim);
  for (int k = 1; k <= 4; ++k)
    EXPECT_GE(Sim.X[k], 0.0) << "type " << k;
}

TEST(CloneSum, ClassifiesNormalisesAndResets) {
  ResetSimState();
  ResetCloneFrequencies(Sim);
  EXPECT_EQ(CheckCloneSum(Sim), CloneSum::One);
  Sim.X[1] = 1; // 1 + 0.5 + 0 + 0.5
  EXPECT_EQ(CheckCloneSum(Sim), CloneSum::Other);
  NormaliseCloneFrequencies(Sim);
  EXPECT_EQ(Sim.X[1], 0.5);
  EXPECT_EQ(Sim.X[2], 0.25);
  EXPECT_EQ(Sim.X[3], 0);
  EXPECT_EQ(Sim.X[4], 0.25);
  Sim.X[1] = Sim.X[2] = Sim.X[3] = Sim.X[4] = 0;
  EXPECT_EQ(CheckCloneSum(Sim), CloneSum::Zero);
  ResetCloneFrequencies(Sim);
  EXPECT_EQ(Sim.X[2], 0.5);
  EXPECT_EQ(Sim.X[4], 0.5);
}

} // namespace
} // namespace morvane
