#include "ui/sweep/SweepJob.h"

#include <fstream>
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
      run_ = RunSweep(options_, CheckSweepPoints(options_.plan, options_.jobs), nullptr, &cancel_);
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
  if (!in && readFrom_ != options_.tableFile) {
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

std::vector<std::string> TabCells(std::string_view line) {
  const std::vector<std::string_view> fields = TabFields(line);
  return {fields.begin(), fields.end()};
}

} // namespace morvane::ui
