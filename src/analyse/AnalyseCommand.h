// The commands of morvane-analyse (equilibria, continue, basins): their
// arguments parsed and checked (the model's parameters by the runner's own
// parser), the analysis run and its table written. The program and the
// Python module both go through here.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/Basins.h"
#include "analysis/Continuation.h"
#include "analysis/Equilibria.h"
#include "runner/RunnerOptions.h"

namespace morvane {

enum class AnalyseKind { Equilibria, Continue, Basins };

struct AnalyseCommand {
  AnalyseKind kind = AnalyseKind::Equilibria;
  RunnerOptions options; // at the first value of --vary for continue
  analysis::EnumerationSettings enumeration;
  analysis::BasinSettings basins;
  int grid = 50;
  analysis::ContinuationSettings continuation;
  std::string varyName; // continue: the parameter's option name
  analysis::Parameter varied = analysis::Parameter::None;
  double from = 0, to = 0;
  // The words of the command line the table's first line records.
  std::vector<std::string> words;
};

// The command of morvane-analyse's arguments (the command's name first;
// without --help). Throws UsageError with the message to show.
AnalyseCommand ParseAnalyseCommand(const std::vector<std::string> &args);

// Runs the command and writes its table: the '#' line, the column names,
// the rows.
void RunAnalyseCommand(const AnalyseCommand &command, std::ostream &out);

} // namespace morvane
