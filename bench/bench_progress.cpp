// Cost of showing a run's progress: a long run (L = 0, ended after a fixed
// number of generations) through the progress window against the same run
// through a display that shows nothing.
//
// Run it on a real display or under Xvfb (xvfb-run -a bench/bench_progress);
// the offscreen platform paints into memory and says little. Reported per
// benchmark: generations per second (items_per_second) and, for the window,
// the numbers' visible updates per second (updates_per_second).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <stdexcept>
#include <string>

#include "BenchSupport.h"
#include "engine/InitialState.h"
#include "engine/RunLoop.h"
#include "engine/Series.h"
#include "files/TextFile.h"
#include "state/SimState.h"
#include "ui/framework/Windows.h"
#include "ui/series/UTShowStop.h"

namespace {

using namespace morvane;
using namespace morvane::bench;
using morvane::ui::Sim;

constexpr int kLongRun = 100000;

// A haploid population with local panmixia, L = 0, in the shared state that
// the progress window's run reads.
void PrepareRun(const ScratchFolder &folder) {
  Sim() = SimState{};
  PrepareMovingRun(Sim(), Model::HaploidLocal, folder);
}

// Passes everything on to `inner` (if any) and runs exactly a fixed number
// of generations: the population reaches a fixed point long before 100,000
// generations, so the stop rule is overridden until then, as for a run that
// never meets it; at the end the run stops as on the interrupt button.
class Bounded : public RunDisplay {
public:
  Bounded(RunDisplay *inner, int generations) : inner_(inner), generations_(generations) {}
  void ShowProgress() override {
    if (inner_)
      inner_->ShowProgress();
  }
  void DisplayProgress(std::uint32_t generation, double deltaP, double deltaQ) override {
    if (inner_)
      inner_->DisplayProgress(generation, deltaP, deltaQ);
    benchmark::DoNotOptimize(deltaP);
    benchmark::DoNotOptimize(deltaQ);
  }
  void ProcessPendingEvents() override {
    if (inner_)
      inner_->ProcessPendingEvents();
    Sim().StopRequested = ++done_ >= generations_;
  }
  void HideProgress() override {
    if (inner_)
      inner_->HideProgress();
  }
  void HandOver(Model) override {}

private:
  RunDisplay *inner_;
  int generations_;
  int done_ = 0;
};

void BM_HeadlessRun(benchmark::State &state) {
  ScratchFolder folder;
  std::int64_t generations = 0;
  for (auto _ : state) {
    state.PauseTiming();
    PrepareRun(folder);
    Bounded display(nullptr, static_cast<int>(state.range(0)));
    state.ResumeTiming();
    RunLoop(Model::HaploidLocal, Sim(), display);
    generations += Sim().Generation;
  }
  state.SetItemsProcessed(generations);
}
BENCHMARK(BM_HeadlessRun)->Arg(kLongRun)->Unit(benchmark::kMillisecond)->UseRealTime();

// range(0): generations; range(1): 1 for the window's own refresh rate, 0 for
// a repaint and an event pass after every generation.
void BM_ProgressWindowRun(benchmark::State &state) {
  ScratchFolder folder;
  TFrmShowT window;
  if (state.range(1) == 0)
    window.SetRefreshIntervals(0, 0);
  std::int64_t generations = 0;
  long updates = 0;
  double seconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    PrepareRun(folder);
    Bounded display(&window, static_cast<int>(state.range(0)));
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    RunLoop(Model::HaploidLocal, Sim(), display);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    generations += Sim().Generation;
    updates += window.RepaintCount();
  }
  state.SetItemsProcessed(generations);
  state.counters["updates_per_second"] = seconds > 0 ? updates / seconds : 0;
  state.counters["updates"] = static_cast<double>(updates);
}
BENCHMARK(BM_ProgressWindowRun)
    ->Args({kLongRun, 1})
    ->Args({5000, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
