#include "sweep/SweepOutputs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "analysis/AnalysisTables.h"
#include "engine/Series.h"
#include "files/FinalFile.h"
#include "files/LineText.h"
#include "files/NumberFormat.h"
#include "files/TextFile.h"
#include "sweep/SweepNames.h"

namespace morvane {

namespace {

[[noreturn]] void Refuse(const std::string &message) { throw UsageError(message); }

// The fields of a line without its line end.
std::vector<std::string_view> FieldsOf(const std::string &line, std::size_t lineEnd) {
  return TabFields(std::string_view(line).substr(0, line.size() - lineEnd));
}

// Cuts a file to its first `bytes` bytes.
void CutTo(const std::string &name, std::size_t bytes) {
  if (::truncate(name.c_str(), static_cast<off_t>(bytes)) != 0)
    throw FileError(errno, name);
}

// The points of the shard: K, K + N, K + 2N ...
std::size_t ShardPointCount(const SweepPlan &plan) {
  return (plan.Points() + plan.shardCount - 1 - plan.shardIndex) / plan.shardCount;
}

std::size_t ShardPoint(const SweepPlan &plan, std::size_t k) {
  return plan.shardIndex + k * plan.shardCount;
}

// The first `size` bytes of a file (fewer when it is shorter); UsageError
// when it cannot be read, as ReadInput.
std::string FileStart(const std::string &name, std::size_t size) {
  std::ifstream in(name, std::ios::binary);
  if (!in)
    throw UsageError("cannot read " + name + ": " + IoErrorMessage(errno));
  std::string start(size, '\0');
  in.read(&start[0], static_cast<std::streamsize>(size));
  if (in.bad())
    throw UsageError("cannot read " + name + ": " + IoErrorMessage(errno));
  start.resize(static_cast<std::size_t>(in.gcount()));
  return start;
}

// Whether a file holds no more than the beginning of `start` (or is
// missing): made, and stopped before its first lines were whole.
bool HoldsStartOnly(const std::string &name, const std::string &start) {
  if (!FileExists(name))
    return true;
  const std::string held = FileStart(name, start.size() + 1);
  return held.size() <= start.size() && start.compare(0, held.size(), held) == 0;
}

// Refuses a table that does not start with this sweep's first lines, naming
// a table whose lines end with CR LF as such.
void CheckTableStart(const std::string &table, const std::string &start,
                     const std::string &refusal) {
  const std::string held = FileStart(table, start.size() + 1);
  if (held.compare(0, start.size(), start) == 0)
    return;
  const std::size_t lf = held.find('\n');
  if (lf != std::string::npos && lf > 0 && held[lf - 1] == '\r')
    Refuse(table + " is a sweep's table whose lines end with CR LF (was it saved by another "
                   "program?): a table's lines end with LF alone");
  Refuse(refusal);
}

void CheckFinalStart(const std::string &finalFile) {
  if (FileStart(finalFile, FinalHeaderLine().size()) != FinalHeaderLine())
    Refuse(finalFile + " is not a Final file (its first line is not the header)");
}

// What a Final file and its table hold after their first lines (which the
// caller checked): the points of the shard whose record and row are both
// whole, each record checked against its row, and whether more follows.
struct HeldPoints {
  std::size_t points = 0;
  std::uint64_t finalBytes = 0, tableBytes = 0; // first lines and those points
  std::uint64_t finalSum = PartFile::kChecksumStart, tableSum = PartFile::kChecksumStart;
  bool more = false; // a line, whole or not, after those points
};

HeldPoints ReadHeldPoints(const SweepPoints &points, const std::string &finalFile,
                          const std::string &tableFile) {
  const SweepPlan &plan = points.Plan();
  const std::string finalStart = FinalHeaderLine(), tableStart = TableStart(plan);
  HeldPoints held;
  held.finalBytes = finalStart.size();
  held.tableBytes = tableStart.size();
  held.finalSum = PartFile::Checksum(held.finalSum, finalStart);
  held.tableSum = PartFile::Checksum(held.tableSum, tableStart);
  LineReader records(finalFile, "\r\n", finalStart.size());
  LineReader rows(tableFile, "\n", tableStart.size());
  const std::size_t count = ShardPointCount(plan);
  std::string record, row;
  while (held.points < count && records.Next(record)) {
    if (!rows.Next(row)) {
      held.more = true;
      break;
    }
    CheckRecordAgainstRow(points, ShardPoint(plan, held.points), record, row,
                          finalFile + ", line " + std::to_string(held.points + 2));
    ++held.points;
    held.finalBytes += record.size();
    held.tableBytes += row.size();
    held.finalSum = PartFile::Checksum(held.finalSum, record);
    held.tableSum = PartFile::Checksum(held.tableSum, row);
  }
  held.more =
      held.more || records.Next(record) || records.CutShort() || rows.Next(row) || rows.CutShort();
  return held;
}

// Refuses to go on with a temporary table of this sweep run with another
// --analyse or --starts, saying so; any other table is left to the check of
// its first lines.
void RefuseOtherAnalysis(const std::string &partTable, const SweepPlan &plan) {
  LineReader lines(partTable, "\n", 0, 4096);
  std::string first;
  if (!lines.Next(first) || !StartsWith(first, kSweepTableMark))
    return;
  SweepPlan held;
  try {
    held = ParseSweepDescription(
        first.substr(kSweepTableMark.size(), first.size() - kSweepTableMark.size() - 1));
  } catch (const UsageError &) {
    return;
  }
  if (!SameSweepButAnalysis(held, plan))
    return;
  const auto words = [](const SweepPlan &p) {
    const std::string w = AnalysisWords(p);
    return w.empty() ? std::string("without --analyse") : "with" + w;
  };
  Refuse(partTable + " holds this sweep run " + words(held) + ": it cannot be resumed " +
         words(plan) + " (resume it " + words(held) +
         ", or remove its temporary files to start "
         "again)");
}

// Goes on from the temporary outputs of an interrupted run: keeps the points
// whose record and row are both whole and agree, cuts off the rest. A file
// missing or cut inside its first lines gets them again.
SweepStart ResumeFrom(const SweepPoints &points, const std::string &partFinal,
                      const std::string &partTable) {
  const std::string tableStart = TableStart(points.Plan());
  for (const auto &[name, start] :
       {std::pair(partFinal, FinalHeaderLine()), std::pair(partTable, tableStart)}) {
    if (HoldsStartOnly(name, start)) {
      if (!FileExists(name) && !CreateNewFile(name))
        throw FileError(EEXIST, name);
      CutTo(name, 0);
      PartFile(name, 0, PartFile::kChecksumStart).Append(start);
    }
  }
  RefuseOtherAnalysis(partTable, points.Plan());
  CheckTableStart(partTable, tableStart,
                  partTable + " holds another sweep: it cannot be resumed with these options");
  CheckFinalStart(partFinal);
  const HeldPoints held = ReadHeldPoints(points, partFinal, partTable);
  SweepStart start;
  start.pointsDone = held.points;
  start.finalPart = std::make_unique<PartFile>(partFinal, held.finalBytes, held.finalSum);
  start.tablePart = std::make_unique<PartFile>(partTable, held.tableBytes, held.tableSum);
  return start;
}

void Rename(const std::string &from, const std::string &to) {
  if (std::rename(from.c_str(), to.c_str()) != 0)
    throw FileError(errno, to);
}

// Whether a folder holds anything (a missing one does not).
bool HoldsFiles(const std::string &folder) {
  std::error_code error;
  return std::filesystem::exists(folder, error) && !std::filesystem::is_empty(folder, error) &&
         !error;
}

// Reads what a file holds from its start (the holder of a lock).
std::string Content(int fd) {
  std::string text;
  char block[256];
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(fd, block, sizeof block, at);
    if (n <= 0)
      return text;
    text.append(block, static_cast<std::size_t>(n));
    at += n;
  }
}

// Refuses a trace of `bytes` bytes that the trace folder's file system has
// no room for, counting the files in it, which the points run again write
// over.
void CheckTraceRoom(const std::string &traceDir, std::uint64_t bytes) {
  std::error_code error;
  const std::filesystem::space_info space = std::filesystem::space(traceDir, error);
  if (error)
    return;
  std::uint64_t held = 0;
  for (const auto &entry : std::filesystem::directory_iterator(traceDir, error))
    if (entry.is_regular_file(error))
      held += entry.file_size(error);
  if (bytes <= space.available + held)
    return;
  const auto mb = [](double b) {
    char text[40];
    std::snprintf(text, sizeof text, b < 1e7 ? "%.2f MB" : "%.0f MB", b / 1e6);
    return std::string(text);
  };
  const std::string text = "the trace files would take about " + mb(static_cast<double>(bytes)) +
                           " (their points' series run without them tell), and its file system "
                           "has " +
                           mb(static_cast<double>(space.available)) + " free";
  Refuse("--trace-dir " + traceDir + ": " + text + ": make room or choose another folder");
}

} // namespace

SweepLock::SweepLock(const std::string &finalFile, const std::string &traceDir, bool merge)
    : name_(finalFile + ".lock") {
  const std::string files = PartName(finalFile) + " and " + PartName(SweepTableName(finalFile)) +
                            " (then " + finalFile + " and " + SweepTableName(finalFile) + ")";
  for (;;) {
    int fd;
    do {
      fd = ::open(name_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
      // A folder this process cannot write to: it writes nothing there
      // either, and what it reads needs no lock.
      if (errno == EACCES || errno == EROFS)
        break;
      throw FileError(errno, name_);
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      const std::string holder = Content(fd);
      ::close(fd);
      if (error != EWOULDBLOCK)
        throw FileError(error, name_);
      const std::string pid = holder.substr(0, holder.find(' '));
      Refuse("another morvane-sweep" + (pid.empty() ? "" : " (process " + pid + ")") +
             " is writing " + files +
             ": one process at a time may run, resume or merge into "
             "them; wait until it ends (its lock is " +
             name_ + ")");
    }
    // The file may have been removed by its last holder between the open
    // and the lock: only the file under the name counts.
    struct stat held, named;
    if (::fstat(fd, &held) == 0 && ::stat(name_.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
      fd_ = fd;
      break;
    }
    ::close(fd);
  }
  if (fd_ >= 0) {
    // Left by a process that did not end (a clean end removes the file).
    leftByMerge_ = Content(fd_).find(" merge") != std::string::npos;
    const std::string holder = std::to_string(::getpid()) + (merge ? " merge\n" : " sweep\n");
    if (::ftruncate(fd_, 0) != 0 ||
        ::pwrite(fd_, holder.data(), holder.size(), 0) != static_cast<ssize_t>(holder.size())) {
      const int error = errno;
      Release();
      throw FileError(error, name_);
    }
  }
  if (!traceDir.empty()) {
    traceFd_ = ::open(traceDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (traceFd_ < 0 || ::flock(traceFd_, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      Release();
      if (error != EWOULDBLOCK)
        throw FileError(error, traceDir);
      Refuse("--trace-dir " + traceDir +
             " is being written by another morvane-sweep: the trace files of a sweep need a "
             "folder of their own");
    }
  }
}

void SweepLock::Release() {
  if (traceFd_ >= 0)
    ::close(traceFd_);
  traceFd_ = -1;
  if (fd_ >= 0) {
    // Removed while held: whoever opened it meanwhile finds it gone once
    // it has the lock, and opens the name again.
    ::unlink(name_.c_str());
    ::close(fd_);
  }
  fd_ = -1;
}

SweepLock::~SweepLock() { Release(); }

std::uint64_t PartFile::Checksum(std::uint64_t sum, std::string_view bytes) {
  for (unsigned char byte : bytes)
    sum = (sum ^ byte) * 1099511628211ull;
  return sum;
}

namespace {

int OpenForAppending(const std::string &name, int flags) {
  int fd;
  do {
    fd = ::open(name.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0)
    throw FileError(errno, name);
  return fd;
}

} // namespace

PartFile::PartFile(std::string name) : name_(std::move(name)) {
  fd_ = OpenForAppending(name_, O_CREAT | O_EXCL);
  struct stat st;
  ::fstat(fd_, &st);
  device_ = st.st_dev;
  inode_ = st.st_ino;
}

PartFile::PartFile(std::string name, std::uint64_t length, std::uint64_t sum)
    : name_(std::move(name)), length_(length), sum_(sum) {
  fd_ = OpenForAppending(name_, 0);
  struct stat st;
  if (::fstat(fd_, &st) != 0 || ::ftruncate(fd_, static_cast<off_t>(length)) != 0) {
    const int error = errno;
    ::close(fd_);
    throw FileError(error, name_);
  }
  device_ = st.st_dev;
  inode_ = st.st_ino;
}

PartFile::~PartFile() {
  if (fd_ >= 0)
    ::close(fd_);
}

void PartFile::Append(std::string_view text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR)
      continue;
    const int error = n < 0 ? errno : ENOSPC;
    if (::ftruncate(fd_, static_cast<off_t>(length_)) != 0) {
      // Left longer than written: Verify refuses it, a resume cuts it.
    }
    throw FileError(error, name_);
  }
  length_ += text.size();
  sum_ = Checksum(sum_, text);
}

void PartFile::Verify() const {
  const std::string refusal = name_ + " is no longer the file this process wrote (";
  struct stat st;
  if (::stat(name_.c_str(), &st) != 0)
    Refuse(refusal + "it is gone): nothing was renamed");
  if (st.st_dev != device_ || st.st_ino != inode_)
    Refuse(refusal + "another file was put in its place): nothing was renamed");
  if (static_cast<std::uint64_t>(st.st_size) != length_)
    Refuse(refusal + "its length changed): nothing was renamed");
  std::ifstream in(name_, std::ios::binary);
  std::uint64_t sum = kChecksumStart;
  std::string block(std::size_t(1) << 20, '\0');
  while (in) {
    in.read(&block[0], static_cast<std::streamsize>(block.size()));
    sum = Checksum(sum, std::string_view(block.data(), static_cast<std::size_t>(in.gcount())));
  }
  if (in.bad() || sum != sum_)
    Refuse(refusal + "its bytes changed): nothing was renamed");
}

void CheckSweepWhole(const SweepPoints &points, const std::string &finalFile,
                     const std::string &tableFile) {
  const SweepPlan &plan = points.Plan();
  CheckTableStart(tableFile, TableStart(plan), tableFile + " is another sweep's table");
  CheckFinalStart(finalFile);
  const HeldPoints held = ReadHeldPoints(points, finalFile, tableFile);
  const std::size_t count = ShardPointCount(plan);
  if (held.points != count || held.more)
    Refuse(finalFile + " and " + tableFile + " hold " + std::to_string(held.points) +
           " whole points of the " + std::to_string(count) + " of the sweep" +
           (held.more ? " and more lines after them" : ""));
}

SweepStart PrepareSweepOutputs(const SweepOptions &o, const SweepPoints &points, bool resume) {
  std::unique_ptr<SweepTakeover> takeover = o.extend ? SweepTakeover::Prepare(o, points) : nullptr;
  // Taken over: the earlier outputs are read, and written over once the new
  // ones are whole.
  const auto withTakeover = [&](SweepStart start) {
    if (takeover)
      takeover->SkipDone(start.pointsDone);
    start.takeover = std::move(takeover);
    return start;
  };
  const std::string partFinal = PartName(o.finalFile);
  const std::string partTable = PartName(o.tableFile);
  const bool finalThere = !takeover && FileExists(o.finalFile);
  const bool tableThere = !takeover && FileExists(o.tableFile);
  if (finalThere || tableThere) {
    // Stopped between its two renames: the table is in place, the Final
    // file still under its temporary name.
    const bool betweenRenames =
        tableThere && !finalThere && FileExists(partFinal) && !FileExists(partTable);
    std::string why;
    if (!tableThere || (!finalThere && !betweenRenames)) {
      why = (tableThere ? o.finalFile : o.tableFile) + " is missing";
    } else {
      try {
        CheckSweepWhole(points, betweenRenames ? partFinal : o.finalFile, o.tableFile);
      } catch (const UsageError &e) {
        why = e.what();
      }
    }
    const std::string &there = finalThere ? o.finalFile : o.tableFile;
    if (!why.empty()) {
      try {
        if (const std::optional<SweepExtension> extension = ExtensionOf(o))
          why += "\n  it holds this sweep on another grid: --extend keeps " +
                 std::to_string(extension->kept) + " of its points and runs " +
                 std::to_string(extension->run);
      } catch (const UsageError &) {
        // Another sweep: nothing to keep.
      }
      Refuse(there +
             " exists and does not hold this sweep whole: morvane-sweep writes new files "
             "only (remove it or choose another name)\n  " +
             why);
    }
    if (betweenRenames)
      Rename(partFinal, o.finalFile);
    SweepStart done;
    done.alreadyDone = true;
    return done;
  }
  const std::string tableStart = TableStart(o.plan);
  if (FileExists(partFinal) || FileExists(partTable)) {
    if (!resume && !takeover)
      Refuse(partFinal + " holds an interrupted run: give --resume to go on from it, or remove " +
             partFinal + " and " + partTable + " to start again");
    return withTakeover(ResumeFrom(points, partFinal, partTable));
  }
  if (HoldsFiles(o.traceDir))
    Refuse("--trace-dir " + o.traceDir +
           " holds files already, not this sweep's: the trace files of a sweep need a folder of "
           "their own (empty or new)");
  SweepStart start;
  start.finalPart = std::make_unique<PartFile>(partFinal);
  start.finalPart->Append(FinalHeaderLine());
  start.tablePart = std::make_unique<PartFile>(partTable);
  start.tablePart->Append(tableStart);
  return withTakeover(std::move(start));
}

NewFiles::NewFiles(std::vector<std::string> names)
    : names_(std::move(names)), pending_(names_.size()) {
  for (const std::string &name : names_)
    if (FileExists(name))
      throw FileError(EEXIST, name);
  try {
    for (const std::string &name : names_)
      files_.push_back(std::make_unique<PartFile>(PartName(name)));
  } catch (...) {
    for (const std::unique_ptr<PartFile> &file : files_)
      std::remove(file->Name().c_str());
    throw;
  }
}

NewFiles::~NewFiles() {
  if (!complete_)
    for (const std::unique_ptr<PartFile> &file : files_)
      std::remove(file->Name().c_str());
}

void NewFiles::Append(std::size_t k, std::string_view text) {
  pending_[k] += text;
  if (pending_[k].size() >= (std::size_t(1) << 20))
    Flush(k);
}

void NewFiles::Flush(std::size_t k) {
  files_[k]->Append(pending_[k]);
  pending_[k].clear();
}

void NewFiles::Flush() {
  for (std::size_t k = 0; k < names_.size(); ++k) {
    Flush(k);
    files_[k]->Verify();
  }
}

void NewFiles::Complete() {
  Flush();
  for (std::size_t k = 0; k < names_.size(); ++k)
    Rename(files_[k]->Name(), names_[k]);
  complete_ = true;
}

SweepRun RunSweep(const SweepOptions &o, const SweepPoints &points, std::ostream *progressOut,
                  const std::atomic<bool> *cancel,
                  const std::function<void(bool alreadyDone)> &whenWhole) {
  const SweepPlan &plan = o.plan;
  SweepRun run;
  run.points = ShardPointCount(plan);
  const bool madeTraceDir = !o.traceDir.empty() && ::mkdir(o.traceDir.c_str(), 0777) == 0;
  if (!o.traceDir.empty() && !madeTraceDir && errno != EEXIST)
    throw FileError(errno, o.traceDir);
  std::optional<SweepLock> lock;
  SweepStart start;
  try {
    lock.emplace(o.finalFile, o.traceDir, false);
    if (!o.traceDir.empty() && !FileExists(o.finalFile) && !FileExists(o.tableFile)) {
      const std::optional<std::uint64_t> bytes = TraceBytes(o, points, cancel);
      if (!bytes)
        return run;
      CheckTraceRoom(o.traceDir, *bytes);
    }
    start = PrepareSweepOutputs(o, points, o.resume);
  } catch (const UsageError &) {
    if (madeTraceDir) // a refused sweep leaves nothing behind
      ::rmdir(o.traceDir.c_str());
    throw;
  }
  if (start.alreadyDone) {
    run.alreadyDone = true;
    run.pointsDone = run.points;
  } else {
    // Points kept from an interrupted run are not run again.
    // Points kept from an interrupted run, or taken over, are not run again.
    SweepTakeover *const takeover = start.takeover.get();
    const std::vector<std::size_t> toRun =
        takeover ? takeover->PointsToRun(start.pointsDone) : std::vector<std::size_t>();
    const std::size_t left = takeover ? toRun.size() : run.points - start.pointsDone;
    PartFile &finalPart = *start.finalPart, &tablePart = *start.tablePart;
    std::size_t ran = 0;
    const std::size_t written = RunShardPoints(
        o, points, takeover ? 0 : start.pointsDone, left,
        [&](std::vector<SweepPointResult> &batch) {
          std::string records, table;
          for (const SweepPointResult &r : batch) {
            if (takeover)
              run.pointsKept += takeover->TakeBefore(toRun[ran++], records, table);
            records += r.record;
            table += r.row;
          }
          finalPart.Append(records);
          tablePart.Append(table);
        },
        progressOut, cancel, takeover ? &toRun : nullptr);
    if (takeover && written == left) {
      std::string records, table;
      run.pointsKept += takeover->TakeBefore(SIZE_MAX, records, table);
      finalPart.Append(records);
      tablePart.Append(table);
    }
    run.pointsDone = start.pointsDone + written + run.pointsKept;
    if (written < left)
      return run;
    finalPart.Verify();
    tablePart.Verify();
    Rename(tablePart.Name(), o.tableFile);
    Rename(finalPart.Name(), o.finalFile);
    if (takeover)
      takeover->Finish();
  }
  if (whenWhole)
    whenWhole(run.alreadyDone);
  return run;
}

void CheckRecordAgainstRow(const SweepPoints &points, std::size_t point, const std::string &record,
                           const std::string &row, const std::string &where) {
  const SweepPlan &plan = points.Plan();
  const std::string what = where + ": the record of point " + std::to_string(point);
  const std::vector<std::string_view> fields = FieldsOf(row, 1);
  const std::size_t axes = plan.axes.size();
  if (fields.size() != SweepTableWidth(plan) || fields[0] != std::to_string(point))
    Refuse(what + " has no matching row in its table");
  const std::array<std::size_t, 2> at = plan.Coordinates(point);
  for (std::size_t a = 0; a < axes; ++a)
    if (fields[1 + a] != plan.axes[a].shown[at[a]])
      Refuse(what + ": its table row is not that point's");

  // The record the point's parameters and the row's results make.
  const RunnerOptions options = points.Options(point);
  const bool clonal = plan.model == Model::Clonal;
  SimState s;
  ChooseModel(s, plan.model);
  StoreSeriesInput(s, plan.model, options.params, options.tradeOff, options.ess, options.start);
  const std::optional<long long> generation = ReadTypedCount(fields[1 + axes]);
  double *values[4] = {clonal ? &s.X[1] : &s.FreqA, clonal ? &s.X[2] : &s.FreqB,
                       clonal ? &s.X[3] : &s.DG, clonal ? &s.X[4] : &s.Fit};
  bool read = generation && *generation >= 0;
  for (int k = 0; read && k < 4; ++k) {
    const std::optional<double> v = TextToReal(fields[2 + axes + k]);
    read = v.has_value();
    *values[k] = v.value_or(0);
  }
  if (!read)
    Refuse(what + ": its table row is damaged");
  // Every number as the sweep writes it, so that no edited value passes for
  // the one it reads as.
  const auto written = [&](std::size_t field, const std::string &text) {
    if (fields[field] != text)
      Refuse(what + ": its table row holds " + std::string(fields[field]) +
             " where the sweep writes " + text);
  };
  std::string t;
  AppendInteger(t, *generation);
  written(1 + axes, t);
  for (int k = 0; k < 4; ++k)
    written(2 + axes + static_cast<std::size_t>(k), RealToText(*values[k]));
  if (fields[6 + axes] != "yes" && fields[6 + axes] != "no")
    Refuse(what + ": its table row holds " + std::string(fields[6 + axes]) +
           " where converged is yes or no");
  if (plan.analyse &&
      (!analysis::IsOutcomeCells({fields.begin() + 7 + axes, fields.end()}, plan.starts > 0) ||
       (fields[6 + axes] == "no" && fields[7 + axes] != "not converged")))
    Refuse(what + ": its table row's analysis columns are not those the sweep writes");
  // A point is cut only by the cap on a run's generations: without one, or
  // when its only run ended below it, the point converged.
  const std::optional<std::uint32_t> cap = options.maxGenerations;
  // (Generations are counted on from run to run: only a single run's is
  // bounded by the cap.)
  if ((cap && options.disturbances.empty() && *generation > static_cast<long long>(*cap)) ||
      (fields[6 + axes] == "no" &&
       (!cap || (options.disturbances.empty() && *generation < static_cast<long long>(*cap)))))
    Refuse(what + ": its table row says T = " + std::string(fields[1 + axes]) + ", converged " +
           std::string(fields[6 + axes]) + ", which its series cannot have given");
  s.Generation = static_cast<std::uint32_t>(*generation);
  // The Plot file's name the sweep gives the point.
  s.PlotFileName = plan.traceDir.empty() ? options.plotFile
                                         : TraceName(plan.traceDir, plan.Points(), point) + ".plo";
  const std::string expected = FinalRecordLine(s, clonal);
  const std::vector<std::string_view> got = FieldsOf(record, 2);
  const std::vector<std::string_view> want = FieldsOf(expected, 2);
  const std::string header = FinalHeaderLine();
  const std::vector<std::string_view> names = FieldsOf(header, 2);
  if (got.size() != want.size() || record.size() < 2 ||
      record.compare(record.size() - 2, 2, "\r\n"))
    Refuse(what + " is not a whole record");
  for (std::size_t k = 0; k < want.size(); ++k)
    if (got[k] != want[k])
      Refuse(what + " does not match its sweep and its table row: " + std::string(names[k]) +
             " is " + std::string(got[k]) + " where " + std::string(want[k]) + " was expected");
}

ShardFiles RecogniseShardFiles(const std::string &name) {
  // The first line tells, up to its LF.
  LineReader lines(name, "\n", 0, 4096);
  std::string firstLine;
  if (!lines.Next(firstLine))
    firstLine.clear();
  const std::string &content = firstLine;
  if (StartsWith(content, FinalHeaderLine()))
    return {name, SweepTableName(name)};
  if (StartsWith(firstLine, kSweepTableMark)) {
    if (HasEnding(firstLine, "\r\n"))
      Refuse(name + " is a sweep's table whose lines end with CR LF (was it saved by another "
                    "program?): a table's lines end with LF alone");
    const std::string base =
        HasEnding(name, ".tsv") ? name.substr(0, name.size() - 4) + ".mrv" : name + ".mrv";
    return {base, name};
  }
  Refuse(name + " is neither a Final file nor a sweep's table");
}

std::string ReadInput(const std::string &name) {
  std::ifstream in(name, std::ios::binary);
  if (!in)
    throw UsageError("cannot read " + name + ": " + IoErrorMessage(errno));
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad())
    throw UsageError("cannot read " + name + ": " + IoErrorMessage(errno));
  return content;
}

LineReader::LineReader(std::string name, std::string end, std::uint64_t offset, std::size_t block,
                       bool keepOpen)
    : name_(std::move(name)), end_(std::move(end)), fileOffset_(offset), block_(block),
      keepOpen_(keepOpen) {
  Open();
  if (!keepOpen_)
    in_.close();
}

void LineReader::Open() {
  in_.open(name_, std::ios::binary);
  if (!in_ || !in_.seekg(static_cast<std::streamoff>(fileOffset_)))
    throw UsageError("cannot read " + name_ + ": " + IoErrorMessage(errno));
}

bool LineReader::Fill() {
  if (atEnd_)
    return false;
  if (!in_.is_open())
    Open();
  buffer_.erase(0, pos_);
  pos_ = 0;
  const std::size_t had = buffer_.size();
  buffer_.resize(had + block_);
  in_.read(&buffer_[had], static_cast<std::streamsize>(block_));
  if (in_.bad())
    throw UsageError("cannot read " + name_ + ": " + IoErrorMessage(errno));
  const std::size_t got = static_cast<std::size_t>(in_.gcount());
  buffer_.resize(had + got);
  fileOffset_ += got;
  atEnd_ = got < block_;
  if (!keepOpen_ || atEnd_)
    in_.close();
  return got > 0;
}

bool LineReader::Next(std::string &line) {
  for (std::size_t from = pos_;;) {
    const std::size_t at = buffer_.find(end_, from);
    if (at != std::string::npos) {
      line.assign(buffer_, pos_, at + end_.size() - pos_);
      pos_ = at + end_.size();
      return true;
    }
    // The line end may straddle two blocks.
    const std::size_t pending = buffer_.size() - pos_;
    if (!Fill()) {
      cutShort_ = pos_ < buffer_.size();
      return false;
    }
    from = pending - std::min(pending, end_.size() - 1);
  }
}

void LineReader::RefuseCutShort() const {
  throw UsageError(name_ + " ends in the middle of a line: was its sweep cut short?");
}

std::vector<std::string> LinesEndingWith(const std::string &content, const std::string &end,
                                         const std::string &name, bool keepWholeOnly) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    const std::size_t at = content.find(end, start);
    if (at == std::string::npos) {
      if (keepWholeOnly)
        break;
      throw UsageError(name + " ends in the middle of a line: was its sweep cut short?");
    }
    lines.push_back(content.substr(start, at + end.size() - start));
    start = at + end.size();
  }
  return lines;
}

} // namespace morvane
