#include "sweep/SweepMerge.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>

#include "files/FinalFile.h"
#include "files/TextFile.h"
#include "sweep/SweepNames.h"
#include "sweep/SweepOutputs.h"

namespace morvane {

namespace {

// One shard as checked: its files, its plan, and where its records and rows
// start.
struct Shard {
  ShardFiles files;
  SweepPlan plan;
  std::size_t tableStart = 0; // bytes of the description and column names
};

// A shard given by its Final file or its table: both read line by line,
// every record checked against its row and the parameters of its point. The
// faults are reported in this order: a file that cannot be read, a line cut
// short, a Final file without its header, a table that is no sweep's, a
// count of records or rows that is not the shard's, the first record that
// does not match.
Shard CheckShard(const ShardFiles &files) {
  LineReader records(files.finalFile, "\r\n");
  LineReader rows(files.tableFile, "\n");
  std::string record, row;
  const bool header = records.Next(record) && record == FinalHeaderLine();
  std::vector<std::string> start; // the description and the column names
  for (int k = 0; k < 2 && rows.Next(row); ++k)
    start.push_back(row);
  Shard shard{files, {}, 0};
  std::string planError;
  try {
    shard.plan = PlanOfTable(start, files.tableFile);
  } catch (const UsageError &e) {
    planError = e.what();
  }
  const SweepPlan &plan = shard.plan;
  shard.tableStart = start.size() == 2 ? start[0].size() + start[1].size() : 0;
  const bool checked = header && planError.empty();
  const std::size_t expected =
      checked ? (plan.Points() + plan.shardCount - 1 - plan.shardIndex) / plan.shardCount : 0;

  std::optional<SweepPoints> points;
  std::string mismatch;
  std::size_t recordCount = 0, rowCount = 0;
  for (bool moreRecords = true, moreRows = true;;) {
    moreRecords = moreRecords && records.Next(record);
    moreRows = moreRows && rows.Next(row);
    if (!moreRecords && !moreRows)
      break;
    const std::size_t k = recordCount;
    if (moreRecords && moreRows && checked && mismatch.empty() && k < expected) {
      try {
        if (!points)
          points.emplace(plan);
        CheckRecordAgainstRow(*points, plan.shardIndex + k * plan.shardCount, record, row,
                              files.finalFile + ", line " + std::to_string(k + 2));
      } catch (const UsageError &e) {
        mismatch = e.what();
      }
    }
    recordCount += moreRecords;
    rowCount += moreRows;
  }
  if (records.CutShort())
    records.RefuseCutShort();
  if (rows.CutShort())
    rows.RefuseCutShort();
  if (!header)
    throw UsageError(files.finalFile + " is not a Final file (its first line is not the header)");
  if (!planError.empty())
    throw UsageError(planError);
  const std::string which = "shard " + std::to_string(plan.shardIndex) + "/" +
                            std::to_string(plan.shardCount) + " (" + files.finalFile + ")";
  if (rowCount != expected || recordCount != expected)
    throw UsageError(which + " holds " + std::to_string(recordCount) + " records and " +
                     std::to_string(rowCount) + " rows of its " + std::to_string(expected) +
                     " points: was it cut short?");
  if (!mismatch.empty())
    throw UsageError(mismatch);
  return shard;
}

// The shards of one sweep by index, each given once, none missing.
std::vector<const Shard *> ShardsByIndex(const std::vector<Shard> &shards) {
  const SweepPlan &plan = shards[0].plan;
  const std::string &first = shards[0].files.finalFile;
  std::vector<const Shard *> byIndex(plan.shardCount, nullptr);
  for (const Shard &shard : shards) {
    const std::string &name = shard.files.finalFile;
    if (shard.plan.Identity() != plan.Identity())
      throw UsageError(name + " and " + first + " come from different sweeps:\n  " +
                       shard.plan.Identity() + "\n  " + plan.Identity());
    if (shard.plan.shardCount != plan.shardCount)
      throw UsageError(name + " and " + first + " come from different divisions of the sweep: " +
                       std::to_string(shard.plan.shardCount) + " and " +
                       std::to_string(plan.shardCount) + " shards");
    const Shard *&slot = byIndex[shard.plan.shardIndex];
    if (slot)
      throw UsageError("shard " + std::to_string(shard.plan.shardIndex) + "/" +
                       std::to_string(plan.shardCount) +
                       " is given twice: " + slot->files.finalFile + " and " + name);
    slot = &shard;
  }
  for (std::size_t k = 0; k < byIndex.size(); ++k)
    if (!byIndex[k])
      throw UsageError("shard " + std::to_string(k) + "/" + std::to_string(plan.shardCount) +
                       " is missing");
  return byIndex;
}

// The next line of a shard's file, which was whole when it was checked.
void NextLine(LineReader &reader, std::string &line) {
  if (!reader.Next(line))
    throw UsageError(reader.Name() + " changed while the shards were merged");
}

} // namespace

namespace {

void Rename(const std::string &from, const std::string &to) {
  if (std::rename(from.c_str(), to.c_str()) != 0)
    throw FileError(errno, to);
}

// The map drawn under its temporary name (made here, removed on failure)
// and renamed when `rename`; returns the temporary name.
void DrawMap(const SweepOptions &o, const std::string &table, const SweepMapDrawer &drawMap) {
  const std::string part = PartName(o.mapFile);
  if (!CreateNewFile(part))
    throw FileError(EEXIST, part);
  try {
    drawMap(table, part);
    Rename(part, o.mapFile);
  } catch (...) {
    std::remove(part.c_str());
    throw;
  }
}

// Outputs found in place: whole and of this merge (then the map is drawn
// when missing), or the table whole and the Final file still under its
// temporary name (a merge stopped between its renames, then finished).
// Anything else is refused.
void FinishFoundOutputs(const SweepOptions &o, const SweepMapDrawer &drawMap) {
  const std::string partFinal = PartName(o.finalFile);
  const bool finalThere = FileExists(o.finalFile), tableThere = FileExists(o.tableFile);
  const bool betweenRenames =
      tableThere && !finalThere && FileExists(partFinal) && !FileExists(PartName(o.tableFile));
  const std::string &there = finalThere ? o.finalFile : o.tableFile;
  const std::string refusal =
      there + " exists: morvane-sweep writes new files only (remove it or choose another name)";
  if (!tableThere || (!finalThere && !betweenRenames))
    throw UsageError(refusal);
  try {
    CheckSweepWhole(SweepPoints(o.plan), betweenRenames ? partFinal : o.finalFile, o.tableFile);
  } catch (const UsageError &e) {
    throw UsageError(refusal + "\n  " + e.what());
  }
  if (betweenRenames)
    Rename(partFinal, o.finalFile);
  if (!o.mapFile.empty() && !FileExists(o.mapFile))
    DrawMap(o, o.tableFile, drawMap);
}

} // namespace

bool MergeSweepShards(SweepOptions &o, const SweepMapDrawer &drawMap) {
  const SweepLock lock(o.finalFile, "", true);
  std::vector<Shard> shards;
  for (const std::string &name : o.mergeInputs) {
    // A shard's Final file and its table may both be given.
    const ShardFiles files = RecogniseShardFiles(name);
    if (std::none_of(shards.begin(), shards.end(),
                     [&](const Shard &s) { return s.files.finalFile == files.finalFile; }))
      shards.push_back(CheckShard(files));
  }
  const std::vector<const Shard *> byIndex = ShardsByIndex(shards);
  const SweepPlan &plan = shards[0].plan;
  o.plan = plan;
  o.plan.shardIndex = 0;
  o.plan.shardCount = 1;
  CheckSweepMap(o);

  // Temporary files under the outputs' names: a killed merge's are its
  // own to remove; any other process's are not this merge's to touch.
  std::vector<std::string> names = {o.finalFile, o.tableFile};
  if (!o.mapFile.empty())
    names.push_back(o.mapFile);
  const bool found = FileExists(o.finalFile) || FileExists(o.tableFile);
  for (const std::string &name : names) {
    const std::string part = PartName(name);
    if (!FileExists(part) || (found && name != o.mapFile))
      continue;
    if (!lock.LeftByMerge())
      throw UsageError(part + " exists: an interrupted sweep into " + o.finalFile +
                       " left it (go on with that sweep's command and --resume), or remove " +
                       PartName(o.finalFile) + " and " + PartName(o.tableFile) +
                       " to merge into this name");
    std::remove(part.c_str());
  }
  if (!o.mapFile.empty() && FileExists(o.mapFile) && !found)
    throw UsageError(o.mapFile + " exists: morvane-sweep writes new files only (remove it or "
                                 "choose another name)");
  if (found) {
    FinishFoundOutputs(o, drawMap);
    return true;
  }

  // The shards' lines taken in turn: with many shards, small blocks and
  // files opened only to read one.
  const std::size_t n = byIndex.size();
  const std::size_t block = std::clamp<std::size_t>((std::size_t(4) << 20) / n, 512, 1 << 16);
  const bool keepOpen = n <= 64;
  std::vector<LineReader> records, rows;
  records.reserve(n);
  rows.reserve(n);
  for (const Shard *shard : byIndex) {
    records.emplace_back(shard->files.finalFile, "\r\n", FinalHeaderLine().size(), block, keepOpen);
    rows.emplace_back(shard->files.tableFile, "\n", shard->tableStart, block, keepOpen);
  }
  // The table renamed first, as a sweep does: a merge stopped between the
  // renames is finished by the next.
  NewFiles out({o.tableFile, o.finalFile});
  out.Append(1, FinalHeaderLine());
  out.Append(0, TableStart(o.plan));
  std::string record, row;
  for (std::size_t point = 0; point < plan.Points(); ++point) {
    NextLine(records[point % n], record);
    NextLine(rows[point % n], row);
    out.Append(1, record);
    out.Append(0, row);
  }
  out.Flush();
  if (o.mapFile.empty()) {
    out.Complete();
    return false;
  }
  const std::string mapPart = PartName(o.mapFile);
  if (!CreateNewFile(mapPart))
    throw FileError(EEXIST, mapPart);
  try {
    drawMap(PartName(o.tableFile), mapPart);
    out.Complete();
    Rename(mapPart, o.mapFile);
  } catch (...) {
    std::remove(mapPart.c_str());
    throw;
  }
  return false;
}

} // namespace morvane
