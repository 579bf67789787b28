// The check that every numeric field of the input and disturbance windows
// runs when the focus leaves it: parse the text, store the value in the
// simulation state, replace a bad value by a substitute, and give back the
// canonical text of what was stored. Widget-free, so that the windows share
// one implementation and the rule can be exercised without a window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "state/SimState.h"

namespace morvane::ui {

// One end of a field's accepted range: a constant, or a value read from the
// state at the moment of the exit (the DG range moves with p and q).
struct FieldBound {
  double constant = 0;
  double (*fromState)(const SimState &) = nullptr;

  double Get(const SimState &s) const { return fromState ? fromState(s) : constant; }
};

enum class FieldTarget { Real, Count };

// Where the substitutes come from: the fixed values of the rule (input
// windows), or the value the state held before the exit (disturbance windows).
enum class SubstituteSource { Fixed, PreviousValue };

struct FieldRule {
  const char *control; // object name of the edit field, e.g. "TxtSoftProp"
  const char *message; // shown when the entry was replaced, e.g. "x out of Range"
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

// Runs the exit rule on `text`: stores into the rule's target (always, even
// when the value is good), substitutes out-of-range or unparsable entries and
// returns the canonical text with `decimalSeparator`.
FieldOutcome ApplyFieldRule(const FieldRule &rule, std::string_view text, char decimalSeparator,
                            SimState &s);

// The same rule with every substitute replaced by the value held in the
// target before the exit (disturbance windows).
FieldRule WithPreviousValueSubstitutes(FieldRule rule);

// "[" + DGMin + ".." + DGMax + "]" in the window's real-to-text form.
std::string DGRangeText(double dgMin, double dgMax, char decimalSeparator);

// The bound itself when `value` has the same canonical text as `bound`
// (15 significant digits), else `value`. The DG range is computed, so its
// bounds are shown rounded; what the user types back from that text must
// mean the bound, not a value a rounding error beyond it.
double SnapToShownBound(double value, double bound);

// Puts a dg typed as one of the shown bounds of the range of p and q onto
// that bound, then tells whether dg lies in the range (bounds included).
bool FitDGIntoRange(double p, double q, double &dg);

// The rows of the field table. Sexual and clonal windows share every row but
// x, whose low substitute is 1 in the sexual window and 0 in the clonal one.
namespace rules {
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
extern const FieldRule DG;
extern const FieldRule StopThreshold;
extern const FieldRule FreqAB; // X1
extern const FieldRule FreqAb; // X2
extern const FieldRule FreqaB; // X3
extern const FieldRule Freqab; // X4
} // namespace rules

} // namespace morvane::ui
