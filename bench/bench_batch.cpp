// Generations of the five models run in a batch of lanes, per population and
// generation, for each instruction set: the moving population of
// BenchSupport.h started again and again in every lane, each run capped at
// 256 generations (so that no frequency decays into subnormal numbers), with
// the lanes refilled as their runs end. Compare with bench_generation.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "engine/BatchStep.h"

namespace morvane {
namespace {

constexpr std::uint32_t kRunLength = 256;

// Series of one run each from the same start, as many as asked for.
class Restarts : public BatchSeriesSource {
public:
  Restarts(const SimState &start, std::size_t series) : start_(start), left_(series) {}
  bool BeginNext(std::size_t, SimState &s, bool) override {
    if (left_ == 0)
      return false;
    --left_;
    s = start_;
    return true;
  }
  bool RunEnded(std::size_t, SimState &, bool) override { return false; }

private:
  const SimState &start_;
  std::size_t left_;
};

void BM_Batch(benchmark::State &state) {
  const Model model = static_cast<Model>(state.range(0));
  const BatchIsa isa = static_cast<BatchIsa>(state.range(1));
  if (!BatchIsaSupported(isa)) {
    state.SkipWithError("this processor lacks the instruction set");
    return;
  }
  bench::MovingPopulation population(IsDiploid(model));
  population.s.StopThreshold = 0;
  BatchRuns runs(model, isa);
  constexpr std::size_t kSeries = 4 * BatchRuns::kLanes;
  for (auto _ : state) {
    Restarts source(population.s, kSeries);
    RunBatchedSeries(runs, source, kRunLength);
  }
  state.SetItemsProcessed(state.iterations() * kSeries * kRunLength);
  state.counters["bits"] = BatchIsaBits(isa);
}
BENCHMARK(BM_Batch)
    ->ArgNames({"model", "isa"})
    ->ArgsProduct({{static_cast<int>(Model::HaploidLocal), static_cast<int>(Model::HaploidGlobal),
                    static_cast<int>(Model::DiploidLocal), static_cast<int>(Model::DiploidGlobal),
                    static_cast<int>(Model::Clonal)},
                   {static_cast<int>(BatchIsa::Baseline), static_cast<int>(BatchIsa::Avx2),
                    static_cast<int>(BatchIsa::Avx512)}});

} // namespace
} // namespace morvane
