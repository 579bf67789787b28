// One series of morvane-run kept in memory, generation by generation, for
// the Python module: the runs, reruns and Stop that morvane-run performs,
// through the same runner, with every generation's state recorded as
// columns. The Final, Detail and Plot files are written only when the
// options name them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runner/RunnerOptions.h"

namespace morvane {

// The memory of one column: anonymous pages of its own, mapped as huge pages
// once it is large (a million generations then fault in a few dozen pages
// instead of thousands), grown by remapping instead of copying, and trimmed
// to its rows at the end. Throws std::bad_alloc when no memory is left.
class ColumnMemory {
public:
  ColumnMemory() = default;
  ColumnMemory(ColumnMemory &&other) noexcept;
  ColumnMemory &operator=(ColumnMemory &&other) noexcept;
  ~ColumnMemory();

  void *Data() const { return data_; }
  std::size_t Bytes() const { return bytes_; }
  // At least `bytes` mapped, the first Bytes() kept; the rest is fresh
  // pages, which read as zeros until written.
  void Grow(std::size_t bytes);
  // Only the pages that hold the first `bytes` kept.
  void Trim(std::size_t bytes);

private:
  void *data_ = nullptr;
  std::size_t bytes_ = 0;
};

// A column of values of type T, written row by row through data() and sized
// at the end (Resize), which handed to numpy becomes its array's memory.
template <typename T> class Column {
public:
  using value_type = T;
  T *data() const { return static_cast<T *>(memory_.Data()); }
  std::size_t size() const { return size_; }
  std::size_t capacity() const { return memory_.Bytes() / sizeof(T); }
  void reserve(std::size_t n) {
    if (n > capacity())
      memory_.Grow(n * sizeof(T));
  }
  // n must not exceed the capacity: the first n rows, the others' pages
  // given back.
  void Resize(std::size_t n) {
    size_ = n;
    memory_.Trim(n * sizeof(T));
  }

private:
  ColumnMemory memory_;
  std::size_t size_ = 0;
};

// The columns of a series, one row per generation; row 0 is the state the
// series starts from (T = 0, as the Plot file's first line), with W1, W2 and
// the deltas of no generation yet (0).
struct SeriesArrays {
  bool clonal = false;
  Column<std::uint32_t> T;
  // p, q, DG, Fit (sexual models) or f(AB), f(Ab), f(aB), f(ab) (clones).
  std::array<Column<double>, 4> values;
  Column<double> W1, W2, deltaP, deltaQ;

  // Per run: the generation it started from and whether it converged
  // (false when the cap of --max-generations ended it).
  std::vector<std::uint32_t> runStarts;
  std::vector<char> runConverged;
  // Per rerun: the disturbed state it started from (p, q, DG, Fit or the
  // four clone frequencies).
  std::vector<std::array<double, 4>> rerunStates;

  bool converged = false; // every run converged
  std::string record;     // the Final record, with its CR LF
};

// Called every `checkEvery` generations on the running thread; returning
// true stops the run at the current generation, as the progress window's
// Stop does, and the series ends there with SeriesInterrupted (no record).
using SeriesInterrupt = std::function<bool()>;
struct SeriesInterrupted {};

// Runs the series of the options as morvane-run does (Final and Detail files
// when o.finalFile is set, the Plot file o.plotFile then too; otherwise no
// file at all) and returns its columns and record. Throws FileError, or
// SeriesInterrupted.
SeriesArrays RunSeriesArrays(const RunnerOptions &o, const SeriesInterrupt &interrupt = {},
                             std::uint32_t checkEvery = 1u << 16);

// The same series without recording anything: what a run costs without the
// columns, for the benchmark. Returns the generations run.
std::uint32_t RunSeriesPlain(const RunnerOptions &o);

} // namespace morvane
