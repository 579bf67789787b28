// What a run's end state is: the equilibrium it is polished to, with its
// stability, and what each locus has come to there (one allele fixed, or
// both kept), and optionally how many stable equilibria the parameters have.
#pragma once

#include <optional>

#include "analysis/Equilibria.h"

namespace morvane::analysis {

struct Outcome {
  // The equilibrium near the end state; nothing when Newton's method finds
  // none there.
  std::optional<Equilibrium> equilibrium;
  // "A fixed", "a fixed", "polymorphic", or "not converged" (the run was cut
  // by its cap, or no equilibrium lies near its end); "B fixed", "b fixed"...
  const char *classA = "not converged";
  const char *classB = "not converged";
  // The distinct stable equilibria found from the starts of an enumeration;
  // nothing when none was asked for.
  std::optional<int> stableCount;
};

// The outcome of a run at p that ended in `end` (its cap not reached when
// `converged`). A locus is classed at the equilibrium by its alleles'
// carriers: an allele whose carriers are all exactly 0 is lost (for clones,
// whose allele frequencies are p = fAB + fAb and q = fAB + faB, A is fixed
// when faB and fab are both 0). With `starts` above 0, the stable equilibria
// found by FindEquilibria from that many starts are counted.
Outcome OutcomeOf(Model m, const Parameters &p, const Population &end, bool converged,
                  int starts = 0);

} // namespace morvane::analysis
