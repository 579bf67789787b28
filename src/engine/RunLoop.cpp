#include "engine/RunLoop.h"

#include <cmath>

#include "engine/ClonalStep.h"
#include "engine/DiploidStep.h"
#include "engine/HaploidStep.h"
#include "engine/InitialState.h"
#include "files/DetailFile.h"
#include "files/PlotFile.h"

namespace morvane {

namespace {

void Step(Model model, SimState &s) {
  switch (model) {
  case Model::HaploidLocal:
    HaploidLocalStep(s);
    return;
  case Model::HaploidGlobal:
    HaploidGlobalStep(s);
    return;
  case Model::DiploidLocal:
    DiploidLocalStep(s);
    return;
  case Model::DiploidGlobal:
    DiploidGlobalStep(s);
    return;
  case Model::Clonal:
    ClonalStep(s);
    return;
  }
}

// Fixation index after a generation: 0 for haploids; for diploids from the
// heterozygotes at locus A, or 0 when A is fixed. Clones keep no Fit.
void UpdateFit(Model model, SimState &s) {
  if (IsHaploidSexual(model)) {
    s.Fit = 0;
  } else if (IsDiploid(model)) {
    const double p = s.FreqA;
    s.Fit = IsFixedFrequency(p) ? 0.0 : 1 - s.Heteroz / (2 * p * (1 - p));
  }
}

// This generation's line to the Detail file, then to the Plot file.
void TraceGeneration(Model model, const SimState &s) {
  if (model == Model::Clonal) {
    WriteClonalDetailGenerationLine(s);
    WriteClonalPlotGenerationLine(s);
  } else {
    WriteSexualDetailGenerationLine(s);
    WriteSexualPlotGenerationLine(s);
  }
}

} // namespace

void RunLoop(Model model, SimState &s, RunDisplay &display, Tracing tracing) {
  display.ShowProgress();
  try {
    // The stop rule is tested after the generation, so every run computes at
    // least one generation, even from an equilibrium.
    do {
      display.DisplayProgress(s.Generation, s.DeltaP, s.DeltaQ);
      Step(model, s);
      ++s.Generation;
      UpdateFit(model, s);
      if (tracing == Tracing::ToFiles)
        TraceGeneration(model, s);
      if (std::fabs(s.DeltaP) <= s.StopThreshold && std::fabs(s.DeltaQ) <= s.StopThreshold)
        s.StopRequested = true;
      display.ProcessPendingEvents();
    } while (!s.StopRequested);
  } catch (...) {
    // A failed write ends the run where it happened: the lines already written
    // stay, the run is not counted and nothing is handed over, but the
    // progress display must not be left on screen.
    display.HideProgress();
    throw;
  }
  ++s.CompletedRuns;
  display.HideProgress();
  display.HandOver(model);
}

} // namespace morvane
