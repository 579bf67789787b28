// The files of a sweep as they are written and read back: every output is
// written under a temporary name beside its own and renamed once complete, so
// that a file under the final name is always a whole sweep; an interrupted
// sweep goes on from its temporary files; a Final record is checked against
// its table row and the sweep's parameters wherever records are taken back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "sweep/SweepRun.h"

namespace morvane {

// What a sweep finds of its outputs before it runs.
struct SweepStart {
  bool alreadyDone = false;   // the complete outputs of this very sweep exist
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

// New files written whole: each under its temporary name, all renamed by
// Complete once every one is. When destroyed before, the temporary files are
// removed, so that a retry starts afresh. Throws FileError (EEXIST when a
// file exists).
class NewFiles {
public:
  explicit NewFiles(std::vector<std::string> names);
  ~NewFiles();
  NewFiles(const NewFiles &) = delete;
  NewFiles &operator=(const NewFiles &) = delete;

  // Adds text to the k-th file (written in blocks).
  void Append(std::size_t k, std::string_view text);
  void Complete();

private:
  void Flush(std::size_t k);

  std::vector<std::string> names_;
  std::vector<std::string> pending_;
  bool complete_ = false;
};

// Renames the temporary Final file and table to their names.
void CompleteSweepOutputs(const SweepOptions &options);

// What a run of a sweep did.
struct SweepRun {
  bool alreadyDone = false;   // its complete outputs existed: nothing was run
  std::size_t pointsDone = 0; // points of the shard in the outputs
  std::size_t points = 0;     // points of the shard
  bool Complete() const { return pointsDone == points; }
};

// Runs the points of the shard, with their options as CheckSweepPoints
// makes them (RunShardPoints), on options.jobs threads, adding each point's record and row in grid
// order, as soon as those before it are done, to the Final file and the
// table under their temporary names (PartName), renamed once every point is
// in. With options.resume, goes on from the temporary files of an
// interrupted run. `progress`, when not null, receives a progress line
// rewritten in place. When `cancel` is set the run stops within moments:
// the points in hand are dropped (a resume runs them again), those done are
// written, and the temporary files are kept for a resume.
// Throws UsageError (outputs refused, see PrepareSweepOutputs) or FileError;
// the records written before stay in the temporary files.
SweepRun RunSweep(const SweepOptions &options, const SweepPoints &points, std::ostream *progress,
                  const std::atomic<bool> *cancel = nullptr);

// Checks a Final record (with its CR LF) against the table row (with its LF)
// of `point` and the parameters the plan gives that point: point, varied
// values, T, the four final values and every parameter of the record but
// the Plot file's name. Throws UsageError naming `where` (a file and line).
void CheckRecordAgainstRow(const SweepPoints &points, std::size_t point, const std::string &record,
                           const std::string &row, const std::string &where);

// The Final file and the table of one shard, given either of them: a Final
// file starts with the Final header, a table with "# morvane-sweep "; the
// other lies beside it. Throws UsageError for a file that is neither.
struct ShardFiles {
  std::string finalFile;
  std::string tableFile;
};
ShardFiles RecogniseShardFiles(const std::string &name);

// A file's whole content; UsageError when it cannot be read.
std::string ReadInput(const std::string &name);

// The lines of a file, each with its line end `end`, read a block at a time
// from byte `offset` on: what LinesEndingWith gives of that content, without
// holding it. With keepOpen false the file is closed between blocks (for a
// merge of many shards). Throws UsageError when the file cannot be read, as
// ReadInput does.
class LineReader {
public:
  LineReader(std::string name, std::string end, std::uint64_t offset = 0,
             std::size_t block = std::size_t(1) << 16, bool keepOpen = true);
  // The next line, with its end; false at the end of the file.
  bool Next(std::string &line);
  // After Next has returned false: whether the file ends in a line not ended.
  bool CutShort() const { return cutShort_; }
  // Throws the UsageError of LinesEndingWith for a file cut short.
  void RefuseCutShort() const;
  const std::string &Name() const { return name_; }

private:
  void Open();
  bool Fill();

  std::string name_, end_;
  std::uint64_t fileOffset_;
  std::size_t block_;
  bool keepOpen_;
  std::ifstream in_;
  std::string buffer_;
  std::size_t pos_ = 0;
  bool atEnd_ = false, cutShort_ = false;
};

// The lines of content, each with its line end, which must be `end`; a line
// that is not ended is refused naming the file, unless `keepWholeOnly`, when
// it is left out.
std::vector<std::string> LinesEndingWith(const std::string &content, const std::string &end,
                                         const std::string &name, bool keepWholeOnly = false);

} // namespace morvane
