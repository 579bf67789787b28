// The sweep window's costs:
// - BM_SweepFromWindow against BM_SweepLibrary: an N x N sweep of a haploid
//   model (c by x, each allele better in one habitat) on 2 threads, run as morvane-sweep runs it
//   and as the window runs it (the library on a worker thread, the table's
//   new rows read every 100 ms and drawn into the map, which is repainted).
//   The window's time over the library's is the overhead of running a sweep
//   from the window.
// - BM_CancelLatency: a 41 x 21 diploid sweep of slow points (L = 1e-11)
//   on 2 threads, cancelled after half a second as the window's Cancel
//   does; the time from the cancel to the end of the run (which must stay
//   under half a second: the points in hand are dropped).
// - BM_MapRepaint: one repaint of the map of a whole 200 x 200 sweep (40,000
//   points), at 800 x 600; frames_per_second is what the live map can reach.
// - BM_MapFigure: the figure of a whole 500 x 500 sweep (250,000 points)
//   drawn from its rows and written as a PNG of one chart's size (8.5 x 7 cm
//   at 300 dpi), as the window saves it and morvane-sweep --map draws it.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "support/ScratchFolder.h"
#include "sweep/SweepOptions.h"
#include "sweep/SweepOutputs.h"
#include "ui/figure/SweepFigure.h"
#include "ui/sweep/SweepJob.h"
#include "ui/sweep/SweepMapView.h"

namespace {

using namespace morvane;

SweepOptions Options(const std::string &final, long side) {
  const std::string n = std::to_string(side);
  return ParseSweepOptions({"--model", "haploid-global", "--W1A", "0.9", "--W2A", "0.6", "--W1a",
                            "0.6", "--W2a", "0.9", "--vary", "c=0.2:0.8:" + n, "--vary",
                            "x=0:1:" + n, "--jobs", "2", "--final", final});
}

// Both sweeps at 50 x 50 and 200 x 200, once each: a run is seconds long.
void SweepSizes(benchmark::internal::Benchmark *b) {
  b->Arg(50)->Arg(200)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
}

void BM_SweepLibrary(benchmark::State &state) {
  for (auto _ : state) {
    state.PauseTiming();
    testing::ScratchFolder dir;
    const SweepOptions o = Options(dir.File("lib.mrv"), state.range(0));
    state.ResumeTiming();
    RunSweep(o, CheckSweepPoints(o.plan, o.jobs), nullptr);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}
BENCHMARK(BM_SweepLibrary)->Apply(SweepSizes);

void BM_SweepFromWindow(benchmark::State &state) {
  for (auto _ : state) {
    state.PauseTiming();
    testing::ScratchFolder dir;
    const SweepOptions o = Options(dir.File("win.mrv"), state.range(0));
    ui::SweepMapView map;
    map.resize(800, 600);
    state.ResumeTiming();
    ui::SweepJob job;
    map.SetPlan(o.plan, "p");
    // The window's timer every 100 ms; the end heard of at once.
    std::atomic<bool> ended{false};
    job.Start(o, [&ended] { ended = true; });
    auto next = std::chrono::steady_clock::now();
    while (!ended) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      if (std::chrono::steady_clock::now() < next)
        continue;
      next += std::chrono::milliseconds(100);
      map.AppendRows(job.TakeNewRows());
      map.replot(QCustomPlot::rpImmediateRefresh);
    }
    job.Finish();
    map.AppendRows(job.TakeNewRows());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}
BENCHMARK(BM_SweepFromWindow)->Apply(SweepSizes);

void BM_CancelLatency(benchmark::State &state) {
  for (auto _ : state) {
    state.PauseTiming();
    testing::ScratchFolder dir;
    const SweepOptions o = ParseSweepOptions(
        {"--model",  "diploid-local", "--W1A",  "0.9",          "--W2A",
         "0.6",      "--W1a",         "0.6",    "--W2a",        "0.9",
         "--L",      "1e-11",         "--vary", "c=0.1:0.9:41", "--vary",
         "x=0:1:21", "--jobs",        "2",      "--final",      dir.File("cancel.mrv")});
    std::atomic<bool> ended{false};
    ui::SweepJob job;
    job.Start(o, [&ended] { ended = true; });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    state.ResumeTiming();
    job.Cancel();
    while (!ended)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    state.PauseTiming();
    job.Finish();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_CancelLatency)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The rows of a whole sweep with a smooth p and one point in seven not
// converged.
std::vector<std::vector<std::string>> MapRows(const SweepPlan &plan) {
  std::vector<std::vector<std::string>> rows;
  for (std::size_t k = 0; k < plan.Points(); ++k) {
    const auto at = plan.Coordinates(k);
    const double p = 0.5 + 0.5 * std::sin(double(at[0]) / 20) * std::cos(double(at[1]) / 30);
    rows.push_back({std::to_string(k), plan.axes[0].shown[at[0]], plan.axes[1].shown[at[1]], "100",
                    std::to_string(p), "0.5", "0", "0", k % 7 ? "yes" : "no"});
  }
  return rows;
}

void BM_MapRepaint(benchmark::State &state) {
  testing::ScratchFolder dir;
  const SweepOptions o = Options(dir.File("map.mrv"), 200);
  const auto rows = MapRows(o.plan);
  ui::SweepMapView map;
  map.resize(800, 600);
  map.SetPlan(o.plan, "p");
  map.AddRows(rows);
  for (auto _ : state)
    map.replot(QCustomPlot::rpImmediateRefresh);
  state.counters["frames_per_second"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MapRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MapFigure(benchmark::State &state) {
  testing::ScratchFolder dir;
  const SweepOptions o = Options(dir.File("map.mrv"), 500);
  const auto rows = MapRows(o.plan);
  const QString png = QString::fromStdString(dir.File("map.png"));
  const figure::FigureSettings settings =
      figure::DefaultFigureSettings(figure::FigureCharts::Frequencies);
  for (auto _ : state)
    figure::WriteSweepFigure(o.plan, rows, "p", settings, png);
}
BENCHMARK(BM_MapFigure)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
