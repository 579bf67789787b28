#include "batch/Sweep.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>

#include "batch/Runner.h"
#include "engine/BatchStep.h"
#include "batch/SweepFiles.h"
#include "engine/Series.h"
#include "files/FinalFile.h"
#include "files/LineText.h"
#include "files/NumberFormat.h"
#include "files/TextFile.h"

namespace morvane {

namespace {

using Clock = std::chrono::steady_clock;

// The points of the shard, in grid order.
std::vector<std::size_t> ShardPoints(const SweepPlan &plan) {
  std::vector<std::size_t> points;
  for (std::size_t p = plan.shardIndex; p < plan.Points(); p += plan.shardCount)
    points.push_back(p);
  return points;
}

std::string TraceName(const SweepOptions &o, std::size_t point) {
  const std::size_t width = std::to_string(o.plan.Points() - 1).size();
  std::string number = std::to_string(point);
  number.insert(0, width - number.size(), '0');
  return o.traceDir + "/point-" + number;
}

// The column of an output in a table row.
std::size_t OutputColumn(const SweepPlan &plan, const std::string &output) {
  const std::vector<std::string> outputs = SweepOutputs(plan.model);
  const std::size_t k =
      static_cast<std::size_t>(std::find(outputs.begin(), outputs.end(), output) - outputs.begin());
  // The rows hold T first, then the four values.
  return 1 + plan.axes.size() + (output == "T" ? 0 : 1 + k);
}

// The map of the rows of a whole sweep, in grid order.
SweepMapData MapOfRows(const SweepOptions &o, const std::vector<std::string> &rows) {
  const SweepPlan &plan = o.plan;
  SweepMapData map;
  if (plan.axes.size() < 2)
    return map; // a diagram: drawn from the table
  map.xName = plan.axes[0].option;
  map.yName = plan.axes[1].option;
  map.xTicks = plan.axes[0].shown;
  map.yTicks = plan.axes[1].shown;
  map.valueName = o.mapOf;
  const std::size_t column = OutputColumn(plan, o.mapOf);
  bool first = true;
  for (const std::string &row : rows) {
    const std::vector<std::string_view> fields =
        TabFields(std::string_view(row).substr(0, row.size() - 1));
    const double v = TextToReal(fields.at(column)).value_or(0);
    map.values.push_back(v);
    map.converged.push_back(fields.back() == "yes");
    map.low = first ? v : std::min(map.low, v);
    map.high = first ? v : std::max(map.high, v);
    first = false;
  }
  // Frequencies are drawn on their whole range, so that maps compare.
  if (o.mapOf != "T" && o.mapOf != "DG" && o.mapOf != "Fit") {
    map.low = 0;
    map.high = 1;
  }
  return map;
}

// The progress line: points done of all, rate, time left; rewritten in place.
class ProgressLine {
public:
  ProgressLine(std::ostream *out, std::size_t total) : out_(out), total_(total) {}

  void Update(std::size_t done, bool last) {
    if (!out_)
      return;
    const Clock::time_point now = Clock::now();
    if (!last && now - shown_ < std::chrono::milliseconds(250))
      return;
    shown_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    char line[160];
    if (last) {
      std::snprintf(line, sizeof line, "%zu/%zu points, %.1f points/s, %s in all", done, total_,
                    rate, Duration(seconds).c_str());
    } else {
      const std::string left = rate > 0 ? Duration(static_cast<double>(total_ - done) / rate) : "?";
      std::snprintf(line, sizeof line, "%zu/%zu points, %.1f points/s, %s left", done, total_, rate,
                    left.c_str());
    }
    *out_ << "\rmorvane-sweep: " << line << "\x1b[K" << (last ? "\n" : "") << std::flush;
    open_ = !last;
  }

  // Ends a line left open, so that an error message starts on its own line.
  void Break() {
    if (out_ && open_)
      *out_ << '\n' << std::flush;
    open_ = false;
  }

private:
  static std::string Duration(double seconds) {
    const long long s = static_cast<long long>(seconds + 0.5);
    char text[32];
    if (s >= 3600)
      std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
      std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
  }

  std::ostream *out_;
  std::size_t total_;
  Clock::time_point start_ = Clock::now();
  Clock::time_point shown_{};
  bool open_ = false;
};

// The points of a worker run as series in the lanes of a batch of runs:
// lanes take points as they free up, and each point's result is handed in
// as soon as its series ends.
class BatchedPoints : public BatchSeriesSource {
public:
  BatchedPoints(const SweepOptions &o, const std::vector<std::size_t> &points,
                std::vector<RunnerOptions> &pointOptions, InOrderResults &results,
                const std::atomic<bool> *cancel)
      : o_(o), points_(points), pointOptions_(pointOptions), results_(results), cancel_(cancel) {}

  bool BeginNext(std::size_t lane, SimState &s, bool wait) override {
    InLane &at = lanes_[lane];
    if ((cancel_ && cancel_->load()) || !results_.Claim(at.position, wait))
      return false;
    at.options = std::move(pointOptions_[at.position]);
    at.stage = 0;
    at.converged = true;
    s = SimState{};
    BeginSeriesStage(at.options, s, 0);
    return true;
  }

  bool RunEnded(std::size_t lane, SimState &s, bool capped) override {
    InLane &at = lanes_[lane];
    at.converged = at.converged && !capped;
    if (at.stage < at.options.disturbances.size()) {
      BeginSeriesStage(at.options, s, ++at.stage);
      return true;
    }
    results_.Deliver(at.position, SweepPointResultOf(o_, points_[at.position], at.options.model,
                                                     s, at.converged));
    at.options = RunnerOptions{}; // its memory goes with the point
    return false;
  }

private:
  struct InLane {
    std::size_t position = 0;
    std::size_t stage = 0;
    bool converged = true;
    RunnerOptions options;
  };
  const SweepOptions &o_;
  const std::vector<std::size_t> &points_;
  std::vector<RunnerOptions> &pointOptions_;
  InOrderResults &results_;
  const std::atomic<bool> *cancel_;
  InLane lanes_[BatchRuns::kLanes];
};

// Runs the points at the given positions on o.jobs threads and hands their
// results to `write` in the order of the positions, on the calling thread.
// Without a trace folder a worker runs its points in a batch of runs (all
// points share the model and the cap); with one, point by point, each with
// its files. When `cancel` is set, no point is started any more; the points
// in hand are finished and those that follow the last written one without a
// gap are written. The first error stops the workers and is rethrown.
// Returns the number of positions written.
template <typename Write>
std::size_t RunInOrder(const SweepOptions &o, const std::vector<std::size_t> &points,
                       std::vector<RunnerOptions> &pointOptions, Write write,
                       ProgressLine &progress, const std::atomic<bool> *cancel) {
  const std::size_t n = points.size();
  InOrderResults results(
      n, std::max<std::size_t>(4 * InOrderResults::kBatch, 64 * o.jobs * BatchRuns::kLanes));
  auto cancelled = [cancel] { return cancel && cancel->load(); };
  auto work = [&](InOrderResults &r) {
    if (o.traceDir.empty() && n > 0) {
      BatchRuns runs(pointOptions.front().model);
      BatchedPoints source(o, points, pointOptions, r, cancel);
      RunBatchedSeries(runs, source, pointOptions.front().maxGenerations);
      return;
    }
    SimState s;
    for (std::size_t position; !cancelled() && r.Claim(position, true);)
      r.Deliver(position, RunSweepPoint(o, points[position], std::move(pointOptions[position]), s));
  };
  std::size_t written = 0;
  try {
    RunInOrder(static_cast<unsigned>(std::min<std::size_t>(o.jobs, std::max<std::size_t>(n, 1))),
               results, work, [&](std::vector<SweepPointResult> &batch) {
                 write(batch);
                 written += batch.size();
                 progress.Update(written, false);
               });
  } catch (...) {
    progress.Break();
    throw;
  }
  if (written < n)
    progress.Break();
  else
    progress.Update(written, true);
  return written;
}

// One shard as read back: its plan, and its records and rows by point.
struct Shard {
  std::string name;
  SweepPlan plan;
  std::vector<std::string> records;
  std::vector<std::string> rows;
};

// A shard given by its Final file or its table: both read, every record
// checked against its row and the parameters of its point.
Shard ReadShard(const ShardFiles &files) {
  Shard shard;
  shard.name = files.finalFile;
  const std::vector<std::string> records =
      LinesEndingWith(ReadInput(files.finalFile), "\r\n", files.finalFile);
  const std::vector<std::string> rows =
      LinesEndingWith(ReadInput(files.tableFile), "\n", files.tableFile);
  if (records.empty() || records[0] != FinalHeaderLine())
    throw UsageError(files.finalFile + " is not a Final file (its first line is not the header)");
  shard.plan = PlanOfTable(rows, files.tableFile);
  shard.records.assign(records.begin() + 1, records.end());
  shard.rows.assign(rows.begin() + 2, rows.end());

  // The rows of shard K of N are the points K, K + N, K + 2N ... in order.
  const SweepPlan &plan = shard.plan;
  const std::size_t expected =
      (plan.Points() + plan.shardCount - 1 - plan.shardIndex) / plan.shardCount;
  const std::string which = "shard " + std::to_string(plan.shardIndex) + "/" +
                            std::to_string(plan.shardCount) + " (" + files.finalFile + ")";
  if (shard.rows.size() != expected || shard.records.size() != expected)
    throw UsageError(which + " holds " + std::to_string(shard.records.size()) + " records and " +
                     std::to_string(shard.rows.size()) + " rows of its " +
                     std::to_string(expected) + " points: was it cut short?");
  for (std::size_t k = 0; k < expected; ++k)
    CheckRecordAgainstRow(plan, plan.shardIndex + k * plan.shardCount, shard.records[k],
                          shard.rows[k], files.finalFile + ", line " + std::to_string(k + 2));
  return shard;
}

} // namespace

std::string SweepTableHeader(const SweepPlan &plan) {
  // A varied initial value that is also an output (p, q, DG, the clone
  // frequencies) is told apart by a 0, as the input window names DG0.
  const std::vector<std::string> outputs = SweepOutputs(plan.model);
  std::string header = "point";
  for (const SweepAxis &axis : plan.axes) {
    const bool output = std::find(outputs.begin(), outputs.end(), axis.option) != outputs.end();
    header += "\t" + axis.option + (output ? "0" : "");
  }
  header += "\tT";
  for (const std::string &output : outputs)
    if (output != "T")
      header += "\t" + output;
  return header + "\tconverged\n";
}

SweepPointResult RunSweepPoint(const SweepOptions &o, std::size_t point, RunnerOptions ro,
                               SimState &s) {
  s = SimState{};
  Tracing tracing = Tracing::Off;
  if (!o.traceDir.empty()) {
    tracing = Tracing::ToFiles;
    const std::string name = TraceName(o, point);
    ro.plotFile = name + ".plo";
    ChooseDetailFile(s, name + ".gnr");
  }
  RunnerDisplay display(s, ro.maxGenerations);
  bool converged = true;
  RunSeriesRuns(ro, s, display, tracing, [&] { converged = converged && !display.Capped(); });
  return SweepPointResultOf(o, point, ro.model, s, converged);
}

SweepPointResult SweepPointResultOf(const SweepOptions &o, std::size_t point, Model model,
                                    SimState &s, bool converged) {
  // The Stop of the disturbance window; its record goes to the sweep's file.
  const bool clonal = model == Model::Clonal;
  s.StopRequested = true;
  s.PlotRows = s.Generation;

  SweepPointResult result;
  result.record = FinalRecordLine(s, clonal);
  std::string &row = result.row;
  row.reserve(160);
  AppendInteger(row, static_cast<long long>(point));
  const std::array<std::size_t, 2> at = o.plan.Coordinates(point);
  for (std::size_t a = 0; a < o.plan.axes.size(); ++a) {
    row += '\t';
    row += o.plan.axes[a].shown[at[a]];
  }
  row += '\t';
  AppendInteger(row, s.Generation);
  const double values[4] = {clonal ? s.X[1] : s.FreqA, clonal ? s.X[2] : s.FreqB,
                            clonal ? s.X[3] : s.DG, clonal ? s.X[4] : s.Fit};
  for (double v : values) {
    row += '\t';
    row += RealToText(v);
  }
  row += converged ? "\tyes\n" : "\tno\n";
  return result;
}

std::vector<RunnerOptions> CheckSweepPoints(const SweepPlan &plan, unsigned jobs) {
  const std::size_t n = plan.Points();
  std::vector<RunnerOptions> shard((n + plan.shardCount - 1 - plan.shardIndex) / plan.shardCount);
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> firstRefused{n};
  std::mutex m;
  std::string message;
  auto check = [&] {
    // Points past a refused one need no check: the first refused one in grid
    // order is reported, whichever thread finds it.
    for (std::size_t point; (point = next++) < n && point < firstRefused;) {
      try {
        RunnerOptions options = SweepPointOptions(plan, point);
        if (point % plan.shardCount == plan.shardIndex)
          shard[point / plan.shardCount] = std::move(options);
      } catch (const UsageError &e) {
        std::lock_guard<std::mutex> lock(m);
        if (point < firstRefused) {
          firstRefused = point;
          message = e.what();
        }
      }
    }
  };
  std::vector<std::thread> threads;
  for (unsigned t = 1; t < std::min<std::size_t>(jobs, n); ++t)
    threads.emplace_back(check);
  check();
  for (std::thread &thread : threads)
    thread.join();
  if (firstRefused < n)
    throw UsageError(message);
  return shard;
}

namespace {

// The rows of a table written whole, for its map.
std::vector<std::string> RowsOfTable(const std::string &tableFile) {
  std::vector<std::string> rows = LinesEndingWith(ReadInput(tableFile), "\n", tableFile);
  rows.erase(rows.begin(), rows.begin() + std::min<std::size_t>(2, rows.size()));
  return rows;
}

} // namespace

SweepRun RunSweep(const SweepOptions &o, std::vector<RunnerOptions> pointOptions,
                  std::ostream *progressOut, const std::atomic<bool> *cancel) {
  std::vector<std::size_t> points = ShardPoints(o.plan);
  SweepRun run;
  run.points = points.size();
  if (!o.traceDir.empty() && ::mkdir(o.traceDir.c_str(), 0777) != 0 && errno != EEXIST)
    throw FileError(errno, o.traceDir);
  const SweepStart start = PrepareSweepOutputs(o, o.resume);
  if (start.alreadyDone) {
    run.alreadyDone = true;
    run.pointsDone = run.points;
  } else {
    // Points kept from an interrupted run are not run again.
    points.erase(points.begin(), points.begin() + static_cast<std::ptrdiff_t>(start.pointsDone));
    pointOptions.erase(pointOptions.begin(),
                       pointOptions.begin() + static_cast<std::ptrdiff_t>(start.pointsDone));
    const std::string partFinal = PartName(o.finalFile);
    const std::string partTable = PartName(o.tableFile);
    ProgressLine progress(progressOut, points.size());
    const std::size_t written = RunInOrder(
        o, points, pointOptions,
        [&](std::vector<SweepPointResult> &batch) {
          std::string records, table;
          for (const SweepPointResult &r : batch) {
            records += r.record;
            table += r.row;
          }
          AppendToFile(partFinal, records);
          AppendToFile(partTable, table);
        },
        progress, cancel);
    run.pointsDone = start.pointsDone + written;
    if (written < points.size())
      return run;
    CompleteSweepOutputs(o);
  }
  if (!o.mapFile.empty())
    run.map = MapOfRows(o, RowsOfTable(o.tableFile));
  return run;
}

SweepMapData MergeSweepShards(SweepOptions &o) {
  std::vector<Shard> shards;
  std::vector<std::string> seen;
  for (const std::string &name : o.mergeInputs) {
    // A shard's Final file and its table may both be given.
    const ShardFiles files = RecogniseShardFiles(name);
    if (std::find(seen.begin(), seen.end(), files.finalFile) != seen.end())
      continue;
    seen.push_back(files.finalFile);
    shards.push_back(ReadShard(files));
  }
  const SweepPlan &plan = shards[0].plan;
  std::vector<const Shard *> byIndex(plan.shardCount, nullptr);
  for (const Shard &shard : shards) {
    if (shard.plan.signature != plan.signature)
      throw UsageError(shard.name + " and " + shards[0].name + " come from different sweeps:\n  " +
                       shard.plan.signature + "\n  " + plan.signature);
    if (shard.plan.shardCount != plan.shardCount)
      throw UsageError(
          shard.name + " and " + shards[0].name +
          " come from different divisions of the sweep: " + std::to_string(shard.plan.shardCount) +
          " and " + std::to_string(plan.shardCount) + " shards");
    const Shard *&slot = byIndex[shard.plan.shardIndex];
    if (slot)
      throw UsageError("shard " + std::to_string(shard.plan.shardIndex) + "/" +
                       std::to_string(plan.shardCount) + " is given twice: " + slot->name +
                       " and " + shard.name);
    slot = &shard;
  }
  for (std::size_t k = 0; k < byIndex.size(); ++k)
    if (!byIndex[k])
      throw UsageError("shard " + std::to_string(k) + "/" + std::to_string(plan.shardCount) +
                       " is missing");
  o.plan = plan;
  o.plan.shardIndex = 0;
  o.plan.shardCount = 1;
  CheckSweepMap(o);

  std::string records = FinalHeaderLine();
  std::string table = TableStart(o.plan);
  std::vector<std::string> rows;
  for (std::size_t point = 0; point < plan.Points(); ++point) {
    const Shard &shard = *byIndex[point % plan.shardCount];
    const std::size_t k = point / plan.shardCount;
    records += shard.records[k];
    table += shard.rows[k];
    if (!o.mapFile.empty())
      rows.push_back(shard.rows[k]);
  }
  WriteWhole({{o.finalFile, std::move(records)}, {o.tableFile, std::move(table)}});
  return o.mapFile.empty() ? SweepMapData{} : MapOfRows(o, rows);
}

} // namespace morvane
