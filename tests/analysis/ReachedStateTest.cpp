// The line the disturbance windows show of the state a run stopped on.
#include <gtest/gtest.h>

#include <regex>

#include "analysis/Equilibria.h"
#include "analysis/ReachedState.h"

namespace morvane::analysis {
namespace {

// The Levene case (B neutral): at c = 0.5 the boundaries are unstable, A
// invading where it is lost with 0.5 * 0.9/0.6 + 0.5 * 0.6/0.9; the interior
// is a line of equilibria.
const Parameters kLevene{1, 1, 0.5, 1, 1, 0.9, 0.6, 0.6, 0.9, 1e-12};
// Diploids with habitat choice: A and B lost is a stable equilibrium.
const Parameters kChoosy{0.58, 1, 0.37, 3, 3, 0.92, 0.5, 0.93, 0.72, 1e-12};

Population Found(Model m, const Parameters &p, Stability s, double atP) {
  for (const Equilibrium &e : FindEquilibria(m, p))
    if (e.spectrum.stability == s && MeasuresOf(m, e.X).p == atP)
      return e.X;
  ADD_FAILURE() << "no such equilibrium";
  return {};
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
       Iterate(Model::DiploidLocal, kChoosy, StartPopulation(Model::DiploidLocal, 0.1, 0.1), 200000,
               1e-14),
       Reached::Stable, R"(Stable equilibrium \(largest \|eigenvalue\| 0\.\d\d?\d?\))"},
      {"started exactly on an unstable equilibrium", Model::HaploidLocal, kLevene,
       Found(Model::HaploidLocal, kLevene, Stability::Unstable, 0), Reached::Unstable,
       R"(Unstable equilibrium: a small disturbance leaves it \(eigenvalue 1\.08\))"},
      {"on the line of interior equilibria", Model::HaploidLocal, kLevene,
       Found(Model::HaploidLocal, kLevene, Stability::Neutral, 0.5), Reached::Neutral,
       R"(Neutral: an eigenvalue of modulus 1 \(a line of equilibria\))"},
      {"a run stopped by a coarse L", Model::DiploidLocal, kChoosy,
       Iterate(Model::DiploidLocal, kChoosy, StartPopulation(Model::DiploidLocal, 0.1, 0.1), 200000,
               1e-3),
       Reached::Moving, R"(Not an equilibrium: the run stopped on L while still moving)"},
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
