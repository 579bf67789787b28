// morvane-analyse: the equilibria of a model at one parameter set, with
// their stability and the invasion of missing alleles; their branches along
// one parameter; the basins of attraction over the (p, q) plane.
#include <algorithm>
#include <exception>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "analysis/AnalysisTables.h"
#include "analysis/Basins.h"
#include "analysis/Continuation.h"
#include "analysis/Equilibria.h"
#include "runner/RunnerOptions.h"
#include "engine/FieldRules.h"

namespace {

using morvane::CommandOption;
using morvane::UsageError;
namespace analysis = morvane::analysis;

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

int PositiveCount(const CommandOption &o, int lowest, int highest) {
  const auto v = morvane::ReadTypedCount(o.value.value_or(""));
  if (!v || *v < lowest || *v > highest)
    throw UsageError("--" + o.name + " needs a whole number from " + std::to_string(lowest) +
                     " to " + std::to_string(highest));
  return static_cast<int>(*v);
}

// The runner's options with NAME given `value` (replacing any given).
morvane::RunnerOptions ParseWith(std::vector<CommandOption> options, const std::string &name,
                                 const std::string &value) {
  options.erase(std::remove_if(options.begin(), options.end(),
                               [&](const CommandOption &o) { return o.name == name; }),
                options.end());
  options.push_back({name, value});
  return morvane::ParseRunnerCommandOptions(options, morvane::RunnerFiles::None);
}

int Run(const std::vector<std::string> &args) {
  if (args.empty())
    throw UsageError("morvane-analyse needs a command: equilibria, continue or basins");
  if (std::find(args.begin(), args.end(), "--help") != args.end()) {
    std::cout << HelpText();
    return 0;
  }
  const std::string command = args[0];
  if (command != "equilibria" && command != "continue" && command != "basins")
    throw UsageError("unknown command '" + command + "': equilibria, continue or basins");

  std::vector<CommandOption> runner;
  analysis::EnumerationSettings enumeration;
  analysis::BasinSettings basins;
  basins.threads = std::max(1u, std::thread::hardware_concurrency());
  analysis::ContinuationSettings continuation;
  int grid = 50;
  std::optional<CommandOption> vary;
  std::optional<CommandOption> step;
  for (const CommandOption &o :
       morvane::SplitCommandLine({args.begin() + 1, args.end()}, {"ess"})) {
    auto only = [&](const char *where) {
      if (command != where)
        throw UsageError("--" + o.name + " is an option of " + where);
    };
    if (o.name == "starts") {
      if (command == "basins")
        throw UsageError("--starts is an option of equilibria and continue");
      enumeration.starts = PositiveCount(o, 4, 1000000);
    } else if (o.name == "grid") {
      only("basins");
      grid = PositiveCount(o, 2, 2000);
    } else if (o.name == "threads") {
      only("basins");
      basins.threads = PositiveCount(o, 1, 1024);
    } else if (o.name == "vary") {
      only("continue");
      vary = o;
    } else if (o.name == "step") {
      only("continue");
      step = o;
    } else if (o.name == "p" || o.name == "q" || o.name == "DG" || o.name == "fAB" ||
               o.name == "fAb" || o.name == "faB" || o.name == "fab" || o.name == "disturb" ||
               o.name == "max-generations") {
      throw UsageError("--" + o.name +
                       " is not taken by morvane-analyse: its starts are a grid over p and q");
    } else {
      runner.push_back(o);
    }
  }
  morvane::RunnerOptions options =
      morvane::ParseRunnerCommandOptions(runner, morvane::RunnerFiles::None);
  const morvane::Model model = options.model;

  std::vector<std::string> words{"morvane-analyse"};
  words.insert(words.end(), args.begin(), args.end());

  if (command == "equilibria") {
    const auto list = analysis::FindEquilibria(model, options.params, enumeration);
    analysis::WriteCommandLine(std::cout, words);
    analysis::WriteEquilibria(std::cout, model, list);
  } else if (command == "basins") {
    const auto known = analysis::FindEquilibria(model, options.params, enumeration);
    const auto map = analysis::Basins(model, options.params, grid, known, basins);
    analysis::WriteCommandLine(std::cout, words);
    analysis::WriteBasins(std::cout, model, map);
  } else {
    if (!vary)
      throw UsageError("continue needs --vary NAME=FROM:TO");
    const std::string text = vary->value.value_or("");
    const auto eq = text.find('=');
    const auto colon = text.find(':', eq == std::string::npos ? 0 : eq);
    if (eq == std::string::npos || colon == std::string::npos)
      throw UsageError("--vary needs NAME=FROM:TO");
    const std::string name = text.substr(0, eq);
    const auto parameter = analysis::ParameterNamed(name);
    if (!parameter)
      throw UsageError("--vary takes x, d, c, W1A, W2A, W1a or W2a, not '" + name + "'");
    const bool computed = (options.tradeOff != morvane::TradeOffRule::None &&
                           (name == "W2A" || name == "W2a" || name == "W1A" || name == "W1a")) ||
                          (options.ess && name == "W1A");
    if (computed)
      throw UsageError("--vary " + name +
                       ": a survival under a trade-off or --ess cannot be varied alone");
    // Both ends checked as the runner checks the parameter's value.
    const std::string fromText = text.substr(eq + 1, colon - eq - 1);
    const std::string toText = text.substr(colon + 1);
    options = ParseWith(runner, name, fromText);
    morvane::RunnerOptions end = ParseWith(runner, name, toText);
    const double from = analysis::ParameterValue(options.params, *parameter);
    const double to = analysis::ParameterValue(end.params, *parameter);
    if (step) {
      const auto h = morvane::ReadTypedReal(step->value.value_or(""));
      if (!h || !(*h > 0))
        throw UsageError("--step needs a number above 0");
      continuation.maxStep = *h;
    }
    const auto points = analysis::ContinueEquilibria(model, options.params, *parameter, from, to,
                                                     enumeration, continuation);
    analysis::WriteCommandLine(std::cout, words);
    analysis::WriteBranches(std::cout, model, name, points);
  }
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
