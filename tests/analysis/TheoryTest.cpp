// The equilibria, eigenvalues and invasion of the Levene case worked out by
// hand from the recurrence: survivals W1(A) = 0.9, W2(A) = 0.6, W1(a) = 0.6,
// W2(a) = 0.9, i = j = 1 (B neutral).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#include "analysis/Basins.h"
#include "analysis/Continuation.h"
#include "analysis/Equilibria.h"
#include "analysis/Linearise.h"

namespace morvane::analysis {
namespace {

constexpr double kW1A = 0.9, kW2A = 0.6, kW1a = 0.6, kW2a = 0.9;

Parameters Levene(double x, double c, double d = 1) {
  return Parameters{x, d, c, 1, 1, kW1A, kW2A, kW1a, kW2a, 1e-12};
}

// A's invasion when rare: soft selection sums the habitats' ratios, hard
// selection takes the ratio of the mean survivals.
double SoftInvasionOfA(double c) { return c * kW1A / kW1a + (1 - c) * kW2A / kW2a; }
double SoftInvasionOfa(double c) { return c * kW1a / kW1A + (1 - c) * kW2a / kW2A; }

std::vector<double> SortedModuli(const Spectrum &s) {
  std::vector<double> r;
  for (const auto &e : s.eigenvalues)
    r.push_back(std::abs(e));
  std::sort(r.begin(), r.end());
  return r;
}

TEST(Theory, EigenvaluesAndInvasionAtTheBoundaries) {
  struct Case {
    const char *what;
    Model model;
    Parameters params;
    Population X;
    std::vector<double> eigenvalues; // moduli, ascending
    double lambdaA;                  // invasion of the missing A-locus allele
    Stability stability;
  };
  const Population aLost{0, 0, 0.5, 0.5};
  const Population aFixed{0.3, 0.7, 0, 0};
  const Case cases[] = {
      {"local, A lost",
       Model::HaploidLocal,
       Levene(1, 0.45),
       aLost,
       {0.5208333333333333, 1, 1.0416666666666667},
       1.0416666666666667,
       Stability::Unstable},
      {"global, A lost",
       Model::HaploidGlobal,
       Levene(1, 0.45),
       aLost,
       {0.5208333333333333, 1, 1.0416666666666667},
       1.0416666666666667,
       Stability::Unstable},
      {"local, d = 0.4, A lost",
       Model::HaploidLocal,
       Levene(1, 0.45, 0.4),
       aLost,
       {0.5208333333333333, 1, 1.0416666666666667},
       1.0416666666666667,
       Stability::Unstable},
      {"local, A fixed",
       Model::HaploidLocal,
       Levene(1, 0.45),
       aFixed,
       {SoftInvasionOfa(0.45) / 2, 1, SoftInvasionOfa(0.45)},
       SoftInvasionOfa(0.45),
       Stability::Unstable},
      {"hard selection, A lost",
       Model::HaploidLocal,
       Levene(0, 0.45),
       aLost,
       {0.9607843137254902 / 2, 0.9607843137254902, 1},
       0.9607843137254902,
       Stability::Neutral},
      {"clones, A lost",
       Model::Clonal,
       Levene(1, 0.45),
       aLost,
       {1, 1.0416666666666667, 1.0416666666666667},
       1.0416666666666667,
       Stability::Unstable},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_LE(Residual(c.model, c.params, c.X), 1e-15);
    const Spectrum s = Analyse(c.model, c.params, c.X);
    const std::vector<double> moduli = SortedModuli(s);
    ASSERT_EQ(moduli.size(), c.eigenvalues.size());
    for (std::size_t k = 0; k < moduli.size(); ++k)
      EXPECT_NEAR(moduli[k], c.eigenvalues[k], 1e-10);
    ASSERT_TRUE(s.lambdaA.has_value());
    EXPECT_NEAR(*s.lambdaA, c.lambdaA, 1e-10);
    EXPECT_FALSE(s.lambdaB.has_value()); // B and b both present
    EXPECT_EQ(s.stability, c.stability);
  }
}

// Protected polymorphism exactly for 0.4 < c < 0.6, and there the interior
// equilibrium p = (c - 0.4)/0.2, stable but for the neutral line of B.
TEST(Theory, ProtectedPolymorphismAndItsInteriorEquilibrium) {
  for (double c : {0.35, 0.39, 0.41, 0.45, 0.5, 0.55, 0.59, 0.61, 0.65}) {
    SCOPED_TRACE(c);
    const Parameters p = Levene(1, c);
    const Spectrum lost = Analyse(Model::HaploidLocal, p, {0, 0, 0.4, 0.6});
    const Spectrum fixed = Analyse(Model::HaploidLocal, p, {0.4, 0.6, 0, 0});
    EXPECT_NEAR(*lost.lambdaA, SoftInvasionOfA(c), 1e-12);
    EXPECT_NEAR(*fixed.lambdaA, SoftInvasionOfa(c), 1e-12);
    const bool protectedPolymorphism = *lost.lambdaA > 1 && *fixed.lambdaA > 1;
    EXPECT_EQ(protectedPolymorphism, c > 0.4 && c < 0.6);

    const std::vector<Equilibrium> found = FindEquilibria(Model::HaploidLocal, p);
    int interior = 0;
    for (const Equilibrium &e : found) {
      const Measures m = MeasuresOf(Model::HaploidLocal, e.X);
      if (m.p <= 0 || m.p >= 1)
        continue;
      ++interior;
      EXPECT_NEAR(m.p, (c - 0.4) / 0.2, 1e-10);
      EXPECT_EQ(e.spectrum.stability, Stability::Neutral);
      EXPECT_NEAR(SortedModuli(e.spectrum).back(), 1, 1e-9);
      EXPECT_LT(SortedModuli(e.spectrum)[1], 1 - 1e-6);
    }
    EXPECT_EQ(interior > 0, protectedPolymorphism);
  }
}

// Along c the boundary branches exchange stability with the interior one
// where the invasion eigenvalue of the missing allele is 1: c = 0.4 (A lost)
// and c = 0.6 (A fixed), both directions of the range.
TEST(Theory, ContinuationFindsTheTranscriticalPoints) {
  struct Case {
    Model model;
    double from, to;
  };
  for (const Case &c : {Case{Model::HaploidLocal, 0.3, 0.7}, Case{Model::HaploidGlobal, 0.7, 0.3},
                        Case{Model::Clonal, 0.3, 0.7}}) {
    SCOPED_TRACE(static_cast<int>(c.model));
    const std::vector<BranchPoint> points =
        ContinueEquilibria(c.model, Levene(1, c.from), Parameter::HabFreq, c.from, c.to);
    int atA = 0, ata = 0;
    for (const BranchPoint &bp : points) {
      if (bp.event != "branch point")
        continue;
      const Measures m = MeasuresOf(c.model, bp.X);
      if (m.p == 0) {
        ++atA;
        EXPECT_NEAR(bp.value, 0.4, 1e-9);
      } else if (m.p == 1) {
        ++ata;
        EXPECT_NEAR(bp.value, 0.6, 1e-9);
      }
    }
    EXPECT_GT(atA, 0);
    EXPECT_GT(ata, 0);
    // Every branch runs over the whole range.
    EXPECT_DOUBLE_EQ(points.back().value, c.to);
  }
}

// Diploids with habitat choice (i = j = 3): two attractors, A and B lost
// (stable) and B fixed with A polymorphic (neutral: the recessive b does not
// invade to first order), each with its basin, and between them an unstable
// interior equilibrium.
TEST(Theory, DiploidBistabilityAndItsBasins) {
  const Parameters p{0.58, 1, 0.37, 3, 3, 0.92, 0.5, 0.93, 0.72, 1e-12};
  for (Model m : {Model::DiploidLocal, Model::DiploidGlobal}) {
    SCOPED_TRACE(static_cast<int>(m));
    const std::vector<Equilibrium> found = FindEquilibria(m, p);
    int lost = -1, choosy = -1, saddles = 0;
    for (std::size_t k = 0; k < found.size(); ++k) {
      const Measures e = MeasuresOf(m, found[k].X);
      if (e.p == 0 && e.q == 0)
        lost = static_cast<int>(k);
      if (e.p > 0 && e.p < 1 && e.q == 1)
        choosy = static_cast<int>(k);
      if (e.p > 0 && e.p < 1 && e.q > 0 && e.q < 1) {
        ++saddles;
        EXPECT_EQ(found[k].spectrum.stability, Stability::Unstable);
      }
    }
    ASSERT_GE(lost, 0);
    ASSERT_GE(choosy, 0);
    EXPECT_EQ(saddles, 1);
    EXPECT_EQ(found[lost].spectrum.stability, Stability::Stable);
    EXPECT_LT(*found[lost].spectrum.lambdaA, 1);
    EXPECT_LT(*found[lost].spectrum.lambdaB, 1);
    EXPECT_EQ(found[choosy].spectrum.stability, Stability::Neutral);
    EXPECT_NEAR(*found[choosy].spectrum.lambdaB, 1, 1e-12);
    EXPECT_GT(found[lost].starts, 1);
    EXPECT_GT(found[choosy].starts, 1);

    const int N = 21;
    const BasinMap map = Basins(m, p, N, found);
    auto at = [&](int i, int j) { return map.reached[i * N + j]; };
    EXPECT_EQ(at(2, 2), lost);     // p0 = q0 = 0.1
    EXPECT_EQ(at(10, 18), choosy); // p0 = 0.5, q0 = 0.9
    int counted = 0;
    for (const Equilibrium &e : map.equilibria)
      counted += e.starts;
    EXPECT_EQ(counted, N * N); // every start reached an equilibrium
    EXPECT_GT(map.equilibria[lost].starts, N * N / 10);
    EXPECT_GT(map.equilibria[choosy].starts, N * N / 10);
  }
}

} // namespace
} // namespace morvane::analysis
