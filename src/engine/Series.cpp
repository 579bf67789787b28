#include "engine/Series.h"

#include "engine/CloneFrequencies.h"
#include "engine/InitialState.h"
#include "engine/TradeOff.h"
#include "files/DetailFile.h"
#include "files/FinalFile.h"
#include "files/PlotFile.h"
#include "files/TextFile.h"

namespace morvane {

namespace {

// The activation of an input window records the trade-off whose rule the
// habitat-1 exits still apply: the flags outlive a series.
void RecordTradeOffInForce(SimState &s) {
  s.TradeOffStatus = TradeOffStatusText(TradeOffOfFlags(s));
}

// What the three sexual reruns share: the stop flag cleared, the new p and q
// stored, and, when the mode flags name a model of the right ploidy, the
// population rebuilt.
std::optional<Model> BeginSexualRerun(SimState &s, double p, double q, bool (*ofPloidy)(Model),
                                      void (*rebuild)(SimState &)) {
  s.StopRequested = false;
  s.FreqA = p;
  s.FreqB = q;
  const std::optional<Model> model = SelectedSexualModel(s);
  if (!model || !ofPloidy(*model))
    return std::nullopt;
  rebuild(s);
  s.RerunStarts.push_back({s.Generation, {s.FreqA, s.FreqB, s.DG, s.Fit}});
  return model;
}

// The run loop of the model begun, if any.
std::optional<Model> RunBegun(std::optional<Model> model, SimState &s, RunDisplay &display,
                              Tracing tracing) {
  if (model)
    RunLoop(*model, s, display, tracing);
  return model;
}

} // namespace

std::optional<Model> SelectedSexualModel(const SimState &s) {
  if (s.ModeHaploLocal)
    return Model::HaploidLocal;
  if (s.ModeHaploGlobal)
    return Model::HaploidGlobal;
  if (s.ModeDiploLocal)
    return Model::DiploidLocal;
  if (s.ModeDiploGlobal)
    return Model::DiploidGlobal;
  return std::nullopt;
}

void ChooseModel(SimState &s, Model model) {
  s.ModeDiploGlobal = model == Model::DiploidGlobal;
  s.ModeDiploLocal = model == Model::DiploidLocal;
  s.ModeHaploGlobal = model == Model::HaploidGlobal;
  s.ModeHaploLocal = model == Model::HaploidLocal;
  s.ModeClonal = model == Model::Clonal;
  s.ModePlot = false;
  s.ModeQuit = false;
  s.Ploidy = IsDiploid(model) ? "Diploid" : "Haploid";
  switch (model) {
  case Model::HaploidLocal:
  case Model::DiploidLocal:
    s.Reproduction = "Local";
    break;
  case Model::HaploidGlobal:
  case Model::DiploidGlobal:
    s.Reproduction = "Global";
    break;
  case Model::Clonal:
    s.Reproduction = "Clonal";
    break;
  }
}

void ChooseFinalFile(SimState &s, const std::string &name) {
  s.BindFinalFile(name);
  CreateOrAcceptFinalFile(name);
}

void ChooseDetailFile(SimState &s, const std::string &name) {
  s.BindDetailFile(name);
  CreateEmptyFile(name);
}

void StoreSeriesInput(SimState &s, Model model, const Parameters &params, TradeOffRule tradeOff,
                      bool ess, const StartValues &start) {
  s.Params() = params;
  ChooseTradeOff(s, tradeOff);
  s.ESSStatus = ess ? "LinESS" : "NoESS";
  StoreStartValues(s, model, start);
}

void StoreStartValues(SimState &s, Model model, const StartValues &start) {
  if (model == Model::Clonal) {
    for (int k = 1; k <= 4; ++k)
      s.X[k] = start.Clones[k - 1];
  } else {
    s.FreqA = start.FreqA;
    s.FreqB = start.FreqB;
    s.DG = start.DG;
  }
}

namespace {

// The input windows' activation empties the Plot file; a series run without
// files only names it.
void BindPlotFile(SimState &s, const std::string &plotFileName, Tracing tracing) {
  if (tracing == Tracing::ToFiles) {
    ResetPlotFile(s, plotFileName);
  } else {
    s.BindPlotFile(plotFileName);
  }
}

} // namespace

void PrepareSexualInput(SimState &s, const std::string &plotFileName, Tracing tracing) {
  BindPlotFile(s, plotFileName, tracing);
  s.Generation = 0;
  s.FreqA = 0.5;
  s.FreqB = 0.5;
  s.DG = 0;
  s.Fit = 0;
  RecordTradeOffInForce(s);
  s.ESSStatus = "NoESS";
  StoreDGRange(s);
}

void PrepareClonalInput(SimState &s, const std::string &plotFileName, Tracing tracing) {
  BindPlotFile(s, plotFileName, tracing);
  ResetCloneFrequencies(s);
  s.Generation = 0;
  s.SoftProp = 1;
  s.HabFreq = 0.5;
  s.MigSurv = 1;
  s.TriesAB = 1;
  s.TriesaB = 1;
  RecordTradeOffInForce(s);
  s.ESSStatus = "NoESS";
  s.W1A = 1;
  s.W2A = 1;
  s.W1a = 1;
  s.W2a = 1;
  s.StopThreshold = 0.000001;
}

std::optional<Model> BeginSexualSeries(SimState &s, Tracing tracing) {
  const std::optional<Model> model = SelectedSexualModel(s);
  if (!model)
    return std::nullopt;
  s.StopRequested = false;
  if (IsDiploid(*model))
    DiploidInitialState(s);
  else
    HaploidInitialState(s);
  if (tracing == Tracing::ToFiles)
    WriteSexualRunHeader(s);
  s.CompletedRuns = 0;
  s.RerunStarts.clear();
  return model;
}

std::optional<Model> StartSexualSeries(SimState &s, RunDisplay &display, Tracing tracing) {
  return RunBegun(BeginSexualSeries(s, tracing), s, display, tracing);
}

void BeginClonalSeries(SimState &s, Tracing tracing) {
  s.StopRequested = false;
  if (tracing == Tracing::ToFiles)
    WriteClonalRunHeader(s);
  s.CompletedRuns = 0;
  s.RerunStarts.clear();
}

void StartClonalSeries(SimState &s, RunDisplay &display, Tracing tracing) {
  BeginClonalSeries(s, tracing);
  RunLoop(Model::Clonal, s, display, tracing);
}

std::optional<Model> BeginHaploidRerun(SimState &s, double p, double q, double dg) {
  s.DG = dg;
  return BeginSexualRerun(s, p, q, IsHaploidSexual, HaploidInitialState);
}

std::optional<Model> BeginDiploidRerunWithDG(SimState &s, double p, double q, double dg) {
  s.DG = dg;
  s.Fit = 0;
  return BeginSexualRerun(s, p, q, IsDiploid, DiploidInitialState);
}

std::optional<Model> BeginDiploidRerunWithFit(SimState &s, double p, double q, double fit) {
  s.DG = 0;
  s.Fit = fit;
  return BeginSexualRerun(s, p, q, IsDiploid, DiploidGenotypesFromFit);
}

void BeginClonalRerun(SimState &s, const std::array<double, 4> &clones) {
  s.StopRequested = false;
  for (int k = 1; k <= 4; ++k)
    s.X[k] = clones[k - 1];
  s.RerunStarts.push_back({s.Generation, clones});
}

std::optional<Model> RerunHaploidSeries(SimState &s, RunDisplay &display, double p, double q,
                                        double dg, Tracing tracing) {
  return RunBegun(BeginHaploidRerun(s, p, q, dg), s, display, tracing);
}

std::optional<Model> RerunDiploidSeriesWithDG(SimState &s, RunDisplay &display, double p, double q,
                                              double dg, Tracing tracing) {
  return RunBegun(BeginDiploidRerunWithDG(s, p, q, dg), s, display, tracing);
}

std::optional<Model> RerunDiploidSeriesWithFit(SimState &s, RunDisplay &display, double p, double q,
                                               double fit, Tracing tracing) {
  return RunBegun(BeginDiploidRerunWithFit(s, p, q, fit), s, display, tracing);
}

void RerunClonalSeries(SimState &s, RunDisplay &display, const std::array<double, 4> &clones,
                       Tracing tracing) {
  BeginClonalRerun(s, clones);
  RunLoop(Model::Clonal, s, display, tracing);
}

void StopSexualSeries(SimState &s) {
  s.StopRequested = true;
  AppendFinalRecord(s, false);
  s.PlotRows = s.Generation;
}

void StopClonalSeries(SimState &s) {
  s.StopRequested = true;
  AppendFinalRecord(s, true);
  s.PlotRows = s.Generation;
}

} // namespace morvane
