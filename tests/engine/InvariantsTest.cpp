// Properties every model keeps whatever its parameters: frequencies summing to
// 1, allele frequencies and DG consistent with the types, nothing but finite
// numbers in the state.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "support/EngineTestSupport.h"
#include "engine/ClonalStep.h"
#include "engine/DiploidStep.h"
#include "engine/HaploidStep.h"
#include "engine/InitialState.h"

namespace morvane {
namespace {

using testing::Apply;
using testing::DiploidP;
using testing::DiploidQ;
using testing::Params;
using testing::Sum;

struct ModelCase {
  const char *name;
  void (*step)(SimState &);
  int classes; // 4 types or 9 genotypes
  bool clonal;
};

const ModelCase kModels[] = {
    {"haploid local", HaploidLocalStep, 4, false},
    {"haploid global", HaploidGlobalStep, 4, false},
    {"diploid local", DiploidLocalStep, 9, false},
    {"diploid global", DiploidGlobalStep, 9, false},
    {"clonal", ClonalStep, 4, true},
};

class Sampler {
public:
  explicit Sampler(unsigned seed) : rng_(seed) {}

  double Uniform(double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(rng_);
  }

  std::uint16_t Tries() {
    const int kind = std::uniform_int_distribution<int>(0, 3)(rng_);
    if (kind == 0)
      return 1;
    if (kind == 1)
      return 1000;
    return static_cast<std::uint16_t>(std::uniform_int_distribution<int>(1, 30)(rng_));
  }

  // Parameters in the ranges the input windows keep; with survivalFloor > 0
  // both habitats always keep survivors.
  Params Draw(double survivalFloor) {
    Params p;
    p.SoftProp = Uniform(0, 1);
    p.MigSurv = Uniform(0.0001, 1);
    p.HabFreq = Uniform(0.0001, 0.9999);
    p.TriesAB = Tries();
    p.TriesaB = Tries();
    p.W1A = Uniform(survivalFloor, 1);
    p.W2A = Uniform(survivalFloor, 1);
    p.W1a = Uniform(survivalFloor, 1);
    p.W2a = Uniform(survivalFloor, 1);
    return p;
  }

  // p, q and a DG inside its authorised range; now and then a fixed allele.
  void DrawPopulation(SimState &s) {
    const int kind = std::uniform_int_distribution<int>(0, 9)(rng_);
    s.FreqA = kind == 0 ? 0.0 : kind == 1 ? 1.0 : Uniform(0, 1);
    s.FreqB = kind == 2 ? 0.0 : kind == 3 ? 1.0 : Uniform(0, 1);
    const DGRange r = ComputeDGRange(s.FreqA, s.FreqB);
    s.DG = Uniform(0, 1) * (r.upper - r.lower) + r.lower;
    if (s.DG < r.lower)
      s.DG = r.lower;
    if (s.DG > r.upper)
      s.DG = r.upper;
  }

private:
  std::mt19937 rng_;
};

// Sets up the model's initial population from the drawn p, q and DG.
void Initialise(const ModelCase &m, SimState &s) {
  if (m.classes == 9)
    DiploidInitialState(s);
  else
    HaploidInitialState(s); // clones: the same types, entered directly
}

// Checks the invariants that hold after an initialisation or a generation in
// which both habitats kept survivors.
void ExpectConsistent(const ModelCase &m, const SimState &s, const std::string &where) {
  const double tol = 1e-12;
  EXPECT_NEAR(Sum(s.X, m.classes), 1.0, tol) << m.name << where;
  for (int k = 1; k <= m.classes; ++k)
    EXPECT_GE(s.X[k], -1e-15) << m.name << where << k;
  if (m.clonal)
    return;
  if (m.classes == 4) {
    EXPECT_NEAR(s.FreqA, s.X[1] + s.X[2], tol) << m.name << where;
    EXPECT_NEAR(s.FreqB, s.X[1] + s.X[3], tol) << m.name << where;
    EXPECT_NEAR(s.DG, s.X[1] * s.X[4] - s.X[2] * s.X[3], tol) << m.name << where;
  } else {
    EXPECT_NEAR(s.FreqA, DiploidP(s.X), tol) << m.name << where;
    EXPECT_NEAR(s.FreqB, DiploidQ(s.X), tol) << m.name << where;
    EXPECT_NEAR(s.Heteroz, s.X[4] + s.X[5] + s.X[6], tol) << m.name << where;
  }
}

void ExpectFinite(const ModelCase &m, const SimState &s, const std::string &where) {
  for (int k = 1; k <= 9; ++k) {
    ASSERT_TRUE(std::isfinite(s.X[k])) << m.name << where;
    ASSERT_TRUE(std::isfinite(s.Settled1[k])) << m.name << where;
    ASSERT_TRUE(std::isfinite(s.Settled2[k])) << m.name << where;
  }
  for (double v : {s.FreqA, s.FreqB, s.DG, s.Fit, s.Heteroz, s.W1, s.W2, s.DeltaP, s.DeltaQ})
    ASSERT_TRUE(std::isfinite(v)) << m.name << where;
}

TEST(Invariants, HoldAfterInitialisationAndEveryGeneration) {
  for (const auto &m : kModels) {
    Sampler sampler(2024);
    for (int set = 0; set < 60; ++set) {
      SimState Sim;
      Apply(sampler.Draw(0.01), Sim);
      sampler.DrawPopulation(Sim);
      Initialise(m, Sim);
      const std::string tag = " set " + std::to_string(set);
      ExpectConsistent(m, Sim, tag + " initial");
      for (int t = 1; t <= 150; ++t) {
        m.step(Sim);
        ExpectFinite(m, Sim, tag);
        ExpectConsistent(m, Sim, tag + " generation " + std::to_string(t));
        if (::testing::Test::HasFailure())
          return;
      }
    }
  }
}

TEST(Invariants, NothingButFiniteNumbersEvenWhenHabitatsDie) {
  // Survivals down to 0, so that habitats empty and populations die out.
  for (const auto &m : kModels) {
    Sampler sampler(77);
    for (int set = 0; set < 200; ++set) {
      SimState Sim;
      Params p = sampler.Draw(0);
      if (set % 3 == 0)
        p.W1A = p.W1a = 0;
      if (set % 5 == 0)
        p.W2A = p.W2a = 0;
      if (set % 7 == 0)
        p.W1A = p.W2A = 0;
      Apply(p, Sim);
      sampler.DrawPopulation(Sim);
      Initialise(m, Sim);
      for (int t = 1; t <= 40; ++t) {
        m.step(Sim);
        ExpectFinite(m, Sim, " set " + std::to_string(set));
        if (::testing::Test::HasFatalFailure())
          return;
      }
    }
  }
}

TEST(Invariants, OneAttemptEachMakesTheChoosyAlleleNeutral) {
  // With i = j = 1 and B independent of A at the start, nothing acts on B:
  // q stays where it is in every model.
  for (const auto &m : kModels) {
    Sampler sampler(99);
    for (int set = 0; set < 30; ++set) {
      SimState Sim;
      Params p = sampler.Draw(0.01);
      p.TriesAB = p.TriesaB = 1;
      Apply(p, Sim);
      Sim.FreqA = sampler.Uniform(0.05, 0.95);
      Sim.FreqB = sampler.Uniform(0.05, 0.95);
      Sim.DG = 0;
      const double q0 = Sim.FreqB;
      Initialise(m, Sim);
      for (int t = 1; t <= 100; ++t) {
        m.step(Sim);
        ASSERT_NEAR(Sim.DeltaQ, 0.0, 1e-14) << m.name << " set " << set << " generation " << t;
      }
      const double q = m.classes == 9 ? DiploidQ(Sim.X) : Sim.X[1] + Sim.X[3];
      EXPECT_NEAR(q, q0, 1e-12) << m.name << " set " << set;
    }
  }
}

TEST(Invariants, AllSameTypesAndSurvivalsWithOneAttemptIsAnEquilibrium) {
  for (const auto &m : kModels) {
    SimState Sim;
    Params p;
    p.TriesAB = p.TriesaB = 1;
    p.W1A = p.W2A = p.W1a = p.W2a = 0.6;
    Apply(p, Sim);
    Sim.FreqA = Sim.FreqB = 0.5;
    Sim.DG = 0;
    Initialise(m, Sim);
    double before[10];
    for (int k = 1; k <= 9; ++k)
      before[k] = Sim.X[k];
    m.step(Sim);
    for (int k = 1; k <= m.classes; ++k)
      EXPECT_NEAR(Sim.X[k], before[k], 1e-16) << m.name << k;
    EXPECT_NEAR(Sim.DeltaP, 0.0, 1e-16) << m.name;
    EXPECT_NEAR(Sim.DeltaQ, 0.0, 1e-16) << m.name;
    if (!m.clonal) {
      EXPECT_NEAR(Sim.DG, 0.0, 1e-16) << m.name;
    }
  }
}

// A generation in which nobody survives anywhere: a sexual population dies
// out instead of dividing by zero, and the next generation has nothing to
// change, so a run ends. No change of q is counted while the old q was fixed.
TEST(Invariants, ExtinctionEndsWithZerosNotNaN) {
  for (const auto &m : kModels) {
    for (double q0 : {0.6, 1.0, 0.0}) {
      if (m.clonal)
        continue; // clones: ClonalStep.ExtinctionThenNoChange
      SimState Sim;
      Params p;
      p.W1A = p.W2A = p.W1a = p.W2a = 0;
      Apply(p, Sim);
      Sim.FreqA = 0.3;
      Sim.FreqB = q0;
      Sim.DG = q0 == 0.6 ? 0.05 : 0.0;
      Initialise(m, Sim);
      const std::string tag = std::string(m.name) + " q0 " + std::to_string(q0);
      for (int generation = 1; generation <= 2; ++generation) {
        m.step(Sim);
        for (int k = 1; k <= m.classes; ++k)
          EXPECT_EQ(Sim.X[k], 0.0) << tag;
        EXPECT_EQ(Sim.FreqA, 0.0) << tag;
        EXPECT_EQ(Sim.FreqB, 0.0) << tag;
        EXPECT_EQ(Sim.DG, 0.0) << tag;
        EXPECT_EQ(Sim.Fit, 0.0) << tag;
        EXPECT_EQ(Sim.Heteroz, 0.0) << tag;
        if (generation == 1) {
          EXPECT_DOUBLE_EQ(Sim.DeltaP, -0.3) << tag;
          EXPECT_EQ(Sim.DeltaQ, q0 == 0.6 ? -0.6 : 0.0) << tag;
        } else {
          EXPECT_EQ(Sim.DeltaP, 0.0) << tag;
          EXPECT_EQ(Sim.DeltaQ, 0.0) << tag;
        }
      }
    }
  }
}

} // namespace
} // namespace morvane
