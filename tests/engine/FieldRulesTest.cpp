// The field-exit rule without a window: what is stored, what text is written
// back, and whether the entry counts as replaced.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

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

// ---------------------------------------------------------------------------
// The one reading of typed numbers and the field rule on random texts, for
// every row of the table: nothing but finite values in range or the row's
// substitute are stored, and the text written back, left again, stores the
// same value. MORVANE_SEED=<n> repeats a run.

class RandomTexts {
public:
  explicit RandomTexts(std::uint64_t seed) : rng_(seed) {}

  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  double Uniform(double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(rng_);
  }
  char Separator() { return Below(2) ? '.' : ','; }

  // Around the range [lo, hi]: inside, just outside, its bounds, and the
  // range moved by a multiple of 2^16, where a 16-bit count would wrap.
  double Near(double lo, double hi) {
    const double span = hi - lo > 0 ? hi - lo : 1e-3;
    switch (Below(5)) {
    case 0:
      return Below(2) ? lo : hi;
    case 1:
      return std::nextafter(Below(2) ? lo : hi, Below(2) ? -1e300 : 1e300);
    case 2:
      return Uniform(lo, hi) + 65536.0 * (1 + Below(3));
    default:
      return Uniform(lo - span / 4, hi + span / 4);
    }
  }

  std::string Text(double lo, double hi) {
    switch (Below(8)) {
    case 0: { // any bytes
      std::string t(static_cast<std::size_t>(Below(25)), '\0');
      for (char &c : t)
        c = static_cast<char>(Below(256));
      return t;
    }
    case 1: // a number with trailing garbage
      return Number(lo, hi) + Pick({"x", "e", "E+", "-", ".", ",", "..", " 1", "0x1", "%", "\xff"});
    case 2: // huge and tiny exponents
      return Digits(1 + Below(3)) + Sep() + Digits(Below(4)) + Pick({"e", "E"}) +
             Pick({"", "+", "-"}) +
             Pick({"308", "309", "324", "325", "400", "4000", "99999999999999999999",
                   Digits(1 + Below(6))});
    case 3: // signs
      return Pick({"", "+", "-", "+-", "--", "-+", "+ ", "- "}) + Number(lo, hi);
    case 4: // both separators, and lone ones
      return Digits(Below(3)) + Sep() + Digits(Below(3)) + Pick({"", ".", ","}) + Digits(Below(3));
    case 5: { // very long
      const std::size_t n = 300 + static_cast<std::size_t>(Below(1200));
      switch (Below(3)) {
      case 0:
        return "0" + Sep() + std::string(n, '0') + Digits(1 + Below(17));
      case 1:
        return Digits(1) + std::string(n, '0');
      default:
        return "0" + Sep() + Digits(n);
      }
    }
    case 6: // blanks around
      return Blanks() + Number(lo, hi) + Blanks();
    default: // numbers in and around the range, short and long
      return Number(lo, hi);
    }
  }

private:
  std::string Pick(std::initializer_list<std::string> texts) {
    return *(texts.begin() + Below(static_cast<int>(texts.size())));
  }
  std::string Sep() { return std::string(1, Separator()); }
  std::string Digits(std::size_t n) {
    std::string t(n, '0');
    for (char &c : t)
      c = static_cast<char>('0' + Below(10));
    return t;
  }
  std::string Blanks() { return Pick({"", " ", "  ", "\t", " \t ", "\n", "\r", "\v", "\xa0"}); }
  std::string Number(double lo, double hi) {
    char buf[64];
    std::snprintf(buf, sizeof buf, Below(2) ? "%.*g" : "%.*e", 1 + Below(18), Near(lo, hi));
    std::string t = buf;
    if (Below(2))
      std::replace(t.begin(), t.end(), '.', ',');
    return t;
  }

  std::mt19937_64 rng_;
};

std::string Escaped(const std::string &text) {
  std::string out;
  for (const char c : text.substr(0, 80)) {
    if (c >= 0x20 && c < 0x7f) {
      out += c;
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned char>(c));
      out += buf;
    }
  }
  return text.size() > 80 ? out + "... (" + std::to_string(text.size()) + " chars)" : out;
}

TEST(FieldRuleProperty, RandomTextsStoreValuesInRangeOrTheSubstitute) {
  const char *fromEnv = std::getenv("MORVANE_SEED");
  const std::uint64_t seed = fromEnv ? std::strtoull(fromEnv, nullptr, 10) : 20240611;
  SCOPED_TRACE("MORVANE_SEED=" + std::to_string(seed));
  RandomTexts random(seed);

  // Every row, and the disturbance windows' forms of p, q and the counts.
  std::vector<FieldRule> rows;
  for (const auto *fields : {&SexualInputFields(), &ClonalInputFields()})
    for (const FieldRule *rule : *fields)
      rows.push_back(*rule);
  for (const FieldRule &rule :
       {rules::NewDG, rules::NewFit, WithPreviousValueSubstitutes(rules::FreqA),
        WithPreviousValueSubstitutes(rules::TriesAB)})
    rows.push_back(rule);

  for (const FieldRule &rule : rows) {
    const bool count = rule.kind == FieldTarget::Count;
    const bool previous = rule.substitutes == SubstituteSource::PreviousValue;
    for (int n = 0; n < 10000; ++n) {
      // The state the exit finds: p and q (now and then fixed) with their DG
      // and Fit ranges, and a previous value of the target.
      SimState s;
      s.FreqA = random.Below(8) ? random.Uniform(0, 1) : random.Below(2);
      s.FreqB = random.Below(8) ? random.Uniform(0, 1) : random.Below(2);
      StoreDGRange(s);
      s.FitMin = ComputeFitMin(s.FreqA);
      const double lo = rule.lo.Get(s), hi = rule.hi.Get(s);
      double before;
      if (count) {
        rule.count(s) = static_cast<std::uint16_t>(1 + random.Below(1000));
        before = rule.count(s);
      } else {
        before = rule.real(s) = random.Uniform(lo, hi);
      }

      const char sep = random.Separator();
      const std::string text = random.Text(lo, hi);
      const std::optional<double> read = ReadTypedReal(text, sep);
      const FieldOutcome out = ApplyFieldRule(rule, text, sep, s);
      const double stored = count ? rule.count(s) : rule.real(s);

      SimState again = s;
      const FieldOutcome reread = ApplyFieldRule(rule, out.text, sep, again);
      const double restored = count ? rule.count(again) : rule.real(again);

      const bool inRange = stored >= lo && stored <= hi;
      const bool substitute = previous ? stored == (count ? before : ShownValue(before))
                                       : stored == rule.parseSubstitute ||
                                             stored == rule.lowSubstitute ||
                                             stored == rule.highSubstitute;
      EXPECT_TRUE(!read || std::isfinite(*read));
      EXPECT_TRUE(std::isfinite(stored));
      // An accepted entry is the typed value as the field shows it (a count
      // truncated), or a moving bound typed as shown.
      const bool typed =
          read && (count ? stored == std::trunc(*read)
                         : stored == ShownValue(*read) || (rule.lo.fromState && stored == lo) ||
                               (rule.hi.fromState && stored == hi));
      EXPECT_TRUE(out.valid ? inRange && typed : substitute) << stored;
      EXPECT_EQ(restored, stored);
      EXPECT_EQ(reread.text, out.text);
      EXPECT_TRUE(reread.valid || !out.valid);
      if (::testing::Test::HasFailure()) {
        ADD_FAILURE() << rule.message << ": text \"" << Escaped(text) << "\" with separator '"
                      << sep << "' gave " << (out.valid ? "valid " : "replaced ") << stored
                      << " shown as \"" << out.text << "\"";
        return;
      }
    }
  }
}

} // namespace
} // namespace morvane
