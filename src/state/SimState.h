// The record of one simulation: model parameters, population state,
// last-generation quantities, run counters, result files and the mode and
// status flags chosen in the windows. The desktop program keeps one for its
// windows; morvane-run, each thread of a sweep and each test keep their own.
//
// The windows and the engines reach the fields directly. Field names are the
// program's vocabulary (SoftProp is x, MigSurv is d, HabFreq is c, ...).
// Arrays indexed like the population classes are 1-based: X[1] .. X[9] are the
// type or genotype frequencies X1 .. X9, Settled1[1] .. Settled1[9] their
// settled frequencies; element 0 is never used.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "state/Parameters.h"

namespace morvane {

// A text file handle: the name it is bound to. Files are never held open
// between two operations, so the binding is all a handle needs to keep.
struct TextFile {
  std::string Name;
};

// The model parameters are the Parameters it derives from, reached by their
// names as every other field (s.SoftProp); a series' parameters are stored
// with one assignment (s.Params() = ...).
struct SimState : Parameters {
  Parameters &Params() { return *this; }
  const Parameters &Params() const { return *this; }

  // Population state.
  double FreqA = 0; // p
  double FreqB = 0; // q
  double DG = 0;    // linkage disequilibrium
  double DGMin = 0;
  double DGMax = 0;
  // Haploids and clones: X[1..4] = AB, Ab, aB, ab.
  // Diploids: X[1..9] = AB/AB, AB/Ab, Ab/Ab, AB/aB, AB/ab + Ab/aB, Ab/ab,
  // aB/aB, aB/ab, ab/ab.
  double X[10] = {};
  double Heteroz = 0; // diploids: heterozygotes at locus A
  double Fit = 0;     // fixation index at locus A
  double FitMin = 0;

  // Quantities of the last generation.
  double Settled1[10] = {}; // normalised settlers of habitat 1, 1-based
  double Settled2[10] = {}; // normalised settlers of habitat 2, 1-based
  double W1 = 0;            // productivity of habitat 1
  double W2 = 0;            // productivity of habitat 2
  double DeltaP = 0;
  double DeltaQ = 0;

  // Run control. Generation and PlotRows are 32-bit so that a long series
  // never wraps the generation count written to the files.
  std::uint32_t Generation = 0;
  std::uint32_t PlotRows = 0;
  bool StopRequested = false;
  // Whether the last run ended by the stop rule, at equilibrium, rather than
  // interrupted, cut by a generation cap or by a file error.
  bool LastRunConverged = false;
  std::int32_t CompletedRuns = 0;
  // The reruns of the current series: the generation each started from and
  // the state it started from (p, q, DG and Fit, or the four clone
  // frequencies), which the files do not hold, for the chart of the series.
  // Emptied when a series starts.
  struct RerunStart {
    std::uint32_t Generation;
    std::array<double, 4> Values;
  };
  std::vector<RerunStart> RerunStarts;

  // Result files: each handle with the name shown for it, bound together by
  // the Bind functions below.
  TextFile FinalFile;
  std::string FinalFileName;
  TextFile DetailFile;
  std::string DetailFileName;
  TextFile PlotFile;
  std::string PlotFileName;

  void BindFinalFile(const std::string &name) { FinalFileName = FinalFile.Name = name; }
  void BindDetailFile(const std::string &name) { DetailFileName = DetailFile.Name = name; }
  void BindPlotFile(const std::string &name) { PlotFileName = PlotFile.Name = name; }

  // Mode and status.
  bool ModeDiploGlobal = false;
  bool ModeDiploLocal = false;
  bool ModeHaploGlobal = false;
  bool ModeHaploLocal = false;
  bool ModeClonal = false;
  bool ModePlot = false;
  bool ModeQuit = false;
  std::string Ploidy;       // "Diploid" or "Haploid"
  std::string Reproduction; // "Global", "Local" or "Clonal"
  bool LinTradeOff = false;
  bool ConvexTradeOff = false;
  bool ConcaveTradeOff = false;
  std::string TradeOffStatus; // "NoTO", "LinTO", "ConvTO", "ConcTO"
  std::string ESSStatus;      // "NoESS", "LinESS"
};

} // namespace morvane
