#include "engine/FieldRules.h"

#include <cmath>

#include "engine/InitialState.h"
#include "files/NumberFormat.h"

namespace morvane {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

// Whether a typed real has at most 15 significant digits. Its value is then
// the value the field shows for it (a double keeps 15 decimal digits), and
// needs no rounding to it: a sweep stores the fields of every point.
bool AtMostShownDigits(std::string_view text) {
  int digits = 0;
  bool significant = false;
  for (char c : text) {
    if (c == 'e' || c == 'E')
      break;
    if (c < '0' || c > '9')
      continue;
    significant = significant || c != '0';
    digits += significant;
  }
  return digits <= 15;
}

bool StoreReal(const FieldRule &rule, std::string_view text, char sep, SimState &s) {
  double &target = rule.real(s);
  const double previous = target;
  const bool usePrevious = rule.substitutes == SubstituteSource::PreviousValue;
  bool valid = true;
  // The fixed substitutes are short constants, their own shown values; a
  // previous value is rounded like a typed one.
  bool shown = !usePrevious;

  if (const auto parsed = ReadTypedReal(text, sep)) {
    target = *parsed;
    shown = AtMostShownDigits(text);
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
    shown = !usePrevious;
    valid = false;
  }
  if (target > rule.hi.Get(s)) {
    target = usePrevious ? previous : rule.highSubstitute;
    shown = !usePrevious;
    valid = false;
  }
  // The state holds what the field shows: a value typed with more digits
  // than the field shows is the shown value, as a Go reading the field again
  // takes it. A bound that moves with the state stays that bound.
  const bool onStateBound = (rule.lo.fromState && target == rule.lo.Get(s)) ||
                            (rule.hi.fromState && target == rule.hi.Get(s));
  if (!onStateBound && !shown)
    target = ShownValue(target);
  return valid;
}

bool StoreCount(const FieldRule &rule, std::string_view text, char sep, SimState &s) {
  std::uint16_t &target = rule.count(s);
  const std::uint16_t previous = target;
  const bool usePrevious = rule.substitutes == SubstituteSource::PreviousValue;
  bool valid = true;

  // The integer is checked before it is narrowed to the 16-bit count, so
  // that 70000 is refused rather than wrapped into range.
  long long n;
  if (const auto whole = ReadTypedCount(text, sep)) {
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
  return valid;
}

double DGMinOf(const SimState &s) { return s.DGMin; }
double DGMaxOf(const SimState &s) { return s.DGMax; }
double FitMinOf(const SimState &s) { return s.FitMin; }

FieldRule Real(const char *option, const char *message, double &(*target)(SimState &),
               FieldBound lo, FieldBound hi, double parseSub, double lowSub, double highSub) {
  return FieldRule{option, message, FieldTarget::Real, target, nullptr,
                   lo,     hi,      parseSub,          lowSub, highSub};
}

// A real field whose substitute is the same for all three failures.
FieldRule Real(const char *option, const char *message, double &(*target)(SimState &), double lo,
               double hi, double substitute) {
  return Real(option, message, target, {lo}, {hi}, substitute, substitute, substitute);
}

FieldRule Count(const char *option, const char *message, std::uint16_t &(*target)(SimState &)) {
  return FieldRule{option, message, FieldTarget::Count, nullptr, target, {1}, {1000}, 1, 1, 1};
}

bool FitIntoRange(double &value, double lower, double upper) {
  value = SnapToShownBound(SnapToShownBound(value, lower), upper);
  return value >= lower && value <= upper;
}

} // namespace

std::optional<double> ReadTypedReal(std::string_view text, char decimalSeparator) {
  return TextToReal(Trimmed(text), decimalSeparator);
}

std::optional<long long> ReadTypedCount(std::string_view text, char decimalSeparator) {
  const std::optional<double> v = ReadTypedReal(text, decimalSeparator);
  if (!v)
    return std::nullopt;
  const double t = std::trunc(*v);
  // 2^63 is exactly representable; every double below it in magnitude fits.
  if (!(t > -9223372036854775808.0 && t < 9223372036854775808.0))
    return std::nullopt;
  return static_cast<long long>(t);
}

double ShownValue(double v) {
  // The text of a finite value always reads back.
  return TextToReal(RealToText(v, '.'), '.').value_or(v);
}

bool StoreFieldEntry(const FieldRule &rule, std::string_view text, char decimalSeparator,
                     SimState &s) {
  if (rule.kind == FieldTarget::Count)
    return StoreCount(rule, text, decimalSeparator, s);
  return StoreReal(rule, text, decimalSeparator, s);
}

FieldOutcome ApplyFieldRule(const FieldRule &rule, std::string_view text, char decimalSeparator,
                            SimState &s) {
  const bool valid = StoreFieldEntry(rule, text, decimalSeparator, s);
  if (rule.kind == FieldTarget::Count)
    return {valid, FormatInteger(rule.count(s))};
  return {valid, RealToText(rule.real(s), decimalSeparator)};
}

FieldRule WithPreviousValueSubstitutes(FieldRule rule) {
  rule.substitutes = SubstituteSource::PreviousValue;
  return rule;
}

FieldRule WithSubstitute(FieldRule rule, double value) {
  rule.substitutes = SubstituteSource::Fixed;
  rule.parseSubstitute = rule.lowSubstitute = rule.highSubstitute = value;
  return rule;
}

std::string DGRangeText(double dgMin, double dgMax, char decimalSeparator) {
  return "[" + RealToText(dgMin, decimalSeparator) + ".." + RealToText(dgMax, decimalSeparator) +
         "]";
}

std::string FitRangeText(double fitMin, char decimalSeparator) {
  return "[" + RealToText(fitMin, decimalSeparator) + "..1]";
}

double SnapToShownBound(double value, double bound) {
  if (value == bound || RealToText(value, '.') != RealToText(bound, '.'))
    return value;
  return bound;
}

bool FitDGIntoRange(double p, double q, double &dg) {
  const DGRange r = ComputeDGRange(p, q);
  return FitIntoRange(dg, r.lower, r.upper);
}

bool FitFitIntoRange(double p, double &fit) { return FitIntoRange(fit, ComputeFitMin(p), 1); }

namespace rules {

const FieldRule SoftPropSexual = Real(
    "x", "x out of Range", [](SimState &s) -> double & { return s.SoftProp; }, 0, 1, 1);
const FieldRule SoftPropClonal = Real(
    "x", "x out of Range", [](SimState &s) -> double & { return s.SoftProp; }, {0}, {1}, 1, 0, 1);
const FieldRule MigSurv = Real(
    "d", "d out of Range", [](SimState &s) -> double & { return s.MigSurv; }, 0.0001, 1, 1);
const FieldRule HabFreq = Real(
    "c", "c out of Range", [](SimState &s) -> double & { return s.HabFreq; }, 0.0001, 0.9999, 0.5);
const FieldRule FreqA = Real(
    "p", "p out of Range", [](SimState &s) -> double & { return s.FreqA; }, 0, 1, 0.5);
const FieldRule FreqB = Real(
    "q", "q out of Range", [](SimState &s) -> double & { return s.FreqB; }, 0, 1, 0.5);
const FieldRule TriesAB =
    Count("i", "i out of Range", [](SimState &s) -> std::uint16_t & { return s.TriesAB; });
const FieldRule TriesaB =
    Count("j", "j out of Range", [](SimState &s) -> std::uint16_t & { return s.TriesaB; });
const FieldRule W1A = Real(
    "W1A", "W1(A) out of Range", [](SimState &s) -> double & { return s.W1A; }, 0, 1, 1);
const FieldRule W1a = Real(
    "W1a", "W1(a) out of Range", [](SimState &s) -> double & { return s.W1a; }, 0, 1, 1);
const FieldRule W2A = Real(
    "W2A", "W2(A) out of Range", [](SimState &s) -> double & { return s.W2A; }, 0, 1, 1);
const FieldRule W2a = Real(
    "W2a", "W2(a) out of Range", [](SimState &s) -> double & { return s.W2a; }, 0, 1, 1);
const FieldRule DG = Real(
    "DG", "DG0 out of Range", [](SimState &s) -> double & { return s.DG; }, {0, DGMinOf},
    {0, DGMaxOf}, 0, 0, 0);
const FieldRule StopThreshold = Real(
    "L", "L out of Range", [](SimState &s) -> double & { return s.StopThreshold; }, 0, 0.1,
    0.000001);
const FieldRule FreqAB = Real(
    "fAB", "f(AB) out of Range", [](SimState &s) -> double & { return s.X[1]; }, 0, 1, 0);
const FieldRule FreqAb = Real(
    "fAb", "f(Ab) out of Range", [](SimState &s) -> double & { return s.X[2]; }, 0, 1, 0.5);
const FieldRule FreqaB = Real(
    "faB", "f(aB) out of Range", [](SimState &s) -> double & { return s.X[3]; }, 0, 1, 0);
const FieldRule Freqab = Real(
    "fab", "f(ab) out of Range", [](SimState &s) -> double & { return s.X[4]; }, 0, 1, 0.5);
const FieldRule NewDG = WithPreviousValueSubstitutes(Real(
    "DG", "DG out of Range", [](SimState &s) -> double & { return s.DG; }, {0, DGMinOf},
    {0, DGMaxOf}, 0, 0, 0));
const FieldRule NewFit = WithPreviousValueSubstitutes(Real(
    "Fit", "Fit out of Range", [](SimState &s) -> double & { return s.Fit; }, {0, FitMinOf}, {1}, 0,
    0, 0));

} // namespace rules

const std::vector<const FieldRule *> &SexualInputFields() {
  static const std::vector<const FieldRule *> fields = {&rules::SoftPropSexual,
                                                        &rules::MigSurv,
                                                        &rules::HabFreq,
                                                        &rules::FreqA,
                                                        &rules::FreqB,
                                                        &rules::TriesAB,
                                                        &rules::TriesaB,
                                                        &rules::W1A,
                                                        &rules::W1a,
                                                        &rules::W2A,
                                                        &rules::W2a,
                                                        &rules::DG,
                                                        &rules::StopThreshold};
  return fields;
}

const std::vector<const FieldRule *> &ClonalInputFields() {
  static const std::vector<const FieldRule *> fields = {&rules::SoftPropClonal,
                                                        &rules::MigSurv,
                                                        &rules::HabFreq,
                                                        &rules::FreqAB,
                                                        &rules::FreqAb,
                                                        &rules::FreqaB,
                                                        &rules::Freqab,
                                                        &rules::TriesAB,
                                                        &rules::TriesaB,
                                                        &rules::W1A,
                                                        &rules::W1a,
                                                        &rules::W2A,
                                                        &rules::W2a,
                                                        &rules::StopThreshold};
  return fields;
}

const std::vector<const FieldRule *> &CloneFrequencyFields() {
  static const std::vector<const FieldRule *> fields = {&rules::FreqAB, &rules::FreqAb,
                                                        &rules::FreqaB, &rules::Freqab};
  return fields;
}

} // namespace morvane
