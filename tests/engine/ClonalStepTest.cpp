#include <gtest/gtest.h>

#include <cmath>

#include "support/EngineTestSupport.h"
#include "engine/ClonalStep.h"

namespace morvane {
namespace {

using testing::Apply;
using testing::Params;
using testing::SetTypes;
using testing::Sum;

TEST(ClonalStep, WorkedGeneration) {
  SimState Sim;
  Apply(Params{}, Sim); // x 0.5, d 0.9, c 0.6, i 3, j 2, W1 0.9/0.5, W2 0.4/0.8
  SetTypes(Sim, 0.25, 0.25, 0.25, 0.25);
  Sim.FreqA = 0.123; // not used by clones
  Sim.FreqB = 0.456;
  Sim.DG = 0.01;
  Sim.Fit = 0.2;
  ClonalStep(Sim);

  const double tol = 0.5e-6;
  const double surv1[4] = {0.180986, 0.121500, 0.036450, 0.067500};
  const double surv2[4] = {0.004666, 0.036000, 0.110880, 0.072000};
  const double settled1[4] = {0.445301, 0.298940, 0.089682, 0.166078};
  const double settled2[4] = {0.020871, 0.161041, 0.496006, 0.322082};
  const double next[4] = {0.285111, 0.246894, 0.243038, 0.224957};
  EXPECT_NEAR(Sim.W1, 0.406436, tol);
  EXPECT_NEAR(Sim.W2, 0.223546, tol);
  for (int k = 1; k <= 4; ++k) {
    EXPECT_NEAR(Sim.Settled1[k] * Sim.W1, surv1[k - 1], tol) << k;
    EXPECT_NEAR(Sim.Settled2[k] * Sim.W2, surv2[k - 1], tol) << k;
    EXPECT_NEAR(Sim.Settled1[k], settled1[k - 1], tol) << k;
    EXPECT_NEAR(Sim.Settled2[k], settled2[k - 1], tol) << k;
    EXPECT_NEAR(Sim.X[k], next[k - 1], tol) << k;
  }
  EXPECT_NEAR(Sum(Sim.X, 4), 1.0, 1e-15);
  EXPECT_NEAR(Sim.DeltaP, 0.032005, tol);
  EXPECT_NEAR(Sim.DeltaQ, 0.028149, tol);
  // Clones keep no p, q, DG or Fit.
  EXPECT_EQ(Sim.FreqA, 0.123);
  EXPECT_EQ(Sim.FreqB, 0.456);
  EXPECT_EQ(Sim.DG, 0.01);
  EXPECT_EQ(Sim.Fit, 0.2);
}

TEST(ClonalStep, OneAttemptMakesChoosyClonesSettleLikeTheOthers) {
  SimState Sim;
  Params p;
  p.TriesAB = p.TriesaB = 1;
  Apply(p, Sim);
  SetTypes(Sim, 0.1, 0.2, 0.3, 0.4);
  ClonalStep(Sim);
  const double cd = p.HabFreq * p.MigSurv, ud = (1 - p.HabFreq) * p.MigSurv;
  EXPECT_NEAR(Sim.Settled1[1] * Sim.W1, 0.1 * p.W1A * cd, 1e-16);
  EXPECT_NEAR(Sim.Settled2[1] * Sim.W2, 0.1 * p.W2A * ud, 1e-16);
  EXPECT_NEAR(Sim.Settled1[3] * Sim.W1, 0.3 * p.W1a * cd, 1e-16);
  EXPECT_NEAR(Sim.Settled2[3] * Sim.W2, 0.3 * p.W2a * ud, 1e-16);
  // B then plays no part: within each A/a class the B share stays put.
  EXPECT_NEAR(Sim.X[1] / (Sim.X[1] + Sim.X[2]), 1.0 / 3, 1e-15);
  EXPECT_NEAR(Sim.X[3] / (Sim.X[3] + Sim.X[4]), 3.0 / 7, 1e-15);
}

TEST(ClonalStep, SoftAndHardRegulationWeights) {
  for (double x : {1.0, 0.0}) {
    SimState Sim;
    Params p;
    p.SoftProp = x;
    Apply(p, Sim);
    SetTypes(Sim, 0.1, 0.2, 0.3, 0.4);
    ClonalStep(Sim);
    for (int k = 1; k <= 4; ++k) {
      const double s1 = Sim.Settled1[k], s2 = Sim.Settled2[k];
      const double expected =
          x == 1.0 ? p.HabFreq * s1 + (1 - p.HabFreq) * s2 : (s1 * Sim.W1 + s2 * Sim.W2) / (Sim.W1 + Sim.W2);
      EXPECT_NEAR(Sim.X[k], expected, 1e-16) << "x=" << x << " k=" << k;
    }
  }
}

TEST(ClonalStep, PureNeutralCloneStaysAndChangesAreWithinThreshold) {
  SimState Sim;
  Params p;
  p.TriesAB = 1;
  p.W1A = p.W2A = p.W1a = p.W2a = 1;
  Apply(p, Sim);
  SetTypes(Sim, 1, 0, 0, 0);
  ClonalStep(Sim);
  EXPECT_NEAR(Sim.X[1], 1.0, 1e-15);
  EXPECT_LE(std::fabs(Sim.DeltaP), 1e-6);
  EXPECT_LE(std::fabs(Sim.DeltaQ), 1e-6);
}

TEST(ClonalStep, LethalHabitatShortfallAndNoFixedAlleleException) {
  // Every clone carries B (q = 1, fixed), habitat 1 is lethal: the total falls
  // to 1 - x*c and the change of q is still counted.
  SimState Sim;
  Params p;
  p.W1A = p.W1a = 0;
  Apply(p, Sim);
  SetTypes(Sim, 0.5, 0, 0.5, 0);
  ClonalStep(Sim);
  EXPECT_EQ(Sim.W1, 0.0);
  EXPECT_NEAR(Sum(Sim.X, 4), 1 - p.SoftProp * p.HabFreq, 1e-15);
  EXPECT_NEAR(Sim.DeltaQ, -p.SoftProp * p.HabFreq, 1e-15);
}

TEST(ClonalStep, ExtinctionThenNoChange) {
  // [a] dies everywhere and there is no [A]: extinct in the first generation.
  SimState Sim;
  Params p;
  p.W1a = p.W2a = 0;
  Apply(p, Sim);
  SetTypes(Sim, 0, 0, 0.5, 0.5);
  ClonalStep(Sim);
  for (int k = 1; k <= 4; ++k)
    EXPECT_EQ(Sim.X[k], 0.0);
  EXPECT_EQ(Sim.DeltaP, 0.0);
  EXPECT_EQ(Sim.DeltaQ, -0.5);
  ClonalStep(Sim);
  EXPECT_EQ(Sim.W1, 0.0);
  EXPECT_EQ(Sim.W2, 0.0);
  EXPECT_EQ(Sim.DeltaP, 0.0);
  EXPECT_EQ(Sim.DeltaQ, 0.0);
  for (int k = 1; k <= 4; ++k)
    EXPECT_EQ(Sim.X[k], 0.0);

  // All survivals 0: both changes are minus the old frequencies.
  Sim = SimState{};
  p.W1A = p.W2A = 0;
  Apply(p, Sim);
  SetTypes(Sim, 0.1, 0.2, 0.3, 0.4);
  ClonalStep(Sim);
  EXPECT_DOUBLE_EQ(Sim.DeltaP, -0.3);
  EXPECT_DOUBLE_EQ(Sim.DeltaQ, -0.4);
  for (int k = 1; k <= 4; ++k)
    EXPECT_EQ(Sim.X[k], 0.0);
}

} // namespace
} // namespace morvane
