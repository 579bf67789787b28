#include "ui/sweep/SweepJob.h"

#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <sstream>
#include <utility>

#include "files/LineText.h"
#include "sweep/SweepNames.h"
#include "sweep/SweepOutputs.h"

namespace morvane::ui {

SweepJob::~SweepJob() {
  cancel_ = true;
  if (worker_.joinable())
    worker_.join();
}

void SweepJob::Start(SweepOptions options, std::function<void()> ended) {
  options_ = std::move(options);
  cancel_ = false;
  ended_ = false;
  checked_ = false;
  error_ = nullptr;
  run_ = SweepRun{};
  readFrom_ = PartName(options_.tableFile);
  offset_ = 0;
  headerLines_ = 0;
  tail_.clear();
  rowsRead_ = 0;
  start_ = std::chrono::steady_clock::now();
  worker_ = std::thread([this, ended = std::move(ended)] {
    try {
      const SweepPoints points = CheckSweepPoints(options_.plan, options_.jobs);
      checked_ = true;
      run_ = RunSweep(options_, points, nullptr, &cancel_);
    } catch (...) {
      error_ = std::current_exception();
    }
    ended_ = true;
    if (ended)
      ended();
  });
}

SweepRun SweepJob::Finish() {
  if (worker_.joinable())
    worker_.join();
  if (error_)
    std::rethrow_exception(std::exchange(error_, nullptr));
  return run_;
}

double SweepJob::SecondsRunning() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

std::vector<std::vector<std::string>> SweepJob::TakeNewRows() {
  std::vector<std::vector<std::string>> rows;
  std::ifstream in(readFrom_, std::ios::binary);
  // (Not before the run has ended: the temporary table is made once the
  // points are checked, and the table under its own name may be an earlier
  // grid's that an extension replaces.)
  if (!in && readFrom_ != options_.tableFile && ended_) {
    // Renamed once whole: the rest is in the table under its own name.
    readFrom_ = options_.tableFile;
    in.open(readFrom_, std::ios::binary);
  }
  if (!in)
    return rows;
  in.seekg(static_cast<std::streamoff>(offset_));
  std::ostringstream added;
  added << in.rdbuf();
  const std::string text = added.str();
  offset_ += text.size();
  tail_ += text;
  std::size_t from = 0;
  for (std::size_t end; (end = tail_.find('\n', from)) != std::string::npos; from = end + 1) {
    if (headerLines_ < 2)
      ++headerLines_;
    else
      rows.push_back(TabCells(std::string_view(tail_).substr(from, end - from)));
  }
  tail_.erase(0, from);
  rowsRead_ += rows.size();
  return rows;
}

std::optional<double> EstimateSweepSeconds(const SweepOptions &options, double budget) {
  // A sample spread over the grid (the first points alone may all be quick
  // or all slow), run as the sweep runs them, without files.
  SweepOptions plain = options;
  plain.traceDir.clear();
  plain.plan.traceDir.clear();
  const SweepPlan &plan = plain.plan;
  const std::size_t points =
      (plan.Points() + plan.shardCount - 1 - plan.shardIndex) / plan.shardCount;
  const std::size_t samples = std::min<std::size_t>(points, 16 * std::max(1u, plain.jobs));
  std::vector<std::size_t> sample;
  for (std::size_t k = 0; k < samples; ++k)
    sample.push_back(plan.shardIndex + (k * points / samples) * plan.shardCount);
  std::atomic<bool> stop{false};
  std::mutex m;
  std::condition_variable wake;
  std::thread watch([&] {
    std::unique_lock<std::mutex> lock(m);
    wake.wait_for(lock, std::chrono::duration<double>(budget), [&] { return stop.load(); });
    stop = true;
  });
  const auto start = std::chrono::steady_clock::now();
  std::size_t done = 0;
  try {
    const SweepPoints sweepPoints(plan);
    done = RunShardPoints(
        plain, sweepPoints, 0, sample.size(), [](std::vector<SweepPointResult> &) {}, nullptr,
        &stop, &sample);
  } catch (const std::exception &) {
    done = 0; // a refused point: the run names it
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  {
    std::lock_guard<std::mutex> lock(m);
    stop = true;
  }
  wake.notify_all();
  watch.join();
  if (done == 0)
    return std::nullopt;
  return seconds * double(points) / double(done);
}

std::vector<std::string> TabCells(std::string_view line) {
  const std::vector<std::string_view> fields = TabFields(line);
  return {fields.begin(), fields.end()};
}

} // namespace morvane::ui
