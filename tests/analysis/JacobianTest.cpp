// The linearisation of a generation against the run's own step: the value
// carried by the dual numbers is the step's result bit for bit, and the
// derivatives agree with central differences of the step, and the
// eigenvalues with Eigen's general solver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "analysis/Linearise.h"
#include "support/EngineTestSupport.h"

namespace morvane::analysis {
namespace {

TEST(Linearisation, IsTheStepAndItsCentralDifferences) {
  const Parameter along[] = {Parameter::SoftProp, Parameter::MigSurv, Parameter::HabFreq,
                             Parameter::W1A,      Parameter::W2A,     Parameter::W1a,
                             Parameter::W2a};
  std::mt19937 rng(28);
  std::uniform_real_distribution<double> u(0, 1);
  for (Model m : {Model::HaploidLocal, Model::HaploidGlobal, Model::DiploidLocal,
                  Model::DiploidGlobal, Model::Clonal}) {
    const int n = Classes(m);
    for (int trial = 0; trial < 40; ++trial) {
      SCOPED_TRACE(::testing::Message() << static_cast<int>(m) << " trial " << trial);
      Parameters p{u(rng),
                   0.1 + 0.9 * u(rng),
                   0.05 + 0.9 * u(rng),
                   static_cast<std::uint16_t>(1 + trial % 5),
                   static_cast<std::uint16_t>(1 + trial % 3),
                   0.1 + 0.9 * u(rng),
                   0.1 + 0.9 * u(rng),
                   0.1 + 0.9 * u(rng),
                   0.1 + 0.9 * u(rng),
                   1e-6};
      Population X{};
      double sum = 0;
      for (int k = 0; k < n; ++k)
        sum += X[k] = 0.05 + u(rng);
      for (int k = 0; k < n; ++k)
        X[k] /= sum;
      const Parameter which = along[trial % 7];
      const Linearisation l = Linearise(m, p, X, which);

      // The value is the run's step, bit for bit, and the step on doubles
      // by which Newton's method measures its residuals.
      const Population next = NextGeneration(m, p, X);
      SimState s;
      s.Params() = p;
      for (int k = 0; k < n; ++k)
        s.X[k + 1] = X[k];
      const Measures before = MeasuresOf(m, X);
      s.FreqA = before.p;
      s.FreqB = before.q;
      morvane::testing::Step(m, s);
      for (int k = 0; k < n; ++k) {
        EXPECT_EQ(l.next[k], s.X[k + 1]);
        EXPECT_EQ(l.next[k], next[k]);
      }

      // The Jacobian in the free classes, Xn = 1 - the others.
      const Matrix J = FreeJacobian(l);
      const double h = 1e-6;
      for (int j = 0; j < n - 1; ++j) {
        Population up = X, down = X;
        up[j] += h;
        up[n - 1] -= h;
        down[j] -= h;
        down[n - 1] += h;
        const Population fu = NextGeneration(m, p, up), fd = NextGeneration(m, p, down);
        for (int i = 0; i < n - 1; ++i)
          EXPECT_NEAR(J(i, j), (fu[i] - fd[i]) / (2 * h), 1e-7) << i << ", " << j;
      }
      // Its eigenvalues, each one of the general solver's (to 1e-10 of the
      // largest modulus), none left over.
      Eigen::EigenSolver<Matrix> solver(J, false);
      std::vector<std::complex<double>> left(solver.eigenvalues().data(),
                                             solver.eigenvalues().data() + n - 1);
      const Spectrum spectrum = Analyse(m, l, X);
      ASSERT_EQ(spectrum.eigenvalues.size(), left.size());
      for (const std::complex<double> &e : spectrum.eigenvalues) {
        const auto nearest = std::min_element(left.begin(), left.end(), [&](auto a, auto b) {
          return std::abs(a - e) < std::abs(b - e);
        });
        EXPECT_LT(std::abs(*nearest - e), 1e-10 * std::max(1.0, spectrum.radius)) << e;
        left.erase(nearest);
      }

      // The derivative along the parameter.
      Parameters up = p, down = p;
      ParameterValue(up, which) += h;
      ParameterValue(down, which) -= h;
      const Population fu = NextGeneration(m, up, X), fd = NextGeneration(m, down, X);
      for (int k = 0; k < n; ++k)
        EXPECT_NEAR(l.dParameter(k), (fu[k] - fd[k]) / (2 * h), 1e-7) << k;
    }
  }
}

} // namespace
} // namespace morvane::analysis
