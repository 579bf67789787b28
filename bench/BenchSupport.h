// What the run benchmarks share with the tests (tests/engine/
// EngineTestSupport.h): the scratch folder and the moving population, here
// with L = 0, so that only the benchmark's display ends a run.
#pragma once

#include <cstring>

#include "support/EngineTestSupport.h"
#include "engine/InitialState.h"

namespace morvane::bench {

using testing::ScratchFolder;

// A series of `model` ready to run in `folder`, the initial state built.
inline void PrepareMovingRun(SimState &s, Model model, const ScratchFolder &folder) {
  testing::PrepareSeries(s, model, folder.Path());
  s.StopThreshold = 0;
  s.StopRequested = false;
  testing::BuildInitialState(s, model);
}

// One generation after another of the tests' moving population, put back to
// its start every kRestart generations so that no frequency decays into
// subnormal numbers; the restore copies a few doubles and costs well under a
// nanosecond per generation.
class MovingPopulation {
public:
  static constexpr int kRestart = 256;

  explicit MovingPopulation(bool diploid) {
    testing::Apply(testing::Params{}, s);
    StoreStartValues(s, Model::HaploidLocal, testing::kTestStart);
    if (diploid)
      DiploidInitialState(s);
    else
      HaploidInitialState(s);
    start_ = s;
  }

  template <void (*Step)(SimState &)> void Generation() {
    Step(s);
    if (++sinceRestart_ == kRestart) {
      sinceRestart_ = 0;
      std::memcpy(s.X, start_.X, sizeof s.X);
      s.FreqA = start_.FreqA;
      s.FreqB = start_.FreqB;
      s.DG = start_.DG;
    }
  }

  SimState s;

private:
  SimState start_;
  int sinceRestart_ = 0;
};

} // namespace morvane::bench
