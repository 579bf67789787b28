// One generation of a sexual haploid population, and the settlement and
// survival stage that the clonal step shares.
#pragma once

#include "state/SimState.h"

namespace morvane {

// How often a choosy propagule ends in each habitat, per unit of c*d (habitat 1)
// or (1 - c)*d (habitat 2), from c, d, i and j:
// SAB1 = 1 + m1 + ... + m1^(i-1) and RAB2 = m1^(i-1) for [AB], which seeks
// habitat 1; RaB1 = m2^(j-1) and SaB2 = 1 + m2 + ... + m2^(j-1) for [aB], which
// seeks habitat 2; m1 = (1 - c)*d, m2 = c*d.
struct SettlementFactors {
  double SAB1;
  double RAB2;
  double RaB1;
  double SaB2;
};
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
