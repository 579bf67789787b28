// Cost of a run per generation, against the floor set by the file discipline
// alone: every generation opens, appends one line to and closes the Detail
// file and then the Plot file.
//
// BM_RunLoop runs the real loop of each model on real files in a scratch
// folder; BM_FileFloor does only the two open/write/close cycles with
// pre-formatted lines of the same length. Both report generations per second
// (items_per_second); their ratio is the overhead of the step, the Fit update,
// the formatting and the display calls.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

#include "BenchSupport.h"
#include "engine/InitialState.h"
#include "engine/RunLoop.h"
#include "engine/Series.h"
#include "files/DetailFile.h"
#include "files/PlotFile.h"
#include "files/TextFile.h"

namespace {

using namespace morvane;
using namespace morvane::bench;

constexpr int kGenerationsPerRun = 2000;

// Ends each run after a fixed number of generations, as a window's handler
// setting StopRequested would.
class BoundedDisplay : public RunDisplay {
public:
  BoundedDisplay(SimState &s, int generations) : s_(s), generations_(generations) {}
  void ShowProgress() override { done_ = 0; }
  void DisplayProgress(std::uint32_t generation, double deltaP, double deltaQ) override {
    benchmark::DoNotOptimize(generation);
    benchmark::DoNotOptimize(deltaP);
    benchmark::DoNotOptimize(deltaQ);
  }
  void ProcessPendingEvents() override {
    if (++done_ >= generations_)
      s_.StopRequested = true;
  }
  void HideProgress() override {}
  void HandOver(Model) override {}

private:
  SimState &s_;
  int generations_;
  int done_ = 0;
};

void BM_RunLoop(benchmark::State &state) {
  const Model model = static_cast<Model>(state.range(0));
  ScratchFolder folder;
  std::int64_t generations = 0;
  for (auto _ : state) {
    state.PauseTiming();
    SimState s;
    PrepareMovingRun(s, model, folder);
    BoundedDisplay display(s, kGenerationsPerRun);
    state.ResumeTiming();
    RunLoop(model, s, display);
    generations += s.Generation;
  }
  state.SetItemsProcessed(generations);
}
BENCHMARK(BM_RunLoop)
    ->ArgName("model")
    ->Arg(static_cast<int>(Model::HaploidLocal))
    ->Arg(static_cast<int>(Model::HaploidGlobal))
    ->Arg(static_cast<int>(Model::DiploidLocal))
    ->Arg(static_cast<int>(Model::DiploidGlobal))
    ->Arg(static_cast<int>(Model::Clonal))
    ->Unit(benchmark::kMillisecond);

void AppendLine(const std::string &path, const std::string &line) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0)
    throw std::runtime_error("open failed");
  if (::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
    throw std::runtime_error("write failed");
  if (::close(fd) != 0)
    throw std::runtime_error("close failed");
}

// The same two files and line lengths as a sexual run, with nothing computed.
template <void (*Append)(const std::string &, const std::string &)>
void BM_FileFloor(benchmark::State &state) {
  ScratchFolder folder;
  SimState s;
  PrepareMovingRun(s, Model::DiploidLocal, folder);
  std::string detailLine;
  std::string plotLine;
  AppendSexualDetailGenerationLine(detailLine, s);
  AppendSexualPlotGenerationLine(plotLine, s);
  std::int64_t generations = 0;
  for (auto _ : state) {
    state.PauseTiming();
    CreateEmptyFile(s.DetailFile.Name);
    CreateEmptyFile(s.PlotFile.Name);
    state.ResumeTiming();
    for (int g = 0; g < kGenerationsPerRun; ++g) {
      Append(s.DetailFile.Name, detailLine);
      Append(s.PlotFile.Name, plotLine);
    }
    generations += kGenerationsPerRun;
  }
  state.SetItemsProcessed(generations);
}
BENCHMARK_TEMPLATE(BM_FileFloor, AppendLine)->Unit(benchmark::kMillisecond);

} // namespace
