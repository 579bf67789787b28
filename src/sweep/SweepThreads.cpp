#include "sweep/SweepThreads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <thread>

namespace morvane {

InOrderResults::InOrderResults(std::size_t count, std::size_t window)
    : slots_(std::min(count, window)), ready_(slots_.size(), 0), count_(count) {}

bool InOrderResults::Claim(std::size_t &position, bool wait) {
  std::unique_lock<std::mutex> lock(m_);
  while (!stopped_ && next_ < count_ && next_ - taken_ >= slots_.size()) {
    if (!wait)
      return false;
    ++workersWaiting_;
    workerWake_.wait(lock);
    --workersWaiting_;
  }
  if (stopped_ || next_ >= count_)
    return false;
  position = next_++;
  return true;
}

void InOrderResults::Deliver(std::size_t position, SweepPointResult result) {
  bool wake;
  {
    std::lock_guard<std::mutex> lock(m_);
    const std::size_t slot = position % slots_.size();
    slots_[slot] = std::move(result);
    ready_[slot] = 1;
    while (inOrder_ < next_ && ready_[inOrder_ % slots_.size()])
      ++inOrder_;
    wake = writerWaiting_ && (inOrder_ - taken_ >= kBatch || inOrder_ == count_);
  }
  if (wake)
    writerWake_.notify_one();
}

bool InOrderResults::Take(std::vector<SweepPointResult> &out) {
  bool wakeWorkers;
  {
    std::unique_lock<std::mutex> lock(m_);
    // Sleeps until a batch is ready in order; after a quarter of a second
    // without one, takes what is ready, so that slow points show too.
    while (!stopped_ && taken_ < count_) {
      writerWaiting_ = true;
      writerWake_.wait_for(lock, std::chrono::milliseconds(250), [&] {
        return stopped_ || workersDone_ || inOrder_ - taken_ >= kBatch || inOrder_ == count_;
      });
      writerWaiting_ = false;
      if (stopped_ || workersDone_ || inOrder_ > taken_)
        break;
    }
    if (stopped_ || inOrder_ == taken_)
      return false;
    for (; taken_ < inOrder_; ++taken_) {
      const std::size_t slot = taken_ % slots_.size();
      out.push_back(std::move(slots_[slot]));
      ready_[slot] = 0;
    }
    wakeWorkers = workersWaiting_ > 0;
  }
  if (wakeWorkers)
    workerWake_.notify_all(); // the window has moved on
  return true;
}

void InOrderResults::Stop() {
  {
    std::lock_guard<std::mutex> lock(m_);
    stopped_ = true;
  }
  writerWake_.notify_all();
  workerWake_.notify_all();
}

void InOrderResults::WorkersDone() {
  {
    std::lock_guard<std::mutex> lock(m_);
    workersDone_ = true;
  }
  writerWake_.notify_all();
}

void RunInOrder(unsigned jobs, InOrderResults &results,
                const std::function<void(InOrderResults &)> &work,
                const std::function<void(std::vector<SweepPointResult> &)> &write) {
  std::mutex m;
  std::exception_ptr error;
  auto fail = [&](std::exception_ptr e) {
    {
      std::lock_guard<std::mutex> lock(m);
      if (!error)
        error = e;
    }
    results.Stop();
  };
  const unsigned threads = std::max(jobs, 1u);
  std::atomic<unsigned> running{threads};
  std::vector<std::thread> workers;
  for (unsigned t = 0; t < threads; ++t)
    workers.emplace_back([&] {
      try {
        work(results);
      } catch (...) {
        fail(std::current_exception());
      }
      if (--running == 0)
        results.WorkersDone();
    });
  try {
    std::vector<SweepPointResult> batch;
    while (results.Take(batch)) {
      write(batch);
      batch.clear();
    }
  } catch (...) {
    fail(std::current_exception());
  }
  for (std::thread &worker : workers)
    worker.join();
  if (error)
    std::rethrow_exception(error);
}

} // namespace morvane
