// Forward-mode dual numbers: a value and its N partial derivatives, carried
// through the generation steps (engine/StepKernels.h) so that one generation
// gives its Jacobian exact to rounding. Only what the steps use is defined.
#pragma once

#include <cmath>

namespace morvane {

template <int N> struct Dual {
  // The derivatives are stored in an even number of lanes (the last one
  // unused when N is odd), so that every loop below runs on whole pairs of
  // doubles; the spare lane stays 0.
  static constexpr int L = (N + 1) / 2 * 2;
  double v = 0;
  double d[L] = {};

  Dual() = default;
  explicit Dual(double value) : v(value) {}
  // The value with a unit derivative along direction k.
  static Dual Seed(double value, int k) {
    Dual r(value);
    r.d[k] = 1;
    return r;
  }

  Dual &operator+=(const Dual &b) {
    v += b.v;
    for (int k = 0; k < L; ++k)
      d[k] += b.d[k];
    return *this;
  }

  friend Dual operator+(const Dual &a, const Dual &b) {
    Dual r(a.v + b.v);
    for (int k = 0; k < L; ++k)
      r.d[k] = a.d[k] + b.d[k];
    return r;
  }
  friend Dual operator-(const Dual &a, const Dual &b) {
    Dual r(a.v - b.v);
    for (int k = 0; k < L; ++k)
      r.d[k] = a.d[k] - b.d[k];
    return r;
  }
  friend Dual operator*(const Dual &a, const Dual &b) {
    Dual r(a.v * b.v);
    for (int k = 0; k < L; ++k)
      r.d[k] = a.d[k] * b.v + a.v * b.d[k];
    return r;
  }
  // The value is the quotient itself; the derivatives are multiplied by the
  // reciprocal, one division instead of one per direction.
  friend Dual operator/(const Dual &a, const Dual &b) {
    Dual r(a.v / b.v);
    const double inverse = 1 / b.v;
    for (int k = 0; k < L; ++k)
      r.d[k] = (a.d[k] - r.v * b.d[k]) * inverse;
    return r;
  }
  friend Dual operator+(double a, const Dual &b) {
    Dual r(b);
    r.v = a + b.v;
    return r;
  }
  friend Dual operator+(const Dual &a, double b) {
    Dual r(a);
    r.v = a.v + b;
    return r;
  }
  friend Dual operator-(double a, const Dual &b) {
    Dual r(a - b.v);
    for (int k = 0; k < L; ++k)
      r.d[k] = -b.d[k];
    return r;
  }
  friend Dual operator-(const Dual &a, double b) {
    Dual r(a);
    r.v = a.v - b;
    return r;
  }
  friend Dual operator*(double a, const Dual &b) {
    Dual r(a * b.v);
    for (int k = 0; k < L; ++k)
      r.d[k] = a * b.d[k];
    return r;
  }
  friend Dual operator*(const Dual &a, double b) { return b * a; }
  friend Dual operator/(const Dual &a, double b) {
    Dual r(a.v / b);
    const double inverse = 1 / b;
    for (int k = 0; k < L; ++k)
      r.d[k] = a.d[k] * inverse;
    return r;
  }
  friend Dual operator/(double a, const Dual &b) { return Dual(a) / b; }

  friend Dual exp(const Dual &a) {
    Dual r(std::exp(a.v));
    for (int k = 0; k < L; ++k)
      r.d[k] = r.v * a.d[k];
    return r;
  }
  friend Dual log(const Dual &a) {
    Dual r(std::log(a.v));
    const double inverse = 1 / a.v;
    for (int k = 0; k < L; ++k)
      r.d[k] = a.d[k] * inverse;
    return r;
  }
  friend double ValueOf(const Dual &a) { return a.v; }
};

} // namespace morvane
