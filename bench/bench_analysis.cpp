// The analysis of equilibria: the Jacobian and eigenvalues at one
// equilibrium, a continuation of 1,000 steps, a 200 x 200 basin map on two
// threads (the generations its runs took per start).
#include <benchmark/benchmark.h>

#include "analysis/Basins.h"
#include "analysis/Continuation.h"
#include "analysis/Equilibria.h"
#include "analysis/Outcome.h"

namespace morvane::analysis {
namespace {

// The Levene case of the tests (W1(A) = W2(a) = 0.9, W2(A) = W1(a) = 0.6).
Parameters Levene(double c, std::uint16_t i = 1, std::uint16_t j = 1) {
  return Parameters{1, 1, c, i, j, 0.9, 0.6, 0.6, 0.9, 1e-12};
}
// Diploids with two attractors.
const Parameters kBistable{0.58, 1, 0.37, 3, 3, 0.92, 0.5, 0.93, 0.72, 1e-12};

void BM_JacobianAndEigenvalues(benchmark::State &state) {
  const Model m = static_cast<Model>(state.range(0));
  const Parameters p = IsDiploid(m) ? kBistable : Levene(0.45, 3, 2);
  // An interior equilibrium of the model (the one with the most starts).
  const std::vector<Equilibrium> found = FindEquilibria(m, p);
  Population X = found.front().X;
  int most = -1;
  for (const Equilibrium &e : found)
    if (e.starts > most) {
      most = e.starts;
      X = e.X;
    }
  for (auto _ : state) {
    Spectrum s = Analyse(m, p, X);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_JacobianAndEigenvalues)
    ->ArgName("model")
    ->Arg(static_cast<int>(Model::HaploidLocal))
    ->Arg(static_cast<int>(Model::HaploidGlobal))
    ->Arg(static_cast<int>(Model::DiploidLocal))
    ->Arg(static_cast<int>(Model::DiploidGlobal))
    ->Arg(static_cast<int>(Model::Clonal));

// The two parts of the above apart, at a start of the grid: part 0 the step
// on dual numbers, part 1 the eigenvalues of its linearisation.
void BM_JacobianParts(benchmark::State &state) {
  const Model m = static_cast<Model>(state.range(0));
  const Parameters p = IsDiploid(m) ? kBistable : Levene(0.45, 3, 2);
  const Population X = StartPopulation(m, 0.4, 0.6);
  const Linearisation l = Linearise(m, p, X);
  for (auto _ : state) {
    if (state.range(1) == 0)
      benchmark::DoNotOptimize(Linearise(m, p, X));
    else
      benchmark::DoNotOptimize(Analyse(m, l, X));
  }
}
BENCHMARK(BM_JacobianParts)
    ->ArgNames({"model", "part"})
    ->ArgsProduct({{static_cast<int>(Model::HaploidLocal), static_cast<int>(Model::DiploidLocal),
                    static_cast<int>(Model::Clonal)},
                   {0, 1}});

// The branch with A lost over c in [0.3, 0.7], 1,000 steps, its branch point
// at c = 0.4 located.
void BM_Continuation1000Steps(benchmark::State &state) {
  ContinuationSettings settings;
  settings.maxStep = 0.4 / 1000;
  std::size_t points = 0;
  for (auto _ : state) {
    const auto branch = FollowBranch(Model::HaploidLocal, Levene(0.3), Parameter::HabFreq,
                                     {0, 0, 0.5, 0.5}, 0.7, 0, settings);
    points = branch.size();
    benchmark::DoNotOptimize(points);
  }
  state.counters["points"] = static_cast<double>(points);
}
BENCHMARK(BM_Continuation1000Steps)->Unit(benchmark::kMillisecond);

// An interior branch (i = 3, j = 2, no line of equilibria) over 1,000 steps.
void BM_ContinuationInterior1000Steps(benchmark::State &state) {
  const Parameters p = Levene(0.45, 3, 2);
  const std::vector<Equilibrium> found = FindEquilibria(Model::HaploidLocal, p);
  Population X{};
  for (const Equilibrium &e : found)
    if (e.spectrum.stability == Stability::Stable)
      X = e.X;
  ContinuationSettings settings;
  settings.maxStep = 0.1 / 1000;
  std::size_t points = 0;
  for (auto _ : state) {
    const auto branch =
        FollowBranch(Model::HaploidLocal, p, Parameter::HabFreq, X, 0.55, 0, settings);
    points = branch.size();
    benchmark::DoNotOptimize(points);
  }
  state.counters["points"] = static_cast<double>(points);
}
BENCHMARK(BM_ContinuationInterior1000Steps)->Unit(benchmark::kMillisecond);

// What morvane-sweep --analyse adds to each point: the outcome of a run's
// end state (polished, classed, its spectrum), over the 50 x 50 points of
// bench_sweep's haploid sweep (x from 0 to 1 by c from 0.2 to 0.8) or the
// same grid of diploids. Set against that sweep's time per point without
// the analysis (about 10 us haploid) it gives the share the analysis adds.
void BM_SweepPointOutcomes(benchmark::State &state) {
  const Model m = static_cast<Model>(state.range(0));
  std::vector<Parameters> points;
  std::vector<Population> ends;
  for (int a = 0; a < 50; ++a)
    for (int b = 0; b < 50; ++b) {
      Parameters p{a / 49.0, 0.9, 0.2 + 0.6 * b / 49.0, 3, 2, 0.9, 0.6, 0.6, 0.9, 1e-6};
      points.push_back(p);
      ends.push_back(Iterate(m, p, StartPopulation(m, 0.5, 0.5), 100000, 1e-6));
    }
  for (auto _ : state)
    for (std::size_t k = 0; k < points.size(); ++k)
      benchmark::DoNotOptimize(OutcomeOf(m, points[k], ends[k], true));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(points.size()));
}
BENCHMARK(BM_SweepPointOutcomes)
    ->ArgName("model")
    ->Arg(static_cast<int>(Model::HaploidGlobal))
    ->Arg(static_cast<int>(Model::DiploidLocal))
    ->Unit(benchmark::kMillisecond);

void BM_Basins200On2Threads(benchmark::State &state) {
  const Model m = static_cast<Model>(state.range(0));
  const Parameters p = IsDiploid(m) ? kBistable : Levene(0.45, 3, 2);
  const std::vector<Equilibrium> found = FindEquilibria(m, p);
  BasinSettings settings;
  settings.threads = 2;
  double generations = 0;
  for (auto _ : state) {
    const BasinMap map = Basins(m, p, 200, found, settings);
    generations = static_cast<double>(map.generations);
    benchmark::DoNotOptimize(map.reached.data());
  }
  // Per start: the runs end near an attractor, well before their cap.
  state.counters["generations_per_start"] = generations / (200.0 * 200.0);
}
BENCHMARK(BM_Basins200On2Threads)
    ->ArgName("model")
    ->Arg(static_cast<int>(Model::HaploidLocal))
    ->Arg(static_cast<int>(Model::DiploidLocal))
    ->Arg(static_cast<int>(Model::Clonal))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace
} // namespace morvane::analysis
