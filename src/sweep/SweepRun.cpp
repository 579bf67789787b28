#include "sweep/SweepRun.h"

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

#include "analysis/AnalysisTables.h"
#include "engine/BatchStep.h"
#include "engine/Series.h"
#include "files/FinalFile.h"
#include "files/LineText.h"
#include "files/NumberFormat.h"
#include "files/TextFile.h"
#include "runner/Runner.h"
#include "sweep/SweepNames.h"

namespace morvane {

namespace {

using Clock = std::chrono::steady_clock;

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

// The point at a position of the points left to run: the shard's points
// K, K + N, K + 2N ... after the `done` ones kept from an interrupted run.
struct PointsLeft {
  const SweepPlan &plan;
  std::size_t done;
  const std::vector<std::size_t> *only = nullptr; // the points to run, when not all
  std::size_t Point(std::size_t position) const {
    return only ? (*only)[done + position] : plan.shardIndex + (done + position) * plan.shardCount;
  }
};

// The points of a worker run as series in the lanes of a batch of runs:
// lanes take points as they free up, each point's options made in its lane
// from the last ones, and each point's result is handed in as soon as its
// series ends.
class BatchedPoints : public BatchSeriesSource {
public:
  BatchedPoints(const SweepOptions &o, const SweepPoints &points, PointsLeft left,
                InOrderResults &results, const std::atomic<bool> *cancel)
      : o_(o), points_(points), left_(left), results_(results), cancel_(cancel) {
    for (InLane &lane : lanes_)
      lane.options = points.First();
  }

  bool BeginNext(std::size_t lane, SimState &s, bool wait) override {
    InLane &at = lanes_[lane];
    if ((cancel_ && cancel_->load()) || !results_.Claim(at.position, wait))
      return false;
    at.point = left_.Point(at.position);
    points_.Fill(at.point, at.options);
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
    results_.Deliver(at.position,
                     SweepPointResultOf(o_, at.point, at.options.model, s, at.converged));
    return false;
  }

private:
  struct InLane {
    std::size_t position = 0, point = 0;
    std::size_t stage = 0;
    bool converged = true;
    RunnerOptions options;
  };
  const SweepOptions &o_;
  const SweepPoints &points_;
  PointsLeft left_;
  InOrderResults &results_;
  const std::atomic<bool> *cancel_;
  InLane lanes_[BatchRuns::kLanes];
};

} // namespace

// Runs the `count` points left on o.jobs threads and hands their results to
// `write` in grid order, on the calling thread. Without a trace folder a
// worker runs its points in a batch of runs (all points share the model and
// the cap); with one, point by point, each with its files. When `cancel` is
// set, no point is started any more; batched points in hand are dropped
// unfinished (a resume runs them again), traced ones are finished, and those
// done that follow the last written one without a gap are written. The
// first error stops the workers and is rethrown. Returns the number of
// points written.
std::size_t RunShardPoints(const SweepOptions &o, const SweepPoints &points, std::size_t done,
                           std::size_t count, const SweepResultsWriter &write,
                           std::ostream *progressOut, const std::atomic<bool> *cancel,
                           const std::vector<std::size_t> *only) {
  const PointsLeft left{o.plan, done, only};
  ProgressLine progress(progressOut, count);
  // Points run ahead of the oldest one not written: enough for every lane
  // of every thread many times over, few enough that their results (a few
  // hundred bytes each) stay a few megabytes whatever --jobs.
  const std::size_t window =
      std::clamp<std::size_t>(64 * o.jobs * BatchRuns::kLanes, 4 * InOrderResults::kBatch, 1 << 16);
  InOrderResults results(count, window);
  auto cancelled = [cancel] { return cancel && cancel->load(); };
  auto work = [&](InOrderResults &r) {
    if (o.traceDir.empty()) {
      BatchRuns runs(points.First().model);
      BatchedPoints source(o, points, left, r, cancel);
      RunBatchedSeries(runs, source, points.First().maxGenerations, cancel);
      return;
    }
    SimState s;
    for (std::size_t position; !cancelled() && r.Claim(position, true);) {
      const std::size_t point = left.Point(position);
      r.Deliver(position, RunSweepPoint(o, point, points.Options(point), s));
    }
  };
  std::size_t written = 0;
  try {
    RunInOrder(
        static_cast<unsigned>(std::min<std::size_t>(o.jobs, std::max<std::size_t>(count, 1))),
        results, work, [&](std::vector<SweepPointResult> &batch) {
          write(batch);
          written += batch.size();
          progress.Update(written, false);
        });
  } catch (...) {
    progress.Break();
    throw;
  }
  if (written < count)
    progress.Break();
  else
    progress.Update(written, true);
  return written;
}

std::optional<std::uint64_t> TraceBytes(const SweepOptions &o, const SweepPoints &points,
                                        const std::atomic<bool> *cancel) {
  // Measured on Detail and Plot files: their first lines, and a Detail line
  // and a Plot line per generation, counted on from run to run (the last
  // run's generation is the point's count).
  constexpr std::uint64_t kPointBytes = 200, kGenerationBytes = 190;
  SweepOptions plain = o;
  plain.traceDir.clear();
  plain.plan.traceDir.clear();
  const SweepPlan &plan = o.plan;
  const std::size_t count =
      (plan.Points() + plan.shardCount - 1 - plan.shardIndex) / plan.shardCount;
  std::uint64_t bytes = 0;
  const std::size_t counted = RunShardPoints(
      plain, points, 0, count,
      [&](std::vector<SweepPointResult> &batch) {
        for (const SweepPointResult &r : batch)
          bytes += kPointBytes + (std::uint64_t(r.generations) + 1) * kGenerationBytes;
      },
      nullptr, cancel);
  if (counted < count)
    return std::nullopt;
  return bytes;
}

SweepPointResult RunSweepPoint(const SweepOptions &o, std::size_t point, RunnerOptions ro,
                               SimState &s) {
  s = SimState{};
  Tracing tracing = Tracing::Off;
  if (!o.traceDir.empty()) {
    tracing = Tracing::ToFiles;
    const std::string name = TraceName(o.traceDir, o.plan.Points(), point);
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
  result.generations = s.Generation;
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
  row += converged ? "\tyes" : "\tno";
  if (o.plan.analyse) {
    // The state the series ended in, with the parameters of its last run.
    analysis::Population end{};
    for (int k = 0; k < analysis::Classes(model); ++k)
      end[k] = s.X[k + 1];
    analysis::AppendOutcomeCells(
        row, analysis::OutcomeOf(model, s.Params(), end, converged, o.plan.starts));
  }
  row += '\n';
  return result;
}

} // namespace morvane
