// What the engine and run tests and the benchmarks share: one set of model
// parameters and start, a series prepared as the windows leave it before Go,
// and the step of a model. Nothing here needs gtest.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <tuple>

#include "engine/ClonalStep.h"
#include "engine/DiploidStep.h"
#include "engine/HaploidStep.h"
#include "engine/InitialState.h"
#include "engine/Model.h"
#include "engine/Series.h"
#include "files/FinalFile.h"
#include "files/PlotFile.h"
#include "files/TextFile.h"
#include "state/SimState.h"
#include "support/ScratchFolder.h"

namespace morvane::testing {

// Model parameters that keep a population moving for many generations: the
// default of the tests' Params.
inline constexpr Parameters kMoving{0.5, 0.9, 0.6, 3, 2, 0.9, 0.4, 0.5, 0.8, 0.00001};
struct Params : Parameters {
  constexpr Params() : Parameters(kMoving) {}
};

// The initial texts of the input windows: an equilibrium.
inline constexpr Parameters kWindowDefaults = kInputWindowParameters;

inline void Apply(const Parameters &p, SimState &s) { s.Params() = p; }

// The tests' start of a run: p, q and DG for the sexual models, the four clones.
inline constexpr StartValues kTestStart{0.3, 0.6, 0.05, {0.25, 0.25, 0.25, 0.25}};
// The start of the input windows' initial texts (one clone for clones).
inline constexpr StartValues kEquilibriumStart{0.5, 0.5, 0, {1, 0, 0, 0}};

// s as the windows leave it before Go, with a new Final file results.mrv and
// an empty Detail file run.gnr in `folder` ("" for the current folder).
inline void PrepareSeries(SimState &s, Model model, const std::string &folder,
                          const Parameters &params = kMoving,
                          const StartValues &start = kTestStart) {
  const std::string at = folder.empty() ? "" : folder + "/";
  s.BindFinalFile(at + "results.mrv");
  CreateOrAcceptFinalFile(s.FinalFile.Name);
  s.BindDetailFile(at + "run.gnr");
  CreateEmptyFile(s.DetailFile.Name);
  ChooseModel(s, model);
  if (model == Model::Clonal)
    PrepareClonalInput(s, at + kClonePlotFileName);
  else
    PrepareSexualInput(s, at + kSexPlotFileName);
  Apply(params, s);
  StoreStartValues(s, model, start);
}

// The initial population of `model`, as a Go builds it.
inline void BuildInitialState(SimState &s, Model model) {
  if (IsDiploid(model))
    DiploidInitialState(s);
  else if (IsHaploidSexual(model))
    HaploidInitialState(s);
}

// s set to the parameters and to p, q and DG, its population built as a Go
// of `model` builds it.
inline void StartPopulation(SimState &s, Model model, const Parameters &params, double p, double q,
                            double dg = 0) {
  Apply(params, s);
  StoreStartValues(s, model, StartValues{p, q, dg, {}});
  BuildInitialState(s, model);
}

// One generation of `model`.
inline void Step(Model model, SimState &s) {
  switch (model) {
  case Model::HaploidLocal:
    return HaploidLocalStep(s);
  case Model::HaploidGlobal:
    return HaploidGlobalStep(s);
  case Model::DiploidLocal:
    return DiploidLocalStep(s);
  case Model::DiploidGlobal:
    return DiploidGlobalStep(s);
  case Model::Clonal:
    return ClonalStep(s);
  }
}

inline void SetTypes(SimState &s, double ab1, double ab2, double ab3, double ab4) {
  s.X[1] = ab1;
  s.X[2] = ab2;
  s.X[3] = ab3;
  s.X[4] = ab4;
}

inline double Sum(const double *a, int n) {
  double t = 0;
  for (int k = 1; k <= n; ++k)
    t += a[k];
  return t;
}

inline double DiploidP(const double *X) { return X[1] + X[2] + X[3] + (X[4] + X[5] + X[6]) / 2; }
inline double DiploidQ(const double *X) { return X[1] + X[4] + X[7] + (X[2] + X[5] + X[8]) / 2; }

// Probabilities that a choosy propagule seeking habitat `seek` (1 or 2) with
// `tries` attempts ends alive in habitat 1 and in habitat 2, following its
// attempts one by one.
struct Ending {
  double in1;
  double in2;
};
inline Ending ChoosyEnding(double c, double d, int tries, int seek) {
  const double toSought = (seek == 1 ? c : 1 - c) * d;
  const double toOther = (seek == 1 ? 1 - c : c) * d;
  double alive = 1; // still dispersing after the attempts made so far
  double sought = 0;
  double other = 0;
  for (int k = 1; k <= tries; ++k) {
    sought += alive * toSought;
    if (k == tries)
      other += alive * toOther; // the last attempt settles wherever it lands
    else
      alive *= toOther; // landed in the wrong habitat: tries again
  }
  return seek == 1 ? Ending{sought, other} : Ending{other, sought};
}

// What s holds of a start, to compare whole: p, q and DG, and the four clones.
inline std::array<double, 3> SexualStartOf(const SimState &s) { return {s.FreqA, s.FreqB, s.DG}; }
inline std::array<double, 4> ClonesOf(const SimState &s) {
  return {s.X[1], s.X[2], s.X[3], s.X[4]};
}

// The fields of parameters and of a sexual start, to compare whole.
inline auto FieldsOf(const Parameters &p) {
  return std::make_tuple(p.SoftProp, p.MigSurv, p.HabFreq, p.TriesAB, p.TriesaB, p.W1A, p.W2A,
                         p.W1a, p.W2a, p.StopThreshold);
}
inline auto FieldsOf(const StartValues &v) { return std::make_tuple(v.FreqA, v.FreqB, v.DG); }

} // namespace morvane::testing
