// A sweep of N x N points of a haploid model (x from 0 to 1 by c from 0.2 to
// 0.8, every series run to convergence), as morvane-sweep runs it: every
// point checked, then run on `jobs` threads, the Final file and the table
// written in grid order.
//
// Reported per sweep: points per second (items_per_second), the generations
// run, and vs_steps: the sweep's time over the sum, over its points, of
// generations x the time of one generation step measured the way
// bench_generation measures it (BM_HaploidGlobal). With jobs = 1 that ratio
// is what the sweep adds to the simulation itself; cpu_vs_steps is the same
// ratio in processor time. With analyse = 1 the sweep runs with --analyse
// (each point's end state polished and classed): its time against the same
// sweep's with analyse = 0 is what the analysis costs.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "engine/HaploidStep.h"
#include "sweep/SweepNames.h"
#include "sweep/SweepOptions.h"
#include "sweep/SweepOutputs.h"

namespace {

using namespace morvane;
using namespace morvane::bench;

// Seconds of processor time used by the whole process so far: on a busy
// machine a steadier measure of work than the time that passes.
double ProcessSeconds() {
  timespec t;
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct StepTime {
  double ns;    // time that passes
  double cpuNs; // processor time
};

// One haploid global step, as BM_HaploidGlobal times it.
StepTime StepNanoseconds() {
  static const StepTime step = [] {
    MovingPopulation population(false);
    constexpr int kSteps = 5000000;
    const double cpu = ProcessSeconds();
    const auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < kSteps; ++k) {
      population.Generation<HaploidGlobalStep>();
      benchmark::DoNotOptimize(population.s.X);
      benchmark::ClobberMemory();
    }
    const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    return StepTime{spent.count() / kSteps, (ProcessSeconds() - cpu) * 1e9 / kSteps};
  }();
  return step;
}

// The sum of the T column of a sweep's table.
double TableGenerations(const std::string &table) {
  std::ifstream in(table);
  std::string line;
  double generations = 0;
  for (int row = 0; std::getline(in, line); ++row) {
    if (row < 2)
      continue; // description and column names
    std::size_t tab = 0;
    for (int k = 0; k < 3; ++k)
      tab = line.find('\t', tab) + 1;
    generations += std::stod(line.substr(tab));
  }
  return generations;
}

void BM_Sweep(benchmark::State &state) {
  const std::string side = std::to_string(state.range(0));
  const std::string jobs = std::to_string(state.range(1));
  const bool analyse = state.range(2) != 0;
  const StepTime step = StepNanoseconds();
  ScratchFolder folder;
  double generations = 0;
  double seconds = 0;
  double cpuSeconds = 0;
  std::size_t points = 0;
  int run = 0;
  for (auto _ : state) {
    const std::string final = folder.File("sweep" + std::to_string(run++) + ".mrv");
    const double cpu = ProcessSeconds();
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> args = {"--model", "haploid-global",
                                     "--W1A",   "0.9",
                                     "--W2A",   "0.6",
                                     "--W1a",   "0.6",
                                     "--W2a",   "0.9",
                                     "--i",     "3",
                                     "--j",     "2",
                                     "--d",     "0.9",
                                     "--vary",  "x=0:1:" + side,
                                     "--vary",  "c=0.2:0.8:" + side,
                                     "--jobs",  jobs,
                                     "--final", final};
    if (analyse)
      args.push_back("--analyse");
    const SweepOptions options = ParseSweepOptions(args);
    RunSweep(options, CheckSweepPoints(options.plan, options.jobs), nullptr);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpuSeconds += ProcessSeconds() - cpu;
    state.PauseTiming();
    generations += TableGenerations(SweepTableName(final));
    points += options.plan.Points();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(points));
  state.counters["generations"] = generations / static_cast<double>(run);
  state.counters["ns_per_generation"] = seconds * 1e9 / generations;
  state.counters["step_ns"] = step.ns;
  state.counters["vs_steps"] = seconds * 1e9 / (generations * step.ns);
  // The same in processor time, all threads together: the work the sweep
  // adds whatever else the machine does (for one thread, vs_steps on a quiet
  // machine).
  state.counters["cpu_vs_steps"] = cpuSeconds * 1e9 / (generations * step.cpuNs);
}
BENCHMARK(BM_Sweep)
    ->ArgNames({"side", "jobs", "analyse"})
    ->Args({50, 1, 0})
    ->Args({50, 1, 1})
    ->Args({50, 2, 0})
    ->Args({50, 2, 1})
    ->Args({20, 1, 0})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
