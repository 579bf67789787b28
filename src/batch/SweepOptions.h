// Command-line options of morvane-sweep: the options of morvane-run for the
// model and its parameters, one or two --vary ranges over numeric parameters,
// and where the points run and their results go.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "batch/RunnerOptions.h"
#include "engine/FieldRules.h"
#include "engine/Model.h"

namespace morvane {

// One varied parameter: COUNT values from FROM to TO, ends included, each as
// its field shows it (15 significant digits).
struct SweepAxis {
  std::string option; // the option of the parameter: "x", "W1A", "DG", "fAB"
  const FieldRule *field = nullptr;
  std::string given;               // NAME=FROM:TO:COUNT with the values as shown
  std::vector<std::string> values; // the text given to each point's option
  std::vector<std::string> shown;  // the value each point runs with, as the table shows it
};

// What a sweep computes: the model, the arguments common to every point, the
// grid, and the part of it that this process runs.
struct SweepPlan {
  Model model = Model::HaploidLocal;
  std::vector<CommandOption> base; // the morvane-run options common to every point
  std::vector<SweepAxis> axes;     // one or two; the last changes fastest
  std::string signature;           // the plan as canonical arguments, without the shard
  std::size_t shardIndex = 0;
  std::size_t shardCount = 1;

  std::size_t Points() const;
  // The coordinates of a point (index in grid order) on the axes; an axis
  // that the plan does not have is left 0.
  std::array<std::size_t, 2> Coordinates(std::size_t point) const;
  // The options with which morvane-run would run the point: those in common
  // and the point's values of the varied parameters.
  std::vector<CommandOption> PointArgs(std::size_t point) const;
  // The signature with the shard, if any: what the table's first line holds.
  std::string Description() const;
};

struct SweepOptions {
  bool help = false;
  SweepPlan plan;

  std::string finalFile;
  std::string tableFile;
  std::string traceDir; // empty: no Detail or Plot files
  unsigned jobs = 1;
  bool resume = false;  // go on from the temporary files of an interrupted run

  std::string mapFile; // empty: no map
  std::string mapOf;
  int mapWidth = 800;
  int mapHeight = 600;

  // --merge OUT SHARD...: OUT is finalFile (and its table beside it).
  bool merge = false;
  std::vector<std::string> mergeInputs;
};

// Whether a file name ends with `ending` (in lower case), letters in any case,
// and has something before it.
bool HasEnding(std::string name, const std::string &ending);

// The table written beside a Final file: its name with ".mrv" replaced by
// ".tsv" (or ".tsv" added when it has another ending).
std::string SweepTableName(const std::string &finalFile);

// The outputs a map can show for the model: "p", "q", "DG", "Fit", "T", or
// "fAB", "fAb", "faB", "fab", "T" for clones.
std::vector<std::string> SweepOutputs(Model model);

// Parses and checks the arguments (without the program name). Throws
// UsageError with the message to show. The points themselves are checked by
// CheckSweepPoints.
SweepOptions ParseSweepOptions(const std::vector<std::string> &args);

// Checks --map and --map-of against the plan (an output of the
// model) and sets the default --map-of. Throws UsageError. Done by the parse;
// a merge does it once the plan of its shards is known.
void CheckSweepMap(SweepOptions &options);

// The plan held in a table's description (the arguments after the
// "# morvane-sweep " of its first line). Throws UsageError.
SweepPlan ParseSweepDescription(const std::string &description);

// The options with which morvane-run would run the point; throws UsageError
// with the message of the refused value and the point's coordinates.
RunnerOptions SweepPointOptions(const SweepPlan &plan, std::size_t point);

// The options of every point of a plan from one parse of its command line
// (at point 0): a point's options are made by reading its varied values into
// a copy of the first point's, with the checks and messages of
// SweepPointOptions. Nothing is kept per point.
class SweepPoints {
public:
  // Throws the UsageError of point 0 when it is refused.
  explicit SweepPoints(const SweepPlan &plan);

  const SweepPlan &Plan() const { return plan_; }
  // The options of point 0; every point's differ only in their parameters
  // and start values.
  const RunnerOptions &First() const { return parsed_.Parsed(); }
  // Sets `options`, a copy of First() (or of any point's), to the point's.
  // Throws UsageError as SweepPointOptions does.
  void Fill(std::size_t point, RunnerOptions &options) const;
  RunnerOptions Options(std::size_t point) const;

private:
  SweepPlan plan_;
  VariedRunnerOptions parsed_;
};

// The text of --help.
std::string SweepHelpText();

} // namespace morvane
