// The series that morvane-run performs: the same operations, in the same
// order, as the main window, the input window and the disturbance windows.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>

#include "engine/RunLoop.h"
#include "runner/RunnerOptions.h"
#include "state/SimState.h"

namespace morvane {

// The runner's stand-in for the progress window: nothing to show, but it
// ends a run after the cap of --max-generations when one is given.
class RunnerDisplay : public RunDisplay {
public:
  RunnerDisplay(SimState &s, std::optional<std::uint32_t> maxGenerations)
      : s_(s), maxGenerations_(maxGenerations) {}

  void ShowProgress() override;
  void DisplayProgress(std::uint32_t, double, double) override {}
  void ProcessPendingEvents() override;
  void HideProgress() override {}
  void HandOver(Model) override {}

  // Whether the last run was ended by the cap rather than by convergence.
  bool Capped() const { return capped_; }

private:
  SimState &s_;
  std::optional<std::uint32_t> maxGenerations_;
  std::uint32_t generations_ = 0;
  bool capped_ = false;
};

// The runs of the series of the options on s, from the main window's choice
// of the model to the last disturbance: the input window's activation and Go
// (the Plot file o.plotFile emptied when tracing to files; s.DetailFile must
// then name an existing file), the start run and one rerun per disturbance,
// each followed by afterRun. The Stop, and so the Final record, is left to
// the caller. A file error propagates as FileError.
void RunSeriesRuns(const RunnerOptions &options, SimState &s, RunnerDisplay &display,
                   Tracing tracing, const std::function<void()> &afterRun);

// The same series without files, one run at a time for a batch of runs:
// stage 0 is the input window's activation and Go, stage k the Go of the k-th
// disturbance (o.disturbances.size() stages after the first), each up to its
// run loop, which the caller runs.
void BeginSeriesStage(const RunnerOptions &options, SimState &s, std::size_t stage);

// Creates or accepts the Final file, creates the Detail file empty, prepares
// the series (Plot file emptied), runs it and each disturbance, and stops it.
// Writes one line per run to out and a note per capped run to err. A file
// error propagates as FileError.
void RunSeries(const RunnerOptions &options, SimState &s, std::ostream &out, std::ostream &err);

} // namespace morvane
