// Fixed points of one generation: Newton's method kept inside the simplex,
// runs to convergence, and the equilibria of a parameter set enumerated from
// a grid of starts, each classified by its eigenvalues.
#pragma once

#include <optional>
#include <vector>

#include "analysis/Linearise.h"

namespace morvane::analysis {

struct FixedPoint {
  Population X{};
  bool converged = false;
  double residual = 0; // max |X'k - Xk| at X
};

// Largest |ak - bk| over the classes.
double Distance(Model m, const Population &a, const Population &b);

// Largest |X'k - Xk| over the classes.
double Residual(Model m, const Parameters &p, const Population &X);

// Newton's method on X' - X = 0 from `start`, in the free coordinates of the
// classes not `absent` (those stay exactly 0): every step is shortened so
// that no frequency becomes negative; a singular system (a line of
// equilibria) takes its least-norm step. Converged when the residual is at
// most tol. `at`, when given, receives the linearisation at the point
// returned (computed there for its residual).
FixedPoint NewtonFixedPoint(Model m, const Parameters &p, const Population &start,
                            const std::vector<bool> &absent, double tol = 1e-13,
                            int maxIterations = 60, Linearisation *at = nullptr);

// Generations from X until the largest change of a class is at most tol, or
// maxGenerations. Returns the last population; `generations` (if given) the
// count, negative when the cap ended it.
Population Iterate(Model m, const Parameters &p, Population X, long maxGenerations, double tol,
                   long *generations = nullptr);

// The equilibrium a run that ended near X approaches: Newton from X, with an
// allele whose frequency is below 1e-6 taken as lost (the boundary
// equilibrium is then exact), or below 1e-2 when it does not invade that
// boundary (a recessive allele vanishes slowly). Nothing when Newton finds no
// fixed point. `at`, when given, receives the linearisation at the point
// returned, or n = 0 when none was computed there.
std::optional<Population> Polish(Model m, const Parameters &p, const Population &X,
                                 Linearisation *at = nullptr);

struct Equilibrium {
  Population X{};
  Spectrum spectrum;
  int starts = 0; // starts whose run ended there
};

struct EnumerationSettings {
  int starts = 25;              // K, taken as the nearest square grid over p and q
  long maxGenerations = 200000; // per run
  double stabilityTol = 1e-8;   // of Classify
  double sameTol = 1e-7;        // largest class difference of one equilibrium
};

// The starts of an enumeration: a side x side grid over p and q in [0, 1]
// (corners and edges included) with DG = 0; clones from p and q as
// StartPopulation makes them.
std::vector<Population> GridStarts(Model m, int side);

// The distinct equilibria at p: from each start a run to convergence and a
// Newton polish (counted in `starts`), and Newton from the start itself (which
// finds unstable equilibria too). Sorted by p, then q.
std::vector<Equilibrium> FindEquilibria(Model m, const Parameters &p,
                                        const EnumerationSettings &settings = {});

// Index of the equilibrium within tol of X (largest class difference), or -1.
int MatchEquilibrium(Model m, const std::vector<Equilibrium> &list, const Population &X,
                     double tol);

} // namespace morvane::analysis
