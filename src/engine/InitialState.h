// Building a sexual population from p, q, DG (and Fit), and the authorised
// ranges of DG and Fit that the windows keep.
#pragma once

#include "state/SimState.h"

namespace morvane {

// True when a frequency counts as fixed: at most 1e-10 or at least 0.99999999999.
inline bool IsFixedFrequency(double x) { return x <= 1e-10 || x >= 0.99999999999; }

struct DGRange {
  double lower;
  double upper;
};

// Authorised range of the linkage disequilibrium for allele frequencies p, q;
// [0..0] when either is fixed.
DGRange ComputeDGRange(double p, double q);

// DGMin and DGMax := the authorised range of the FreqA and FreqB held in s.
void StoreDGRange(SimState &s);

// Lower bound of the authorised fixation index for p (the upper bound is 1).
double ComputeFitMin(double p);

// Haploid types X[1..4] from FreqA, FreqB, DG; Fit, DeltaP, DeltaQ := 0.
void HaploidInitialState(SimState &s);

// Diploid genotypes X[1..9] at Hardy-Weinberg proportions from FreqA, FreqB,
// DG; also Heteroz and Fit. DeltaP and DeltaQ are left as they are.
void DiploidInitialState(SimState &s);

// Diploid genotypes X[1..9] from FreqA, FreqB and Fit at linkage equilibrium.
// DG and Heteroz are left as they are.
void DiploidGenotypesFromFit(SimState &s);

} // namespace morvane
