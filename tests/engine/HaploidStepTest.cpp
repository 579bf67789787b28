#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>

#include "support/EngineTestSupport.h"
#include "engine/HaploidStep.h"
#include "engine/InitialState.h"

namespace morvane {
namespace {

using testing::Apply;
using testing::ChoosyEnding;
using testing::Params;
using testing::SetTypes;
using testing::StartPopulation;
using testing::Sum;

TEST(SettlementFactors, WorkedValuesAndNoChoiceWithOneAttempt) {
  SimState Sim;
  Params p;
  p.MigSurv = 1;
  p.HabFreq = 0.5;
  p.TriesAB = 2;
  p.TriesaB = 1;
  Apply(p, Sim);
  SettlementFactors f = ComputeSettlementFactors(Sim);
  EXPECT_DOUBLE_EQ(f.SAB1, 1.5);
  EXPECT_DOUBLE_EQ(f.RAB2, 0.5);
  // [AB] reaches habitat 1 with 0.75 and habitat 2 with 0.25.
  EXPECT_DOUBLE_EQ(p.HabFreq * p.MigSurv * f.SAB1, 0.75);
  EXPECT_DOUBLE_EQ((1 - p.HabFreq) * p.MigSurv * f.RAB2, 0.25);

  // One attempt: choosy types settle like the others, exactly.
  for (double d : {0.0001, 0.37, 1.0}) {
    for (double c : {0.0001, 0.5, 0.9999}) {
      p.MigSurv = d;
      p.HabFreq = c;
      p.TriesAB = p.TriesaB = 1;
      Apply(p, Sim);
      f = ComputeSettlementFactors(Sim);
      EXPECT_EQ(std::make_tuple(f.SAB1, f.RAB2, f.RaB1, f.SaB2),
                std::make_tuple(1.0, 1.0, 1.0, 1.0));
    }
  }
}

TEST(SettlementFactors, MatchAttemptByAttemptDispersal) {
  SimState Sim;
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> cDist(0.0001, 0.9999), dDist(0.0001, 1.0);
  std::uniform_int_distribution<int> tries(1, 60);
  for (int n = 0; n < 300; ++n) {
    Params p;
    p.HabFreq = cDist(rng);
    p.MigSurv = n % 10 == 0 ? 1.0 : dDist(rng);
    p.TriesAB = static_cast<std::uint16_t>(n % 7 == 0 ? 1000 : tries(rng));
    p.TriesaB = static_cast<std::uint16_t>(tries(rng));
    Apply(p, Sim);
    const SettlementFactors f = ComputeSettlementFactors(Sim);
    const auto ab = ChoosyEnding(p.HabFreq, p.MigSurv, p.TriesAB, 1);
    const auto aB = ChoosyEnding(p.HabFreq, p.MigSurv, p.TriesaB, 2);
    EXPECT_NEAR(p.HabFreq * p.MigSurv * f.SAB1, ab.in1, 1e-12 * ab.in1 + 1e-300);
    EXPECT_NEAR((1 - p.HabFreq) * p.MigSurv * f.RAB2, ab.in2, 1e-11 * ab.in2 + 1e-300);
    EXPECT_NEAR(p.HabFreq * p.MigSurv * f.RaB1, aB.in1, 1e-11 * aB.in1 + 1e-300);
    EXPECT_NEAR((1 - p.HabFreq) * p.MigSurv * f.SaB2, aB.in2, 1e-12 * aB.in2 + 1e-300);
  }
}

TEST(SettlementAndSurvival, EveryoneSettlesWithoutLossAndHabitatsNormalise) {
  // d = 1 and survival 1 everywhere: every propagule ends in one habitat.
  SimState Sim;
  Params p;
  p.MigSurv = 1;
  p.HabFreq = 0.3;
  p.TriesAB = 4;
  p.TriesaB = 7;
  p.W1A = p.W2A = p.W1a = p.W2a = 1;
  Apply(p, Sim);
  SetTypes(Sim, 0.1, 0.2, 0.3, 0.4);
  SettlementAndSurvival(Sim);
  EXPECT_NEAR(Sim.W1 + Sim.W2, 1.0, 1e-15);
  EXPECT_NEAR(Sum(Sim.Settled1, 4), 1.0, 1e-15);
  EXPECT_NEAR(Sum(Sim.Settled2, 4), 1.0, 1e-15);
  // Non-choosy types are spread by area alone: Ab and ab in the ratio 1:2 in
  // both habitats.
  EXPECT_NEAR(Sim.Settled1[4] / Sim.Settled1[2], 2.0, 1e-14);
  EXPECT_NEAR(Sim.Settled2[4] / Sim.Settled2[2], 2.0, 1e-14);
  // Choosy [AB] ends in habitat 2 only if all four attempts landed there.
  EXPECT_NEAR(Sim.Settled2[1] * Sim.W2, 0.1 * std::pow(0.7, 4), 1e-15);
  EXPECT_NEAR(Sim.Settled1[3] * Sim.W1, 0.3 * std::pow(0.3, 7), 1e-15);
}

TEST(SettlementAndSurvival, LethalHabitatEmptiesItsSettlers) {
  SimState Sim;
  Params p;
  p.W1A = p.W1a = 0;
  Apply(p, Sim);
  for (double &v : Sim.Settled1)
    v = 0.5; // stale values must be cleared
  SetTypes(Sim, 0.25, 0.25, 0.25, 0.25);
  SettlementAndSurvival(Sim);
  EXPECT_EQ(Sim.W1, 0.0);
  for (int k = 1; k <= 4; ++k)
    EXPECT_EQ(Sim.Settled1[k], 0.0);
  EXPECT_GT(Sim.W2, 0.0);
  EXPECT_NEAR(Sum(Sim.Settled2, 4), 1.0, 1e-15);

  // A habitat whose survivors add up to 1e-19 or less counts as empty.
  Sim = SimState{};
  p = Params{};
  p.TriesAB = 1;
  p.W1A = 0.999e-19 / (p.HabFreq * p.MigSurv);
  p.W1a = 0;
  Apply(p, Sim);
  SetTypes(Sim, 0.5, 0.5, 0, 0);
  SettlementAndSurvival(Sim);
  EXPECT_GT(Sim.W1, 0.0);
  EXPECT_LE(Sim.W1, 1e-19);
  EXPECT_EQ(Sim.Settled1[1], 0.0);
  EXPECT_EQ(Sim.Settled1[2], 0.0);
  p.W1A *= 1.5;
  Apply(p, Sim);
  SettlementAndSurvival(Sim);
  EXPECT_DOUBLE_EQ(Sim.Settled1[1], 0.5);
  EXPECT_DOUBLE_EQ(Sim.Settled1[2], 0.5);
}

TEST(Recombination, HalvesDisequilibriumAndKeepsAlleleFrequencies) {
  double f[4] = {0.5, 0, 0, 0.5};
  Recombine(f);
  const double halved[4] = {0.375, 0.125, 0.125, 0.375};
  for (int k = 0; k < 4; ++k)
    EXPECT_DOUBLE_EQ(f[k], halved[k]) << k;

  std::mt19937 rng(5);
  std::uniform_real_distribution<double> u(0, 1);
  for (int n = 0; n < 200; ++n) {
    double g[4] = {u(rng), u(rng), u(rng), u(rng)};
    const double t = g[0] + g[1] + g[2] + g[3];
    for (double &v : g)
      v /= t;
    const double p = g[0] + g[1];
    const double q = g[0] + g[2];
    const double D = g[0] * g[3] - g[1] * g[2];
    Recombine(g);
    EXPECT_NEAR(g[0] + g[1] + g[2] + g[3], 1.0, 1e-15);
    EXPECT_NEAR(g[0] + g[1], p, 1e-15);
    EXPECT_NEAR(g[0] + g[2], q, 1e-15);
    EXPECT_NEAR(g[0] * g[3] - g[1] * g[2], D / 2, 1e-15);
  }
}

// Runs one step of either haploid model.
using Step = void (*)(SimState &);
struct HaploidModel {
  const char *name;
  Step step;
};
const HaploidModel kHaploidModels[] = {{"local", HaploidLocalStep}, {"global", HaploidGlobalStep}};

TEST(HaploidSteps, SoftAndHardRegulation) {
  // Pure soft regulation only sees each habitat's make-up: scaling the
  // survivals of one habitat changes nothing. Pure hard regulation weighs the
  // habitats by productivity: scaling both habitats alike changes nothing.
  for (const auto &m : kHaploidModels) {
    for (double x : {1.0, 0.0}) {
      Params p;
      p.SoftProp = x;
      double before[5];
      for (int run = 0; run < 2; ++run) {
        SimState Sim;
        Params q = p;
        if (run == 1) {
          q.W1A *= 0.3;
          q.W1a *= 0.3;
          if (x == 0.0) {
            q.W2A *= 0.3;
            q.W2a *= 0.3;
          }
        }
        StartPopulation(Sim, Model::HaploidLocal, q, 0.4, 0.7, 0.05);
        m.step(Sim);
        for (int k = 1; k <= 4; ++k) {
          if (run == 0)
            before[k] = Sim.X[k];
          else
            EXPECT_NEAR(Sim.X[k], before[k], 1e-15) << m.name << " x=" << x;
        }
      }
    }
    // ...whereas with soft regulation the habitats' areas matter, and with
    // hard regulation their productivities do.
    double pAfter[2];
    for (int x : {0, 1}) {
      SimState Sim;
      Params p;
      p.SoftProp = x;
      Apply(p, Sim);
      SetTypes(Sim, 0.25, 0.25, 0.25, 0.25);
      Sim.FreqA = Sim.FreqB = 0.5;
      m.step(Sim);
      pAfter[x] = Sim.X[1] + Sim.X[2];
    }
    EXPECT_GT(std::fabs(pAfter[1] - pAfter[0]), 1e-3) << m.name;
  }
}

TEST(HaploidSteps, LethalHabitatLeavesTheShortfallUnscaled) {
  SimState Sim;
  Params p;
  p.W1A = p.W1a = 0;
  StartPopulation(Sim, Model::HaploidLocal, p, 0.4, 0.3, 0.02);
  HaploidLocalStep(Sim);
  EXPECT_EQ(Sim.W1, 0.0);
  EXPECT_NEAR(Sum(Sim.X, 4), 1 - p.SoftProp * p.HabFreq, 1e-15);
  EXPECT_NEAR(Sim.FreqA, Sim.X[1] + Sim.X[2], 1e-16);
  for (int k = 1; k <= 4; ++k)
    EXPECT_TRUE(std::isfinite(Sim.X[k]));
}

TEST(HaploidSteps, FixedQCountsNoChangeOfQButFixedPDoes) {
  for (const auto &m : kHaploidModels) {
    SimState Sim;
    Apply(Params{}, Sim);
    SetTypes(Sim, 0.25, 0.25, 0.25, 0.25);
    // The stored p and q disagree with the types on purpose: the changes are
    // counted from the stored values.
    Sim.FreqA = 0.0;
    Sim.FreqB = 1e-11;
    m.step(Sim);
    EXPECT_EQ(Sim.DeltaQ, 0.0) << m.name;
    EXPECT_GT(Sim.FreqB, 0.4) << m.name;
    EXPECT_DOUBLE_EQ(Sim.DeltaP, Sim.FreqA) << m.name;
    EXPECT_GT(Sim.DeltaP, 0.4) << m.name;
  }
}

TEST(HaploidSteps, GlobalStepMeasuresBeforeMatingLocalAfter) {
  // Global: p, q from the mixed population before recombination; recombination
  // keeps them, but DG is taken after it. Local: DG of the mixed offspring.
  SimState Sim;
  Params p;
  StartPopulation(Sim, Model::HaploidLocal, p, 0.5, 0.5, 0.2);
  HaploidGlobalStep(Sim);
  EXPECT_NEAR(Sim.FreqA, Sim.X[1] + Sim.X[2], 1e-15);
  EXPECT_NEAR(Sim.FreqB, Sim.X[1] + Sim.X[3], 1e-15);
  EXPECT_DOUBLE_EQ(Sim.DG, Sim.X[1] * Sim.X[4] - Sim.X[2] * Sim.X[3]);

  // By hand for the global step: settle, mix, then halve the disequilibrium.
  Sim = SimState{};
  StartPopulation(Sim, Model::HaploidLocal, p, 0.5, 0.5, 0.2);
  SettlementAndSurvival(Sim);
  const double x = p.SoftProp, c = p.HabFreq, W1 = Sim.W1, W2 = Sim.W2;
  double mixed[4];
  for (int k = 0; k < 4; ++k)
    mixed[k] = x * (c * Sim.Settled1[k + 1] + (1 - c) * Sim.Settled2[k + 1]) +
               (1 - x) * (W1 * Sim.Settled1[k + 1] + W2 * Sim.Settled2[k + 1]) / (W1 + W2);
  const double Dmixed = mixed[0] * mixed[3] - mixed[1] * mixed[2];
  Sim = SimState{};
  StartPopulation(Sim, Model::HaploidLocal, p, 0.5, 0.5, 0.2);
  HaploidGlobalStep(Sim);
  EXPECT_NEAR(Sim.FreqA, mixed[0] + mixed[1], 1e-15);
  EXPECT_NEAR(Sim.DeltaP, mixed[0] + mixed[1] - 0.5, 1e-15);
  EXPECT_NEAR(Sim.DG, Dmixed / 2, 1e-15);
  EXPECT_GT(Sim.DG, 0.05);
}

} // namespace
} // namespace morvane
