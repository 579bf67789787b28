// Helpers shared by the engine tests: model parameters in one call, sums and
// allele frequencies read back from the state.
#pragma once

#include <cstdint>

#include "state/SimState.h"

namespace morvane::testing {

struct Params {
  double x = 0.5;
  double d = 0.9;
  double c = 0.6;
  std::uint16_t i = 3;
  std::uint16_t j = 2;
  double W1A = 0.9;
  double W2A = 0.4;
  double W1a = 0.5;
  double W2a = 0.8;
};

inline void Apply(const Params &p, SimState &s) {
  s.SoftProp = p.x;
  s.MigSurv = p.d;
  s.HabFreq = p.c;
  s.TriesAB = p.i;
  s.TriesaB = p.j;
  s.W1A = p.W1A;
  s.W2A = p.W2A;
  s.W1a = p.W1a;
  s.W2a = p.W2a;
}

inline void SetTypes(SimState &s, double ab1, double ab2, double ab3, double ab4) {
  s.X[1] = ab1;
  s.X[2] = ab2;
  s.X[3] = ab3;
  s.X[4] = ab4;
}

inline double Sum(const double *a, int n) {
  double t = 0;
  for (int k = 1; k <= n; ++k)
    t += a[k];
  return t;
}

inline double DiploidP(const double *X) { return X[1] + X[2] + X[3] + (X[4] + X[5] + X[6]) / 2; }
inline double DiploidQ(const double *X) { return X[1] + X[4] + X[7] + (X[2] + X[5] + X[8]) / 2; }

// Probabilities that a choosy propagule seeking habitat `seek` (1 or 2) with
// `tries` attempts ends alive in habitat 1 and in habitat 2, following its
// attempts one by one.
struct Ending {
  double in1;
  double in2;
};
inline Ending ChoosyEnding(double c, double d, int tries, int seek) {
  const double toSought = (seek == 1 ? c : 1 - c) * d;
  const double toOther = (seek == 1 ? 1 - c : c) * d;
  double alive = 1; // still dispersing after the attempts made so far
  double sought = 0;
  double other = 0;
  for (int k = 1; k <= tries; ++k) {
    sought += alive * toSought;
    if (k == tries)
      other += alive * toOther; // the last attempt settles wherever it lands
    else
      alive *= toOther; // landed in the wrong habitat: tries again
  }
  return seek == 1 ? Ending{sought, other} : Ending{other, sought};
}

} // namespace morvane::testing
