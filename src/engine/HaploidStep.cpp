#include "engine/HaploidStep.h"

#include <cmath>

#include "engine/InitialState.h"
#include "engine/StepRules.h"

namespace morvane {

namespace {

// Whole powers are taken as exp(n ln(base)), with one logarithm per base, so
// that every model rounds them the same way; n = 0 gives exactly 1.
inline double PowerFromLog(double logBase, int n) {
  return std::exp(static_cast<double>(n) * logBase);
}

// New p and q from X[1..4], the changes since the last generation (no change
// of q is counted while the old q is fixed) and, when asked, DG.
void HaploidMeasures(SimState &s, bool withDG) {
  const double p = s.X[1] + s.X[2];
  s.DeltaP = p - s.FreqA;
  s.FreqA = p;
  const double q = s.X[1] + s.X[3];
  if (IsFixedFrequency(s.FreqB))
    s.DeltaQ = 0;
  else
    s.DeltaQ = q - s.FreqB;
  s.FreqB = q;
  if (withDG)
    s.DG = s.X[1] * s.X[4] - s.X[2] * s.X[3];
}

} // namespace

SettlementFactors ComputeSettlementFactors(const SimState &s) {
  // The factors depend on the parameters only, which stay the same for a whole
  // run: they are worked out again only when c, d, i or j change, which spares
  // six exp/log evaluations per generation and gives the very same values.
  struct Memo {
    bool valid = false;
    double c = 0, d = 0;
    int i = 0, j = 0;
    SettlementFactors factors{};
  };
  thread_local Memo memo;
  const double c = s.HabFreq;
  const double d = s.MigSurv;
  const int i = s.TriesAB;
  const int j = s.TriesaB;
  if (memo.valid && memo.c == c && memo.d == d && memo.i == i && memo.j == j)
    return memo.factors;

  const double m1 = (1 - c) * d; // survives and lands in habitat 2
  const double m2 = c * d;       // survives and lands in habitat 1
  const double logM1 = std::log(m1);
  const double logM2 = std::log(m2);
  SettlementFactors f;
  f.SAB1 = (1 - PowerFromLog(logM1, i)) / (1 - m1);
  f.RAB2 = PowerFromLog(logM1, i - 1);
  f.RaB1 = PowerFromLog(logM2, j - 1);
  f.SaB2 = (1 - PowerFromLog(logM2, j)) / (1 - m2);
  memo.valid = true;
  memo.c = c;
  memo.d = d;
  memo.i = i;
  memo.j = j;
  memo.factors = f;
  return f;
}

void SettlementAndSurvival(SimState &s) {
  const SettlementFactors f = ComputeSettlementFactors(s);
  const double c = s.HabFreq;
  const double d = s.MigSurv;

  const double h11 = c * d * f.SAB1 * s.X[1] * s.W1A;
  const double h12 = c * d * s.X[2] * s.W1A;
  const double h13 = c * d * f.RaB1 * s.X[3] * s.W1a;
  const double h14 = c * d * s.X[4] * s.W1a;
  s.W1 = h11 + h12 + h13 + h14;
  if (s.W1 <= kEmptyHaploidHabitat) {
    s.Settled1[1] = s.Settled1[2] = s.Settled1[3] = s.Settled1[4] = 0;
  } else {
    s.Settled1[1] = h11 / s.W1;
    s.Settled1[2] = h12 / s.W1;
    s.Settled1[3] = h13 / s.W1;
    s.Settled1[4] = h14 / s.W1;
  }

  const double h21 = (1 - c) * d * f.RAB2 * s.X[1] * s.W2A;
  const double h22 = (1 - c) * d * s.X[2] * s.W2A;
  const double h23 = (1 - c) * d * f.SaB2 * s.X[3] * s.W2a;
  const double h24 = (1 - c) * d * s.X[4] * s.W2a;
  s.W2 = h21 + h22 + h23 + h24;
  if (s.W2 <= kEmptyHaploidHabitat) {
    s.Settled2[1] = s.Settled2[2] = s.Settled2[3] = s.Settled2[4] = 0;
  } else {
    s.Settled2[1] = h21 / s.W2;
    s.Settled2[2] = h22 / s.W2;
    s.Settled2[3] = h23 / s.W2;
    s.Settled2[4] = h24 / s.W2;
  }
}

void Recombine(double *f) {
  const double a = f[0]; // AB
  const double b = f[1]; // Ab
  const double e = f[2]; // aB
  const double g = f[3]; // ab
  // Each double heterozygote (AB x ab or Ab x aB) gives every type with 1/4.
  const double v = 2 * (a * g + b * e) / 4;
  f[0] = (2 * a * b + 2 * a * e) / 2 + a * a + v;
  f[1] = v + (2 * a * b + 2 * b * g) / 2 + b * b;
  f[2] = v + (2 * a * e + 2 * e * g) / 2 + e * e;
  f[3] = v + (2 * b * g + 2 * e * g) / 2 + g * g;
}

void RegulateAndMix(SimState &s, int n) {
  const double W = s.W1 + s.W2;
  if (W <= kExtinctPopulation) {
    // Without a survivor in either habitat the hard part has no weights; the
    // population has died out.
    for (int k = 1; k <= n; ++k)
      s.X[k] = 0;
    return;
  }
  const double x = s.SoftProp;
  const double c = s.HabFreq;
  for (int k = 1; k <= n; ++k) {
    // Soft part: habitats weighed by area; hard part: by productivity.
    s.X[k] = x * (c * s.Settled1[k] + (1 - c) * s.Settled2[k]) +
             (1 - x) * (s.W1 * s.Settled1[k] + s.W2 * s.Settled2[k]) / W;
  }
}

void HaploidLocalStep(SimState &s) {
  SettlementAndSurvival(s);
  Recombine(&s.Settled1[1]);
  Recombine(&s.Settled2[1]);
  RegulateAndMix(s, 4);
  HaploidMeasures(s, true);
}

void HaploidGlobalStep(SimState &s) {
  SettlementAndSurvival(s);
  RegulateAndMix(s, 4);
  // p, q and their changes are taken before mating in the whole population.
  HaploidMeasures(s, false);
  Recombine(&s.X[1]);
  s.DG = s.X[1] * s.X[4] - s.X[2] * s.X[3];
}

} // namespace morvane
