// A basin map's runs end as soon as they are near an equilibrium that
// attracts them: what each start is said to reach must be what its run, left
// to go on far longer, is polished to (also where a neutral equilibrium does
// not attract).
#include <gtest/gtest.h>

#include <vector>

#include "analysis/Basins.h"

namespace morvane::analysis {
namespace {

TEST(Basins, EachStartReachesWhatItsLongRunIsPolishedTo) {
  const Parameters twoAttractors{0.58, 1, 0.37, 3, 3, 0.92, 0.5, 0.93, 0.72, 1e-12};
  struct Case {
    const char *what;
    Model model;
    Parameters p;
    int N;
    std::vector<int> cells; // those looked at; every one when empty
  };
  const Case cases[] = {
      // A stable equilibrium (A and B lost) and a neutral one (B fixed, the
      // recessive b vanishing as 1/T).
      {"two attractors", Model::DiploidLocal, twoAttractors, 4, {}},
      {"two attractors, global panmixia", Model::DiploidGlobal, twoAttractors, 4, {}},
      // Next to A fixed, also neutral, a rare a comes back (to A and B lost)
      // however near it starts.
      {"two attractors, a near 0",
       Model::DiploidLocal,
       twoAttractors,
       201,
       {199 * 201 + 40, 199 * 201 + 160}},
      // Most starts approach B fixed so slowly that their runs are still more
      // than 1e-2 from it after 20,000 generations.
      {"a slowly vanishing b",
       Model::DiploidLocal,
       Parameters{1, 0.9, 0.45, 2, 1, 0.9, 0.6, 0.6, 0.9, 1e-12},
       4,
       {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const int N = c.N;
    const BasinMap map = Basins(c.model, c.p, N, FindEquilibria(c.model, c.p));
    std::vector<int> cells = c.cells;
    if (cells.empty())
      for (int cell = 0; cell < N * N; ++cell)
        cells.push_back(cell);
    for (int cell : cells) {
      SCOPED_TRACE(cell);
      const Population start =
          StartPopulation(c.model, double(cell / N) / (N - 1), double(cell % N) / (N - 1));
      const auto end = Polish(c.model, c.p, Iterate(c.model, c.p, start, 400000, 1e-15));
      ASSERT_TRUE(end.has_value());
      const int reached = MatchEquilibrium(c.model, map.equilibria, *end, 1e-6);
      EXPECT_GE(reached, 0);
      EXPECT_EQ(map.reached[cell], reached);
    }
  }
}

} // namespace
} // namespace morvane::analysis
