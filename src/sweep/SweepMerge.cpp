#include "sweep/SweepMerge.h"

#include <algorithm>
#include <optional>

#include "files/FinalFile.h"
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
    if (shard.plan.signature != plan.signature)
      throw UsageError(name + " and " + first + " come from different sweeps:\n  " +
                       shard.plan.signature + "\n  " + plan.signature);
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

void MergeSweepShards(SweepOptions &o) {
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
  NewFiles out({o.finalFile, o.tableFile});
  out.Append(0, FinalHeaderLine());
  out.Append(1, TableStart(o.plan));
  std::string record, row;
  for (std::size_t point = 0; point < plan.Points(); ++point) {
    NextLine(records[point % n], record);
    NextLine(rows[point % n], row);
    out.Append(0, record);
    out.Append(1, row);
  }
  out.Complete();
}

} // namespace morvane
