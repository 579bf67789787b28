#include "analysis/Basins.h"

#include <atomic>
#include <thread>

#include "engine/BatchStep.h"
#include "state/SimState.h"

namespace morvane::analysis {

namespace {

// What a run from one start ended on: an equilibrium given before, or a
// polished end to be sorted out afterwards.
struct Reached {
  int known = -1;
  bool polished = false;
  Population X{};
};

void RunStarts(Model m, const Parameters &p, int N, const std::vector<Equilibrium> &known,
               const BasinSettings &settings, std::atomic<int> &next,
               std::vector<Reached> &reached) {
  const int n = Classes(m);
  BatchRuns runs(m);
  std::size_t cellOf[BatchRuns::kLanes] = {};
  const int cells = N * N;
  bool more = true;
  for (;;) {
    // Every free lane takes the next start.
    for (std::size_t lane = runs.FreeLane(); more && lane < BatchRuns::kLanes;
         lane = runs.FreeLane()) {
      const int cell = next.fetch_add(1);
      if (cell >= cells) {
        more = false;
        break;
      }
      const double p0 = static_cast<double>(cell / N) / (N - 1);
      const double q0 = static_cast<double>(cell % N) / (N - 1);
      SimState s;
      s.Params() = p;
      s.StopThreshold = settings.stopThreshold;
      const Population X = StartPopulation(m, p0, q0);
      for (int k = 0; k < n; ++k)
        s.X[k + 1] = X[k];
      const Measures start = MeasuresOf(m, X);
      s.FreqA = start.p;
      s.FreqB = start.q;
      s.DG = start.DG;
      s.Fit = start.Fit;
      runs.Load(lane, s, settings.maxGenerations);
      cellOf[lane] = static_cast<std::size_t>(cell);
    }
    if (runs.Idle())
      return;
    const std::uint32_t ended = runs.Advance();
    for (std::size_t lane = 0; lane < BatchRuns::kLanes; ++lane) {
      if (!((ended >> lane) & 1u))
        continue;
      SimState s;
      runs.Unload(lane, s);
      Population X{};
      for (int k = 0; k < n; ++k)
        X[k] = s.X[k + 1];
      Reached &r = reached[cellOf[lane]];
      r.known = MatchEquilibrium(m, known, X, settings.matchTol);
      if (r.known < 0) {
        if (const auto polished = Polish(m, p, X)) {
          r.polished = true;
          r.X = *polished;
          r.known = MatchEquilibrium(m, known, r.X, settings.matchTol);
        }
      }
      if (settings.onRun && !settings.onRun(static_cast<int>(cellOf[lane]), r.known))
        more = false;
    }
  }
}

} // namespace

BasinMap Basins(Model m, const Parameters &p, int N, const std::vector<Equilibrium> &known,
                const BasinSettings &settings) {
  BasinMap map;
  map.grid = N;
  map.equilibria = known;
  for (Equilibrium &e : map.equilibria)
    e.starts = 0;
  std::vector<Reached> reached(static_cast<std::size_t>(N) * N);
  std::atomic<int> next{0};
  const int threads = std::max(1, settings.threads);
  std::vector<std::thread> workers;
  for (int t = 1; t < threads; ++t)
    workers.emplace_back([&] { RunStarts(m, p, N, known, settings, next, reached); });
  RunStarts(m, p, N, known, settings, next, reached);
  for (std::thread &w : workers)
    w.join();

  // The ends no given equilibrium matched, clustered into new ones.
  map.reached.resize(reached.size());
  const std::size_t given = map.equilibria.size();
  for (std::size_t c = 0; c < reached.size(); ++c) {
    int k = reached[c].known;
    if (k < 0 && reached[c].polished) {
      k = MatchEquilibrium(m, map.equilibria, reached[c].X, 1e-7);
      if (k < 0) {
        Equilibrium e;
        e.X = reached[c].X;
        map.equilibria.push_back(e);
        k = static_cast<int>(map.equilibria.size()) - 1;
      }
    }
    map.reached[c] = k;
    if (k >= 0)
      ++map.equilibria[k].starts;
  }
  for (std::size_t k = given; k < map.equilibria.size(); ++k)
    map.equilibria[k].spectrum = Analyse(m, p, map.equilibria[k].X, settings.stabilityTol);
  return map;
}

} // namespace morvane::analysis
