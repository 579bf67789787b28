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

#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

#include "engine/InitialState.h"
#include "engine/RunLoop.h"
#include "engine/Series.h"
#include "files/DetailFile.h"
#include "files/PlotFile.h"
#include "files/TextFile.h"

namespace {

using namespace morvane;

constexpr int kGenerationsPerRun = 2000;

class ScratchFolder {
public:
  ScratchFolder() {
    char pattern[] = "/tmp/morvane_bench_runloop_XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
      throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchFolder() {
    const std::string command = "rm -rf '" + path_ + "'";
    if (std::system(command.c_str()) != 0)
      std::abort();
  }
  std::string File(const std::string &name) const { return path_ + "/" + name; }

private:
  std::string path_;
};

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

// A population that keeps moving, with L = 0 so that only the display ends
// the run.
void PrepareRun(SimState &s, Model model, const ScratchFolder &folder) {
  ChooseModel(s, model);
  s.DetailFileName = s.DetailFile.Name = folder.File("bench.gnr");
  CreateEmptyFile(s.DetailFile.Name);
  if (model == Model::Clonal)
    PrepareClonalInput(s, folder.File("PlotCloneFile.plo"));
  else
    PrepareSexualInput(s, folder.File("PlotSexFile.plo"));
  s.SoftProp = 0.5;
  s.MigSurv = 0.9;
  s.HabFreq = 0.6;
  s.TriesAB = 3;
  s.TriesaB = 2;
  s.W1A = 0.9;
  s.W2A = 0.4;
  s.W1a = 0.5;
  s.W2a = 0.8;
  s.StopThreshold = 0;
  s.Generation = 0;
  s.StopRequested = false;
  if (model == Model::Clonal) {
    s.X[1] = s.X[2] = s.X[3] = s.X[4] = 0.25;
  } else {
    s.FreqA = 0.3;
    s.FreqB = 0.6;
    s.DG = 0.05;
    if (IsDiploid(model))
      DiploidInitialState(s);
    else
      HaploidInitialState(s);
  }
}

void BM_RunLoop(benchmark::State &state) {
  const Model model = static_cast<Model>(state.range(0));
  ScratchFolder folder;
  std::int64_t generations = 0;
  for (auto _ : state) {
    state.PauseTiming();
    SimState s;
    PrepareRun(s, model, folder);
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
  PrepareRun(s, Model::DiploidLocal, folder);
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
