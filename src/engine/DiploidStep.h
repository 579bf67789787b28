// One generation of a sexual diploid population.
#pragma once

#include "state/SimState.h"

namespace morvane {

// Dispersal with habitat choice and survival of the nine genotype classes:
// writes Settled1[1..9], Settled2[1..9], W1, W2.
void DiploidSettlementAndSurvival(SimState &s);

// Gamete production with free recombination and random union, in place on
// g[0..8] = the nine genotype classes in their usual order.
void GametesAndUnion(double *g);

void DiploidLocalStep(SimState &s);
void DiploidGlobalStep(SimState &s);

} // namespace morvane
