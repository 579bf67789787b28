#include "FieldRules.h"

#include <cmath>
#include <optional>

#include "engine/InitialState.h"
#include "files/NumberFormat.h"

namespace morvane::ui {

namespace {

// Truncates toward zero; nothing when the value has no 64-bit integer form.
std::optional<long long> TruncateToInteger(double v) {
  const double t = std::trunc(v);
  // 2^63 is exactly representable; every double below it in magnitude fits.
  if (!(t > -9223372036854775808.0 && t < 9223372036854775808.0))
    return std::nullopt;
  return static_cast<long long>(t);
}

FieldOutcome ApplyRealRule(const FieldRule &rule, std::string_view text, char sep, SimState &s) {
  double &target = rule.real(s);
  const double previous = target;
  const bool usePrevious = rule.substitutes == SubstituteSource::PreviousValue;
  bool valid = true;

  if (const auto parsed = TextToReal(text, sep)) {
    target = *parsed;
    // A bound that moves with the state is shown rounded: typing it back
    // as shown means that bound itself.
    if (rule.lo.fromState)
      target = SnapToShownBound(target, rule.lo.Get(s));
    if (rule.hi.fromState)
      target = SnapToShownBound(target, rule.hi.Get(s));
  } else {
    target = usePrevious ? previous : rule.parseSubstitute;
    valid = false;
  }
  if (target < rule.lo.Get(s)) {
    target = usePrevious ? previous : rule.lowSubstitute;
    valid = false;
  }
  if (target > rule.hi.Get(s)) {
    target = usePrevious ? previous : rule.highSubstitute;
    valid = false;
  }
  return {valid, RealToText(target, sep)};
}

FieldOutcome ApplyCountRule(const FieldRule &rule, std::string_view text, char sep, SimState &s) {
  std::uint16_t &target = rule.count(s);
  const std::uint16_t previous = target;
  const bool usePrevious = rule.substitutes == SubstituteSource::PreviousValue;
  bool valid = true;

  // The integer is checked before it is narrowed to the 16-bit count, so
  // that 70000 is refused rather than wrapped into range.
  long long n;
  std::optional<long long> whole;
  if (const auto parsed = TextToReal(text, sep))
    whole = TruncateToInteger(*parsed);
  if (whole) {
    n = *whole;
  } else {
    n = usePrevious ? previous : static_cast<long long>(rule.parseSubstitute);
    valid = false;
  }
  if (static_cast<double>(n) < rule.lo.Get(s)) {
    n = usePrevious ? previous : static_cast<long long>(rule.lowSubstitute);
    valid = false;
  }
  if (static_cast<double>(n) > rule.hi.Get(s)) {
    n = usePrevious ? previous : static_cast<long long>(rule.highSubstitute);
    valid = false;
  }
  target = static_cast<std::uint16_t>(n);
  return {valid, FormatInteger(target)};
}

double DGMinOf(const SimState &s) { return s.DGMin; }
double DGMaxOf(const SimState &s) { return s.DGMax; }

FieldRule Real(const char *control, const char *message, double &(*target)(SimState &),
               FieldBound lo, FieldBound hi, double parseSub, double lowSub, double highSub) {
  return FieldRule{control, message, FieldTarget::Real, target, nullptr,
                   lo,      hi,      parseSub,          lowSub, highSub};
}

FieldRule Count(const char *control, const char *message, std::uint16_t &(*target)(SimState &)) {
  return FieldRule{control, message, FieldTarget::Count, nullptr, target, {1}, {1000}, 1, 1, 1};
}

// A real field whose substitute is the same for all three failures.
FieldRule Real(const char *control, const char *message, double &(*target)(SimState &), double lo,
               double hi, double substitute) {
  return Real(control, message, target, {lo}, {hi}, substitute, substitute, substitute);
}

} // namespace

FieldOutcome ApplyFieldRule(const FieldRule &rule, std::string_view text, char decimalSeparator,
                            SimState &s) {
  if (rule.kind == FieldTarget::Count)
    return ApplyCountRule(rule, text, decimalSeparator, s);
  return ApplyRealRule(rule, text, decimalSeparator, s);
}

FieldRule WithPreviousValueSubstitutes(FieldRule rule) {
  rule.substitutes = SubstituteSource::PreviousValue;
  return rule;
}

std::string DGRangeText(double dgMin, double dgMax, char decimalSeparator) {
  return "[" + RealToText(dgMin, decimalSeparator) + ".." + RealToText(dgMax, decimalSeparator) +
         "]";
}

double SnapToShownBound(double value, double bound) {
  if (value == bound || RealToText(value, '.') != RealToText(bound, '.'))
    return value;
  return bound;
}

bool FitDGIntoRange(double p, double q, double &dg) {
  const DGRange r = ComputeDGRange(p, q);
  dg = SnapToShownBound(SnapToShownBound(dg, r.lower), r.upper);
  return dg >= r.lower && dg <= r.upper;
}

namespace rules {

const FieldRule SoftPropSexual = Real(
    "TxtSoftProp", "x out of Range", [](SimState &s) -> double & { return s.SoftProp; }, 0, 1, 1);
const FieldRule SoftPropClonal = Real(
    "TxtSoftProp", "x out of Range", [](SimState &s) -> double & { return s.SoftProp; }, {0}, {1},
    1, 0, 1);
const FieldRule MigSurv = Real(
    "TxtMigSurv", "d out of Range", [](SimState &s) -> double & { return s.MigSurv; }, 0.0001, 1,
    1);
const FieldRule HabFreq = Real(
    "TxtHabFreq", "c out of Range", [](SimState &s) -> double & { return s.HabFreq; }, 0.0001,
    0.9999, 0.5);
const FieldRule FreqA = Real(
    "TxtFreqA", "p out of Range", [](SimState &s) -> double & { return s.FreqA; }, 0, 1, 0.5);
const FieldRule FreqB = Real(
    "TxtBFreq", "q out of Range", [](SimState &s) -> double & { return s.FreqB; }, 0, 1, 0.5);
const FieldRule TriesAB =
    Count("Txti", "i out of Range", [](SimState &s) -> std::uint16_t & { return s.TriesAB; });
const FieldRule TriesaB =
    Count("Txtj", "j out of Range", [](SimState &s) -> std::uint16_t & { return s.TriesaB; });
const FieldRule W1A = Real(
    "TxtW1A", "W1(A) out of Range", [](SimState &s) -> double & { return s.W1A; }, 0, 1, 1);
const FieldRule W1a = Real(
    "TxtSmalla", "W1(a) out of Range", [](SimState &s) -> double & { return s.W1a; }, 0, 1, 1);
const FieldRule W2A = Real(
    "TxtW2A", "W2(A) out of Range", [](SimState &s) -> double & { return s.W2A; }, 0, 1, 1);
const FieldRule W2a = Real(
    "TxtW2Smalla", "W2(a) out of Range", [](SimState &s) -> double & { return s.W2a; }, 0, 1, 1);
const FieldRule DG = Real(
    "TxtDG", "DG0 out of Range", [](SimState &s) -> double & { return s.DG; }, {0, DGMinOf},
    {0, DGMaxOf}, 0, 0, 0);
const FieldRule StopThreshold = Real(
    "TxtL", "L out of Range", [](SimState &s) -> double & { return s.StopThreshold; }, 0, 0.1,
    0.000001);
const FieldRule FreqAB = Real(
    "TxtAB", "f(AB) out of Range", [](SimState &s) -> double & { return s.X[1]; }, 0, 1, 0);
const FieldRule FreqAb = Real(
    "TxtAsb", "f(Ab) out of Range", [](SimState &s) -> double & { return s.X[2]; }, 0, 1, 0.5);
const FieldRule FreqaB = Real(
    "TxtsaB", "f(aB) out of Range", [](SimState &s) -> double & { return s.X[3]; }, 0, 1, 0);
const FieldRule Freqab = Real(
    "Txtsasb", "f(ab) out of Range", [](SimState &s) -> double & { return s.X[4]; }, 0, 1, 0.5);

} // namespace rules

} // namespace morvane::ui
