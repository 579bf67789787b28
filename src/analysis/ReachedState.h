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

// X, where a run with p's L stopped, is taken as an equilibrium when Polish
// finds one near enough, or X's own one-generation change (Residual) is at
// most `floor`; that equilibrium is then classed by its eigenvalues. Near
// enough is within `floor`, or within a few times L / (1 - rho) where the
// equilibrium contracts at rate rho (its largest modulus below 1): the most
// that is left to go once every change is below L. An unstable equilibrium
// is reached only within `floor`: a run slowed down near it is passing by.
ReachedState DescribeReached(Model m, const Parameters &p, const Population &X,
                             double floor = 1e-9);

// The line the disturbance windows show under the counters.
std::string ReachedStateText(const ReachedState &r);

} // namespace morvane::analysis
