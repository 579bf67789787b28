// What the state a run came to rest on is: an equilibrium and its
// stability, or a state the stop rule ended while it was still moving.
#pragma once

#include <string>

#include "analysis/Linearise.h"

namespace morvane::analysis {

enum class Reached { Stable, Unstable, Neutral, Moving };

struct ReachedState {
  Reached kind = Reached::Moving;
  Population equilibrium{}; // the polished equilibrium (not for Moving)
  // The eigenvalue of largest modulus of the equilibrium's Jacobian.
  std::complex<double> leading{};
};

// X is taken as an equilibrium when Polish finds one and X is within tol of
// it, or X's own one-generation change (Residual) is at most tol; that
// equilibrium is then classed by its eigenvalues.
ReachedState DescribeReached(Model m, const Parameters &p, const Population &X, double tol = 1e-9);

// The line the disturbance windows show under the counters.
std::string ReachedStateText(const ReachedState &r);

} // namespace morvane::analysis
