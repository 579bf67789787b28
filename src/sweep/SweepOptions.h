// Command-line options of morvane-sweep: the options of morvane-run for the
// model and its parameters and one or two --vary ranges, parsed once into the
// sweep's plan, and where the points run and their results go.
#pragma once

#include <string>
#include <vector>

#include "sweep/SweepPlan.h"

namespace morvane {

struct SweepOptions {
  bool help = false;
  SweepPlan plan;

  std::string finalFile;
  std::string tableFile;
  std::string traceDir; // empty: no Detail or Plot files
  unsigned jobs = 1;
  bool resume = false; // go on from the temporary files of an interrupted run
  bool extend = false; // take over the points of another grid's run in finalFile

  std::string mapFile; // empty: no map
  std::string mapOf;
  int mapWidth = 800;
  int mapHeight = 600;

  // --merge OUT SHARD...: OUT is finalFile (and its table beside it).
  bool merge = false;
  std::vector<std::string> mergeInputs;
};

// Parses and checks the arguments (without the program name). Throws
// UsageError with the message to show. The points themselves are checked by
// CheckSweepPoints.
SweepOptions ParseSweepOptions(const std::vector<std::string> &args);

// Checks --map and --map-of against the plan (an output of the
// model) and sets the default --map-of. Throws UsageError. Done by the parse;
// a merge does it once the plan of its shards is known.
void CheckSweepMap(SweepOptions &options);

// The text of --help.
std::string SweepHelpText();

} // namespace morvane
