#include "analysis/Basins.h"

#include <algorithm>
#include <atomic>
#include <cmath>
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

// Runs are advanced in stretches of this many generations; between two, a
// run near an attractor among the equilibria given is ended there.
constexpr std::uint32_t kStretch = 64;
// A run this near (largest class difference) a stable equilibrium has
// reached it: well inside the ball where its linearisation contracts (which
// shrinks with 1 - radius), and no farther than its converged end would be
// matched to it.
double StableBall(double radius, double matchTol) {
  return std::min(matchTol, 1e-3 * (1 - radius));
}
// A neutral equilibrium on a boundary (an allele lost that does not invade,
// its invasion eigenvalue 1, the rest of the population drawn to it
// geometrically) attracts as a recessive allele vanishes: as 1/T, so that
// the run reaches its cap and is polished there onto the boundary. A run this
// near it whose missing classes fell over the last stretch, and whose state
// taken onto the boundary goes to it by Newton's method, has reached it.
constexpr double kVanishingBall = 1e-2;
// After a look that found the run not there yet, it goes on this many
// stretches before the next.
constexpr int kLookBackOff = 16;

// An equilibrium given before that ends the runs that come near it.
struct Attractor {
  int index;
  double ball;
  // The classes missing at a neutral one on a boundary; empty for a stable one.
  std::vector<bool> absent;
};

// The spectral radius of the Jacobian on the boundary of X: in the free
// coordinates of the classes X has (those it lacks held at 0).
double BoundaryRadius(Model m, const Parameters &p, const Population &X) {
  return SpectralRadius(FreeJacobian(Linearise(m, p, X), AbsentClasses(m, X)));
}

// Whether a lost allele that invades with an eigenvalue of 1 vanishes again
// (the second order decides): a run from the equilibrium with every class
// raised by kVanishingBall / n, as long as a run of the map, is polished to
// it. A recessive allele favoured when common escapes instead, slowly.
bool MissingAlleleVanishes(Model m, const Parameters &p, const Equilibrium &e, double matchTol) {
  const int n = Classes(m);
  Population Y{};
  for (int k = 0; k < n; ++k)
    Y[k] = (1 - kVanishingBall) * e.X[k] + kVanishingBall / n;
  const auto end = Polish(m, p, Iterate(m, p, Y, BasinSettings{}.maxGenerations, 1e-15));
  return end && Distance(m, *end, e.X) <= matchTol;
}

std::vector<Attractor> Attractors(Model m, const Parameters &p,
                                  const std::vector<Equilibrium> &known, double tol,
                                  double matchTol) {
  std::vector<Attractor> list;
  for (std::size_t k = 0; k < known.size(); ++k) {
    const Equilibrium &e = known[k];
    const int index = static_cast<int>(k);
    if (e.spectrum.stability == Stability::Stable) {
      list.push_back({index, StableBall(e.spectrum.radius, matchTol), {}});
      continue;
    }
    const std::vector<bool> absent = AbsentClasses(m, e.X);
    const bool boundary = std::find(absent.begin(), absent.end(), true) != absent.end();
    if (e.spectrum.stability == Stability::Neutral && boundary &&
        e.spectrum.lambdaA.value_or(0) <= 1 + tol && e.spectrum.lambdaB.value_or(0) <= 1 + tol &&
        BoundaryRadius(m, p, e.X) < 1 - tol && MissingAlleleVanishes(m, p, e, matchTol))
      list.push_back({index, kVanishingBall, absent});
  }
  return list;
}

// One lane's run: its state between stretches and what it has come to.
struct LaneRun {
  SimState s;
  std::size_t cell = 0;
  std::uint32_t left = 0; // generations before the cap
  int lookAfter = 0;      // stretches before the next look at a neutral attractor
  double missing = 2;     // its missing classes at the last stretch's end
};

void RunStarts(Model m, const Parameters &p, int N, const std::vector<Equilibrium> &known,
               const std::vector<Attractor> &attractors, const BasinSettings &settings,
               std::atomic<int> &next, std::vector<Reached> &reached,
               std::atomic<std::uint64_t> &generations) {
  const int n = Classes(m);
  BatchRuns runs(m);
  LaneRun lanes[BatchRuns::kLanes];
  const int cells = N * N;
  std::uint64_t run = 0;
  bool more = true;
  const auto load = [&](std::size_t lane) {
    LaneRun &r = lanes[lane];
    r.s.StopRequested = false;
    const std::uint32_t stretch = std::min(kStretch, r.left);
    r.left -= stretch;
    runs.Load(lane, r.s, stretch);
  };
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
      LaneRun &r = lanes[lane];
      r = LaneRun{};
      SimState &s = r.s;
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
      r.cell = static_cast<std::size_t>(cell);
      r.left = settings.maxGenerations;
      load(lane);
    }
    if (runs.Idle()) {
      generations += run;
      return;
    }
    const std::uint32_t ended = runs.Advance();
    for (std::size_t lane = 0; lane < BatchRuns::kLanes; ++lane) {
      if (!((ended >> lane) & 1u))
        continue;
      LaneRun &lr = lanes[lane];
      const bool stretchEnded = runs.Unload(lane, lr.s);
      Population X{};
      for (int k = 0; k < n; ++k)
        X[k] = lr.s.X[k + 1];
      Reached &r = reached[lr.cell];
      if (stretchEnded && lr.left > 0) {
        // Not converged yet: ended only near an attractor, else run on.
        int near = -1;
        for (const Attractor &a : attractors) {
          const Equilibrium &e = known[a.index];
          if (Distance(m, X, e.X) > a.ball)
            continue;
          if (a.absent.empty()) {
            near = a.index;
            break;
          }
          double missing = 0;
          for (int k = 0; k < n; ++k)
            missing += a.absent[k] ? X[k] : 0;
          const bool falling = missing < lr.missing;
          lr.missing = missing;
          if (lr.lookAfter > 0) {
            --lr.lookAfter;
          } else if (const FixedPoint f =
                         falling ? NewtonFixedPoint(m, p, X, a.absent) : FixedPoint{};
                     f.converged && Distance(m, f.X, e.X) <= settings.matchTol) {
            near = a.index;
          } else {
            lr.lookAfter = kLookBackOff;
          }
          break;
        }
        if (near < 0) {
          load(lane);
          continue;
        }
        r.known = near;
      } else {
        r.known = MatchEquilibrium(m, known, X, settings.matchTol);
        if (r.known < 0) {
          if (const auto polished = Polish(m, p, X)) {
            r.polished = true;
            r.X = *polished;
            r.known = MatchEquilibrium(m, known, r.X, settings.matchTol);
          }
        }
      }
      run += lr.s.Generation;
      if (settings.onRun && !settings.onRun(static_cast<int>(lr.cell), r.known))
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
  std::atomic<std::uint64_t> generations{0};
  const std::vector<Attractor> attractors =
      Attractors(m, p, known, settings.stabilityTol, settings.matchTol);
  const int threads = std::max(1, settings.threads);
  const auto work = [&] {
    RunStarts(m, p, N, known, attractors, settings, next, reached, generations);
  };
  std::vector<std::thread> workers;
  for (int t = 1; t < threads; ++t)
    workers.emplace_back(work);
  work();
  for (std::thread &w : workers)
    w.join();
  map.generations = generations;

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
