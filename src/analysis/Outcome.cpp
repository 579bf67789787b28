#include "analysis/Outcome.h"

#include <algorithm>

namespace morvane::analysis {

namespace {

bool Lost(Model m, const Population &X, Allele allele) {
  const std::vector<int> &carriers = Carriers(m, allele);
  return std::all_of(carriers.begin(), carriers.end(), [&X](int k) { return X[k] == 0; });
}

const char *LocusClass(Model m, const Population &X, Allele upper, Allele lower,
                       const char *upperFixed, const char *lowerFixed) {
  if (Lost(m, X, lower))
    return upperFixed;
  if (Lost(m, X, upper))
    return lowerFixed;
  return "polymorphic";
}

} // namespace

Outcome OutcomeOf(Model m, const Parameters &p, const Population &end, bool converged, int starts) {
  Outcome o;
  Linearisation at;
  if (const auto X = Polish(m, p, end, &at)) {
    Equilibrium e;
    e.X = *X;
    // The spectrum from the polish's last linearisation, which lies there.
    const double tol = EnumerationSettings{}.stabilityTol;
    e.spectrum = at.n ? Analyse(m, at, e.X, tol) : Analyse(m, p, e.X, tol);
    if (converged) {
      o.classA = LocusClass(m, e.X, Allele::A, Allele::a, "A fixed", "a fixed");
      o.classB = LocusClass(m, e.X, Allele::B, Allele::b, "B fixed", "b fixed");
    }
    o.equilibrium = e;
  }
  if (starts > 0) {
    EnumerationSettings settings;
    settings.starts = starts;
    const std::vector<Equilibrium> all = FindEquilibria(m, p, settings);
    o.stableCount =
        static_cast<int>(std::count_if(all.begin(), all.end(), [](const Equilibrium &e) {
          return e.spectrum.stability == Stability::Stable;
        }));
  }
  return o;
}

} // namespace morvane::analysis
