// Cost of the result-file lines: formatting alone, and formatting plus the
// open-append-close that every generation line pays.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "files/DetailFile.h"
#include "files/NumberFormat.h"
#include "files/PlotFile.h"
#include "files/TextFile.h"

namespace {

using namespace morvane;

SimState MidRunState() {
  SimState s;
  s.Generation = 1234;
  s.FreqA = 0.61803398874989;
  s.FreqB = 0.41421356237309;
  s.DG = -0.0123456789012345;
  s.Fit = 0.0271828182845904;
  s.W1 = 0.731058578630005;
  s.W2 = 0.268941421369995;
  return s;
}

void BM_AppendScientific(benchmark::State &state) {
  std::string out;
  out.reserve(64);
  double v = 0.61803398874989;
  for (auto _ : state) {
    out.clear();
    AppendScientific(out, v);
    benchmark::DoNotOptimize(out.data());
    v += 1e-9;
  }
}
BENCHMARK(BM_AppendScientific);

void BM_AppendFixed(benchmark::State &state) {
  std::string out;
  out.reserve(64);
  double v = 0.61803398874989;
  for (auto _ : state) {
    out.clear();
    AppendFixed(out, v, 7, 5);
    benchmark::DoNotOptimize(out.data());
    v += 1e-9;
  }
}
BENCHMARK(BM_AppendFixed);

void BM_FormatSexualDetailLine(benchmark::State &state) {
  const SimState s = MidRunState();
  std::string out;
  out.reserve(256);
  for (auto _ : state) {
    out.clear();
    AppendSexualDetailGenerationLine(out, s);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_FormatSexualDetailLine);

void BM_FormatSexualPlotLine(benchmark::State &state) {
  const SimState s = MidRunState();
  std::string out;
  out.reserve(256);
  for (auto _ : state) {
    out.clear();
    AppendSexualPlotGenerationLine(out, s);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_FormatSexualPlotLine);

// A scratch folder for the file benchmarks, emptied as it goes so that the
// files stay small.
struct Scratch {
  Scratch() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "morvane-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
      std::abort();
    dir = pattern;
  }
  ~Scratch() { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
};

void BM_AppendToFileOnly(benchmark::State &state) {
  Scratch scratch;
  const std::string path = (scratch.dir / "lines.gnr").string();
  CreateEmptyFile(path);
  const std::string line(170, 'x');
  std::int64_t n = 0;
  for (auto _ : state) {
    AppendToFile(path, line);
    if (++n % 10000 == 0)
      CreateEmptyFile(path);
  }
}
BENCHMARK(BM_AppendToFileOnly);

void BM_WriteSexualGenerationLines(benchmark::State &state) {
  Scratch scratch;
  SimState s = MidRunState();
  s.DetailFile.Name = (scratch.dir / "run.gnr").string();
  s.PlotFile.Name = (scratch.dir / "PlotSexFile.plo").string();
  CreateEmptyFile(s.DetailFile.Name);
  CreateEmptyFile(s.PlotFile.Name);
  std::int64_t n = 0;
  for (auto _ : state) {
    WriteSexualDetailGenerationLine(s);
    WriteSexualPlotGenerationLine(s);
    if (++n % 10000 == 0) {
      CreateEmptyFile(s.DetailFile.Name);
      CreateEmptyFile(s.PlotFile.Name);
    }
  }
}
BENCHMARK(BM_WriteSexualGenerationLines);

} // namespace
