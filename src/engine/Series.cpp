#include "engine/Series.h"

#include "engine/InitialState.h"
#include "files/DetailFile.h"
#include "files/FinalFile.h"
#include "files/PlotFile.h"

namespace morvane {

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

void PrepareSexualInput(SimState &s, const std::string &plotFileName) {
  ResetPlotFile(s, plotFileName);
  s.Generation = 0;
  s.FreqA = 0.5;
  s.FreqB = 0.5;
  s.DG = 0;
  s.Fit = 0;
  s.TradeOffStatus = "NoTO";
  s.ESSStatus = "NoESS";
  const DGRange range = ComputeDGRange(s.FreqA, s.FreqB);
  s.DGMin = range.lower;
  s.DGMax = range.upper;
}

void PrepareClonalInput(SimState &s, const std::string &plotFileName) {
  ResetPlotFile(s, plotFileName);
  s.X[1] = 0;
  s.X[2] = 0.5;
  s.X[3] = 0;
  s.X[4] = 0.5;
  s.Generation = 0;
  s.SoftProp = 1;
  s.HabFreq = 0.5;
  s.MigSurv = 1;
  s.TriesAB = 1;
  s.TriesaB = 1;
  // The status of a trade-off chosen for an earlier series is not carried
  // into this one: its survivals are reset to 1 without any trade-off.
  s.TradeOffStatus = "NoTO";
  s.ESSStatus = "NoESS";
  s.W1A = 1;
  s.W2A = 1;
  s.W1a = 1;
  s.W2a = 1;
  s.StopThreshold = 0.000001;
}

std::optional<Model> StartSexualSeries(SimState &s, RunDisplay &display) {
  const std::optional<Model> model = SelectedSexualModel(s);
  if (!model)
    return std::nullopt;
  s.StopRequested = false;
  if (IsDiploid(*model))
    DiploidInitialState(s);
  else
    HaploidInitialState(s);
  WriteSexualRunHeader(s);
  s.CompletedRuns = 0;
  RunLoop(*model, s, display);
  return model;
}

void StartClonalSeries(SimState &s, RunDisplay &display) {
  s.StopRequested = false;
  WriteClonalRunHeader(s);
  s.CompletedRuns = 0;
  RunLoop(Model::Clonal, s, display);
}

std::optional<Model> RerunHaploidSeries(SimState &s, RunDisplay &display, double p, double q,
                                        double dg) {
  s.StopRequested = false;
  s.FreqA = p;
  s.FreqB = q;
  s.DG = dg;
  const std::optional<Model> model = SelectedSexualModel(s);
  if (!model || !IsHaploidSexual(*model))
    return std::nullopt;
  HaploidInitialState(s);
  RunLoop(*model, s, display);
  return model;
}

std::optional<Model> RerunDiploidSeriesWithDG(SimState &s, RunDisplay &display, double p, double q,
                                              double dg) {
  s.StopRequested = false;
  s.FreqA = p;
  s.FreqB = q;
  s.DG = dg;
  s.Fit = 0;
  const std::optional<Model> model = SelectedSexualModel(s);
  if (!model || !IsDiploid(*model))
    return std::nullopt;
  DiploidInitialState(s);
  RunLoop(*model, s, display);
  return model;
}

std::optional<Model> RerunDiploidSeriesWithFit(SimState &s, RunDisplay &display, double p, double q,
                                               double fit) {
  s.StopRequested = false;
  s.FreqA = p;
  s.FreqB = q;
  s.DG = 0;
  s.Fit = fit;
  const std::optional<Model> model = SelectedSexualModel(s);
  if (!model || !IsDiploid(*model))
    return std::nullopt;
  DiploidGenotypesFromFit(s);
  RunLoop(*model, s, display);
  return model;
}

void RerunClonalSeries(SimState &s, RunDisplay &display, const std::array<double, 4> &clones) {
  s.StopRequested = false;
  for (int k = 1; k <= 4; ++k)
    s.X[k] = clones[k - 1];
  RunLoop(Model::Clonal, s, display);
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
