// The field-exit rule without a window: what is stored, what text is written
// back, and whether the entry counts as replaced.
#include <array>

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

// Parameter: the decimal separator, '.' or ','.
class FieldRuleTest : public ::testing::TestWithParam<char> {};

// Each row: the state the exit finds (p and q, which set the DG range, and
// the value held before in the target), the text typed ('.' written as the
// separator under test), and what the exit stores and writes back (nullptr:
// the text as typed).
TEST_P(FieldRuleTest, ExitStoresTheEntryOrItsSubstituteAndWritesItBackCanonically) {
  const char sep = GetParam();
  const auto T = [sep](std::string text) {
    std::replace(text.begin(), text.end(), '.', sep);
    return text;
  };
  using namespace rules;
  const FieldRule previousP = WithPreviousValueSubstitutes(FreqA);
  const FieldRule previousDG = WithPreviousValueSubstitutes(DG);
  const FieldRule previousI = WithPreviousValueSubstitutes(TriesAB);
  struct Case {
    const FieldRule &rule;
    std::vector<const char *> texts;
    bool valid;
    double stored;
    const char *shown = nullptr;
    double before = 7;
    double p = 0.5, q = 0.5;
  };
  const Case cases[] = {
      // Unparsable, empty or out of range: the row's substitute. The low
      // substitute of x differs between the windows.
      {SoftPropSexual, {"abc", "", " ", "0 .5", "0.5x", "1..2", "-0.2"}, false, 1, "1"},
      {SoftPropClonal, {"-0.3"}, false, 0, "0"},
      {SoftPropClonal, {"1.5", "x"}, false, 1, "1"},
      {MigSurv, {"0.00005", "0"}, false, 1, "1"},
      {HabFreq, {"none", "1", "0.99991", "0"}, false, 0.5, "0.5"},
      {StopThreshold, {"0.2", "-0.001"}, false, 0.000001, "1E-6"},
      {FreqA, {"1.01"}, false, 0.5, "0.5"},
      {FreqB, {"-1E-9"}, false, 0.5, "0.5"},
      {W1A, {"1.2"}, false, 1, "1"},
      {W1a, {"-0.1"}, false, 1, "1"},
      {W2A, {"2"}, false, 1, "1"},
      {W2a, {"abc"}, false, 1, "1"},
      {FreqAB, {"1.5"}, false, 0, "0"},
      {FreqAb, {"-1"}, false, 0.5, "0.5"},
      {FreqaB, {"7"}, false, 0, "0"},
      {Freqab, {"-0.2"}, false, 0.5, "0.5"},
      // Bounds typed exactly are accepted.
      {MigSurv, {"0.0001"}, true, 0.0001},
      {MigSurv, {"1"}, true, 1},
      {HabFreq, {"0.0001"}, true, 0.0001},
      {HabFreq, {"0.9999"}, true, 0.9999},
      {StopThreshold, {"0.1"}, true, 0.1},
      {StopThreshold, {"0"}, true, 0},
      {StopThreshold, {"0.09"}, true, 0.09},
      {SoftPropSexual, {"0"}, true, 0},
      {W1A, {"0"}, true, 0},
      {W2a, {"1"}, true, 1},
      {FreqA, {"0"}, true, 0},
      {FreqB, {"1"}, true, 1},
      {FreqAB, {"1"}, true, 1},
      {Freqab, {"0"}, true, 0},
      // Good values in another form are rewritten canonically.
      {FreqA,
       {"0.50", ".5", "5E-1", "5e-1", "+0.5", "0.5000000000000001", " 0.5 ", "\t0.5"},
       true,
       0.5,
       "0.5"},
      {StopThreshold, {"0.0000025"}, true, 0.0000025, "2.5E-6"},
      // Counts are truncated toward zero and checked before they are narrowed
      // to 16 bits (70000 would wrap to 4464, 65537 to 1; 1E300 has no integer
      // form).
      {TriesAB, {"2.7"}, true, 2, "2"},
      {TriesaB, {"1000.9", "1E3"}, true, 1000, "1000"},
      {TriesAB,
       {"0", "1001", "-3", "70000", "65537", "0.9", "-0.5", "1E300", "abc", ""},
       false,
       1,
       "1"},
      // DG0 against the range of the p and q held at the exit.
      {DG, {"0.25"}, true, 0.25},
      {DG, {"0.3"}, false, 0, "0"},
      {DG, {"0.15", "-0.19"}, false, 0, "0", 7, 0.3, 0.6},
      {DG, {"-0.18"}, true, -0.18, nullptr, 7, 0.3, 0.6},
      {DG, {"1E-12"}, false, 0, "0", 7, 1, 0.6},
      {DG, {"0"}, true, 0, nullptr, 7, 1, 0.6},
      // The disturbance windows: the value held before comes back, even a DG
      // outside a range that has moved since.
      {previousP, {"1.5", "junk"}, false, 0.42, "0.42", 0.42},
      {previousP, {"0.7"}, true, 0.7, nullptr, 0.42},
      {previousDG, {"-0.3"}, false, 0.2, "0.2", 0.2, 0.9, 0.5},
      {previousI, {"0"}, false, 12, "12", 12},
  };
  for (const Case &c : cases)
    for (const char *text : c.texts) {
      SCOPED_TRACE(std::string(c.rule.message) + ", typed \"" + text + "\"");
      SimState Sim;
      Sim.FreqA = c.p;
      Sim.FreqB = c.q;
      StoreDGRange(Sim);
      if (c.rule.kind == FieldTarget::Count)
        c.rule.count(Sim) = static_cast<std::uint16_t>(c.before);
      else
        c.rule.real(Sim) = c.before;
      const FieldOutcome o = ApplyFieldRule(c.rule, T(text), sep, Sim);
      EXPECT_EQ(o.valid, c.valid);
      EXPECT_EQ(c.rule.kind == FieldTarget::Count ? c.rule.count(Sim) : c.rule.real(Sim), c.stored);
      EXPECT_EQ(o.text, T(c.shown ? c.shown : text));
    }
  // The point is accepted in every locale.
  SimState Sim;
  EXPECT_TRUE(ApplyFieldRule(HabFreq, "0.25", sep, Sim).valid);
  EXPECT_EQ(Sim.HabFreq, 0.25);
}

INSTANTIATE_TEST_SUITE_P(Separators, FieldRuleTest, ::testing::Values('.', ','),
                         [](const ::testing::TestParamInfo<char> &info) {
                           return info.param == '.' ? std::string("Point") : std::string("Comma");
                         });

// With p = 0.9 and q = 0.5 the upper bound is 0.1 * 0.5, one rounding error
// below 0.05, and the range text shows 0.05: typing it back must be accepted
// and must store the bound itself, so that no type frequency goes negative.
TEST(DGWithinRange, UsesTheRangeOfTheGivenFrequenciesAndABoundTypedAsShownIsTheBound) {
  const struct {
    double p, q, dg;
    bool inside;
  } cases[] = {{0.5, 0.5, 0.25, true}, {0.5, 0.5, -0.25, true},     {0.9, 0.5, 0.2, false},
               {0.9, 0.5, 0.04, true}, {0.75, 0.5, 0.125, true},    {1, 0.5, 0.01, false},
               {1, 0.5, 0, true},      {0.9, 0.5, 0.0500001, false}};
  for (const auto &c : cases) {
    double dg = c.dg;
    EXPECT_EQ(FitDGIntoRange(c.p, c.q, dg), c.inside) << c.p << " " << c.q << " " << c.dg;
  }
  const DGRange r = ComputeDGRange(0.9, 0.5);
  ASSERT_LT(r.upper, 0.05);
  EXPECT_EQ(DGRangeText(r.lower, r.upper, '.'), "[-0.05..0.05]");
  double dg = 0.05;
  EXPECT_TRUE(FitDGIntoRange(0.9, 0.5, dg));
  EXPECT_EQ(dg, r.upper);

  SimState Sim;
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
  SimState Sim;
  ResetCloneFrequencies(Sim);
  EXPECT_EQ(CheckCloneSum(Sim), CloneSum::One);
  Sim.X[1] = 1; // 1 + 0.5 + 0 + 0.5
  EXPECT_EQ(CheckCloneSum(Sim), CloneSum::Other);
  NormaliseCloneFrequencies(Sim);
  EXPECT_EQ(std::vector<double>(Sim.X + 1, Sim.X + 5), (std::vector<double>{0.5, 0.25, 0, 0.25}));
  Sim.X[1] = Sim.X[2] = Sim.X[3] = Sim.X[4] = 0;
  EXPECT_EQ(CheckCloneSum(Sim), CloneSum::Zero);
  ResetCloneFrequencies(Sim);
  EXPECT_EQ(std::vector<double>(Sim.X + 1, Sim.X + 5), (std::vector<double>{0, 0.5, 0, 0.5}));
}

// Go's rule on the values the fields show: a sum of 1 within the rounding of
// the shown values runs them as shown, any other sum but 0 divides them.
TEST(CloneSum, GoRunsFrequenciesThatShowASumOfOneAsShown) {
  const double third = ShownValue(1.0 / 3); // 0.333333333333333
  struct Case {
    std::array<double, 4> shown;
    CloneSum sum;
    std::array<double, 4> run;
  } cases[] = {
      {{third, third, 0, third}, CloneSum::One, {third, third, 0, third}},
      {{0.7, 0.1, 0.1, 0.1}, CloneSum::One, {0.7, 0.1, 0.1, 0.1}}, // sums to 1 - 1.1e-16
      // 0.1, 0.6, 0.6, 0.6 divided by their sum as the fields show them: the
      // additions round the sum beyond the fields' rounding.
      {{0.0526315789473684, 0.315789473684211, 0.315789473684211, 0.315789473684211},
       CloneSum::One,
       {0.0526315789473684, 0.315789473684211, 0.315789473684211, 0.315789473684211}},
      {{1, 0.5, 0, 0.5}, CloneSum::Other, {0.5, 0.25, 0, 0.25}},
      {{0.25, 0.25, 0.25, 0.2499999999999},
       CloneSum::Other,
       {0.25 / 0.9999999999999, 0.25 / 0.9999999999999, 0.25 / 0.9999999999999,
        0.2499999999999 / 0.9999999999999}},
      {{0, 0, 0, 0}, CloneSum::Zero, {0, 0, 0, 0}},
  };
  for (Case &c : cases) {
    std::array<double, 4> f = c.shown;
    EXPECT_EQ(SumShownCloneFrequenciesToOne(f.data()), c.sum);
    EXPECT_EQ(f, c.run);
  }
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
        ADD_FAILURE() << rule.message << ": text " << ::testing::PrintToString(text.substr(0, 80))
                      << " (" << text.size() << " characters) with separator '" << sep << "' gave "
                      << (out.valid ? "valid " : "replaced ") << stored << " shown as \""
                      << out.text << "\"";
        return;
      }
    }
  }
}

} // namespace
} // namespace morvane
