#include "runner/Runner.h"

#include "engine/Series.h"
#include "files/FinalFile.h"
#include "files/NumberFormat.h"
#include "files/TextFile.h"

namespace morvane {

void RunnerDisplay::ShowProgress() {
  generations_ = 0;
  capped_ = false;
}

void RunnerDisplay::ProcessPendingEvents() {
  ++generations_;
  if (!s_.StopRequested && maxGenerations_ && generations_ >= *maxGenerations_) {
    s_.StopRequested = true;
    capped_ = true;
  }
}

namespace {

// Run number, T, then p, q, DG, Fit or the four clone frequencies.
void ReportRun(const SimState &s, Model model, std::ostream &out) {
  out << s.CompletedRuns << '\t' << s.Generation;
  if (model == Model::Clonal) {
    for (int k = 1; k <= 4; ++k)
      out << '\t' << RealToText(s.X[k]);
  } else {
    out << '\t' << RealToText(s.FreqA) << '\t' << RealToText(s.FreqB) << '\t' << RealToText(s.DG)
        << '\t' << RealToText(s.Fit);
  }
  out << '\n';
}

// A run that did not reach its equilibrium says so, with the generation
// reached: its values are no equilibrium values.
void ReportCap(const RunnerDisplay &display, const SimState &s, const RunnerOptions &o,
               std::ostream &err) {
  if (display.Capped())
    err << "morvane-run: warning: run " << s.CompletedRuns << " ended after " << *o.maxGenerations
        << " generations without converging, at T=" << s.Generation << "\n";
}

} // namespace

void RunSeriesRuns(const RunnerOptions &o, SimState &s, RunnerDisplay &display, Tracing tracing,
                   const std::function<void()> &afterRun) {
  ChooseModel(s, o.model);
  const bool clonal = o.model == Model::Clonal;

  // Input window: activation, then Go.
  if (clonal)
    PrepareClonalInput(s, o.plotFile, tracing);
  else
    PrepareSexualInput(s, o.plotFile, tracing);
  StoreSeriesInput(s, o.model, o.params, o.tradeOff, o.ess, o.start);
  if (clonal)
    StartClonalSeries(s, display, tracing);
  else
    StartSexualSeries(s, display, tracing);
  afterRun();

  // Disturbance window: one Go per step.
  for (const Disturbance &step : o.disturbances) {
    RerunFromHeld(s, GenerationSnapshot(s), [&] {
      if (clonal)
        RerunClonalSeries(s, display, step.clones, tracing);
      else if (IsHaploidSexual(o.model))
        RerunHaploidSeries(s, display, step.p, step.q, *step.dg, tracing);
      else if (step.dg)
        RerunDiploidSeriesWithDG(s, display, step.p, step.q, *step.dg, tracing);
      else
        RerunDiploidSeriesWithFit(s, display, step.p, step.q, *step.fit, tracing);
    });
    afterRun();
  }
}

void BeginSeriesStage(const RunnerOptions &o, SimState &s, std::size_t stage) {
  const bool clonal = o.model == Model::Clonal;
  if (stage == 0) {
    ChooseModel(s, o.model);
    if (clonal)
      PrepareClonalInput(s, o.plotFile, Tracing::Off);
    else
      PrepareSexualInput(s, o.plotFile, Tracing::Off);
    StoreSeriesInput(s, o.model, o.params, o.tradeOff, o.ess, o.start);
    if (clonal)
      BeginClonalSeries(s, Tracing::Off);
    else
      BeginSexualSeries(s, Tracing::Off);
    return;
  }
  const Disturbance &step = o.disturbances.at(stage - 1);
  if (clonal)
    BeginClonalRerun(s, step.clones);
  else if (IsHaploidSexual(o.model))
    BeginHaploidRerun(s, step.p, step.q, *step.dg);
  else if (step.dg)
    BeginDiploidRerunWithDG(s, step.p, step.q, *step.dg);
  else
    BeginDiploidRerunWithFit(s, step.p, step.q, *step.fit);
}

void RunSeries(const RunnerOptions &o, SimState &s, std::ostream &out, std::ostream &err) {
  // Main window: the Final file, then the Detail file, then the model.
  ChooseFinalFile(s, o.finalFile);
  ChooseDetailFile(s, o.detailFile);

  RunnerDisplay display(s, o.maxGenerations);
  RunSeriesRuns(o, s, display, Tracing::ToFiles, [&] {
    ReportRun(s, o.model, out);
    ReportCap(display, s, o, err);
  });

  // Stop: the series' record.
  if (o.model == Model::Clonal)
    StopClonalSeries(s);
  else
    StopSexualSeries(s);
  out.flush();
}

} // namespace morvane
