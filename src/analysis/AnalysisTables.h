// The tables of morvane-analyse: tab-separated, a first '#' line recording
// the command, a line of column names, then one row per equilibrium, branch
// point or start. Reals with up to 15 significant digits and '.'; an empty
// cell where a value does not apply.
#pragma once

#include <array>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Basins.h"
#include "analysis/Continuation.h"
#include "analysis/Equilibria.h"
#include "analysis/Outcome.h"

namespace morvane::analysis {

// "# " and the words of the command line, space-separated.
void WriteCommandLine(std::ostream &out, const std::vector<std::string> &words);

// p q DG Fit (clones: fAB fAb faB fab), X1 .. Xn, stability, radius,
// lambdaA, lambdaB, starts.
void WriteEquilibria(std::ostream &out, Model m, const std::vector<Equilibrium> &list);

// branch, the parameter (under its option name), the state columns as
// above, stability, radius, lambdaA, lambdaB, event.
void WriteBranches(std::ostream &out, Model m, const std::string &parameter,
                   const std::vector<BranchPoint> &points);

// The columns of a run's outcome, each after a '\t': classA, classB,
// stability, radius, lambdaA, lambdaB (as in the equilibria table; all four
// empty when no equilibrium lies near the end), and stableCount when asked.
std::string OutcomeHeader(bool stableCount);
void AppendOutcomeCells(std::string &row, const Outcome &o);
// Whether cells (without their tabs) are outcome cells as AppendOutcomeCells
// writes them: known words, numbers in the very text written.
bool IsOutcomeCells(const std::vector<std::string_view> &cells, bool stableCount);

// A table of WriteBranches read back, as drawn: per row its branch, the
// parameter's value, the four measures (p q DG Fit, or the clone
// frequencies), the stability and the event.
struct BranchRow {
  int branch = 0;
  double value = 0;
  std::array<double, 4> measures{};
  Stability stability = Stability::Stable;
  std::string event;
};
struct BranchTable {
  std::string command; // the first line, without "# "
  std::string parameter;
  bool clonal = false;
  std::vector<BranchRow> rows;
};

// The rows of `points` as the table writes them.
std::vector<BranchRow> BranchRows(Model m, const std::vector<BranchPoint> &points);

// Reads the output of `morvane-analyse continue` (`name` says where it
// comes from): its '#' line, the column names WriteBranches writes for one
// of the models, then rows of as many cells, each a number where a number
// stands, a stability and an event by their names, the branches numbered
// from 0 in order. Anything else throws std::runtime_error naming the file
// and the line; a table cut short (no end of line at its end) too.
BranchTable ReadBranches(const std::string &content, const std::string &name);

// p0 q0 of each start, the index of the equilibrium reached (as listed by
// the equilibria table written with it, -1 for none), its p, q and
// stability.
void WriteBasins(std::ostream &out, Model m, const BasinMap &map);

} // namespace morvane::analysis
