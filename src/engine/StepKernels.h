// The generation steps of the five models, written once for any state S with
// the fields of SimState (SimState itself, or StepState<T>) and any scalar
// type its fields hold: double for the runs, a dual number for the
// derivatives of a generation. The settlement factors are passed in, so that
// the runs keep their per-thread memo of them (HaploidStep.cpp) and a dual
// state computes its own with their derivatives.
//
// The arithmetic is that of the runs, in the same order and grouping: with
// double the functions below give the very same numbers. Branches (empty
// habitats, extinction, fixed frequencies) are taken on the values alone.
#pragma once

#include <cmath>
#include <type_traits>
#include <utility>

#include "engine/InitialState.h"
#include "engine/Model.h"
#include "engine/StepRules.h"
#include "engine/StepState.h"

namespace morvane {

// The scalar type of a state's fields.
template <class S>
using ScalarOf = std::remove_cv_t<std::remove_reference_t<decltype(std::declval<S &>().X[0])>>;

// How often a choosy propagule ends in each habitat, per unit of c*d (habitat 1)
// or (1 - c)*d (habitat 2), from c, d, i and j:
// SAB1 = 1 + m1 + ... + m1^(i-1) and RAB2 = m1^(i-1) for [AB], which seeks
// habitat 1; RaB1 = m2^(j-1) and SaB2 = 1 + m2 + ... + m2^(j-1) for [aB], which
// seeks habitat 2; m1 = (1 - c)*d, m2 = c*d.
template <class T> struct SettlementFactorsOf {
  T SAB1;
  T RAB2;
  T RaB1;
  T SaB2;
};

namespace kernels {

// Whole powers are taken as exp(n ln(base)), with one logarithm per base, so
// that every model rounds them the same way; n = 0 gives exactly 1.
template <class T> inline T PowerFromLog(const T &logBase, int n) {
  using std::exp;
  return exp(static_cast<double>(n) * logBase);
}

} // namespace kernels

// The settlement factors from c, d, i and j, without any memo.
template <class T>
SettlementFactorsOf<T> SettlementFactorsFrom(const T &c, const T &d, int i, int j) {
  using std::log;
  const T m1 = (1 - c) * d; // survives and lands in habitat 2
  const T m2 = c * d;       // survives and lands in habitat 1
  const T logM1 = log(m1);
  const T logM2 = log(m2);
  SettlementFactorsOf<T> f;
  f.SAB1 = (1 - kernels::PowerFromLog(logM1, i)) / (1 - m1);
  f.RAB2 = kernels::PowerFromLog(logM1, i - 1);
  f.RaB1 = kernels::PowerFromLog(logM2, j - 1);
  f.SaB2 = (1 - kernels::PowerFromLog(logM2, j)) / (1 - m2);
  return f;
}

namespace kernels {

// The settlers of the four types X[1..4] in one habitat, which receives the
// share (c or 1 - c) of the dispersers: [AB] and [aB] with their settlement
// factors in it, [A] and [a] with their survivals in it. Writes settled[1..4]
// and returns the habitat's total.
template <class S, class T>
inline T SettleFourIn(S &s, const T &share, const T &factorAB, const T &factoraB, const T &survA,
                      const T &surva, T *settled) {
  const T d = s.MigSurv;
  const T h1 = share * d * factorAB * s.X[1] * survA;
  const T h2 = share * d * s.X[2] * survA;
  const T h3 = share * d * factoraB * s.X[3] * surva;
  const T h4 = share * d * s.X[4] * surva;
  const T W = h1 + h2 + h3 + h4;
  if (ValueOf(W) <= kEmptyHaploidHabitat) {
    settled[1] = settled[2] = settled[3] = settled[4] = T(0);
  } else {
    settled[1] = h1 / W;
    settled[2] = h2 / W;
    settled[3] = h3 / W;
    settled[4] = h4 / W;
  }
  return W;
}

// Dispersal with habitat choice and survival of the four types X[1..4]:
// writes Settled1[1..4], Settled2[1..4], W1, W2.
template <class S, class F> inline void SettleFour(S &s, const F &f) {
  using T = ScalarOf<S>;
  const T c = s.HabFreq;
  s.W1 = SettleFourIn(s, c, f.SAB1, f.RaB1, s.W1A, s.W1a, s.Settled1);
  s.W2 = SettleFourIn(s, T(1 - c), f.RAB2, f.SaB2, s.W2A, s.W2a, s.Settled2);
}

// Random union of four haploid types and meiosis with free recombination,
// in place on f[0..3] = AB, Ab, aB, ab.
template <class T> inline void RecombineFour(T *f) {
  const T a = f[0]; // AB
  const T b = f[1]; // Ab
  const T e = f[2]; // aB
  const T g = f[3]; // ab
  // Each double heterozygote (AB x ab or Ab x aB) gives every type with 1/4.
  const T v = 2 * (a * g + b * e) / 4;
  f[0] = (2 * a * b + 2 * a * e) / 2 + a * a + v;
  f[1] = v + (2 * a * b + 2 * b * g) / 2 + b * b;
  f[2] = v + (2 * a * e + 2 * e * g) / 2 + e * e;
  f[3] = v + (2 * b * g + 2 * e * g) / 2 + g * g;
}

// Soft and hard regulation: X[1..n] from Settled1, Settled2, W1 and W2; an
// extinct population (W1 + W2 <= 1e-20) gets X[1..n] := 0.
template <class S> inline void Regulate(S &s, int n) {
  using T = ScalarOf<S>;
  const T W = s.W1 + s.W2;
  if (ValueOf(W) <= kExtinctPopulation) {
    // Without a survivor in either habitat the hard part has no weights; the
    // population has died out.
    for (int k = 1; k <= n; ++k)
      s.X[k] = T(0);
    return;
  }
  const T x = s.SoftProp;
  const T c = s.HabFreq;
  for (int k = 1; k <= n; ++k) {
    // Soft part: habitats weighed by area; hard part: by productivity.
    s.X[k] = x * (c * s.Settled1[k] + (1 - c) * s.Settled2[k]) +
             (1 - x) * (s.W1 * s.Settled1[k] + s.W2 * s.Settled2[k]) / W;
  }
}

// New p and q from X[1..4], the changes since the last generation (no change
// of q is counted while the old q is fixed) and, when asked, DG.
template <class S> inline void HaploidMeasures(S &s, bool withDG) {
  using T = ScalarOf<S>;
  const T p = s.X[1] + s.X[2];
  s.DeltaP = p - s.FreqA;
  s.FreqA = p;
  const T q = s.X[1] + s.X[3];
  if (IsFixedFrequency(ValueOf(s.FreqB)))
    s.DeltaQ = T(0);
  else
    s.DeltaQ = q - s.FreqB;
  s.FreqB = q;
  if (withDG)
    s.DG = s.X[1] * s.X[4] - s.X[2] * s.X[3];
}

// Dispersal with habitat choice and survival of the nine genotype classes:
// writes Settled1[1..9], Settled2[1..9], W1, W2.
template <class S, class F> inline void SettleNine(S &s, const F &f) {
  using T = ScalarOf<S>;
  const T c = s.HabFreq;
  const T d = s.MigSurv;
  const T one = T(1);
  // Per genotype class: settlement factor and survival in each habitat. A and
  // B are dominant, so one A gives [A] and one B makes the class choosy.
  const T factor1[9] = {f.SAB1, f.SAB1, one, f.SAB1, f.SAB1, one, f.RaB1, f.RaB1, one};
  const T factor2[9] = {f.RAB2, f.RAB2, one, f.RAB2, f.RAB2, one, f.SaB2, f.SaB2, one};
  const T surv1[9] = {s.W1A, s.W1A, s.W1A, s.W1A, s.W1A, s.W1A, s.W1a, s.W1a, s.W1a};
  const T surv2[9] = {s.W2A, s.W2A, s.W2A, s.W2A, s.W2A, s.W2A, s.W2a, s.W2a, s.W2a};

  T h1[9];
  T h2[9];
  for (int k = 0; k < 9; ++k) {
    h1[k] = c * d * factor1[k] * s.X[k + 1] * surv1[k];
    h2[k] = (1 - c) * d * factor2[k] * s.X[k + 1] * surv2[k];
  }
  T W1 = h1[0];
  T W2 = h2[0];
  for (int k = 1; k < 9; ++k) {
    W1 += h1[k];
    W2 += h2[k];
  }
  s.W1 = W1;
  s.W2 = W2;
  if (ValueOf(W1) <= kEmptyDiploidHabitat) {
    for (int k = 1; k <= 9; ++k)
      s.Settled1[k] = T(0);
  } else {
    for (int k = 0; k < 9; ++k)
      s.Settled1[k + 1] = h1[k] / W1;
  }
  if (ValueOf(W2) <= kEmptyDiploidHabitat) {
    for (int k = 1; k <= 9; ++k)
      s.Settled2[k] = T(0);
  } else {
    for (int k = 0; k < 9; ++k)
      s.Settled2[k + 1] = h2[k] / W2;
  }
}

// New p and q from X[1..9] with their changes (none counted for q while the
// old q is fixed), the heterozygotes at locus A and the fixation index.
template <class S> inline void DiploidMeasures(S &s) {
  using T = ScalarOf<S>;
  const T *X = s.X;
  const T p = X[1] + X[2] + X[3] + (X[4] + X[5] + X[6]) / 2;
  s.DeltaP = p - s.FreqA;
  s.FreqA = p;
  const T q = X[1] + X[4] + X[7] + (X[2] + X[5] + X[8]) / 2;
  if (IsFixedFrequency(ValueOf(s.FreqB)))
    s.DeltaQ = T(0);
  else
    s.DeltaQ = q - s.FreqB;
  s.FreqB = q;
  s.Heteroz = X[4] + X[5] + X[6];
  if (IsFixedFrequency(ValueOf(s.FreqA)))
    s.Fit = T(0);
  else
    s.Fit = 1 - s.Heteroz / (2 * p * (1 - p));
}

} // namespace kernels

// One generation of model M on s with the settlement factors f of its c, d,
// i and j. Writes what the model's step writes (X, p, q, DG, Fit and the
// heterozygotes as the model keeps them, the deltas, W1, W2, the settlers).
template <Model M, class S, class F> inline void ModelStepWith(S &s, const F &f) {
  using T = ScalarOf<S>;
  if constexpr (M == Model::HaploidLocal) {
    kernels::SettleFour(s, f);
    kernels::RecombineFour(&s.Settled1[1]);
    kernels::RecombineFour(&s.Settled2[1]);
    kernels::Regulate(s, 4);
    kernels::HaploidMeasures(s, true);
  } else if constexpr (M == Model::HaploidGlobal) {
    kernels::SettleFour(s, f);
    kernels::Regulate(s, 4);
    // p, q and their changes are taken before mating in the whole population.
    kernels::HaploidMeasures(s, false);
    kernels::RecombineFour(&s.X[1]);
    s.DG = s.X[1] * s.X[4] - s.X[2] * s.X[3];
  } else if constexpr (M == Model::DiploidLocal) {
    kernels::SettleNine(s, f);
    RandomUnion(GameteFrequencies(&s.Settled1[1]), &s.Settled1[1]);
    RandomUnion(GameteFrequencies(&s.Settled2[1]), &s.Settled2[1]);
    kernels::Regulate(s, 9);
    kernels::DiploidMeasures(s);
    // The mixture of the two habitats' zygotes need not be at linkage
    // equilibrium: DG is read from the gametes it would produce.
    const GametesOf<T> m = GameteFrequencies(&s.X[1]);
    s.DG = m.AB * m.ab - m.Ab * m.aB;
  } else if constexpr (M == Model::DiploidGlobal) {
    kernels::SettleNine(s, f);
    kernels::Regulate(s, 9);
    const GametesOf<T> m = GameteFrequencies(&s.X[1]);
    s.DG = m.AB * m.ab - m.Ab * m.aB;
    RandomUnion(m, &s.X[1]);
    kernels::DiploidMeasures(s);
  } else {
    // Stage 1: the same dispersal, habitat choice and survival as the sexual
    // haploids.
    kernels::SettleFour(s, f);
    // Stage 2: regulation and mixing without mating. p and q are not kept for
    // clones; the changes come from the clone frequencies themselves.
    const T pOld = s.X[1] + s.X[2];
    const T qOld = s.X[1] + s.X[3];
    kernels::Regulate(s, 4); // an extinct population keeps X[1..4] = 0
    s.DeltaP = (s.X[1] + s.X[2]) - pOld;
    s.DeltaQ = (s.X[1] + s.X[3]) - qOld;
  }
}

// One generation of model M on a StepState, its settlement factors (and their
// derivatives) worked out from its own c, d, i and j.
template <Model M, class T> inline void ModelStep(StepState<T> &s) {
  ModelStepWith<M>(s, SettlementFactorsFrom(s.HabFreq, s.MigSurv, s.TriesAB, s.TriesaB));
}

} // namespace morvane
