// The plan of a sweep: the model, the options common to every point, one or
// two varied parameters and the shard this process runs; each point's
// options made from it. Plain data and their rules: no files are read or
// written here.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "engine/FieldRules.h"
#include "engine/Model.h"
#include "runner/RunnerOptions.h"

namespace morvane {

// What a sweep's table starts with; its description follows.
inline const std::string kSweepTableMark = "# morvane-sweep ";

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
  // Where each point's Detail and Plot files go (empty: nowhere): the records
  // name those files, so the folder is part of what the sweep is.
  std::string traceDir;
  std::size_t shardIndex = 0;
  std::size_t shardCount = 1;
  // --analyse: each point's end state is classed and its equilibrium's
  // stability written after the other columns; --starts K (0: none) adds the
  // number of stable equilibria found from K starts. Part of the signature.
  bool analyse = false;
  int starts = 0;

  std::size_t Points() const;
  // The coordinates of a point (index in grid order) on the axes; an axis
  // that the plan does not have is left 0.
  std::array<std::size_t, 2> Coordinates(std::size_t point) const;
  // The options with which morvane-run would run the point: those in common
  // and the point's values of the varied parameters.
  std::vector<CommandOption> PointArgs(std::size_t point) const;
  // The signature with the trace folder and the shard, if any: what the
  // table's first line holds.
  std::string Description() const;
  // What two shards of one sweep share: the signature and the trace folder.
  std::string Identity() const;
};

// The number of --starts: a whole number from kMinStarts to kMaxStarts.
inline constexpr int kMinStarts = 4;
inline constexpr int kMaxStarts = 10000;

// " --analyse" and " --starts K" as the plan has them, as its signature
// ends with them (empty for a sweep not analysed).
std::string AnalysisWords(const SweepPlan &plan);
// Whether two plans are one sweep (and shard) run with different --analyse
// or --starts.
bool SameSweepButAnalysis(const SweepPlan &a, const SweepPlan &b);

// Whether an option is one of the sweep's own (where its outputs go, how
// many threads), which are no part of its plan.
bool IsSweepOutputOption(const std::string &name);

// The plan of morvane-run's options with one or two --vary and at most one
// --shard (the sweep's own options taken out). Throws UsageError.
SweepPlan PlanOfOptions(const std::vector<CommandOption> &options);

// The plan held in a table's description (the arguments after the
// "# morvane-sweep " of its first line). Throws UsageError.
SweepPlan ParseSweepDescription(const std::string &description);

// The outputs a map can show for the model: "p", "q", "DG", "Fit", "T", or
// "fAB", "fAb", "faB", "fab", "T" for clones.
std::vector<std::string> SweepOutputs(Model model);
// What a map of the plan's table can show: SweepOutputs, and for an analysed
// sweep "class" (classA and classB together), "lambdaA", "lambdaB",
// "radius", and "stableCount" with --starts.
std::vector<std::string> SweepMapOutputs(const SweepPlan &plan);

// "point", the varied parameters, "T", the four outputs, "converged", and
// for an analysed sweep the outcome's columns; LF.
std::string SweepTableHeader(const SweepPlan &plan);

// The number of columns of the table's header and rows.
std::size_t SweepTableWidth(const SweepPlan &plan);

// The first line of a sweep's table: "# morvane-sweep " and its description.
std::string TableStart(const SweepPlan &plan);

// The plan of a sweep's table from its lines (the description, then the
// column names). Throws UsageError naming the table.
SweepPlan PlanOfTable(const std::vector<std::string> &lines, const std::string &tableName);

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

// Checks every point of the grid (not only those of the shard, so that all
// shards accept or refuse a sweep alike) on `jobs` threads, keeping nothing
// per point, and returns the points' options to be made as they are run.
// Throws the UsageError of the first refused point in grid order.
SweepPoints CheckSweepPoints(const SweepPlan &plan, unsigned jobs);

} // namespace morvane
