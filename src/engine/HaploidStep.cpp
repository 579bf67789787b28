#include "engine/HaploidStep.h"

#include "engine/StepKernels.h"

namespace morvane {

SettlementFactors ComputeSettlementFactors(const SimState &s) {
  // The factors depend on the parameters only, which stay the same for a whole
  // run: they are worked out again only when c, d, i or j change, which spares
  // six exp/log evaluations per generation and gives the very same values.
  // The memo is for doubles only: a dual state works its factors out itself
  // (ModelStep), with their derivatives.
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

  const SettlementFactors f = SettlementFactorsFrom(c, d, i, j);
  memo.valid = true;
  memo.c = c;
  memo.d = d;
  memo.i = i;
  memo.j = j;
  memo.factors = f;
  return f;
}

void SettlementAndSurvival(SimState &s) { kernels::SettleFour(s, ComputeSettlementFactors(s)); }

void Recombine(double *f) { kernels::RecombineFour(f); }

void RegulateAndMix(SimState &s, int n) { kernels::Regulate(s, n); }

void HaploidLocalStep(SimState &s) {
  ModelStepWith<Model::HaploidLocal>(s, ComputeSettlementFactors(s));
}

void HaploidGlobalStep(SimState &s) {
  ModelStepWith<Model::HaploidGlobal>(s, ComputeSettlementFactors(s));
}

} // namespace morvane
