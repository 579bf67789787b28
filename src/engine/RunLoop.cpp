#include "engine/RunLoop.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "engine/ClonalStep.h"
#include "engine/DiploidStep.h"
#include "engine/HaploidStep.h"
#include "engine/InitialState.h"
#include "files/DetailFile.h"
#include "files/PlotFile.h"
#include "files/TextFile.h"

namespace morvane {

namespace {

// The step, the count and the Fit of one generation of model M. Fit after a
// generation: 0 for haploids; for diploids from the heterozygotes at locus A,
// or 0 when A is fixed. Clones keep no Fit.
template <Model M> void NextGeneration(SimState &s) {
  if constexpr (M == Model::HaploidLocal)
    HaploidLocalStep(s);
  else if constexpr (M == Model::HaploidGlobal)
    HaploidGlobalStep(s);
  else if constexpr (M == Model::DiploidLocal)
    DiploidLocalStep(s);
  else if constexpr (M == Model::DiploidGlobal)
    DiploidGlobalStep(s);
  else
    ClonalStep(s);
  ++s.Generation;
  if constexpr (IsHaploidSexual(M)) {
    s.Fit = 0;
  } else if constexpr (IsDiploid(M)) {
    const double p = s.FreqA;
    s.Fit = IsFixedFrequency(p) ? 0.0 : 1 - s.Heteroz / (2 * p * (1 - p));
  }
}

// This generation's line to the Detail file, then to the Plot file: both or
// neither. A Detail line whose Plot line failed is taken back, so that the
// generation can be written again, once, when the series goes on.
void TraceGeneration(Model model, const SimState &s) {
  const bool clonal = model == Model::Clonal;
  const std::size_t detailLength =
      clonal ? WriteClonalDetailGenerationLine(s) : WriteSexualDetailGenerationLine(s);
  try {
    if (clonal)
      WriteClonalPlotGenerationLine(s);
    else
      WriteSexualPlotGenerationLine(s);
  } catch (...) {
    TakeBackTail(s.DetailFile.Name, detailLength);
    throw;
  }
}

// The generations of one run of model M, until StopRequested; chosen once per
// run, so that a generation calls its step directly.
template <Model M> void RunGenerations(SimState &s, RunDisplay &display, Tracing tracing) {
  // The stop rule is tested after the generation, so every run computes at
  // least one generation, even from an equilibrium.
  do {
    display.DisplayProgress(s.Generation, s.DeltaP, s.DeltaQ);
    if (tracing == Tracing::Off) {
      NextGeneration<M>(s);
    } else {
      // A generation whose lines cannot both be written is undone.
      const GenerationSnapshot last(s);
      NextGeneration<M>(s);
      try {
        TraceGeneration(M, s);
      } catch (...) {
        last.Restore(s);
        throw;
      }
    }
    if (std::fabs(s.DeltaP) <= s.StopThreshold && std::fabs(s.DeltaQ) <= s.StopThreshold) {
      s.StopRequested = true;
      s.LastRunConverged = true;
    }
    display.ProcessPendingEvents();
  } while (!s.StopRequested);
}

} // namespace

GenerationSnapshot::GenerationSnapshot(const SimState &s)
    : freqA_(s.FreqA), freqB_(s.FreqB), dg_(s.DG), fit_(s.Fit), heteroz_(s.Heteroz), w1_(s.W1),
      w2_(s.W2), deltaP_(s.DeltaP), deltaQ_(s.DeltaQ), count_(s.Generation),
      converged_(s.LastRunConverged) {
  std::copy(std::begin(s.X), std::end(s.X), x_);
}

void GenerationSnapshot::Restore(SimState &s) const {
  std::copy(std::begin(x_), std::end(x_), s.X);
  s.FreqA = freqA_;
  s.FreqB = freqB_;
  s.DG = dg_;
  s.Fit = fit_;
  s.Heteroz = heteroz_;
  s.W1 = w1_;
  s.W2 = w2_;
  s.DeltaP = deltaP_;
  s.DeltaQ = deltaQ_;
  s.Generation = count_;
  s.LastRunConverged = converged_;
}

void RunLoop(Model model, SimState &s, RunDisplay &display, Tracing tracing) {
  s.LastRunConverged = false;
  display.ShowProgress();
  try {
    switch (model) {
    case Model::HaploidLocal:
      RunGenerations<Model::HaploidLocal>(s, display, tracing);
      break;
    case Model::HaploidGlobal:
      RunGenerations<Model::HaploidGlobal>(s, display, tracing);
      break;
    case Model::DiploidLocal:
      RunGenerations<Model::DiploidLocal>(s, display, tracing);
      break;
    case Model::DiploidGlobal:
      RunGenerations<Model::DiploidGlobal>(s, display, tracing);
      break;
    case Model::Clonal:
      RunGenerations<Model::Clonal>(s, display, tracing);
      break;
    }
  } catch (...) {
    // A failed write ends the run where it happened: the lines already written
    // stay, the state is that of the last generation written, the run is not
    // counted and nothing is handed over, but the progress display must not
    // be left on screen.
    display.HideProgress();
    throw;
  }
  ++s.CompletedRuns;
  display.HideProgress();
  display.HandOver(model);
}

} // namespace morvane
