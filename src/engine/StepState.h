// The part of the simulation state that one generation reads and writes, on
// a scalar type T: the parameters, the population and the quantities of the
// last generation, under the names of SimState. The generation steps are
// written once for any state with these fields (StepKernels.h): SimState runs
// them on doubles, StepState<T> with T a dual number gives their derivatives.
#pragma once

#include <cstdint>

#include "state/SimState.h"

namespace morvane {

template <class T> struct StepState {
  // Parameters.
  T SoftProp{};
  T MigSurv{};
  T HabFreq{};
  std::uint16_t TriesAB = 0;
  std::uint16_t TriesaB = 0;
  T W1A{};
  T W2A{};
  T W1a{};
  T W2a{};
  // Population, 1-based as in SimState.
  T X[10] = {};
  T FreqA{};
  T FreqB{};
  T DG{};
  T Heteroz{};
  T Fit{};
  // Quantities of the last generation.
  T Settled1[10] = {};
  T Settled2[10] = {};
  T W1{};
  T W2{};
  T DeltaP{};
  T DeltaQ{};
};

// The value of a scalar, without its derivatives: what the steps compare with
// their thresholds. Dual numbers bring their own overload.
inline double ValueOf(double v) { return v; }

// The parameters p as a StepState with no population yet; T must be
// constructible from a double (the derivatives start at 0).
template <class T> StepState<T> StepStateOf(const Parameters &p) {
  StepState<T> t;
  t.SoftProp = T(p.SoftProp);
  t.MigSurv = T(p.MigSurv);
  t.HabFreq = T(p.HabFreq);
  t.TriesAB = p.TriesAB;
  t.TriesaB = p.TriesaB;
  t.W1A = T(p.W1A);
  t.W2A = T(p.W2A);
  t.W1a = T(p.W1a);
  t.W2a = T(p.W2a);
  return t;
}

// The parameters and the population of s as a StepState.
template <class T> StepState<T> StepStateOf(const SimState &s) {
  StepState<T> t = StepStateOf<T>(s.Params());
  for (int k = 0; k < 10; ++k)
    t.X[k] = T(s.X[k]);
  t.FreqA = T(s.FreqA);
  t.FreqB = T(s.FreqB);
  t.DG = T(s.DG);
  t.Heteroz = T(s.Heteroz);
  t.Fit = T(s.Fit);
  return t;
}

} // namespace morvane
