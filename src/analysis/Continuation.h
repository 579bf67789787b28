// Continuation of equilibria along one real parameter: pseudo-arclength
// steps with Newton corrections, following stable and unstable branches
// through folds, with the events met on the way.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "analysis/Equilibria.h"
#include "analysis/Linearise.h"

namespace morvane::analysis {

struct ContinuationSettings {
  double maxStep = 0;       // largest arclength step; 0: |to - from| / 100
  double minStep = 1e-10;   // a branch whose step falls below this ends
  long maxPoints = 1000000; // accepted points per branch
  double stabilityTol = 1e-8;
  // When given and set (by another thread), the branch followed ends where
  // it is and no other branch is begun: the work is cancelled.
  const std::atomic<bool> *stop = nullptr;
};

// One accepted point of a branch. `event` is empty, or names what happens at
// this point (located there) or between the previous point and this one:
//  "fold"         the branch turns back in the parameter (a real eigenvalue
//                 through +1),
//  "flip"         an eigenvalue through -1,
//  "branch point" an eigenvalue through +1 without a turn: at a boundary the
//                 invasion eigenvalue of a missing allele reaches 1 (an
//                 interior branch meets it, transcritical), or an interior
//                 branch reaches the boundary of the simplex,
//  "torus"        a pair of complex eigenvalues through the unit circle,
//  "neutral"      an eigenvalue comes within tol of 1 (a line of equilibria),
//  "end"          the branch stops short of the end of the range (its step
//                 became too small).
// The events' names, in the order above.
inline constexpr const char *kBranchEvents[] = {"fold",  "flip",    "branch point",
                                                "torus", "neutral", "end"};

struct BranchPoint {
  int branch = 0;
  double value = 0; // of the parameter
  Population X{};
  Spectrum spectrum;
  std::string event;
};

// Follows the branch through the equilibrium X at p (whose parameter
// `along` holds the first value) until the parameter reaches `to`, the
// branch leaves the simplex or its step becomes too small. The classes
// absent from X stay absent: a boundary branch stays on its boundary.
std::vector<BranchPoint> FollowBranch(Model m, const Parameters &p, Parameter along,
                                      const Population &X, double to, int branch,
                                      const ContinuationSettings &settings = {});

// Every branch through the equilibria found at the first value (FindEquilibria
// with `enumeration`), numbered from 0 in their order, one after the other.
std::vector<BranchPoint> ContinueEquilibria(Model m, Parameters p, Parameter along, double from,
                                            double to, const EnumerationSettings &enumeration = {},
                                            const ContinuationSettings &settings = {});

} // namespace morvane::analysis
