#include "analyse/AnalyseCommand.h"

#include <algorithm>
#include <thread>

#include "analysis/AnalysisTables.h"
#include "engine/FieldRules.h"

namespace morvane {

namespace {

namespace analysis = morvane::analysis;

int PositiveCount(const CommandOption &o, int lowest, int highest) {
  const auto v = ReadTypedCount(o.value.value_or(""));
  if (!v || *v < lowest || *v > highest)
    throw UsageError("--" + o.name + " needs a whole number from " + std::to_string(lowest) +
                     " to " + std::to_string(highest));
  return static_cast<int>(*v);
}

// The runner's options with NAME given `value` (replacing any given).
RunnerOptions ParseWith(std::vector<CommandOption> options, const std::string &name,
                        const std::string &value) {
  options.erase(std::remove_if(options.begin(), options.end(),
                               [&](const CommandOption &o) { return o.name == name; }),
                options.end());
  options.push_back({name, value});
  return ParseRunnerCommandOptions(options, RunnerFiles::None);
}

} // namespace

AnalyseCommand ParseAnalyseCommand(const std::vector<std::string> &args) {
  if (args.empty())
    throw UsageError("morvane-analyse needs a command: equilibria, continue or basins");
  const std::string &name = args[0];
  AnalyseCommand c;
  if (name == "equilibria")
    c.kind = AnalyseKind::Equilibria;
  else if (name == "continue")
    c.kind = AnalyseKind::Continue;
  else if (name == "basins")
    c.kind = AnalyseKind::Basins;
  else
    throw UsageError("unknown command '" + name + "': equilibria, continue or basins");

  std::vector<CommandOption> runner;
  c.basins.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::optional<CommandOption> vary;
  std::optional<CommandOption> step;
  for (const CommandOption &o : SplitCommandLine({args.begin() + 1, args.end()}, {"ess"})) {
    auto only = [&](const char *where) {
      if (name != where)
        throw UsageError("--" + o.name + " is an option of " + where);
    };
    if (o.name == "starts") {
      if (c.kind == AnalyseKind::Basins)
        throw UsageError("--starts is an option of equilibria and continue");
      c.enumeration.starts = PositiveCount(o, 4, 1000000);
    } else if (o.name == "grid") {
      only("basins");
      c.grid = PositiveCount(o, 2, 2000);
    } else if (o.name == "threads") {
      only("basins");
      c.basins.threads = PositiveCount(o, 1, 1024);
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
  c.options = ParseRunnerCommandOptions(runner, RunnerFiles::None);
  c.words = {"morvane-analyse"};
  c.words.insert(c.words.end(), args.begin(), args.end());
  if (c.kind != AnalyseKind::Continue)
    return c;

  if (!vary)
    throw UsageError("continue needs --vary NAME=FROM:TO");
  const std::string text = vary->value.value_or("");
  const auto eq = text.find('=');
  const auto colon = text.find(':', eq == std::string::npos ? 0 : eq);
  if (eq == std::string::npos || colon == std::string::npos)
    throw UsageError("--vary needs NAME=FROM:TO");
  c.varyName = text.substr(0, eq);
  const auto parameter = analysis::ParameterNamed(c.varyName);
  if (!parameter)
    throw UsageError("--vary takes x, d, c, W1A, W2A, W1a or W2a, not '" + c.varyName + "'");
  const std::string &v = c.varyName;
  const bool computed = (c.options.tradeOff != TradeOffRule::None &&
                         (v == "W2A" || v == "W2a" || v == "W1A" || v == "W1a")) ||
                        (c.options.ess && v == "W1A");
  if (computed)
    throw UsageError("--vary " + v +
                     ": a survival under a trade-off or --ess cannot be varied alone");
  // Both ends checked as the runner checks the parameter's value.
  c.options = ParseWith(runner, v, text.substr(eq + 1, colon - eq - 1));
  RunnerOptions end = ParseWith(runner, v, text.substr(colon + 1));
  c.varied = *parameter;
  c.from = analysis::ParameterValue(c.options.params, *parameter);
  c.to = analysis::ParameterValue(end.params, *parameter);
  if (step) {
    const auto h = ReadTypedReal(step->value.value_or(""));
    if (!h || !(*h > 0))
      throw UsageError("--step needs a number above 0");
    c.continuation.maxStep = *h;
  }
  return c;
}

void RunAnalyseCommand(const AnalyseCommand &c, std::ostream &out) {
  const Model model = c.options.model;
  switch (c.kind) {
  case AnalyseKind::Equilibria: {
    const auto list = analysis::FindEquilibria(model, c.options.params, c.enumeration);
    analysis::WriteCommandLine(out, c.words);
    analysis::WriteEquilibria(out, model, list);
    break;
  }
  case AnalyseKind::Basins: {
    const auto known = analysis::FindEquilibria(model, c.options.params, c.enumeration);
    const auto map = analysis::Basins(model, c.options.params, c.grid, known, c.basins);
    analysis::WriteCommandLine(out, c.words);
    analysis::WriteBasins(out, model, map);
    break;
  }
  case AnalyseKind::Continue: {
    const auto points = analysis::ContinueEquilibria(model, c.options.params, c.varied, c.from,
                                                     c.to, c.enumeration, c.continuation);
    analysis::WriteCommandLine(out, c.words);
    analysis::WriteBranches(out, model, c.varyName, points);
    break;
  }
  }
}

} // namespace morvane
