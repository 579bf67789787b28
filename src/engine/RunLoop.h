// The run loops of the five models: generation after generation until both
// allele frequency changes are at most L, tracing every generation to the
// Detail and Plot files.
#pragma once

#include <cstdint>

#include "engine/Model.h"
#include "state/SimState.h"

namespace morvane {

// What a run needs from its surroundings. The desktop program's progress
// window implements it; the command-line runner has its own.
class RunDisplay {
public:
  virtual ~RunDisplay() = default;
  // Before the first generation of a run.
  virtual void ShowProgress() = 0;
  // Once per generation, before the step: T and the deltas of the last one.
  virtual void DisplayProgress(std::uint32_t generation, double deltaP, double deltaQ) = 0;
  // Once per generation, after the stop rule. A handler may set
  // StopRequested here; the run then ends after the current generation.
  virtual void ProcessPendingEvents() = 0;
  // After the last generation, and also before a file error leaves the loop.
  virtual void HideProgress() = 0;
  // After a completed run: show the disturbance window of the model.
  virtual void HandOver(Model model) = 0;
};

// What a generation changes in the state and what its lines and the Final
// record are written from (the settled frequencies are the step's own
// scratch): the population, p, q, DG, Fit, the heterozygotes, W1, W2, the
// deltas, Generation and whether the run that led there converged. Taken of the last generation the files hold, it is
// what a run or a rerun that fails falls back to, so that the state agrees
// with the files.
class GenerationSnapshot {
public:
  explicit GenerationSnapshot(const SimState &s);
  void Restore(SimState &s) const;
  std::uint32_t Generation() const { return count_; }

private:
  double x_[10];
  double freqA_, freqB_, dg_, fit_, heteroz_, w1_, w2_, deltaP_, deltaQ_;
  std::uint32_t count_;
  bool converged_;
};

// Whether a run writes its generations (and a series its run header) to the
// Detail and Plot files. Sweeps run their points without files unless asked.
enum class Tracing { ToFiles, Off };

// Runs one run of the given model on s (the caller has cleared StopRequested
// and built the initial state). Per generation: DisplayProgress, the step,
// Generation + 1, the Fit update (haploids 0, diploids from Heteroz, clones
// none), the Detail line, the Plot line, the stop rule (|DeltaP| <= L and
// |DeltaQ| <= L), ProcessPendingEvents; until StopRequested. Then
// CompletedRuns + 1, HideProgress, HandOver. LastRunConverged tells whether
// the run ended by the stop rule (false when it was interrupted, capped or
// cut by an error).
// An error inside the run (a file error, or one raised by the display) ends
// it at that point: the lines already written stay, CompletedRuns is not
// increased, nothing is handed over, and HideProgress is called before the
// error propagates. A generation is written whole or not at all: when its
// Detail or Plot line fails, the Detail line is taken back and the state
// (population, Generation, deltas, W1, W2) is that of the generation before,
// the last one both files hold, so that the series can go on from there
// without a gap or a repeated T.
// With Tracing::Off the Detail and Plot lines are left out and nothing else
// changes.
void RunLoop(Model model, SimState &s, RunDisplay &display, Tracing tracing = Tracing::ToFiles);

} // namespace morvane
