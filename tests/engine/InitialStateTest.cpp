#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "engine/InitialState.h"

namespace morvane {
namespace {

TEST(FixedFrequency, InclusiveBoundsInDoublePrecision) {
  for (double x : {0.0, 1.0, 1e-10, 1e-11, 0.99999999999, 0.999999999995})
    EXPECT_TRUE(IsFixedFrequency(x)) << x;
  for (double x : {1e-9, 0.9999999999, 0.5, 2e-10})
    EXPECT_FALSE(IsFixedFrequency(x)) << x;
}

TEST(AuthorisedRanges, DGRangeAndFitMin) {
  DGRange r = ComputeDGRange(0.5, 0.5);
  EXPECT_DOUBLE_EQ(r.lower, -0.25);
  EXPECT_DOUBLE_EQ(r.upper, 0.25);
  r = ComputeDGRange(0.3, 0.6);
  EXPECT_DOUBLE_EQ(r.lower, -0.18);
  EXPECT_DOUBLE_EQ(r.upper, 0.12);
  // Asymmetric case where the other bound of each pair wins.
  r = ComputeDGRange(0.8, 0.1);
  EXPECT_DOUBLE_EQ(r.lower, -0.08);
  EXPECT_DOUBLE_EQ(r.upper, 0.02);
  for (auto pq : {std::pair{0.0, 0.4}, {1.0, 0.4}, {0.4, 0.0}, {0.4, 1.0}, {1e-11, 0.5}}) {
    r = ComputeDGRange(pq.first, pq.second);
    EXPECT_EQ(r.lower, 0.0);
    EXPECT_EQ(r.upper, 0.0);
  }

  EXPECT_DOUBLE_EQ(ComputeFitMin(0.5), -1.0);
  EXPECT_DOUBLE_EQ(ComputeFitMin(0.2), -0.25);
  EXPECT_DOUBLE_EQ(ComputeFitMin(0.8), -0.25);
  EXPECT_EQ(ComputeFitMin(0.0), 0.0);
  EXPECT_EQ(ComputeFitMin(1.0), 0.0);
}

// Gamete frequencies every DG in the authorised range must give.
TEST(AuthorisedRanges, EveryGameteNonNegativeInsideTheRange) {
  for (double p = 0.05; p < 1; p += 0.05) {
    for (double q = 0.05; q < 1; q += 0.05) {
      const DGRange r = ComputeDGRange(p, q);
      for (double D : {r.lower, r.upper}) {
        EXPECT_GE(p * q + D, -1e-15);
        EXPECT_GE(p * (1 - q) - D, -1e-15);
        EXPECT_GE(q * (1 - p) - D, -1e-15);
        EXPECT_GE((1 - p) * (1 - q) + D, -1e-15);
      }
      // At least one gamete vanishes at each bound.
      const double minLower = std::min(p * q + r.lower, (1 - p) * (1 - q) + r.lower);
      EXPECT_NEAR(minLower, 0.0, 1e-15);
      const double minUpper = std::min(p * (1 - q) - r.upper, q * (1 - p) - r.upper);
      EXPECT_NEAR(minUpper, 0.0, 1e-15);
    }
  }
}

TEST(HaploidInitialState, TypesFromAlleleFrequenciesAndDG) {
  SimState Sim;
  Sim.FreqA = 0.5;
  Sim.FreqB = 0.5;
  Sim.DG = 0;
  Sim.Fit = 0.3;
  Sim.DeltaP = 0.1;
  Sim.DeltaQ = -0.1;
  HaploidInitialState(Sim);
  for (int k = 1; k <= 4; ++k)
    EXPECT_DOUBLE_EQ(Sim.X[k], 0.25);
  EXPECT_EQ(Sim.Fit, 0.0);
  EXPECT_EQ(Sim.DeltaP, 0.0);
  EXPECT_EQ(Sim.DeltaQ, 0.0);

  // DG at its upper bound removes Ab and aB.
  Sim.DG = 0.25;
  HaploidInitialState(Sim);
  EXPECT_DOUBLE_EQ(Sim.X[1], 0.5);
  EXPECT_DOUBLE_EQ(Sim.X[2], 0.0);
  EXPECT_DOUBLE_EQ(Sim.X[3], 0.0);
  EXPECT_DOUBLE_EQ(Sim.X[4], 0.5);
  EXPECT_EQ(Sim.DG, 0.25);

  // A fixed allele cancels any entered DG.
  Sim.FreqA = 1;
  Sim.FreqB = 0.3;
  Sim.DG = 0.2;
  HaploidInitialState(Sim);
  EXPECT_EQ(Sim.DG, 0.0);
  EXPECT_DOUBLE_EQ(Sim.X[1], 0.3);
  EXPECT_DOUBLE_EQ(Sim.X[2], 0.7);
  EXPECT_EQ(Sim.X[3], 0.0);
  EXPECT_EQ(Sim.X[4], 0.0);

  Sim.FreqA = 0.4;
  Sim.FreqB = 0.0;
  Sim.DG = 0.1;
  HaploidInitialState(Sim);
  EXPECT_EQ(Sim.DG, 0.0);
  EXPECT_DOUBLE_EQ(Sim.X[2], 0.4);
  EXPECT_DOUBLE_EQ(Sim.X[4], 0.6);
}

TEST(DiploidInitialState, HardyWeinbergFromGametes) {
  SimState Sim;
  Sim.FreqA = 0.5;
  Sim.FreqB = 0.5;
  Sim.DG = 0;
  Sim.DeltaP = 0.125;
  Sim.DeltaQ = -0.5;
  DiploidInitialState(Sim);
  EXPECT_DOUBLE_EQ(Sim.X[1], 1.0 / 16);
  EXPECT_DOUBLE_EQ(Sim.X[5], 0.25);
  EXPECT_DOUBLE_EQ(Sim.Heteroz, 0.5);
  EXPECT_NEAR(Sim.Fit, 0.0, 1e-15);
  // The deltas of the previous run stay for the progress display.
  EXPECT_EQ(Sim.DeltaP, 0.125);
  EXPECT_EQ(Sim.DeltaQ, -0.5);

  // With disequilibrium: genotype frequencies are products of the gametes.
  Sim.FreqA = 0.3;
  Sim.FreqB = 0.6;
  Sim.DG = 0.1;
  DiploidInitialState(Sim);
  const double gAB = 0.28, gAb = 0.02, gaB = 0.32, gab = 0.38;
  EXPECT_NEAR(Sim.X[1], gAB * gAB, 1e-15);
  EXPECT_NEAR(Sim.X[2], 2 * gAB * gAb, 1e-15);
  EXPECT_NEAR(Sim.X[5], 2 * (gAB * gab + gAb * gaB), 1e-15);
  EXPECT_NEAR(Sim.X[8], 2 * gaB * gab, 1e-15);
  EXPECT_NEAR(Sim.X[9], gab * gab, 1e-15);
  double sum = 0;
  for (int k = 1; k <= 9; ++k)
    sum += Sim.X[k];
  EXPECT_NEAR(sum, 1.0, 1e-15);
  EXPECT_NEAR(Sim.Heteroz, 2 * 0.3 * 0.7, 1e-15);
  EXPECT_NEAR(Sim.Fit, 0.0, 1e-14);

  // A fixed p: no disequilibrium and no fixation index.
  Sim.FreqA = 1;
  Sim.FreqB = 0.4;
  Sim.DG = 0.1;
  Sim.Fit = 0.7;
  DiploidInitialState(Sim);
  EXPECT_EQ(Sim.DG, 0.0);
  EXPECT_EQ(Sim.Fit, 0.0);
  EXPECT_EQ(Sim.Heteroz, 0.0);
  EXPECT_DOUBLE_EQ(Sim.X[1], 0.16);
  EXPECT_DOUBLE_EQ(Sim.X[2], 0.48);
  EXPECT_DOUBLE_EQ(Sim.X[3], 0.36);
}

TEST(DiploidGenotypesFromFit, KeepsAlleleFrequenciesAndScalesHeterozygotes) {
  SimState Sim;
  for (double p : {0.2, 0.5, 0.85}) {
    for (double q : {0.1, 0.5, 0.7}) {
      const double fitMin = ComputeFitMin(p);
      for (double F : {fitMin, -0.1, 0.0, 0.4, 1.0}) {
        if (F < fitMin)
          continue;
        Sim.FreqA = p;
        Sim.FreqB = q;
        Sim.Fit = F;
        Sim.DG = 0.01;
        Sim.Heteroz = 0.33;
        DiploidGenotypesFromFit(Sim);
        const double *X = Sim.X;
        double sum = 0;
        for (int k = 1; k <= 9; ++k) {
          sum += X[k];
          EXPECT_GE(X[k], -1e-15) << "p=" << p << " q=" << q << " F=" << F << " k=" << k;
        }
        EXPECT_NEAR(sum, 1.0, 1e-14);
        EXPECT_NEAR(X[1] + X[2] + X[3] + (X[4] + X[5] + X[6]) / 2, p, 1e-14);
        EXPECT_NEAR(X[1] + X[4] + X[7] + (X[2] + X[5] + X[8]) / 2, q, 1e-14);
        const double het = X[4] + X[5] + X[6];
        EXPECT_NEAR(1 - het / (2 * p * (1 - p)), F, 1e-13);
        if (F == 1.0) {
          EXPECT_NEAR(X[4], 0.0, 1e-16);
          EXPECT_NEAR(X[5], 0.0, 1e-16);
          EXPECT_NEAR(X[6], 0.0, 1e-16);
        }
        // DG and Heteroz are left for the next generation to recompute.
        EXPECT_EQ(Sim.DG, 0.01);
        EXPECT_EQ(Sim.Heteroz, 0.33);
      }
    }
  }
}

} // namespace
} // namespace morvane
