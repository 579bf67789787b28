#include "sweep/SweepOutputs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

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

void CreateWithContent(const std::string &name, const std::string &content) {
  if (!CreateNewFile(name))
    throw FileError(EEXIST, name);
  AppendToFile(name, content);
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

// The whole lines of a file after its first `skip` bytes.
std::size_t CountWholeLines(const std::string &name, const std::string &end, std::size_t skip) {
  LineReader lines(name, end, skip);
  std::size_t n = 0;
  for (std::string line; lines.Next(line);)
    ++n;
  return n;
}

// Whether the files under the final names hold this sweep whole: the table's
// first lines are this sweep's and both files hold every point of the shard.
bool HoldsThisSweepWhole(const SweepOptions &o) {
  if (!FileExists(o.finalFile) || !FileExists(o.tableFile))
    return false;
  const std::string start = TableStart(o.plan);
  if (FileStart(o.tableFile, start.size()) != start)
    return false;
  if (FileStart(o.finalFile, FinalHeaderLine().size()) != FinalHeaderLine())
    return false;
  const std::size_t n = ShardPointCount(o.plan);
  return CountWholeLines(o.tableFile, "\n", start.size()) == n &&
         CountWholeLines(o.finalFile, "\r\n", FinalHeaderLine().size()) == n;
}

// Cuts a file to its first `bytes` bytes.
void CutTo(const std::string &name, std::size_t bytes) {
  if (::truncate(name.c_str(), static_cast<off_t>(bytes)) != 0)
    throw FileError(errno, name);
}

// Goes on from the temporary outputs of an interrupted run: keeps the points
// whose record and row are both whole and agree, cuts off the rest.
std::size_t ResumeFrom(const SweepOptions &o, const std::string &partFinal,
                       const std::string &partTable) {
  if (FileExists(partFinal) && !FileExists(partTable)) {
    // Stopped while its outputs were being made (the Final file comes
    // first): no point was written, so the run starts again from nothing.
    const std::string header = FinalHeaderLine();
    const std::string held = FileStart(partFinal, header.size() + 1);
    if (held.size() <= header.size() && header.compare(0, held.size(), held) == 0) {
      std::remove(partFinal.c_str());
      CreateWithContent(partFinal, header);
      CreateWithContent(partTable, TableStart(o.plan));
      return 0;
    }
  }
  if (!FileExists(partFinal) || !FileExists(partTable))
    Refuse("only one of " + partFinal + " and " + partTable +
           " exists: the interrupted run cannot be resumed (remove it to start again)");
  const std::string start = TableStart(o.plan);
  if (FileStart(partTable, start.size()) != start)
    Refuse(partTable + " holds another sweep: it cannot be resumed with these options");
  if (FileStart(partFinal, FinalHeaderLine().size()) != FinalHeaderLine())
    Refuse(partFinal + " is not a Final file (its first line is not the header)");
  LineReader rows(partTable, "\n", start.size());
  LineReader records(partFinal, "\r\n", FinalHeaderLine().size());
  const SweepPoints points(o.plan);
  const std::size_t count = ShardPointCount(o.plan);
  std::size_t kept = 0;
  std::size_t finalBytes = FinalHeaderLine().size();
  std::size_t tableBytes = start.size();
  for (std::string row, record; kept < count && rows.Next(row) && records.Next(record); ++kept) {
    CheckRecordAgainstRow(points, ShardPoint(o.plan, kept), record, row,
                          partFinal + ", line " + std::to_string(kept + 2));
    finalBytes += record.size();
    tableBytes += row.size();
  }
  CutTo(partFinal, finalBytes);
  CutTo(partTable, tableBytes);
  return kept;
}

void Rename(const std::string &from, const std::string &to) {
  if (std::rename(from.c_str(), to.c_str()) != 0)
    throw FileError(errno, to);
}

} // namespace

SweepStart PrepareSweepOutputs(const SweepOptions &o, bool resume) {
  if (FileExists(o.finalFile) || FileExists(o.tableFile)) {
    if (HoldsThisSweepWhole(o))
      return {true, 0};
    const std::string &there = FileExists(o.finalFile) ? o.finalFile : o.tableFile;
    Refuse(there + " exists and does not hold this sweep whole: morvane-sweep writes new files "
                   "only (remove it or choose another name)");
  }
  const std::string partFinal = PartName(o.finalFile);
  const std::string partTable = PartName(o.tableFile);
  if (FileExists(partFinal) || FileExists(partTable)) {
    if (!resume)
      Refuse(partFinal + " holds an interrupted run: give --resume to go on from it, or remove " +
             partFinal + " and " + partTable + " to start again");
    return {false, ResumeFrom(o, partFinal, partTable)};
  }
  CreateWithContent(partFinal, FinalHeaderLine());
  CreateWithContent(partTable, TableStart(o.plan));
  return {};
}

NewFiles::NewFiles(std::vector<std::string> names)
    : names_(std::move(names)), pending_(names_.size()) {
  for (const std::string &name : names_) {
    if (FileExists(name))
      throw FileError(EEXIST, name);
    std::remove(PartName(name).c_str()); // left by a merge that was killed
  }
  try {
    for (const std::string &name : names_)
      if (!CreateNewFile(PartName(name)))
        throw FileError(EEXIST, PartName(name));
  } catch (...) {
    for (const std::string &name : names_)
      std::remove(PartName(name).c_str());
    throw;
  }
}

NewFiles::~NewFiles() {
  if (!complete_)
    for (const std::string &name : names_)
      std::remove(PartName(name).c_str());
}

void NewFiles::Append(std::size_t k, std::string_view text) {
  pending_[k] += text;
  if (pending_[k].size() >= (std::size_t(1) << 20))
    Flush(k);
}

void NewFiles::Flush(std::size_t k) {
  AppendToFile(PartName(names_[k]), pending_[k]);
  pending_[k].clear();
}

void NewFiles::Complete() {
  for (std::size_t k = 0; k < names_.size(); ++k)
    Flush(k);
  for (const std::string &name : names_)
    Rename(PartName(name), name);
  complete_ = true;
}

void CompleteSweepOutputs(const SweepOptions &o) {
  Rename(PartName(o.tableFile), o.tableFile);
  Rename(PartName(o.finalFile), o.finalFile);
}

SweepRun RunSweep(const SweepOptions &o, const SweepPoints &points, std::ostream *progressOut,
                  const std::atomic<bool> *cancel) {
  const SweepPlan &plan = o.plan;
  SweepRun run;
  run.points = (plan.Points() + plan.shardCount - 1 - plan.shardIndex) / plan.shardCount;
  if (!o.traceDir.empty() && ::mkdir(o.traceDir.c_str(), 0777) != 0 && errno != EEXIST)
    throw FileError(errno, o.traceDir);
  const SweepStart start = PrepareSweepOutputs(o, o.resume);
  if (start.alreadyDone) {
    run.alreadyDone = true;
    run.pointsDone = run.points;
  } else {
    // Points kept from an interrupted run are not run again.
    const std::size_t left = run.points - start.pointsDone;
    const std::string partFinal = PartName(o.finalFile);
    const std::string partTable = PartName(o.tableFile);
    const std::size_t written = RunShardPoints(
        o, points, start.pointsDone, left,
        [&](std::vector<SweepPointResult> &batch) {
          std::string records, table;
          for (const SweepPointResult &r : batch) {
            records += r.record;
            table += r.row;
          }
          AppendToFile(partFinal, records);
          AppendToFile(partTable, table);
        },
        progressOut, cancel);
    run.pointsDone = start.pointsDone + written;
    if (written < left)
      return run;
    CompleteSweepOutputs(o);
  }
  return run;
}

void CheckRecordAgainstRow(const SweepPoints &points, std::size_t point, const std::string &record,
                           const std::string &row, const std::string &where) {
  const SweepPlan &plan = points.Plan();
  const std::string what = where + ": the record of point " + std::to_string(point);
  const std::vector<std::string_view> fields = FieldsOf(row, 1);
  const std::size_t axes = plan.axes.size();
  if (fields.size() != axes + 7 || fields[0] != std::to_string(point))
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
  s.Generation = static_cast<std::uint32_t>(*generation);
  const std::string expected = FinalRecordLine(s, clonal);
  const std::vector<std::string_view> got = FieldsOf(record, 2);
  const std::vector<std::string_view> want = FieldsOf(expected, 2);
  const std::string header = FinalHeaderLine();
  const std::vector<std::string_view> names = FieldsOf(header, 2);
  if (got.size() != want.size() || record.size() < 2 ||
      record.compare(record.size() - 2, 2, "\r\n"))
    Refuse(what + " is not a whole record");
  // Every field but the last, the Plot file's name.
  for (std::size_t k = 0; k + 1 < want.size(); ++k)
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
