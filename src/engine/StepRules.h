// The diploid gametes of nine genotype classes and their random union, the
// thresholds below which a habitat or the whole population counts as empty:
// shared by the one-population steps and the batch step, so that both round
// the same way. The gametes are written on a scalar type T: double for the
// runs, a dual number for the derivatives of a generation.
#pragma once

// Always inlined, so that the batch step's loops over lanes stay vectorised.
#define MORVANE_LANE_INLINE inline __attribute__((always_inline))

namespace morvane {

// Below these a habitat counts as empty after settlement and survival.
constexpr double kEmptyHaploidHabitat = 1e-19; // haploid and clonal steps
constexpr double kEmptyDiploidHabitat = 1e-20;
// Below this nobody survived in either habitat: the population has died out.
constexpr double kExtinctPopulation = 1e-20;

template <class T> struct GametesOf {
  T AB;
  T ab;
  T Ab;
  T aB;
};
using Gametes = GametesOf<double>;

// Gamete frequencies of nine genotype classes g[0..8] under free
// recombination: the double heterozygote class gives each gamete with 1/4.
template <class T> MORVANE_LANE_INLINE GametesOf<T> GameteFrequencies(const T *g) {
  GametesOf<T> m;
  m.AB = (g[1] + g[3]) / 2 + g[0] + g[4] / 4;
  m.ab = (g[5] + g[7]) / 2 + g[8] + g[4] / 4;
  m.Ab = (g[1] + g[5]) / 2 + g[2] + g[4] / 4;
  m.aB = (g[3] + g[7]) / 2 + g[6] + g[4] / 4;
  return m;
}

// Random union of gametes into the nine genotype classes g[0..8].
template <class T> MORVANE_LANE_INLINE void RandomUnion(const GametesOf<T> &m, T *g) {
  g[0] = m.AB * m.AB;
  g[1] = 2 * m.AB * m.Ab;
  g[2] = m.Ab * m.Ab;
  g[3] = 2 * m.AB * m.aB;
  g[4] = 2 * (m.AB * m.ab + m.Ab * m.aB);
  g[5] = 2 * m.Ab * m.ab;
  g[6] = m.aB * m.aB;
  g[7] = 2 * m.aB * m.ab;
  g[8] = m.ab * m.ab;
}

} // namespace morvane
