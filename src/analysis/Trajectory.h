// The path of a series over the (p, q) plane: the engine's run from a start,
// without files, each generation's p and q kept.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/Linearise.h"

namespace morvane::analysis {

struct PathPoint {
  double p, q;
};

// The run of a series of m at p from p0, q0 and DG0 (sexual models; clones
// start from the population StartPopulation makes of p0 and q0, and DG0 is
// not taken), as an input window's Go runs it: the start, then p and q
// after every generation until the stop rule (L of p) or maxGenerations.
// For clones p = fAB + fAb and q = fAB + faB.
std::vector<PathPoint> SeriesPath(Model m, const Parameters &p, double p0, double q0, double DG0,
                                  std::uint32_t maxGenerations);

} // namespace morvane::analysis
