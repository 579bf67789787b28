// The line the disturbance windows show of the state a run stopped on.
#include <gtest/gtest.h>

#include <regex>

#include "analysis/Equilibria.h"
#include "analysis/ReachedState.h"

namespace morvane::analysis {
namespace {

// The Levene case (B neutral): at c = 0.5 the boundaries are unstable, A
// invading where it is lost with 0.5 * 0.9/0.6 + 0.5 * 0.6/0.9; the interior
// is a line of equilibria. At c = 0.45 the polymorphism p = 0.25 is stable
// but for q (neutral), at c = 0.4 the boundary where A is lost is neutral.
// Runs stop on the windows' L.
constexpr double kL = 0.000001;
const Parameters kLevene{1, 1, 0.5, 1, 1, 0.9, 0.6, 0.6, 0.9, kL};
const Parameters kLevene45{1, 1, 0.45, 1, 1, 0.9, 0.6, 0.6, 0.9, kL};
const Parameters kLevene40{1, 1, 0.4, 1, 1, 0.9, 0.6, 0.6, 0.9, kL};
// Diploids with habitat choice: A and B lost is a stable equilibrium.
const Parameters kChoosy{0.58, 1, 0.37, 3, 3, 0.92, 0.5, 0.93, 0.72, kL};

Population Found(Model m, const Parameters &p, Stability s, double atP) {
  for (const Equilibrium &e : FindEquilibria(m, p))
    if (e.spectrum.stability == s && MeasuresOf(m, e.X).p == atP)
      return e.X;
  ADD_FAILURE() << "no such equilibrium";
  return {};
}

// Where a run from (p, q) stops on the parameters' L.
Population StoppedOnL(Model m, const Parameters &p, double p0, double q0) {
  return Iterate(m, p, StartPopulation(m, p0, q0), 200000, p.StopThreshold);
}

TEST(ReachedState, TheLineSaysWhatTheRunStoppedOn) {
  struct Case {
    const char *what;
    Model model;
    Parameters params;
    Population X;
    Reached kind;
    const char *line; // a regular expression
  };
  const Case cases[] = {
      {"a run to the stable equilibrium", Model::DiploidLocal, kChoosy,
       StoppedOnL(Model::DiploidLocal, kChoosy, 0.1, 0.1), Reached::Stable,
       R"(Stable equilibrium \(largest \|eigenvalue\| 0\.\d\d?\d?\))"},
      {"started exactly on an unstable equilibrium", Model::HaploidLocal, kLevene,
       Found(Model::HaploidLocal, kLevene, Stability::Unstable, 0), Reached::Unstable,
       R"(Unstable equilibrium: a small disturbance leaves it \(eigenvalue 1\.08\))"},
      {"a run to the polymorphism, neutral along q", Model::HaploidLocal, kLevene45,
       StoppedOnL(Model::HaploidLocal, kLevene45, 0.5, 0.5), Reached::Neutral,
       R"(Neutral: an eigenvalue of modulus 1 \(a line of equilibria\))"},
      {"a run stalled by the unstable boundary it leaves", Model::HaploidLocal, kLevene45,
       StoppedOnL(Model::HaploidLocal, kLevene45, 0.00001, 0.5), Reached::Moving,
       R"(Not an equilibrium: the run stopped on L while still moving)"},
      {"a run drifting slowly to a neutral boundary", Model::HaploidLocal, kLevene40,
       StoppedOnL(Model::HaploidLocal, kLevene40, 0.1, 0.5), Reached::Moving,
       R"(Not an equilibrium: the run stopped on L while still moving)"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const ReachedState r = DescribeReached(c.model, c.params, c.X);
    EXPECT_EQ(r.kind, c.kind);
    const std::string line = ReachedStateText(r);
    EXPECT_TRUE(std::regex_match(line, std::regex(c.line))) << line;
  }
}

} // namespace
} // namespace morvane::analysis
