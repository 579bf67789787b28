// The four clone frequencies AB, Ab, aB, ab as they are entered: kept
// summing to 1 by dividing them by their sum.
#pragma once

#include "state/SimState.h"

namespace morvane {

enum class CloneSum { One, Zero, Other };

// Whether f[0..3] sum to exactly 1, to exactly 0, or to anything else.
CloneSum CheckCloneSum(const double *f);
// Divides f[0..3] by their sum, which must not be 0.
void NormaliseCloneFrequencies(double *f);
// The sum rule of the clone frequency fields on f[0..3]: a sum of exactly 1
// is kept; a sum of exactly 0 is refused and f[0..3] := onZero[0..3]; any
// other sum divides the four by it. Returns the sum found.
CloneSum ApplyCloneSumRule(double *f, const double *onZero);
// f[0..3] := 0, 0.5, 0, 0.5, the initial frequencies of a clonal series.
void ResetCloneFrequencies(double *f);

// The same on X1..X4 of the state.
inline CloneSum CheckCloneSum(const SimState &s) { return CheckCloneSum(&s.X[1]); }
inline void NormaliseCloneFrequencies(SimState &s) { NormaliseCloneFrequencies(&s.X[1]); }
inline void ResetCloneFrequencies(SimState &s) { ResetCloneFrequencies(&s.X[1]); }

} // namespace morvane
