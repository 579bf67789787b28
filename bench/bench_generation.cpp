// One generation of each of the five models. The state starts from a
// polymorphic population and is put back to it every kRestart generations, so
// that no frequency decays into subnormal numbers; the restore copies a few
// doubles and costs well under a nanosecond per generation.
#include <benchmark/benchmark.h>

#include <cstring>

#include "EngineTestSupport.h"
#include "engine/ClonalStep.h"
#include "engine/DiploidStep.h"
#include "engine/HaploidStep.h"
#include "engine/InitialState.h"
#include "state/SimState.h"

namespace morvane {
namespace {

constexpr int kRestart = 256;

struct Start {
  double X[10];
  double FreqA, FreqB, DG;
};

template <void (*Step)(SimState &)> void RunGenerations(benchmark::State &state, bool diploid) {
  SimState s;
  testing::Apply(testing::Params{}, s);
  testing::Apply(testing::Start{}, Model::HaploidLocal, s);
  if (diploid)
    DiploidInitialState(s);
  else
    HaploidInitialState(s);
  Start start;
  std::memcpy(start.X, s.X, sizeof start.X);
  start.FreqA = s.FreqA;
  start.FreqB = s.FreqB;
  start.DG = s.DG;

  int sinceRestart = 0;
  for (auto _ : state) {
    Step(s);
    benchmark::DoNotOptimize(s.X);
    benchmark::ClobberMemory();
    if (++sinceRestart == kRestart) {
      sinceRestart = 0;
      std::memcpy(s.X, start.X, sizeof start.X);
      s.FreqA = start.FreqA;
      s.FreqB = start.FreqB;
      s.DG = start.DG;
    }
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
