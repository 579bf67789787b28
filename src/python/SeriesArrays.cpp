#include "python/SeriesArrays.h"

#include <algorithm>

#include "engine/Series.h"
#include "files/FinalFile.h"
#include "runner/Runner.h"

namespace morvane {

namespace {

// The runner's display, which also records every generation's state (and
// the state a series starts from) and asks, now and then, whether to stop.
class RecordingDisplay : public RunnerDisplay {
public:
  RecordingDisplay(SimState &s, const RunnerOptions &o, SeriesArrays &out,
                   const SeriesInterrupt &interrupt, std::uint32_t checkEvery)
      : RunnerDisplay(s, o.maxGenerations), s_(s), out_(out), interrupt_(interrupt),
        checkEvery_(checkEvery ? checkEvery : 1) {
    if (o.maxGenerations) {
      const std::size_t rows =
          1 + std::min<std::size_t>(std::size_t(*o.maxGenerations) * (1 + o.disturbances.size()),
                                    std::size_t(1) << 22);
      Reserve(rows);
    }
  }

  void ShowProgress() override {
    RunnerDisplay::ShowProgress();
    if (out_.T.empty())
      Record();
    out_.runStarts.push_back(s_.Generation);
  }

  void ProcessPendingEvents() override {
    Record();
    RunnerDisplay::ProcessPendingEvents();
    if (interrupt_ && ++sinceCheck_ >= checkEvery_) {
      sinceCheck_ = 0;
      if (!s_.StopRequested && interrupt_()) {
        s_.StopRequested = true;
        interrupted_ = true;
      }
    }
  }

  bool Interrupted() const { return interrupted_; }

private:
  void Reserve(std::size_t rows) {
    out_.T.reserve(rows);
    for (auto &column : out_.values)
      column.reserve(rows);
    for (auto *column : {&out_.W1, &out_.W2, &out_.deltaP, &out_.deltaQ})
      column->reserve(rows);
  }

  void Record() {
    out_.T.push_back(s_.Generation);
    const bool clonal = out_.clonal;
    out_.values[0].push_back(clonal ? s_.X[1] : s_.FreqA);
    out_.values[1].push_back(clonal ? s_.X[2] : s_.FreqB);
    out_.values[2].push_back(clonal ? s_.X[3] : s_.DG);
    out_.values[3].push_back(clonal ? s_.X[4] : s_.Fit);
    out_.W1.push_back(s_.W1);
    out_.W2.push_back(s_.W2);
    out_.deltaP.push_back(s_.DeltaP);
    out_.deltaQ.push_back(s_.DeltaQ);
  }

  SimState &s_;
  SeriesArrays &out_;
  const SeriesInterrupt &interrupt_;
  std::uint32_t checkEvery_;
  std::uint32_t sinceCheck_ = 0;
  bool interrupted_ = false;
};

} // namespace

SeriesArrays RunSeriesArrays(const RunnerOptions &o, const SeriesInterrupt &interrupt,
                             std::uint32_t checkEvery) {
  SeriesArrays out;
  out.clonal = o.model == Model::Clonal;
  const bool files = !o.finalFile.empty();
  SimState s;
  // Main window: the Final file, then the Detail file, as morvane-run.
  if (files) {
    ChooseFinalFile(s, o.finalFile);
    ChooseDetailFile(s, o.detailFile);
  }
  RecordingDisplay display(s, o, out, interrupt, checkEvery);
  RunSeriesRuns(o, s, display, files ? Tracing::ToFiles : Tracing::Off, [&] {
    if (display.Interrupted())
      throw SeriesInterrupted{};
    out.runConverged.push_back(s.LastRunConverged);
  });
  for (const SimState::RerunStart &start : s.RerunStarts)
    out.rerunStates.push_back(start.Values);
  out.converged = true;
  for (char c : out.runConverged)
    out.converged = out.converged && c;

  // Stop: the series' record, appended to the Final file when there is one.
  s.StopRequested = true;
  out.record = FinalRecordLine(s, out.clonal);
  if (files) {
    if (out.clonal)
      StopClonalSeries(s);
    else
      StopSexualSeries(s);
  }
  return out;
}

std::uint32_t RunSeriesPlain(const RunnerOptions &o) {
  SimState s;
  RunnerDisplay display(s, o.maxGenerations);
  RunSeriesRuns(o, s, display, Tracing::Off, [] {});
  return s.Generation;
}

} // namespace morvane
