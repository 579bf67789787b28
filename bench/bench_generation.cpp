// One generation of each of the five models, on the moving population of
// BenchSupport.h.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "engine/ClonalStep.h"
#include "engine/DiploidStep.h"
#include "engine/HaploidStep.h"
#include "state/SimState.h"

namespace morvane {
namespace {

template <void (*Step)(SimState &)> void RunGenerations(benchmark::State &state, bool diploid) {
  bench::MovingPopulation population(diploid);
  for (auto _ : state) {
    population.Generation<Step>();
    benchmark::DoNotOptimize(population.s.X);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_HaploidLocal(benchmark::State &state) { RunGenerations<HaploidLocalStep>(state, false); }
void BM_HaploidGlobal(benchmark::State &state) { RunGenerations<HaploidGlobalStep>(state, false); }
void BM_DiploidLocal(benchmark::State &state) { RunGenerations<DiploidLocalStep>(state, true); }
void BM_DiploidGlobal(benchmark::State &state) { RunGenerations<DiploidGlobalStep>(state, true); }
void BM_Clonal(benchmark::State &state) { RunGenerations<ClonalStep>(state, false); }

BENCHMARK(BM_HaploidLocal);
BENCHMARK(BM_HaploidGlobal);
BENCHMARK(BM_DiploidLocal);
BENCHMARK(BM_DiploidGlobal);
BENCHMARK(BM_Clonal);

} // namespace
} // namespace morvane
