#include "analysis/Continuation.h"

#include <cmath>
#include <functional>

namespace morvane::analysis {

namespace {

// z = (the free classes of the branch, the parameter).
using Point = Eigen::Matrix<double, Eigen::Dynamic, 1, Eigen::ColMajor, 11, 1>;
using Wide = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor, 10, 11>;
using Square = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor, 11, 11>;

// Residual of the corrector at which a point is on the branch.
constexpr double kOnBranch = 1e-13;

struct Evaluation {
  Linearisation l;
  Vector H; // X' - X over the free classes
  Wide DH;  // its derivatives in the free classes and the parameter
};

// How many eigenvalues lie outside the unit circle, by kind, and on it.
struct Counts {
  int plus = 0, minus = 0, complex = 0, neutral = 0;
};

Counts CountsOf(const Spectrum &s, double tol) {
  Counts c;
  for (const auto &e : s.eigenvalues) {
    const double r = std::abs(e);
    if (std::fabs(r - 1) <= tol)
      ++c.neutral;
    else if (r < 1)
      continue;
    else if (std::fabs(e.imag()) > 1e-12)
      ++c.complex;
    else if (e.real() > 0)
      ++c.plus;
    else
      ++c.minus;
  }
  return c;
}

class Branch {
public:
  Branch(Model m, const Parameters &p, Parameter along, const Population &X)
      : m_(m), p_(p), along_(along) {
    const std::vector<bool> absent = AbsentClasses(m, X);
    for (int k = 0; k < Classes(m); ++k)
      if (!absent[k])
        active_.push_back(k);
    e_ = active_.back();
    active_.pop_back();
    f_ = static_cast<int>(active_.size());
  }

  int Free() const { return f_; }

  Point PointOf(const Population &X, double value) const {
    Point z(f_ + 1);
    for (int a = 0; a < f_; ++a)
      z(a) = X[active_[a]];
    z(f_) = value;
    return z;
  }

  Population PopulationOf(const Point &z) const {
    Population X{};
    double rest = 1;
    for (int a = 0; a < f_; ++a) {
      X[active_[a]] = z(a);
      rest -= z(a);
    }
    X[e_] = rest;
    return X;
  }

  // The smallest frequency of the classes the branch holds.
  double Smallest(const Point &z) const {
    const Population X = PopulationOf(z);
    double smallest = X[e_];
    for (int k : active_)
      smallest = std::min(smallest, X[k]);
    return smallest;
  }

  Evaluation Evaluate(const Point &z) const {
    Parameters p = p_;
    ParameterValue(p, along_) = z(f_);
    Evaluation ev;
    ev.l = Linearise(m_, p, PopulationOf(z), along_);
    ev.H.resize(f_);
    ev.DH.resize(f_, f_ + 1);
    for (int a = 0; a < f_; ++a) {
      const int k = active_[a];
      ev.H(a) = ev.l.next[k] - z(a);
      for (int b = 0; b < f_; ++b)
        ev.DH(a, b) = ev.l.full(k, active_[b]) - ev.l.full(k, e_) - (a == b ? 1 : 0);
      ev.DH(a, f_) = ev.l.dParameter(k);
    }
    return ev;
  }

  // The unit tangent nearest to `previous` among the directions that keep
  // X' - X at 0 to first order (two or more on a line of equilibria).
  Point Tangent(const Wide &DH, const Point &previous) const {
    Point t(f_ + 1);
    if (f_ == 0) {
      t(0) = previous(0) < 0 ? -1 : 1;
      return t;
    }
    Eigen::JacobiSVD<Wide> svd(DH, Eigen::ComputeFullV);
    const auto &sv = svd.singularValues();
    const double floor = 1e-9 * std::max(1.0, sv(0));
    t.setZero();
    for (int k = 0; k <= f_; ++k) {
      if (k < f_ && sv(k) > floor)
        continue;
      const auto v = svd.matrixV().col(k);
      t += v.dot(previous) * v;
    }
    if (t.norm() < 1e-12) {
      t = svd.matrixV().col(f_);
      if (t.dot(previous) < 0)
        t = -t;
    }
    return t / t.norm();
  }

  // Newton corrections from the predicted point zp on the hyperplane through
  // it orthogonal to t; least-norm steps on a line of equilibria.
  std::optional<Point> Correct(const Point &zp, const Point &t, int *iterations = nullptr) const {
    Point z = zp;
    const double reach = 2 * (zp.norm() + 1);
    for (int it = 0; it < 12; ++it) {
      const Evaluation ev = Evaluate(z);
      if (f_ == 0 || ev.H.lpNorm<Eigen::Infinity>() <= kOnBranch) {
        if (iterations)
          *iterations = it;
        return z;
      }
      Square A(f_ + 1, f_ + 1);
      A.topRows(f_) = ev.DH;
      A.row(f_) = t.transpose();
      Point rhs(f_ + 1);
      rhs.head(f_) = -ev.H;
      rhs(f_) = -t.dot(z - zp);
      Eigen::CompleteOrthogonalDecomposition<Square> cod;
      cod.setThreshold(1e-10);
      cod.compute(A);
      const Point dz = cod.solve(rhs);
      z += dz;
      if (!z.allFinite() || (z - zp).norm() > reach)
        return std::nullopt;
    }
    return std::nullopt;
  }

  // The point between z (s = 0) and the point predicted at s = h where psi
  // changes sign (psi(z) = psiA, psi at s = h is psiB): Illinois steps on s,
  // each point corrected onto the branch.
  std::optional<Point> Locate(const Point &z, const Point &t, double h, double psiA, double psiB,
                              const std::function<double(const Point &)> &psi) const {
    double a = 0, b = h, fa = psiA, fb = psiB;
    std::optional<Point> best;
    int side = 0;
    for (int it = 0; it < 80; ++it) {
      const double s = fb != fa ? b - fb * (b - a) / (fb - fa) : (a + b) / 2;
      best = Correct(z + s * t, t);
      if (!best)
        return std::nullopt;
      const double fs = psi(*best);
      if (fs == 0 || std::fabs(b - a) < 1e-15 || std::fabs(fs) < 1e-15)
        break;
      if ((fs > 0) == (fb > 0)) {
        b = s;
        fb = fs;
        if (side == -1)
          fa /= 2;
        side = -1;
      } else {
        a = s;
        fa = fs;
        if (side == 1)
          fb /= 2;
        side = 1;
      }
    }
    return best;
  }

  BranchPoint Describe(const Point &z, const Evaluation &ev, int branch, double tol) const {
    BranchPoint bp;
    bp.branch = branch;
    bp.value = z(f_);
    bp.X = PopulationOf(z);
    bp.spectrum = Analyse(m_, ev.l, bp.X, tol);
    return bp;
  }

private:
  Model m_;
  Parameters p_;
  Parameter along_;
  std::vector<int> active_;
  int e_ = 0;
  int f_ = 0;
};

double Invasion(const Spectrum &s, int locus) {
  const std::optional<double> &l = locus == 0 ? s.lambdaA : s.lambdaB;
  return l ? *l - 1 : 0;
}

// The side of 1 an invasion eigenvalue lies on: 0 within tol of 1 (or no
// such eigenvalue), so that an allele neutral along the whole branch gives
// no event.
int InvasionSide(const Spectrum &s, int locus, double tol) {
  const double v = Invasion(s, locus);
  return v > tol ? 1 : v < -tol ? -1 : 0;
}

} // namespace

std::vector<BranchPoint> FollowBranch(Model m, const Parameters &p, Parameter along,
                                      const Population &X, double to, int branch,
                                      const ContinuationSettings &settings) {
  std::vector<BranchPoint> points;
  const Branch b(m, p, along, X);
  const int f = b.Free();
  Parameters start = p;
  const double from = ParameterValue(start, along);
  const double dir = to >= from ? 1 : -1;
  const double maxStep = settings.maxStep > 0 ? settings.maxStep : std::fabs(to - from) / 100;
  const double tol = settings.stabilityTol;

  Point z = b.PointOf(X, from);
  Evaluation ev = b.Evaluate(z);
  Point previous = Point::Zero(f + 1);
  previous(f) = dir;
  Point t = b.Tangent(ev.DH, previous);
  points.push_back(b.Describe(z, ev, branch, tol));
  // The counts at the last point clear of the unit circle but for the
  // eigenvalues on it from the start (a line of equilibria), against which
  // a crossing is told.
  Counts clear = CountsOf(points.back().spectrum, tol);
  const int baseline = clear.neutral;
  bool locatedSinceClear = false;
  if (baseline > 0)
    points.back().event = "neutral";
  if (to == from)
    return points;

  auto tangentValue = [&](const Point &at) { return b.Tangent(b.Evaluate(at).DH, t)(f); };
  double h = maxStep;
  while (static_cast<long>(points.size()) < settings.maxPoints &&
         !(settings.stop && settings.stop->load(std::memory_order_relaxed))) {
    int iterations = 0;
    const std::optional<Point> next = b.Correct(z + h * t, t, &iterations);
    if (!next || std::fabs((*next)(f)-z(f)) > 2 * h + 1e-12) {
      h /= 2;
      if (h < settings.minStep) {
        points.back().event = points.back().event.empty() ? "end" : points.back().event;
        break;
      }
      continue;
    }
    const Point z1 = *next;

    // The end of the range, or the branch leaving the simplex: located, and
    // the branch ends there.
    const bool pastEnd = dir * (z1(f) - to) > 0;
    const bool leaves = b.Smallest(z1) < -1e-13;
    if (pastEnd || leaves) {
      std::optional<Point> last;
      std::string event;
      if (leaves) {
        last = b.Locate(z, t, h, b.Smallest(z), b.Smallest(z1),
                        [&](const Point &at) { return b.Smallest(at); });
        if (last && dir * ((*last)(f)-to) <= 0)
          event = "branch point";
        else
          last.reset();
      }
      if (!last) {
        // At exactly the end value: corrections with the parameter held.
        Point fixed = z1;
        fixed(f) = to;
        Point across = Point::Zero(f + 1);
        across(f) = 1;
        last = b.Correct(fixed, across);
      }
      if (last) {
        points.push_back(b.Describe(*last, b.Evaluate(*last), branch, tol));
        points.back().event = event;
      }
      break;
    }

    Evaluation ev1 = b.Evaluate(z1);
    const Point t1 = b.Tangent(ev1.DH, t);
    BranchPoint bp = b.Describe(z1, ev1, branch, tol);
    const Counts counts1 = CountsOf(bp.spectrum, tol);
    const BranchPoint &before = points.back();
    std::optional<BranchPoint> located;
    if (t(f) * t1(f) < 0) {
      bp.event = "fold";
      if (const auto at = b.Locate(z, t, h, t(f), t1(f), tangentValue)) {
        located = b.Describe(*at, b.Evaluate(*at), branch, tol);
        located->event = "fold";
        bp.event.clear();
      }
    } else {
      for (int locus = 0; locus < 2 && !located; ++locus) {
        const int a = InvasionSide(before.spectrum, locus, tol);
        const int c = InvasionSide(bp.spectrum, locus, tol);
        if (a == c || a == 0)
          continue;
        if (c == 0) {
          // This point is the crossing, within tol.
          bp.event = "branch point";
          break;
        }
        auto psi = [&](const Point &at) {
          return Invasion(Analyse(m, b.Evaluate(at).l, b.PopulationOf(at), tol), locus);
        };
        if (const auto at = b.Locate(z, t, h, Invasion(before.spectrum, locus),
                                     Invasion(bp.spectrum, locus), psi)) {
          located = b.Describe(*at, b.Evaluate(*at), branch, tol);
          located->event = "branch point";
        }
      }
    }
    if (located || !bp.event.empty())
      locatedSinceClear = true;
    if (counts1.neutral == baseline) {
      if (!locatedSinceClear) {
        if (counts1.plus != clear.plus)
          bp.event = "branch point";
        else if (counts1.minus != clear.minus)
          bp.event = "flip";
        else if (counts1.complex != clear.complex)
          bp.event = "torus";
      }
      clear = counts1;
      locatedSinceClear = false;
    }
    if (located)
      points.push_back(*located);
    points.push_back(bp);
    z = z1;
    t = t1;
    if (iterations <= 3)
      h = std::min(maxStep, h * 1.5);
  }
  return points;
}

std::vector<BranchPoint> ContinueEquilibria(Model m, Parameters p, Parameter along, double from,
                                            double to, const EnumerationSettings &enumeration,
                                            const ContinuationSettings &settings) {
  ParameterValue(p, along) = from;
  std::vector<BranchPoint> all;
  int branch = 0;
  for (const Equilibrium &e : FindEquilibria(m, p, enumeration)) {
    if (settings.stop && settings.stop->load(std::memory_order_relaxed))
      break;
    std::vector<BranchPoint> points = FollowBranch(m, p, along, e.X, to, branch++, settings);
    all.insert(all.end(), points.begin(), points.end());
  }
  return all;
}

} // namespace morvane::analysis
