// morvane-analyse: the equilibria of a model at one parameter set, with
// their stability and the invasion of missing alleles; their branches along
// one parameter; the basins of attraction over the (p, q) plane.
#include <algorithm>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "analyse/AnalyseCommand.h"

namespace {

using morvane::UsageError;

std::string HelpText() {
  return R"(Usage: morvane-analyse COMMAND --model MODEL [parameters] [options]

Answers of the model's recurrence itself, at the parameters of morvane-run
(--x, --d, --c, --i, --j, the four survivals, --trade-off, --ess; see
morvane-run --help): its initial state, result files and disturbances are not
taken.

Commands:
  equilibria   every equilibrium found from a grid of starts over p and q
               (DG = 0; clones from pq, p(1-q), (1-p)q, (1-p)(1-q)): each run
               to convergence and polished by Newton's method, and Newton's
               method from each start itself, which finds unstable equilibria
               too; one row per distinct equilibrium
  continue     the branches of equilibria found at the first value of one
               parameter, followed by pseudo-arclength continuation to the
               last, with their events
  basins       the equilibrium reached from each start of an N x N grid over
               p and q (DG = 0)

Options:
  --starts K   equilibria, continue: about K starts, the nearest square grid
               [25]
  --vary NAME=FROM:TO
               continue: the parameter (x, d, c, W1A, W2A, W1a or W2a; not a
               survival that a trade-off or --ess computes) and its range;
               FROM and TO are checked as the parameter's own value
  --step H     continue: largest step along a branch [|TO - FROM| / 100]
  --grid N     basins: N starts along p and along q, 2..2000 [50]
  --threads T  basins: threads [the processor's cores]
  --help       show this text

Output on stdout, TAB-separated, a first line '#' and the command line, then
the column names. Reals have up to 15 significant digits and '.'; a cell that
does not apply is empty.
  equilibria:  p q DG Fit (clones: fAB fAb faB fab), X1 .. X4 (haploids,
               clones) or X1 .. X9 (diploids, in the order of the Detail
               file), stability (stable: every eigenvalue of the Jacobian in
               the free frequencies of modulus below 1 - 1e-8; unstable: one
               above 1 + 1e-8; neutral otherwise), radius (spectral radius),
               lambdaA and lambdaB (at a boundary, the invasion eigenvalue of
               the missing allele of locus A and of locus B), starts (how many
               of the starts' runs ended there)
  continue:    branch, the parameter, the same state and stability columns,
               event (fold, flip, branch point, torus, neutral or end)
  basins:      p0 q0 of the start, equilibrium (its number among the
               equilibria found, -1 for none), its p, q and stability

Exit status: 0 on success, 2 when an argument is refused, 1 on any other
failure.
)";
}

int Run(const std::vector<std::string> &args) {
  if (std::find(args.begin(), args.end(), "--help") != args.end()) {
    std::cout << HelpText();
    return 0;
  }
  morvane::RunAnalyseCommand(morvane::ParseAnalyseCommand(args), std::cout);
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "morvane-analyse: cannot write to standard output\n";
    return 1;
  }
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError &e) {
    std::cerr << e.what() << '\n';
    return 2;
  } catch (const std::exception &e) {
    std::cerr << "morvane-analyse: " << e.what() << '\n';
    return 1;
  }
}
