// One generation of a sexual haploid population, and the settlement and
// survival stage that the clonal step shares.
#pragma once

#include "state/SimState.h"

namespace morvane {

// Dispersal with habitat choice and survival of the four types X[1..4]:
// writes Settled1[1..4], Settled2[1..4], W1, W2.
void SettlementAndSurvival(SimState& s);

// Random union of four haploid types and meiosis with free recombination,
// in place on f[0..3] = AB, Ab, aB, ab.
void Recombine(double* f);

void HaploidLocalStep(SimState& s);
void HaploidGlobalStep(SimState& s);

} // namespace morvane
