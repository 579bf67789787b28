#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "support/EngineTestSupport.h"
#include "engine/DiploidStep.h"
#include "engine/HaploidStep.h"
#include "engine/InitialState.h"

namespace morvane {
namespace {

using testing::Apply;
using testing::ChoosyEnding;
using testing::DiploidP;
using testing::DiploidQ;
using testing::Params;
using testing::StartPopulation;
using testing::Sum;

TEST(DiploidSettlement, EachClassSettlesAndSurvivesByItsDominantPhenotype) {
  // Genotype classes in order; a capital letter anywhere makes it dominant.
  const char *genotypes[9] = {"AB/AB", "AB/Ab", "Ab/Ab", "AB/aB", "AB/ab",
                              "Ab/ab", "aB/aB", "aB/ab", "ab/ab"};
  Params p;
  p.TriesAB = 5;
  p.TriesaB = 3;
  for (int k = 1; k <= 9; ++k) {
    SimState Sim;
    Apply(p, Sim);
    Sim.X[k] = 1;
    DiploidSettlementAndSurvival(Sim);
    const std::string g = genotypes[k - 1];
    const bool hasA = g.find('A') != std::string::npos;
    const bool hasB = g.find('B') != std::string::npos;
    double in1 = p.HabFreq * p.MigSurv, in2 = (1 - p.HabFreq) * p.MigSurv; // one attempt
    if (hasB) {
      const auto e = ChoosyEnding(p.HabFreq, p.MigSurv, hasA ? p.TriesAB : p.TriesaB, hasA ? 1 : 2);
      in1 = e.in1;
      in2 = e.in2;
    }
    EXPECT_NEAR(Sim.W1, in1 * (hasA ? p.W1A : p.W1a), 1e-15) << g;
    EXPECT_NEAR(Sim.W2, in2 * (hasA ? p.W2A : p.W2a), 1e-15) << g;
    EXPECT_DOUBLE_EQ(Sim.Settled1[k], 1.0) << g;
    EXPECT_DOUBLE_EQ(Sim.Settled2[k], 1.0) << g;
  }
}

TEST(DiploidSettlement, EmptyHabitatThresholdIsLowerThanForHaploids) {
  // Survivors adding up to between 1e-20 and 1e-19 still count in a diploid
  // habitat but not in a haploid one.
  Params p;
  p.TriesAB = 1;
  p.W1A = 5e-20 / (p.HabFreq * p.MigSurv);
  SimState Sim;
  Apply(p, Sim);
  Sim.X[1] = 1; // AB/AB, or type AB for haploids
  DiploidSettlementAndSurvival(Sim);
  EXPECT_DOUBLE_EQ(Sim.Settled1[1], 1.0);
  SettlementAndSurvival(Sim);
  EXPECT_EQ(Sim.Settled1[1], 0.0);

  p.W1A = 0.5e-20 / (p.HabFreq * p.MigSurv);
  Apply(p, Sim);
  DiploidSettlementAndSurvival(Sim);
  EXPECT_GT(Sim.W1, 0.0);
  EXPECT_EQ(Sim.Settled1[1], 0.0);
}

// Genotypes of random union of the gametes gAB, gAb, gaB, gab.
void Union(double gAB, double gAb, double gaB, double gab, double *X) {
  X[1] = gAB * gAB;
  X[2] = 2 * gAB * gAb;
  X[3] = gAb * gAb;
  X[4] = 2 * gAB * gaB;
  X[5] = 2 * (gAB * gab + gAb * gaB);
  X[6] = 2 * gAb * gab;
  X[7] = gaB * gaB;
  X[8] = 2 * gaB * gab;
  X[9] = gab * gab;
}

TEST(GametesAndUnion, OneGenerationHalvesTheGameticDisequilibrium) {
  std::mt19937 rng(17);
  std::uniform_real_distribution<double> u(0, 1);
  for (int n = 0; n < 100; ++n) {
    double g[4] = {u(rng), u(rng), u(rng), u(rng)};
    const double t = g[0] + g[1] + g[2] + g[3];
    for (double &v : g)
      v /= t;
    const double D = g[0] * g[3] - g[1] * g[2];
    double X[10];
    Union(g[0], g[1], g[2], g[3], X);
    GametesAndUnion(&X[1]);
    // Free recombination moves half of D between coupling and repulsion.
    double expected[10];
    Union(g[0] - D / 2, g[1] + D / 2, g[2] + D / 2, g[3] - D / 2, expected);
    for (int k = 1; k <= 9; ++k)
      EXPECT_NEAR(X[k], expected[k], 1e-15) << k;
  }
}

TEST(DiploidSteps, GlobalStepKeepsHardyWeinbergAndLocalStepMakesHomozygotes) {
  SimState Sim;
  Params p;
  p.SoftProp = 0.3;
  p.W1A = 0.95;
  p.W2A = 0.1;
  p.W1a = 0.1;
  p.W2a = 0.95;
  StartPopulation(Sim, Model::DiploidLocal, p, 0.5, 0.5, 0.1);
  for (int t = 0; t < 50; ++t) {
    DiploidGlobalStep(Sim);
    EXPECT_NEAR(Sim.Fit, 0.0, 1e-12) << t;
    EXPECT_NEAR(Sim.Heteroz, 2 * Sim.FreqA * (1 - Sim.FreqA), 1e-14) << t;
  }

  // Mating within two habitats that differ at locus A: the mixture has fewer
  // heterozygotes than expected from p.
  Sim = SimState{};
  StartPopulation(Sim, Model::DiploidLocal, p, 0.5, 0.5, 0);
  DiploidLocalStep(Sim);
  const double pA1 = DiploidP(Sim.Settled1);
  const double pA2 = DiploidP(Sim.Settled2);
  ASSERT_GT(std::fabs(pA1 - pA2), 0.1);
  EXPECT_GT(Sim.Fit, 0.01);
  EXPECT_NEAR(Sim.Fit, 1 - Sim.Heteroz / (2 * Sim.FreqA * (1 - Sim.FreqA)), 1e-15);
  // Zygotes of each habitat are at Hardy-Weinberg proportions.
  for (const double *S : {Sim.Settled1, Sim.Settled2}) {
    const double pa = DiploidP(S);
    EXPECT_NEAR(S[4] + S[5] + S[6], 2 * pa * (1 - pa), 1e-15);
  }
}

TEST(DiploidSteps, GlobalGenerationResetsAnInitialFixationIndex) {
  SimState Sim;
  Apply(Params{}, Sim);
  Sim.FreqA = 0.4;
  Sim.FreqB = 0.6;
  Sim.Fit = 0.8;
  DiploidGenotypesFromFit(Sim);
  DiploidGlobalStep(Sim);
  EXPECT_NEAR(Sim.Fit, 0.0, 1e-14);
}

TEST(DiploidSteps, LostAlleleMeansNoFixationIndex) {
  for (auto step : {DiploidLocalStep, DiploidGlobalStep}) {
    SimState Sim;
    StartPopulation(Sim, Model::DiploidLocal, Params{}, 0.0, 0.5);
    step(Sim);
    EXPECT_EQ(Sim.Fit, 0.0);
    EXPECT_EQ(Sim.Heteroz, 0.0);
    EXPECT_EQ(Sim.FreqA, 0.0);
    EXPECT_EQ(Sim.DG, 0.0);
  }
}

TEST(DiploidSteps, MeasuresFollowTheNewGenotypes) {
  // Local step with a lethal habitat 1: the genotypes sum to 1 - x*c and the
  // measures are those of the unscaled genotypes.
  SimState Sim;
  Params p;
  p.W1A = p.W1a = 0;
  StartPopulation(Sim, Model::DiploidLocal, p, 0.3, 0.6, 0.05);
  DiploidLocalStep(Sim);
  EXPECT_NEAR(Sum(Sim.X, 9), 1 - p.SoftProp * p.HabFreq, 1e-15);
  EXPECT_NEAR(Sim.FreqA, DiploidP(Sim.X), 1e-16);
  EXPECT_NEAR(Sim.DeltaP, DiploidP(Sim.X) - 0.3, 1e-16);
  EXPECT_NEAR(Sim.FreqB, DiploidQ(Sim.X), 1e-16);
  EXPECT_NEAR(Sim.DeltaQ, DiploidQ(Sim.X) - 0.6, 1e-16);
  const double *X = Sim.X;
  const double gAB = X[1] + (X[2] + X[4]) / 2 + X[5] / 4;
  const double gAb = X[3] + (X[2] + X[6]) / 2 + X[5] / 4;
  const double gaB = X[7] + (X[4] + X[8]) / 2 + X[5] / 4;
  const double gab = X[9] + (X[6] + X[8]) / 2 + X[5] / 4;
  EXPECT_NEAR(Sim.DG, gAB * gab - gAb * gaB, 1e-16);

  // A fixed q counts no change of q.
  Sim = SimState{};
  StartPopulation(Sim, Model::DiploidLocal, Params{}, 0.5, 0.5);
  Sim.FreqB = 0.99999999999;
  DiploidGlobalStep(Sim);
  EXPECT_EQ(Sim.DeltaQ, 0.0);
  EXPECT_LT(Sim.FreqB, 0.9);
}

} // namespace
} // namespace morvane
