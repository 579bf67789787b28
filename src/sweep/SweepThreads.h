// The points of a sweep on threads: workers run them in any order, one writer
// takes their results in grid order.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace morvane {

// What the sweep writes for one point.
struct SweepPointResult {
  std::string record;            // the Final record, as morvane-run would append it
  std::string row;               // the table row
  std::uint32_t generations = 0; // of its series, counted on from run to run
};

// The results of `count` positions, run by workers in any order and taken by
// one writer in order. Workers run at most `window` positions ahead of the
// oldest one not yet taken, so memory stays bounded whatever the count; a
// result leaves when it is taken.
class InOrderResults {
public:
  // Results ready in order that wake the writer (or all that are left): the
  // writer writes in batches, so that a point costs no thread switch. A
  // writer left asleep with fewer looks again after a quarter of a second.
  static constexpr std::size_t kBatch = 256;

  // window must be at least kBatch.
  InOrderResults(std::size_t count, std::size_t window);

  // Workers: the next position to run, true with `position` set; false when
  // none is left or the results are stopped. While the window is full, sleeps
  // until the writer has moved it on (wait) or returns false at once.
  bool Claim(std::size_t &position, bool wait);
  // Hands in the result of a claimed position.
  void Deliver(std::size_t position, SweepPointResult result);

  // The writer: sleeps until results are ready in order, then moves them, from
  // the oldest not yet taken on, to the end of `out`. false once every result
  // has been taken, or when stopped.
  bool Take(std::vector<SweepPointResult> &out);

  // Ends every claim and wait: after an error.
  void Stop();
  // Every worker has ended (all positions run, or claims given up on a
  // cancel): the writer takes what is ready in order and stops there.
  void WorkersDone();

private:
  std::mutex m_;
  std::condition_variable writerWake_, workerWake_;
  std::vector<SweepPointResult> slots_; // position p at p % window
  std::vector<char> ready_;
  std::size_t count_;
  std::size_t next_ = 0;    // the next position to claim
  std::size_t inOrder_ = 0; // positions before this are all ready (or taken)
  std::size_t taken_ = 0;   // positions before this have been taken
  std::size_t workersWaiting_ = 0;
  bool writerWaiting_ = false;
  bool stopped_ = false;
  bool workersDone_ = false;
};

// Runs `work` on `jobs` threads and, on the calling thread, hands the results
// to `write` in order as they are taken, until every worker has ended and
// what they handed in without a gap is written. The first exception of a worker or
// of `write` stops the others (Stop) and is rethrown once every thread has
// ended.
void RunInOrder(unsigned jobs, InOrderResults &results,
                const std::function<void(InOrderResults &)> &work,
                const std::function<void(std::vector<SweepPointResult> &)> &write);

} // namespace morvane
