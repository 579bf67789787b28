// Basins of attraction over the (p, q) plane: the equilibrium that a run
// from each start of an N x N grid (DG = 0) reaches, the runs computed by the
// batch step on several threads.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "analysis/Equilibria.h"

namespace morvane::analysis {

struct BasinSettings {
  int threads = 2;
  double stopThreshold = 1e-10;         // L of each run
  std::uint32_t maxGenerations = 20000; // cap of each run, then polished
  double matchTol = 1e-6;               // a run's end this near an equilibrium reached it
  double stabilityTol = 1e-8;
  // Called on the worker threads as each start's run ends, with the start
  // (its place in `reached`) and the index among the equilibria given of the
  // one it reached (-1: none of them, or not yet sorted out). Returning false
  // ends the map early: no start is taken after it, and the map is not whole.
  std::function<bool(int start, int known)> onRun;
};

struct BasinMap {
  int grid = 0;
  // The equilibria reached: those given, then those found by the runs.
  std::vector<Equilibrium> equilibria;
  // Per start, p0 = i/(N-1) and q0 = j/(N-1) at [i * N + j]: the index of
  // the equilibrium reached, or -1 when the run found none.
  std::vector<int> reached;
  // Generations run from all the starts together.
  std::uint64_t generations = 0;
};

// The basin map at p over an N x N grid (N >= 2). `known` are equilibria
// found before (FindEquilibria); starts are counted in the map's copy. A run
// that comes near one of them that attracts it is ended there: near a stable
// one, or near a neutral one on a boundary that a lost allele does not
// invade (nor come back to when rare), when its state goes to it on the
// boundary.
BasinMap Basins(Model m, const Parameters &p, int N, const std::vector<Equilibrium> &known,
                const BasinSettings &settings = {});

} // namespace morvane::analysis
