#include "analysis/Equilibria.h"

#include <algorithm>
#include <cmath>

#include "engine/StepKernels.h"
#include "engine/StepState.h"

namespace morvane::analysis {

namespace {

template <Model M>
Population IterateModel(const Parameters &p, Population X, long maxGenerations, double tol,
                        long *generations) {
  constexpr int n = Classes(M);
  StepState<double> s;
  s.SoftProp = p.SoftProp;
  s.MigSurv = p.MigSurv;
  s.HabFreq = p.HabFreq;
  s.TriesAB = p.TriesAB;
  s.TriesaB = p.TriesaB;
  s.W1A = p.W1A;
  s.W2A = p.W2A;
  s.W1a = p.W1a;
  s.W2a = p.W2a;
  const auto f = SettlementFactorsFrom(s.HabFreq, s.MigSurv, s.TriesAB, s.TriesaB);
  for (int k = 0; k < n; ++k)
    s.X[k + 1] = X[k];
  for (long g = 1; g <= maxGenerations; ++g) {
    ModelStepWith<M>(s, f);
    double change = 0;
    for (int k = 0; k < n; ++k) {
      change = std::max(change, std::fabs(s.X[k + 1] - X[k]));
      X[k] = s.X[k + 1];
    }
    if (change <= tol) {
      if (generations)
        *generations = g;
      return X;
    }
  }
  if (generations)
    *generations = -maxGenerations;
  return X;
}

// An allele below this frequency is taken as lost when a run is polished.
constexpr double kLostAllele = 1e-6;
// A recessive allele vanishes slowly (its frequency falls as 1/T, not
// geometrically): below this, a run is tried on the boundary without it,
// which is kept when the allele does not invade there.
constexpr double kVanishingAllele = 1e-2;

// X with the carriers of every allele rarer than `rare` (each clone rarer,
// for clones) set to 0 and the rest brought back to sum 1; nothing when no
// allele is that rare.
std::optional<Population> Snapped(Model m, Population X, double rare) {
  const int n = Classes(m);
  bool snapped = false;
  if (m == Model::Clonal) {
    for (int k = 0; k < n; ++k)
      if (X[k] != 0 && X[k] < rare) {
        X[k] = 0;
        snapped = true;
      }
  } else {
    for (Allele a : {Allele::A, Allele::a, Allele::B, Allele::b}) {
      double sum = 0;
      for (int k : Carriers(m, a))
        sum += X[k];
      if (sum != 0 && sum < rare) {
        for (int k : Carriers(m, a))
          X[k] = 0;
        snapped = true;
      }
    }
  }
  if (!snapped)
    return std::nullopt;
  double sum = 0;
  for (int k = 0; k < n; ++k)
    sum += X[k];
  if (sum <= 0)
    return std::nullopt;
  for (int k = 0; k < n; ++k)
    X[k] /= sum;
  return X;
}

} // namespace

double Distance(Model m, const Population &a, const Population &b) {
  double d = 0;
  for (int k = 0; k < Classes(m); ++k)
    d = std::max(d, std::fabs(a[k] - b[k]));
  return d;
}

double Residual(Model m, const Parameters &p, const Population &X) {
  return Distance(m, NextGeneration(m, p, X), X);
}

FixedPoint NewtonFixedPoint(Model m, const Parameters &p, const Population &start,
                            const std::vector<bool> &absent, double tol, int maxIterations,
                            Linearisation *at) {
  const int n = Classes(m);
  FixedPoint r;
  r.X = start;
  std::vector<int> active;
  for (int k = 0; k < n; ++k) {
    if (absent[k])
      r.X[k] = 0;
    else
      active.push_back(k);
  }
  if (active.empty())
    return r;
  const int e = active.back(); // the class given by the others
  active.pop_back();
  const int f = static_cast<int>(active.size());
  // Once within tol, a few more steps while they still reduce the residual,
  // so that the point is exact to rounding.
  FixedPoint best;
  Linearisation l, atBest;
  const auto found = [&]() {
    if (at)
      *at = atBest;
    return best;
  };
  const Generation step(m, p);
  int extra = 0;
  for (int it = 0; it <= maxIterations; ++it) {
    // The residual from the step on doubles (the value part of the step on
    // dual numbers, bit for bit): the point that ends the search, no better
    // than the best, needs no Jacobian.
    const Population next = step(r.X);
    r.residual = Distance(m, next, r.X);
    const bool last = it == maxIterations || f == 0;
    if (r.residual <= tol) {
      if (best.converged && r.residual >= best.residual)
        return found();
      r.converged = true;
      best = r;
      const bool done = r.residual == 0 || ++extra > 3 || last;
      if (at || !done)
        l = Linearise(m, p, r.X);
      if (at)
        atBest = l;
      if (done)
        return found();
    } else if (best.converged) {
      return found();
    } else if (last) {
      break;
    } else {
      l = Linearise(m, p, r.X);
    }
    const Matrix A = FreeJacobian(l, absent) - Matrix::Identity(f, f);
    Vector g(f);
    for (int a = 0; a < f; ++a)
      g(a) = r.X[active[a]] - next[active[a]];
    // Directions of a line of equilibria (singular to rounding) take no step.
    Eigen::CompleteOrthogonalDecomposition<Matrix> cod;
    cod.setThreshold(1e-10);
    cod.compute(A);
    const Vector delta = cod.solve(g);
    if (best.converged && delta.lpNorm<Eigen::Infinity>() > 1e-9)
      return found(); // polishing steps are small corrections only
    double deltaE = 0;
    for (int a = 0; a < f; ++a)
      deltaE -= delta(a);
    // The longest part of the step that keeps every frequency at least 0.
    double alpha = 1;
    for (int a = 0; a <= f; ++a) {
      const int k = a < f ? active[a] : e;
      const double dk = a < f ? delta(a) : deltaE;
      if (r.X[k] + dk < 0)
        alpha = std::min(alpha, r.X[k] / -dk);
    }
    if (!(alpha > 1e-12))
      break;
    double rest = 1;
    for (int a = 0; a < f; ++a) {
      double &x = r.X[active[a]];
      x = std::max(0.0, x + alpha * delta(a));
      rest -= x;
    }
    r.X[e] = std::max(0.0, rest);
  }
  if (best.converged)
    return found();
  if (at)
    *at = Linearisation{}; // r.X moved on from the last one
  return r;
}

Population Iterate(Model m, const Parameters &p, Population X, long maxGenerations, double tol,
                   long *generations) {
  switch (m) {
  case Model::HaploidLocal:
    return IterateModel<Model::HaploidLocal>(p, X, maxGenerations, tol, generations);
  case Model::HaploidGlobal:
    return IterateModel<Model::HaploidGlobal>(p, X, maxGenerations, tol, generations);
  case Model::DiploidLocal:
    return IterateModel<Model::DiploidLocal>(p, X, maxGenerations, tol, generations);
  case Model::DiploidGlobal:
    return IterateModel<Model::DiploidGlobal>(p, X, maxGenerations, tol, generations);
  case Model::Clonal:
    break;
  }
  return IterateModel<Model::Clonal>(p, X, maxGenerations, tol, generations);
}

std::optional<Population> Polish(Model m, const Parameters &p, const Population &X,
                                 Linearisation *at) {
  Linearisation scratch;
  Linearisation &l = at ? *at : scratch;
  // The fixed point on the boundary left when the rare alleles of Y are
  // taken as lost, if there is one near Y.
  auto onBoundary = [&](const Population &Y, double rare) -> std::optional<Population> {
    const auto snapped = Snapped(m, Y, rare);
    if (!snapped)
      return std::nullopt;
    const FixedPoint r =
        NewtonFixedPoint(m, p, *snapped, AbsentClasses(m, *snapped), 1e-13, 60, &l);
    if (r.converged && Distance(m, r.X, Y) <= 10 * rare)
      return r.X;
    return std::nullopt;
  };
  if (const auto b = onBoundary(X, kLostAllele))
    return b;
  const FixedPoint r = NewtonFixedPoint(m, p, X, AbsentClasses(m, X), 1e-13, 60, &l);
  if (r.converged) {
    const Linearisation atR = l;
    if (const auto b = onBoundary(r.X, kLostAllele))
      return b;
    l = atR;
    return r.X;
  }
  if (const auto b = onBoundary(X, kVanishingAllele)) {
    const Spectrum s = Analyse(m, l, *b);
    if (s.lambdaA.value_or(0) <= 1 + 1e-8 && s.lambdaB.value_or(0) <= 1 + 1e-8)
      return b;
  }
  // A run that has come to rest on a line of equilibria, where Newton's least
  // norm step may stall: the point is kept as the run left it.
  l = Linearisation{};
  if (Residual(m, p, X) <= 1e-12)
    return X;
  return std::nullopt;
}

std::vector<Population> GridStarts(Model m, int side) {
  side = std::max(side, 2);
  std::vector<Population> starts;
  for (int i = 0; i < side; ++i)
    for (int j = 0; j < side; ++j)
      starts.push_back(StartPopulation(m, static_cast<double>(i) / (side - 1),
                                       static_cast<double>(j) / (side - 1)));
  return starts;
}

int MatchEquilibrium(Model m, const std::vector<Equilibrium> &list, const Population &X,
                     double tol) {
  int best = -1;
  double bestDistance = tol;
  for (std::size_t k = 0; k < list.size(); ++k) {
    const double d = Distance(m, list[k].X, X);
    if (d <= bestDistance) {
      best = static_cast<int>(k);
      bestDistance = d;
    }
  }
  return best;
}

std::vector<Equilibrium> FindEquilibria(Model m, const Parameters &p,
                                        const EnumerationSettings &settings) {
  std::vector<Equilibrium> found;
  auto add = [&](const Population &X, int starts) {
    const int k = MatchEquilibrium(m, found, X, settings.sameTol);
    if (k >= 0) {
      found[k].starts += starts;
      return;
    }
    Equilibrium e;
    e.X = X;
    e.starts = starts;
    found.push_back(e);
  };
  const int side =
      static_cast<int>(std::lround(std::sqrt(static_cast<double>(std::max(settings.starts, 4)))));
  for (const Population &start : GridStarts(m, side)) {
    const Population end = Iterate(m, p, start, settings.maxGenerations, 1e-15);
    if (const auto X = Polish(m, p, end))
      add(*X, 1);
    const FixedPoint direct = NewtonFixedPoint(m, p, start, AbsentClasses(m, start));
    if (direct.converged)
      if (const auto X = Polish(m, p, direct.X))
        add(*X, 0);
  }
  for (Equilibrium &e : found)
    e.spectrum = Analyse(m, p, e.X, settings.stabilityTol);
  std::sort(found.begin(), found.end(), [m](const Equilibrium &a, const Equilibrium &b) {
    const Measures ma = MeasuresOf(m, a.X);
    const Measures mb = MeasuresOf(m, b.X);
    return ma.p != mb.p ? ma.p < mb.p : ma.q < mb.q;
  });
  return found;
}

} // namespace morvane::analysis
