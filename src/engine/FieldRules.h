// The numeric fields of the program, once: the parameters and initial state
// typed in the input windows, the values typed in the disturbance windows,
// and the options of morvane-run, which take the same values under the same
// names. Each row gives the value's symbol, its target in the state, its
// accepted range (constant bounds, or bounds the state holds, such as the DG
// range of p and q), the substitutes of a refused entry and its message.
//
// Also here: the one reading of a typed real and of a typed count, and the
// value a field shows. The windows' field exits and Go buttons, and the
// runner's options, all go through them, so that the same typed text gives
// the same stored value everywhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "state/SimState.h"

namespace morvane {

// A typed real: blanks around it are ignored, then an optional sign, digits
// with `decimalSeparator` or '.', an optional exponent; nothing else may
// follow. Empty text, "nan", "inf", hexadecimal forms and overflowing values
// are no numbers.
std::optional<double> ReadTypedReal(std::string_view text, char decimalSeparator = '.');

// A typed count: a typed real truncated toward zero (2.7 is 2); nothing when
// the text is no number or the value has no 64-bit integer form. The caller
// checks the range before it narrows the value into a 16-bit count.
std::optional<long long> ReadTypedCount(std::string_view text, char decimalSeparator = '.');

// The value a field shows for v: v written with 15 significant digits and
// read back. The windows run on the values their fields show, so a value
// computed for display (a trade-off survival, the ESS value of W1(A)) runs
// as that shown value.
double ShownValue(double v);

// One end of a field's accepted range: a constant, or a value read from the
// state at the moment of the check (the DG range moves with p and q).
struct FieldBound {
  double constant = 0;
  double (*fromState)(const SimState &) = nullptr;

  double Get(const SimState &s) const { return fromState ? fromState(s) : constant; }
};

enum class FieldTarget { Real, Count };

// Where the substitutes come from: the values of the rule (input windows),
// or the value the state held before the entry (disturbance windows).
enum class SubstituteSource { Fixed, PreviousValue };

struct FieldRule {
  const char *option;  // name of the value in morvane-run's options ("x", "W1A", "DG")
  const char *message; // shown when an entry was replaced, e.g. "x out of Range"
  FieldTarget kind;
  double &(*real)(SimState &);         // target of a real field
  std::uint16_t &(*count)(SimState &); // target of a count field (i, j)
  FieldBound lo;
  FieldBound hi;
  double parseSubstitute;
  double lowSubstitute;
  double highSubstitute;
  SubstituteSource substitutes = SubstituteSource::Fixed;
};

struct FieldOutcome {
  bool valid;       // false when a substitute was stored
  std::string text; // canonical text of the stored value, to be written back
};

// The field-exit rule on `text`: stores into the rule's target (always, even
// when the value is good), replaces an unparsable or out-of-range entry by its
// substitute and returns the canonical text with `decimalSeparator`. A value
// typed as the shown text of a bound that moves with the state is that bound.
FieldOutcome ApplyFieldRule(const FieldRule &rule, std::string_view text, char decimalSeparator,
                            SimState &s);
// The same rule without the text to write back: stores into the target and
// tells whether the entry was kept (false when a substitute was stored).
bool StoreFieldEntry(const FieldRule &rule, std::string_view text, char decimalSeparator,
                     SimState &s);

// The same rule with every substitute replaced by the value held in the
// target before the entry (disturbance windows).
FieldRule WithPreviousValueSubstitutes(FieldRule rule);
// The same rule with all three substitutes set to `value`.
FieldRule WithSubstitute(FieldRule rule, double value);

// "[" + DGMin + ".." + DGMax + "]" in the windows' real-to-text form.
std::string DGRangeText(double dgMin, double dgMax, char decimalSeparator);
// "[" + FitMin + "..1]".
std::string FitRangeText(double fitMin, char decimalSeparator);

// The bound itself when `value` has the same canonical text as `bound`
// (15 significant digits), else `value`. The DG range is computed, so its
// bounds are shown rounded; what the user types back from that text must
// mean the bound, not a value a rounding error beyond it.
double SnapToShownBound(double value, double bound);

// Puts a dg typed as one of the shown bounds of the range of p and q onto
// that bound, then tells whether dg lies in the range (bounds included).
bool FitDGIntoRange(double p, double q, double &dg);
// Whether fit lies in the authorised range of p (a bound typed as shown
// counts as the bound, which it then becomes).
bool FitFitIntoRange(double p, double &fit);

// The rows of the field table.
namespace rules {
// Input windows. The sexual and clonal windows share every row but x, whose
// low substitute is 1 in the sexual window and 0 in the clonal one.
extern const FieldRule SoftPropSexual;
extern const FieldRule SoftPropClonal;
extern const FieldRule MigSurv;
extern const FieldRule HabFreq;
extern const FieldRule FreqA;
extern const FieldRule FreqB;
extern const FieldRule TriesAB;
extern const FieldRule TriesaB;
extern const FieldRule W1A;
extern const FieldRule W1a;
extern const FieldRule W2A;
extern const FieldRule W2a;
extern const FieldRule DG; // DG0, the initial disequilibrium
extern const FieldRule StopThreshold;
extern const FieldRule FreqAB; // X1
extern const FieldRule FreqAb; // X2
extern const FieldRule FreqaB; // X3
extern const FieldRule Freqab; // X4
// Disturbance windows: p and q (the rows above, with the previous value as
// substitute), the new DG and the new Fit, and the clone frequencies (the
// rows above, with the frequencies saved at the end of the run).
extern const FieldRule NewDG;
extern const FieldRule NewFit;
} // namespace rules

// The fields of an input window in the order of its table, which is also the
// order in which a value may depend on another (DG0 on p and q).
const std::vector<const FieldRule *> &SexualInputFields();
const std::vector<const FieldRule *> &ClonalInputFields();
// The four clone frequency rows, AB, Ab, aB, ab.
const std::vector<const FieldRule *> &CloneFrequencyFields();

} // namespace morvane
