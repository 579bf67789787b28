// What the run benchmarks share with the tests (tests/engine/
// EngineTestSupport.h): the scratch folder and the moving population, here
// with L = 0, so that only the benchmark's display ends a run.
#pragma once

#include "EngineTestSupport.h"

namespace morvane::bench {

using testing::ScratchFolder;

// A series of `model` ready to run in `folder`, the initial state built.
inline void PrepareMovingRun(SimState &s, Model model, const ScratchFolder &folder) {
  testing::PrepareSeries(s, model, folder.Path());
  s.StopThreshold = 0;
  s.StopRequested = false;
  testing::BuildInitialState(s, model);
}

} // namespace morvane::bench
