// The files of a sweep as they are written and read back: every output is
// written under a temporary name beside its own and renamed once complete, so
// that a file under the final name is always a whole sweep; an interrupted
// sweep goes on from its temporary files; a Final record is checked against
// its table row and the sweep's parameters wherever records are taken back.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "batch/Sweep.h"
#include "batch/SweepOptions.h"

namespace morvane {

// The name an output is written under until it is complete: "sweep.mrv"
// gives "sweep.mrv.part", "map.png" gives "map.part.png" (the ending tells
// the format of a picture).
std::string PartName(const std::string &name);

// The first line of a sweep's table: "# morvane-sweep " and its description.
std::string TableStart(const SweepPlan &plan);

// What a sweep finds of its outputs before it runs.
struct SweepStart {
  bool alreadyDone = false; // the complete outputs of this very sweep exist
  std::size_t pointsDone = 0; // points of the shard kept from an interrupted run
};

// Gets the outputs of a sweep ready: complete outputs of the same sweep mean
// it is already done; outputs of another sweep, or left incomplete, are
// refused. With `resume`, the temporary outputs of an interrupted run of the
// same sweep are kept up to the last point whose record and row are both
// whole (each record checked against its row) and the rest is cut off;
// without it they are refused. Otherwise the temporary outputs are created
// with their header lines. Throws UsageError or FileError.
SweepStart PrepareSweepOutputs(const SweepOptions &options, bool resume);

// Writes new files whole: each under its temporary name, all renamed once
// every one is complete. On failure the temporary files are removed, so that
// a retry starts afresh. Throws FileError (EEXIST when a file exists).
struct WholeFile {
  std::string name;
  std::string content;
};
void WriteWhole(const std::vector<WholeFile> &files);

// Renames the temporary Final file and table to their names.
void CompleteSweepOutputs(const SweepOptions &options);

// Checks a Final record (with its CR LF) against the table row (with its LF)
// of `point` and the parameters the plan gives that point: point, varied
// values, T, the four final values and every parameter of the record but
// the Plot file's name. Throws UsageError naming `where` (a file and line).
void CheckRecordAgainstRow(const SweepPlan &plan, std::size_t point, const std::string &record,
                           const std::string &row, const std::string &where);

// The Final file and the table of one shard, given either of them: a Final
// file starts with the Final header, a table with "# morvane-sweep "; the
// other lies beside it. Throws UsageError for a file that is neither.
struct ShardFiles {
  std::string finalFile;
  std::string tableFile;
};
ShardFiles RecogniseShardFiles(const std::string &name);

// The plan of a sweep's table from its lines (the description, then the
// column names). Throws UsageError naming the table.
SweepPlan PlanOfTable(const std::vector<std::string> &lines, const std::string &tableName);

// A file's whole content; UsageError when it cannot be read.
std::string ReadInput(const std::string &name);

// The lines of content, each with its line end, which must be `end`; a line
// that is not ended is refused naming the file, unless `keepWholeOnly`, when
// it is left out.
std::vector<std::string> LinesEndingWith(const std::string &content, const std::string &end,
                                         const std::string &name, bool keepWholeOnly = false);

} // namespace morvane
