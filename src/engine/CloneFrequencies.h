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
// The sum rule of a Go on the four values its fields show (15 significant
// digits each): frequencies whose sum is 1 within the rounding of the four
// shown values (half a unit of each one's 15th digit, and the rounding of
// the sum's own additions) run as they are shown;
// any other sum but 0 divides them. A sum
// of exactly 0 leaves them for the caller to refuse. Returns One when they
// are kept, Zero or Other as CheckCloneSum.
CloneSum SumShownCloneFrequenciesToOne(double *f);
// Four frequencies given all at once (a command line, a point of a sweep):
// the values the clonal input window holds at Go when they are typed into
// its fields. Each is rounded to the 15 significant digits its field shows;
// four whose sum is 1 within that rounding are kept as they are, any other
// set but one summing to 0 is divided by its sum and each quotient rounded
// again as its field would show it. A sum of exactly 0 leaves them for the
// caller to refuse. Returns One when they are kept, Zero or Other as
// CheckCloneSum.
CloneSum GivenCloneFrequencies(double *f);
// f[0..3] := 0, 0.5, 0, 0.5, the initial frequencies of a clonal series.
void ResetCloneFrequencies(double *f);

// The same on X1..X4 of the state.
inline CloneSum CheckCloneSum(const SimState &s) { return CheckCloneSum(&s.X[1]); }
inline void NormaliseCloneFrequencies(SimState &s) { NormaliseCloneFrequencies(&s.X[1]); }
inline void ResetCloneFrequencies(SimState &s) { ResetCloneFrequencies(&s.X[1]); }

} // namespace morvane
