// A sweep run for the sweep window: the sweep library's run on a worker
// thread, so that the windows never wait for it, and the rows it has written
// so far, read back from its table as they come.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sweep/SweepOptions.h"
#include "sweep/SweepOutputs.h"

namespace morvane::ui {

class SweepJob {
public:
  SweepJob() = default;
  SweepJob(const SweepJob &) = delete;
  SweepJob &operator=(const SweepJob &) = delete;
  // A job still running is cancelled and waited for.
  ~SweepJob();

  // Checks the points and runs the sweep of `options` on a worker thread,
  // as morvane-sweep runs it. `ended`, when given, is called on the worker
  // thread as it ends, so that the window hears of the end at once.
  void Start(SweepOptions options, std::function<void()> ended = {});
  bool Started() const { return worker_.joinable(); }
  // The worker has ended (the sweep whole, cancelled or failed).
  bool Ended() const { return ended_; }
  // The points are still being checked: none runs yet.
  bool Checking() const { return !checked_ && !ended_; }
  // The points in hand are dropped, those done written, then the run stops.
  void Cancel() { cancel_ = true; }
  bool Cancelled() const { return cancel_; }
  // Waits for the worker and returns what the run did; throws the error that
  // ended it (UsageError, FileError).
  SweepRun Finish();

  // The rows added to the table since the last call (complete lines only),
  // split at TABs, in grid order: handed over, not kept.
  std::vector<std::vector<std::string>> TakeNewRows();
  // How many rows the table holds.
  std::size_t RowsRead() const { return rowsRead_; }
  const SweepOptions &Options() const { return options_; }
  double SecondsRunning() const;

private:
  SweepOptions options_;
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> ended_{false};
  std::atomic<bool> checked_{false};
  SweepRun run_;
  std::exception_ptr error_;
  std::chrono::steady_clock::time_point start_;

  // The reading of the table: the file read (its temporary name, then its
  // final one), how far, the lines read including the two header lines.
  std::string readFrom_;
  std::size_t offset_ = 0;
  std::size_t headerLines_ = 0;
  std::string tail_;
  std::size_t rowsRead_ = 0;
};

// The seconds a sweep would take on its threads, timed on a sample of its
// points spread over the grid for at most `budget` seconds; nothing when no
// point of the sample ended by then (or one is refused).
std::optional<double> EstimateSweepSeconds(const SweepOptions &options, double budget);

// The cells of a table's line (without its line end).
std::vector<std::string> TabCells(std::string_view line);

} // namespace morvane::ui
