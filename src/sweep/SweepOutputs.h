// The files of a sweep as they are written and read back: every output is
// written under a temporary name beside its own and renamed once complete, so
// that a file under the final name is always a whole sweep; an interrupted
// sweep goes on from its temporary files; a Final record is checked against
// its table row and the sweep's parameters wherever records are taken back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sweep/SweepExtend.h"
#include "sweep/SweepRun.h"

namespace morvane {

// The lock of one sweep's outputs: one process at a time runs, resumes or
// merges into the Final file named (and its table, map and temporary files).
// A lock file beside the Final file is held locked while the process lives:
// the system lets it go when the process ends, however it ends, so that a
// killed sweep leaves no lock behind. With a trace folder, the folder is
// locked too. Throws UsageError, naming the other process and its files,
// when either is held.
class SweepLock {
public:
  // `merge` tells what this process writes, for the next one to know.
  SweepLock(const std::string &finalFile, const std::string &traceDir, bool merge);
  ~SweepLock();
  SweepLock(const SweepLock &) = delete;
  SweepLock &operator=(const SweepLock &) = delete;
  // Whether the last process to hold the lock was a merge that did not end
  // (killed): the temporary files it left are its own.
  bool LeftByMerge() const { return leftByMerge_; }

private:
  void Release();

  std::string name_;
  int fd_ = -1, traceFd_ = -1;
  bool leftByMerge_ = false;
};

// A file written under its temporary name by this process alone: kept open
// while written, and checked before it is renamed to be the very file
// written (same device and inode), of the length written, holding the
// bytes written (a running checksum), so that a file put in its place is
// never taken for it.
class PartFile {
public:
  // Creates the file, which must not exist (FileError EEXIST).
  explicit PartFile(std::string name);
  // Goes on with an existing file after its first `length` bytes, of
  // checksum `sum` (see Checksum); what follows them is cut off.
  PartFile(std::string name, std::uint64_t length, std::uint64_t sum);
  ~PartFile();
  PartFile(const PartFile &) = delete;
  PartFile &operator=(const PartFile &) = delete;

  // Writes every byte of text; a write that fails is taken back whole
  // before FileError is thrown.
  void Append(std::string_view text);
  // Throws UsageError unless the file under the name is this one, whole.
  void Verify() const;
  const std::string &Name() const { return name_; }

  // The running checksum of a file's bytes: start with kChecksumStart.
  static constexpr std::uint64_t kChecksumStart = 14695981039346656037ull;
  static std::uint64_t Checksum(std::uint64_t sum, std::string_view bytes);

private:
  std::string name_;
  int fd_ = -1;
  std::uint64_t device_ = 0, inode_ = 0, length_ = 0, sum_ = kChecksumStart;
};

// What a sweep finds of its outputs before it runs.
struct SweepStart {
  bool alreadyDone = false;   // the complete outputs of this very sweep exist
  std::size_t pointsDone = 0; // points of the shard kept from an interrupted run
  // The temporary Final file and table, open to go on with (none when
  // already done).
  std::unique_ptr<PartFile> finalPart, tablePart;
  // With options.extend, the points taken over from another grid's run.
  std::unique_ptr<SweepTakeover> takeover;
};

// Gets the outputs of a sweep ready: complete outputs of the same sweep mean
// it is already done (every record checked against its row), and so does a
// whole table beside a whole temporary Final file (a run stopped between
// its two renames), once renamed; outputs of another sweep, or incomplete,
// are refused. With `resume`, the temporary outputs of an interrupted run of
// the same sweep are kept up to the last point whose record and row are both
// whole (each record checked against its row) and the rest is cut off;
// without it they are refused. Temporary outputs that hold no point yet
// (empty, or cut inside their first lines) are started again. Otherwise the
// temporary outputs are created with their first lines, in a trace folder
// that holds nothing yet. The caller holds the sweep's lock. Throws
// UsageError or FileError. With options.extend, outputs of another grid
// over the same parameters are taken over (SweepTakeover) and the temporary
// outputs of this sweep are gone on with as with `resume`.
SweepStart PrepareSweepOutputs(const SweepOptions &options, const SweepPoints &points, bool resume);

// Checks that a Final file and its table hold the points of the sweep
// `points`, shard of the plan, whole: the table's first lines, every record
// against its row, nothing more. Throws UsageError naming what is wrong.
void CheckSweepWhole(const SweepPoints &points, const std::string &finalFile,
                     const std::string &tableFile);

// New files written whole: each under its temporary name, all renamed by
// Complete once every one is, and checked. When destroyed before, the
// temporary files are removed, so that a retry starts afresh. Throws
// FileError (EEXIST when a file or its temporary file exists: a temporary
// file not made here is never removed).
class NewFiles {
public:
  explicit NewFiles(std::vector<std::string> names);
  ~NewFiles();
  NewFiles(const NewFiles &) = delete;
  NewFiles &operator=(const NewFiles &) = delete;

  // Adds text to the k-th file (written in blocks).
  void Append(std::size_t k, std::string_view text);
  // Writes what is pending and checks every file (PartFile::Verify).
  void Flush();
  void Complete();

private:
  void Flush(std::size_t k);

  std::vector<std::string> names_;
  std::vector<std::unique_ptr<PartFile>> files_;
  std::vector<std::string> pending_;
  bool complete_ = false;
};

// What a run of a sweep did.
struct SweepRun {
  bool alreadyDone = false;   // its complete outputs existed: nothing was run
  std::size_t pointsDone = 0; // points of the shard in the outputs
  std::size_t points = 0;     // points of the shard
  std::size_t pointsKept = 0; // of those, taken over from another grid (--extend)
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
// The run holds the sweep's lock (SweepLock) throughout, and `whenWhole`,
// when given, is called under it once the outputs are whole (written or
// already done). Throws UsageError (outputs refused, see
// PrepareSweepOutputs) or FileError; the records written before stay in the
// temporary files.
SweepRun RunSweep(const SweepOptions &options, const SweepPoints &points, std::ostream *progress,
                  const std::atomic<bool> *cancel = nullptr,
                  const std::function<void(bool alreadyDone)> &whenWhole = {});

// Checks a Final record (with its CR LF) against the table row (with its LF)
// of `point` and the parameters the plan gives that point: point, varied
// values, T, the four final values and every parameter of the record, the
// Plot file's name the one this sweep gives the point; every number of the
// row in the very text the sweep writes for it, converged "yes" or "no".
// Throws UsageError naming `where` (a file and line).
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
