// One generation of a sexual haploid population, and the settlement and
// survival stage that the clonal step shares.
#pragma once

#include "engine/StepKernels.h"
#include "state/SimState.h"

namespace morvane {

// The settlement factors SAB1, RAB2, RaB1, SaB2 of a choosy propagule
// (StepKernels.h), on doubles.
using SettlementFactors = SettlementFactorsOf<double>;
SettlementFactors ComputeSettlementFactors(const SimState &s);

// Dispersal with habitat choice and survival of the four types X[1..4]:
// writes Settled1[1..4], Settled2[1..4], W1, W2.
void SettlementAndSurvival(SimState &s);

// Random union of four haploid types and meiosis with free recombination,
// in place on f[0..3] = AB, Ab, aB, ab.
void Recombine(double *f);

// Soft and hard regulation: X[1..n] from Settled1, Settled2, W1 and W2.
// When W1 + W2 <= 1e-20 nobody survived anywhere: the population has died out
// and X[1..n] := 0.
void RegulateAndMix(SimState &s, int n);

void HaploidLocalStep(SimState &s);
void HaploidGlobalStep(SimState &s);

} // namespace morvane
