// What the run benchmarks share: a scratch folder for the result files, and a
// population that keeps moving with L = 0, so that only the benchmark's
// display ends a run.
#pragma once

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "engine/InitialState.h"
#include "engine/Series.h"
#include "files/TextFile.h"
#include "state/SimState.h"

namespace morvane::bench {

class ScratchFolder {
public:
  ScratchFolder() {
    char pattern[] = "/tmp/morvane_bench_XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
      throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  ScratchFolder(const ScratchFolder &) = delete;
  ScratchFolder &operator=(const ScratchFolder &) = delete;
  std::string File(const std::string &name) const { return path_ + "/" + name; }

private:
  std::string path_;
};

// A series of `model` ready to run in `folder`: Detail and Plot files there,
// choosy types, unequal survivals, L = 0, the initial state built.
inline void PrepareMovingRun(SimState &s, Model model, const ScratchFolder &folder) {
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

// One generation after another of a polymorphic population, put back to its
// start every kRestart generations so that no frequency decays into subnormal
// numbers; the restore copies a few doubles and costs well under a nanosecond
// per generation.
class MovingPopulation {
public:
  static constexpr int kRestart = 256;

  explicit MovingPopulation(bool diploid) {
    s.SoftProp = 0.5;
    s.MigSurv = 0.9;
    s.HabFreq = 0.6;
    s.TriesAB = 3;
    s.TriesaB = 2;
    s.W1A = 0.9;
    s.W2A = 0.4;
    s.W1a = 0.5;
    s.W2a = 0.8;
    s.FreqA = 0.5;
    s.FreqB = 0.5;
    s.DG = 0.05;
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
