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

// Moduli within this of 1 are neutral, as Analyse classes them.
constexpr double kNeutralBand = 1e-8;

// The stop rule sees p and q, not each class, and a contraction is not the
// same in every direction: a few times the bound of the slowest one.
constexpr double kReachSlack = 10;

} // namespace

ReachedState DescribeReached(Model m, const Parameters &p, const Population &X, double floor) {
  ReachedState r;
  const auto polished = Polish(m, p, X);
  if (!polished)
    return r;
  const double distance = Distance(m, *polished, X);
  const Spectrum s = Analyse(m, p, *polished);
  double reach = floor;
  if (s.stability != Stability::Unstable) {
    // The slowest contraction: along a neutral direction (a line of
    // equilibria) the run does not move, and Newton's nearest point on the
    // line is across from it.
    double rho = -1;
    for (const auto &e : s.eigenvalues)
      if (std::abs(e) < 1 - kNeutralBand)
        rho = std::max(rho, std::abs(e));
    if (rho >= 0)
      reach = std::max(reach, kReachSlack * p.StopThreshold / (1 - rho));
  }
  if (distance > reach && Residual(m, p, X) > floor)
    return r;
  r.equilibrium = *polished;
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
