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
// The sum rule on four frequencies as a Go reads them: divided by their sum
// unless it is exactly 1 or exactly 0 (then they are left as they are and
// the caller refuses them). Returns what the sum was.
CloneSum SumCloneFrequenciesToOne(double *f);
// f[0..3] := 0, 0.5, 0, 0.5, the initial frequencies of a clonal series.
void ResetCloneFrequencies(double *f);

// The same on X1..X4 of the state.
inline CloneSum CheckCloneSum(const SimState &s) { return CheckCloneSum(&s.X[1]); }
inline void NormaliseCloneFrequencies(SimState &s) { NormaliseCloneFrequencies(&s.X[1]); }
inline void ResetCloneFrequencies(SimState &s) { ResetCloneFrequencies(&s.X[1]); }

} // namespace morvane
