#include "engine/DiploidStep.h"

#include "engine/HaploidStep.h"
#include "engine/InitialState.h"
#include "engine/StepRules.h"

namespace morvane {

namespace {

// New p and q from X[1..9] with their changes (none counted for q while the
// old q is fixed), the heterozygotes at locus A and the fixation index.
void DiploidMeasures(SimState &s) {
  const double *X = s.X;
  const double p = X[1] + X[2] + X[3] + (X[4] + X[5] + X[6]) / 2;
  s.DeltaP = p - s.FreqA;
  s.FreqA = p;
  const double q = X[1] + X[4] + X[7] + (X[2] + X[5] + X[8]) / 2;
  if (IsFixedFrequency(s.FreqB))
    s.DeltaQ = 0;
  else
    s.DeltaQ = q - s.FreqB;
  s.FreqB = q;
  s.Heteroz = X[4] + X[5] + X[6];
  if (IsFixedFrequency(s.FreqA))
    s.Fit = 0;
  else
    s.Fit = 1 - s.Heteroz / (2 * p * (1 - p));
}

} // namespace

void DiploidSettlementAndSurvival(SimState &s) {
  const SettlementFactors f = ComputeSettlementFactors(s);
  const double c = s.HabFreq;
  const double d = s.MigSurv;
  // Per genotype class: settlement factor and survival in each habitat. A and
  // B are dominant, so one A gives [A] and one B makes the class choosy.
  const double factor1[9] = {f.SAB1, f.SAB1, 1, f.SAB1, f.SAB1, 1, f.RaB1, f.RaB1, 1};
  const double factor2[9] = {f.RAB2, f.RAB2, 1, f.RAB2, f.RAB2, 1, f.SaB2, f.SaB2, 1};
  const double surv1[9] = {s.W1A, s.W1A, s.W1A, s.W1A, s.W1A, s.W1A, s.W1a, s.W1a, s.W1a};
  const double surv2[9] = {s.W2A, s.W2A, s.W2A, s.W2A, s.W2A, s.W2A, s.W2a, s.W2a, s.W2a};

  double h1[9];
  double h2[9];
  for (int k = 0; k < 9; ++k) {
    h1[k] = c * d * factor1[k] * s.X[k + 1] * surv1[k];
    h2[k] = (1 - c) * d * factor2[k] * s.X[k + 1] * surv2[k];
  }
  double W1 = h1[0];
  double W2 = h2[0];
  for (int k = 1; k < 9; ++k) {
    W1 += h1[k];
    W2 += h2[k];
  }
  s.W1 = W1;
  s.W2 = W2;
  if (W1 <= kEmptyDiploidHabitat) {
    for (int k = 1; k <= 9; ++k)
      s.Settled1[k] = 0;
  } else {
    for (int k = 0; k < 9; ++k)
      s.Settled1[k + 1] = h1[k] / W1;
  }
  if (W2 <= kEmptyDiploidHabitat) {
    for (int k = 1; k <= 9; ++k)
      s.Settled2[k] = 0;
  } else {
    for (int k = 0; k < 9; ++k)
      s.Settled2[k + 1] = h2[k] / W2;
  }
}

void GametesAndUnion(double *g) { RandomUnion(GameteFrequencies(g), g); }

void DiploidLocalStep(SimState &s) {
  DiploidSettlementAndSurvival(s);
  GametesAndUnion(&s.Settled1[1]);
  GametesAndUnion(&s.Settled2[1]);
  RegulateAndMix(s, 9);
  DiploidMeasures(s);
  // The mixture of the two habitats' zygotes need not be at linkage
  // equilibrium: DG is read from the gametes it would produce.
  const Gametes m = GameteFrequencies(&s.X[1]);
  s.DG = m.AB * m.ab - m.Ab * m.aB;
}

void DiploidGlobalStep(SimState &s) {
  DiploidSettlementAndSurvival(s);
  RegulateAndMix(s, 9);
  const Gametes m = GameteFrequencies(&s.X[1]);
  s.DG = m.AB * m.ab - m.Ab * m.aB;
  RandomUnion(m, &s.X[1]);
  DiploidMeasures(s);
}

} // namespace morvane
