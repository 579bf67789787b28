// A series of runs: the operations that the input and disturbance windows and
// the command-line runner share, so that both write the same bytes to the
// Detail, Plot and Final files.
//
// A series starts from an input window (state prepared, parameters stored,
// then one of the Start operations), goes on with any number of reruns after a
// disturbance, and ends with a Stop, which appends the series' record to the
// Final file.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "engine/Model.h"
#include "engine/RunLoop.h"
#include "engine/TradeOff.h"
#include "state/Parameters.h"
#include "state/SimState.h"

namespace morvane {

// The sexual model chosen by the four mode flags, tested in the order
// ModeHaploLocal, ModeHaploGlobal, ModeDiploLocal, ModeDiploGlobal; none when
// no sexual flag is set.
std::optional<Model> SelectedSexualModel(const SimState &s);

// What choosing a model option in the main window does: sets the model's
// flag, clears the six other option flags, and sets Ploidy and Reproduction.
void ChooseModel(SimState &s, Model model);

// The main window's choice of the result files, each bound (handle and name
// together) before it is touched: the Final file is created with its header,
// or accepted as it is when it exists; the Detail file is created empty. A
// file error propagates with the file left bound.
void ChooseFinalFile(SimState &s, const std::string &name);
void ChooseDetailFile(SimState &s, const std::string &name);

// What the sexual input window's activation leaves: PlotFileName bound to
// plotFileName and the file emptied (a file error propagates and nothing after
// it is done), Generation := 0, p = q = 0.5, DG = Fit = 0, the status of the
// trade-off whose flag is still set ("NoTO" when none is), "NoESS", and the DG
// range of p and q. The parameters are left to the caller. With Tracing::Off
// the Plot file is only named (the Final record names it), not emptied.
void PrepareSexualInput(SimState &s, const std::string &plotFileName,
                        Tracing tracing = Tracing::ToFiles);

// What the clonal input window's activation leaves: PlotFileName bound to
// plotFileName and the file emptied, clones 0, 0.5, 0, 0.5, Generation := 0,
// x = 1, c = 0.5, d = 1, i = j = 1, survivals 1, L = 0.000001, the status of
// the trade-off whose flag is still set, and "NoESS". Tracing as above.
void PrepareClonalInput(SimState &s, const std::string &plotFileName,
                        Tracing tracing = Tracing::ToFiles);

// What an input window's Go stores, once the window is prepared: the
// parameters in one assignment, the status of the trade-off and of the ESS
// option, and the start values of `model` (p, q and DG0, or the clones).
void StoreSeriesInput(SimState &s, Model model, const Parameters &params, TradeOffRule tradeOff,
                      bool ess, const StartValues &start);

// The start values of `model` alone: p, q and DG0, or the four clones.
void StoreStartValues(SimState &s, Model model, const StartValues &start);

// Start of a sexual series, once the parameters, p, q and DG are stored: for
// the model of the mode flags, StopRequested := false, the haploid or diploid
// initial state, the sexual run header, CompletedRuns := 0, the run loop.
// Returns the model run, or none (and changes nothing) when no sexual mode
// flag is set. With Tracing::Off neither the run header nor the generation
// lines are written, here and in the reruns below.
std::optional<Model> StartSexualSeries(SimState &s, RunDisplay &display,
                                       Tracing tracing = Tracing::ToFiles);

// Start of a clonal series, once the parameters and X1..X4 are stored:
// StopRequested := false, the clonal run header, CompletedRuns := 0, the run
// loop.
void StartClonalSeries(SimState &s, RunDisplay &display, Tracing tracing = Tracing::ToFiles);

// Reruns after a disturbance: the new values go into the state, the population
// is rebuilt (the state it starts from is noted in RerunStarts) and the run
// loop of the same model continues the series (no run header; Generation and
// CompletedRuns keep counting). Each clears
// StopRequested first, as the disturbance windows do when they are shown.
//
// Haploids: p, q, DG, then the haploid initial state. Returns the model run,
// or none when no haploid mode flag is set (the values are stored anyway).
std::optional<Model> RerunHaploidSeries(SimState &s, RunDisplay &display, double p, double q,
                                        double dg, Tracing tracing = Tracing::ToFiles);
// Diploids with a new DG: p, q, DG (Fit := 0), then the diploid initial
// state, which recomputes Heteroz and Fit.
std::optional<Model> RerunDiploidSeriesWithDG(SimState &s, RunDisplay &display, double p, double q,
                                              double dg, Tracing tracing = Tracing::ToFiles);
// Diploids with a new Fit: p, q, Fit and DG := 0, then the genotypes from
// Fit; Heteroz and Fit are recomputed by the first generation of the run.
std::optional<Model> RerunDiploidSeriesWithFit(SimState &s, RunDisplay &display, double p, double q,
                                               double fit, Tracing tracing = Tracing::ToFiles);
// Clones: X1..X4 := the four frequencies as given (the caller keeps them
// summing to 1), then the clonal run loop.
void RerunClonalSeries(SimState &s, RunDisplay &display, const std::array<double, 4> &clones,
                       Tracing tracing = Tracing::ToFiles);

// Puts the state back as `held` has it unless a generation was written
// since: values stored but never run (a disturbance window's fields store
// what is typed) give way to the last generation the files hold.
inline void FallBackToHeld(SimState &s, const GenerationSnapshot &held) {
  if (s.Generation == held.Generation()) {
    held.Restore(s);
    // Nor did a rerun start there.
    while (!s.RerunStarts.empty() && s.RerunStarts.back().Generation >= held.Generation())
      s.RerunStarts.pop_back();
  }
}

// Runs `rerun` (a call of one of the Rerun functions above) from a state
// whose last written generation is `held`. When the rerun fails before its
// first generation is written, the disturbed values never ran: the state is
// put back as `held` has it, the last generation the files hold, so that a
// Stop records what ran. The error propagates.
template <typename Rerun>
void RerunFromHeld(SimState &s, const GenerationSnapshot &held, Rerun &&rerun) {
  try {
    rerun();
  } catch (...) {
    FallBackToHeld(s, held);
    throw;
  }
}

// The same starts and reruns up to their run loop, which is left to the
// caller (a batch of runs): each returns the model whose run loop is due, as
// its Start or Rerun above would run it.
std::optional<Model> BeginSexualSeries(SimState &s, Tracing tracing);
void BeginClonalSeries(SimState &s, Tracing tracing);
std::optional<Model> BeginHaploidRerun(SimState &s, double p, double q, double dg);
std::optional<Model> BeginDiploidRerunWithDG(SimState &s, double p, double q, double dg);
std::optional<Model> BeginDiploidRerunWithFit(SimState &s, double p, double q, double fit);
void BeginClonalRerun(SimState &s, const std::array<double, 4> &clones);

// End of a series: StopRequested := true, the series' record appended to the
// Final file, PlotRows := Generation. A file error propagates before PlotRows
// is set.
void StopSexualSeries(SimState &s);
void StopClonalSeries(SimState &s);

} // namespace morvane
