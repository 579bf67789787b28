#include "analysis/Linearise.h"

#include <cmath>

#include "analysis/Dual.h"
#include "engine/InitialState.h"
#include "engine/StepKernels.h"
#include "engine/StepState.h"

namespace morvane::analysis {

namespace {

template <class T> T &ParameterOf(StepState<T> &s, Parameter which) {
  switch (which) {
  case Parameter::SoftProp:
    return s.SoftProp;
  case Parameter::MigSurv:
    return s.MigSurv;
  case Parameter::HabFreq:
    return s.HabFreq;
  case Parameter::W1A:
    return s.W1A;
  case Parameter::W2A:
    return s.W2A;
  case Parameter::W1a:
    return s.W1a;
  case Parameter::W2a:
  case Parameter::None:
    break;
  }
  return s.W2a;
}

template <Model M, int N>
Linearisation LineariseModel(const Parameters &p, const Population &X, Parameter along) {
  constexpr int n = Classes(M);
  using D = Dual<N>;
  StepState<D> s = StepStateOf<D>(p);
  if constexpr (N > n) {
    Parameters q = p;
    ParameterOf(s, along) = D::Seed(ParameterValue(q, along), n);
  }
  for (int k = 0; k < n; ++k)
    s.X[k + 1] = D::Seed(X[k], k);
  const Measures before = MeasuresOf(M, X);
  s.FreqA = D(before.p);
  s.FreqB = D(before.q);
  ModelStep<M>(s);
  Linearisation l;
  l.n = n;
  l.full.resize(n, n);
  l.dParameter.resize(n);
  for (int k = 0; k < n; ++k) {
    l.next[k] = s.X[k + 1].v;
    for (int j = 0; j < n; ++j)
      l.full(k, j) = s.X[k + 1].d[j];
    if constexpr (N > n)
      l.dParameter(k) = s.X[k + 1].d[n];
    else
      l.dParameter(k) = 0;
  }
  return l;
}

template <Model M>
Population StepModel(StepState<double> s, const SettlementFactorsOf<double> &f,
                     const Population &X) {
  for (int k = 0; k < Classes(M); ++k)
    s.X[k + 1] = X[k];
  ModelStepWith<M>(s, f);
  Population next{};
  for (int k = 0; k < Classes(M); ++k)
    next[k] = s.X[k + 1];
  return next;
}

// Eigenvalues of a square matrix, by the solver of its fixed size for the
// sizes of the models' free Jacobians.
template <int Size> std::vector<std::complex<double>> FixedEigenvalues(const Matrix &a) {
  const Eigen::Matrix<double, Size, Size> fixed = a;
  Eigen::EigenSolver<Eigen::Matrix<double, Size, Size>> solver(fixed, false);
  const auto &values = solver.eigenvalues();
  return {values.data(), values.data() + Size};
}

// The characteristic polynomial of a 3 x 3 matrix m, p(x) = det(m - x I) up
// to its sign, = x^3 + a x^2 + b x + c.
struct Cubic {
  const Matrix &m;
  double a, b, c;
  // The determinant from the entries themselves: where m is (block)
  // triangular, as at a boundary equilibrium, it vanishes at a diagonal
  // entry exactly, which the expanded coefficients need not.
  double At(double x) const {
    const double d0 = m(0, 0) - x, d1 = m(1, 1) - x, d2 = m(2, 2) - x;
    return -(d0 * (d1 * d2 - m(1, 2) * m(2, 1)) - m(0, 1) * (m(1, 0) * d2 - m(1, 2) * m(2, 0)) +
             m(0, 2) * (m(1, 0) * m(2, 1) - d1 * m(2, 0)));
  }
  double Slope(double x) const { return (3 * x + 2 * a) * x + b; }
  // Newton's method from a root found in closed form, to the last bits.
  double Polish(double x) const {
    for (int it = 0; it < 4; ++it) {
      const double slope = Slope(x);
      if (slope == 0)
        break;
      const double next = x - At(x) / slope;
      if (next == x)
        break;
      x = next;
    }
    return x;
  }
};

// The eigenvalues of a 3 x 3 matrix as the roots of its characteristic
// polynomial, each real one polished by Newton's method. That is as exact as
// the QR iteration only while the roots lie apart (the slope of the
// polynomial at each root is the product of its distances to the other two):
// with two roots closer than 1e-3 (a double root, a line of equilibria
// meeting another eigenvalue) nothing is returned.
std::optional<std::array<std::complex<double>, 3>> SeparatedEigenvalues(const Matrix &m) {
  const double trace = m(0, 0) + m(1, 1) + m(2, 2);
  const double minors = (m(0, 0) * m(1, 1) - m(0, 1) * m(1, 0)) +
                        (m(0, 0) * m(2, 2) - m(0, 2) * m(2, 0)) +
                        (m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1));
  const double det = m(0, 0) * (m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1)) -
                     m(0, 1) * (m(1, 0) * m(2, 2) - m(1, 2) * m(2, 0)) +
                     m(0, 2) * (m(1, 0) * m(2, 1) - m(1, 1) * m(2, 0));
  const Cubic p{m, -trace, minors, -det};
  // The depressed cubic's Q and R: three real roots when R^2 < Q^3.
  const double Q = (p.a * p.a - 3 * p.b) / 9;
  const double R = (2 * p.a * p.a * p.a - 9 * p.a * p.b + 27 * p.c) / 54;
  const double shift = p.a / 3;
  std::array<std::complex<double>, 3> roots;
  if (R * R < Q * Q * Q) {
    const double theta = std::acos(R / std::sqrt(Q * Q * Q));
    const double twoPi = 2 * std::acos(-1.0);
    for (int k = 0; k < 3; ++k)
      roots[k] = p.Polish(-2 * std::sqrt(Q) * std::cos((theta + twoPi * k) / 3) - shift);
  } else {
    const double A = -std::copysign(std::cbrt(std::fabs(R) + std::sqrt(R * R - Q * Q * Q)), R);
    const double B = A == 0 ? 0 : Q / A;
    const double real = p.Polish(A + B - shift);
    // The other two from the sum and the product of all three.
    const double sum = -p.a - real;
    const double product = p.b - real * sum;
    const double disc = sum * sum / 4 - product;
    roots[0] = real;
    if (disc >= 0) {
      roots[1] = p.Polish(sum / 2 + std::sqrt(disc));
      roots[2] = p.Polish(sum / 2 - std::sqrt(disc));
    } else {
      roots[1] = {sum / 2, std::sqrt(-disc)};
      roots[2] = {sum / 2, -std::sqrt(-disc)};
    }
  }
  double scale = 1;
  for (const auto &r : roots) {
    if (!std::isfinite(r.real()) || !std::isfinite(r.imag()))
      return std::nullopt;
    scale = std::max(scale, std::abs(r));
  }
  for (int i = 0; i < 3; ++i)
    for (int j = i + 1; j < 3; ++j)
      if (std::abs(roots[i] - roots[j]) < 1e-3 * scale)
        return std::nullopt;
  return roots;
}

std::vector<std::complex<double>> Eigenvalues(const Matrix &a) {
  if (a.rows() == 3) {
    if (const auto roots = SeparatedEigenvalues(a))
      return {roots->begin(), roots->end()};
    return FixedEigenvalues<3>(a);
  }
  if (a.rows() == 8)
    return FixedEigenvalues<8>(a);
  if (a.rows() == 0)
    return {};
  Eigen::EigenSolver<Matrix> solver(a, false);
  const auto &values = solver.eigenvalues();
  return {values.data(), values.data() + values.size()};
}

bool AllZero(const Population &X, const std::vector<int> &classes) {
  for (int k : classes)
    if (X[k] != 0)
      return false;
  return true;
}

} // namespace

std::optional<Parameter> ParameterNamed(const std::string &name) {
  static const std::pair<const char *, Parameter> names[] = {
      {"x", Parameter::SoftProp}, {"d", Parameter::MigSurv}, {"c", Parameter::HabFreq},
      {"W1A", Parameter::W1A},    {"W2A", Parameter::W2A},   {"W1a", Parameter::W1a},
      {"W2a", Parameter::W2a}};
  for (const auto &[text, which] : names)
    if (name == text)
      return which;
  return std::nullopt;
}

double &ParameterValue(Parameters &p, Parameter which) {
  switch (which) {
  case Parameter::SoftProp:
    return p.SoftProp;
  case Parameter::MigSurv:
    return p.MigSurv;
  case Parameter::HabFreq:
    return p.HabFreq;
  case Parameter::W1A:
    return p.W1A;
  case Parameter::W2A:
    return p.W2A;
  case Parameter::W1a:
    return p.W1a;
  case Parameter::W2a:
  case Parameter::None:
    break;
  }
  return p.W2a;
}

// With the derivative along a parameter, one more direction than classes.
template <Model M>
Linearisation LineariseWithOrWithout(const Parameters &p, const Population &X, Parameter along) {
  if (along == Parameter::None)
    return LineariseModel<M, Classes(M)>(p, X, along);
  return LineariseModel<M, Classes(M) + 1>(p, X, along);
}

Linearisation Linearise(Model m, const Parameters &p, const Population &X, Parameter along) {
  switch (m) {
  case Model::HaploidLocal:
    return LineariseWithOrWithout<Model::HaploidLocal>(p, X, along);
  case Model::HaploidGlobal:
    return LineariseWithOrWithout<Model::HaploidGlobal>(p, X, along);
  case Model::DiploidLocal:
    return LineariseWithOrWithout<Model::DiploidLocal>(p, X, along);
  case Model::DiploidGlobal:
    return LineariseWithOrWithout<Model::DiploidGlobal>(p, X, along);
  case Model::Clonal:
    break;
  }
  return LineariseWithOrWithout<Model::Clonal>(p, X, along);
}

Generation::Generation(Model m, const Parameters &p)
    : m_(m), s_(StepStateOf<double>(p)),
      f_(SettlementFactorsFrom(s_.HabFreq, s_.MigSurv, s_.TriesAB, s_.TriesaB)) {}

Population Generation::operator()(const Population &X) const {
  switch (m_) {
  case Model::HaploidLocal:
    return StepModel<Model::HaploidLocal>(s_, f_, X);
  case Model::HaploidGlobal:
    return StepModel<Model::HaploidGlobal>(s_, f_, X);
  case Model::DiploidLocal:
    return StepModel<Model::DiploidLocal>(s_, f_, X);
  case Model::DiploidGlobal:
    return StepModel<Model::DiploidGlobal>(s_, f_, X);
  case Model::Clonal:
    break;
  }
  return StepModel<Model::Clonal>(s_, f_, X);
}

Population NextGeneration(Model m, const Parameters &p, const Population &X) {
  return Generation(m, p)(X);
}

Matrix FreeJacobian(const Linearisation &l) {
  return FreeJacobian(l, std::vector<bool>(l.n, false));
}

Matrix FreeJacobian(const Linearisation &l, const std::vector<bool> &absent) {
  std::vector<int> kept;
  for (int k = 0; k < l.n; ++k)
    if (!absent[k])
      kept.push_back(k);
  const int f = std::max(0, static_cast<int>(kept.size()) - 1);
  Matrix J(f, f);
  for (int a = 0; a < f; ++a)
    for (int b = 0; b < f; ++b)
      J(a, b) = l.full(kept[a], kept[b]) - l.full(kept[a], kept[f]);
  return J;
}

double SpectralRadius(const Matrix &a) {
  if (a.rows() == 0)
    return 0;
  Eigen::EigenSolver<Matrix> solver(a, false);
  return solver.eigenvalues().cwiseAbs().maxCoeff();
}

const std::vector<int> &Carriers(Model m, Allele allele) {
  static const std::vector<int> four[4] = {{0, 1}, {2, 3}, {0, 2}, {1, 3}};
  static const std::vector<int> nine[4] = {
      {0, 1, 2, 3, 4, 5}, {3, 4, 5, 6, 7, 8}, {0, 1, 3, 4, 6, 7}, {1, 2, 4, 5, 7, 8}};
  return IsDiploid(m) ? nine[static_cast<int>(allele)] : four[static_cast<int>(allele)];
}

std::vector<bool> AbsentClasses(Model m, const Population &X) {
  const int n = Classes(m);
  std::vector<bool> absent(n, false);
  if (m == Model::Clonal) {
    for (int k = 0; k < n; ++k)
      absent[k] = X[k] == 0;
    return absent;
  }
  for (Allele a : {Allele::A, Allele::a, Allele::B, Allele::b})
    if (AllZero(X, Carriers(m, a)))
      for (int k : Carriers(m, a))
        absent[k] = true;
  return absent;
}

const char *StabilityName(Stability s) {
  switch (s) {
  case Stability::Stable:
    return "stable";
  case Stability::Unstable:
    return "unstable";
  case Stability::Neutral:
    break;
  }
  return "neutral";
}

Stability Classify(const std::vector<std::complex<double>> &eigenvalues, double tol) {
  bool neutral = false;
  for (const auto &e : eigenvalues) {
    const double r = std::abs(e);
    if (r > 1 + tol)
      return Stability::Unstable;
    if (r >= 1 - tol)
      neutral = true;
  }
  return neutral ? Stability::Neutral : Stability::Stable;
}

double InvasionEigenvalue(Model m, const Linearisation &l, Allele absent) {
  const std::vector<int> &c = Carriers(m, absent);
  Matrix block(c.size(), c.size());
  for (std::size_t i = 0; i < c.size(); ++i)
    for (std::size_t j = 0; j < c.size(); ++j)
      block(i, j) = l.full(c[i], c[j]);
  return SpectralRadius(block);
}

Spectrum Analyse(Model m, const Linearisation &l, const Population &X, double tol) {
  Spectrum s;
  s.eigenvalues = Eigenvalues(FreeJacobian(l));
  for (const auto &e : s.eigenvalues)
    s.radius = std::max(s.radius, std::abs(e));
  s.stability = Classify(s.eigenvalues, tol);
  if (AllZero(X, Carriers(m, Allele::A)))
    s.lambdaA = InvasionEigenvalue(m, l, Allele::A);
  else if (AllZero(X, Carriers(m, Allele::a)))
    s.lambdaA = InvasionEigenvalue(m, l, Allele::a);
  if (AllZero(X, Carriers(m, Allele::B)))
    s.lambdaB = InvasionEigenvalue(m, l, Allele::B);
  else if (AllZero(X, Carriers(m, Allele::b)))
    s.lambdaB = InvasionEigenvalue(m, l, Allele::b);
  return s;
}

Spectrum Analyse(Model m, const Parameters &p, const Population &X, double tol) {
  return Analyse(m, Linearise(m, p, X), X, tol);
}

Measures MeasuresOf(Model m, const Population &X) {
  if (!IsDiploid(m))
    return {X[0] + X[1], X[0] + X[2], X[0] * X[3] - X[1] * X[2], 0.0};
  const double p = X[0] + X[1] + X[2] + (X[3] + X[4] + X[5]) / 2;
  const double q = X[0] + X[3] + X[6] + (X[1] + X[4] + X[7]) / 2;
  const double heteroz = X[3] + X[4] + X[5];
  const double fit = IsFixedFrequency(p) ? 0.0 : 1 - heteroz / (2 * p * (1 - p));
  const Gametes g = GameteFrequencies(X.data());
  return {p, q, g.AB * g.ab - g.Ab * g.aB, fit};
}

Population StartPopulation(Model m, double p, double q, double DG) {
  SimState s;
  s.FreqA = p;
  s.FreqB = q;
  s.DG = DG;
  Population X{};
  if (m == Model::Clonal) {
    X = {p * q, p * (1 - q), (1 - p) * q, (1 - p) * (1 - q)};
    return X;
  }
  if (IsDiploid(m))
    DiploidInitialState(s);
  else
    HaploidInitialState(s);
  for (int k = 0; k < Classes(m); ++k)
    X[k] = s.X[k + 1];
  return X;
}

} // namespace morvane::analysis
