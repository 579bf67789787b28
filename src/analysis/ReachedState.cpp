#include "analysis/ReachedState.h"

#include <cmath>
#include <cstdio>

#include "analysis/Equilibria.h"

namespace morvane::analysis {

namespace {

// Three significant digits, more when three would round a value near 1 to
// "1" and hide on which side of 1 it lies.
std::string Short(double v) {
  char text[32];
  for (int digits = 3; digits <= 15; digits += 3) {
    std::snprintf(text, sizeof text, "%.*g", digits, v);
    if (v == 1 || std::string(text) != "1")
      break;
  }
  return text;
}

} // namespace

ReachedState DescribeReached(Model m, const Parameters &p, const Population &X, double tol) {
  ReachedState r;
  const auto polished = Polish(m, p, X);
  if (!polished)
    return r;
  double distance = 0;
  for (int k = 0; k < Classes(m); ++k)
    distance = std::max(distance, std::fabs((*polished)[k] - X[k]));
  if (distance > tol && Residual(m, p, X) > tol)
    return r;
  r.equilibrium = *polished;
  const Spectrum s = Analyse(m, p, *polished);
  for (const auto &e : s.eigenvalues)
    if (std::abs(e) > std::abs(r.leading))
      r.leading = e;
  r.kind = s.stability == Stability::Stable     ? Reached::Stable
           : s.stability == Stability::Unstable ? Reached::Unstable
                                                : Reached::Neutral;
  return r;
}

std::string ReachedStateText(const ReachedState &r) {
  switch (r.kind) {
  case Reached::Stable:
    return "Stable equilibrium (largest |eigenvalue| " + Short(std::abs(r.leading)) + ")";
  case Reached::Unstable:
    return "Unstable equilibrium: a small disturbance leaves it (" +
           (std::fabs(r.leading.imag()) > 1e-12 ? "|eigenvalue| " + Short(std::abs(r.leading))
                                                : "eigenvalue " + Short(r.leading.real())) +
           ")";
  case Reached::Neutral:
    return "Neutral: an eigenvalue of modulus 1 (a line of equilibria)";
  case Reached::Moving:
    break;
  }
  return "Not an equilibrium: the run stopped on L while still moving";
}

} // namespace morvane::analysis
