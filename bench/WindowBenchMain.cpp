// The main of the window benchmarks: the program's application object must
// exist before the first window does.
#include <benchmark/benchmark.h>

#include "ui/framework/ErrorHandler.h"

int main(int argc, char **argv) {
  morvane::ui::MorvaneApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
