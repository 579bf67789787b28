#include "python/SeriesArrays.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "engine/Series.h"
#include "files/FinalFile.h"
#include "runner/Runner.h"

namespace morvane {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
// The head of a column lies in ordinary pages, so that a short series faults
// in no huge page; the rest starts on a huge page boundary.
constexpr std::size_t kSmallHead = std::size_t(256) << 10;

std::size_t RoundUp(std::size_t n, std::size_t unit) { return (n + unit - 1) / unit * unit; }

std::size_t PageBytes() { return std::size_t(::sysconf(_SC_PAGESIZE)); }

// `bytes` of new pages whose head ends on a huge page boundary: a huge page
// more is mapped, and what lies around the placement given back.
char *MapPlaced(std::size_t bytes) {
  const std::size_t span = bytes + kHugePage;
  void *mapped = ::mmap(nullptr, span, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (mapped == MAP_FAILED)
    throw std::bad_alloc();
  char *raw = static_cast<char *>(mapped);
  const auto head = reinterpret_cast<std::uintptr_t>(raw) + kSmallHead;
  char *start = raw + (RoundUp(head, kHugePage) - head);
  if (start > raw)
    ::munmap(raw, std::size_t(start - raw));
  if (raw + span > start + bytes)
    ::munmap(start + bytes, std::size_t(raw + span - (start + bytes)));
  return start;
}

} // namespace

ColumnMemory::ColumnMemory(ColumnMemory &&other) noexcept
    : data_(std::exchange(other.data_, nullptr)), bytes_(std::exchange(other.bytes_, 0)) {}

ColumnMemory &ColumnMemory::operator=(ColumnMemory &&other) noexcept {
  if (this != &other) {
    if (data_)
      ::munmap(data_, bytes_);
    data_ = std::exchange(other.data_, nullptr);
    bytes_ = std::exchange(other.bytes_, 0);
  }
  return *this;
}

ColumnMemory::~ColumnMemory() {
  if (data_)
    ::munmap(data_, bytes_);
}

void ColumnMemory::Grow(std::size_t bytes) {
  if (bytes <= bytes_)
    return;
  // Past the head, whole huge pages: a part of one would be ordinary pages.
  bytes = bytes > kSmallHead ? kSmallHead + RoundUp(bytes - kSmallHead, kHugePage)
                             : RoundUp(bytes, PageBytes());
  char *start = MapPlaced(bytes);
  // The rows written so far move there, their pages with them (no copy).
  if (data_ &&
      ::mremap(data_, bytes_, bytes_, MREMAP_MAYMOVE | MREMAP_FIXED, start) == MAP_FAILED) {
    ::munmap(start, bytes);
    throw std::bad_alloc();
  }
  // Advice only: without huge pages the column is the same, in more pages.
  if (bytes > kSmallHead)
    ::madvise(start + kSmallHead, bytes - kSmallHead, MADV_HUGEPAGE);
  data_ = start;
  bytes_ = bytes;
}

void ColumnMemory::Trim(std::size_t bytes) {
  // At least one page stays, so that even an empty column has its memory.
  const std::size_t keep = std::max(RoundUp(bytes, PageBytes()), PageBytes());
  if (data_ && keep < bytes_) {
    ::munmap(static_cast<char *>(data_) + keep, bytes_ - keep);
    bytes_ = keep;
  }
}

namespace {

// The runner's display, which also records every generation's state (and
// the state a series starts from) and asks, now and then, whether to stop.
// The rows go straight into the columns' memory, which grows by doubling;
// zeros are left to the fresh pages, which already hold them (Put).
class RecordingDisplay final : public RunnerDisplay {
public:
  RecordingDisplay(SimState &s, const RunnerOptions &o, SeriesArrays &out,
                   const SeriesInterrupt &interrupt, std::uint32_t checkEvery)
      : RunnerDisplay(s, o.maxGenerations), s_(s), out_(out), interrupt_(interrupt),
        checkEvery_(checkEvery ? checkEvery : 1) {
    // Pages are taken only where rows are written: the room of the longest
    // series the cap allows costs nothing more than the rows themselves.
    std::size_t rows = kUncappedRows;
    if (o.maxGenerations)
      rows = 1 + std::min<std::size_t>(std::size_t(*o.maxGenerations) * (1 + o.disturbances.size()),
                                       kMostRows);
    Reserve(rows);
  }

  void ShowProgress() override {
    RunnerDisplay::ShowProgress();
    if (rows_ == 0)
      Record();
    out_.runStarts.push_back(s_.Generation);
  }

  void ProcessPendingEvents() override {
    Record();
    RunnerDisplay::ProcessPendingEvents();
    if (interrupt_ && ++sinceCheck_ >= checkEvery_) {
      sinceCheck_ = 0;
      if (!s_.StopRequested && interrupt_()) {
        s_.StopRequested = true;
        interrupted_ = true;
      }
    }
  }

  bool Interrupted() const { return interrupted_; }

  // The columns sized to the rows written.
  void Finish() {
    out_.T.Resize(rows_);
    for (Column<double> *column : Doubles())
      column->Resize(rows_);
  }

private:
  // Without a cap the columns start with room for a short series and double
  // when full; a cap sets their room (up to kMostRows) once.
  static constexpr std::size_t kUncappedRows = std::size_t(1) << 14;
  static constexpr std::size_t kMostRows = std::size_t(1) << 22;

  std::array<Column<double> *, 8> Doubles() {
    return {&out_.values[0], &out_.values[1], &out_.values[2], &out_.values[3],
            &out_.W1,        &out_.W2,        &out_.deltaP,    &out_.deltaQ};
  }

  [[gnu::noinline]] void Reserve(std::size_t rows) {
    out_.T.reserve(rows);
    T_ = out_.T.data();
    const auto doubles = Doubles();
    for (std::size_t k = 0; k < doubles.size(); ++k) {
      doubles[k]->reserve(rows);
      columns_[k] = doubles[k]->data();
    }
    capacity_ = rows;
  }

  void Record() {
    if (__builtin_expect(rows_ == capacity_, 0))
      Reserve(2 * capacity_);
    const std::size_t r = rows_++;
    const bool clonal = out_.clonal;
    T_[r] = s_.Generation;
    Put(columns_[0] + r, clonal ? s_.X[1] : s_.FreqA);
    Put(columns_[1] + r, clonal ? s_.X[2] : s_.FreqB);
    Put(columns_[2] + r, clonal ? s_.X[3] : s_.DG);
    Put(columns_[3] + r, clonal ? s_.X[4] : s_.Fit);
    Put(columns_[4] + r, s_.W1);
    Put(columns_[5] + r, s_.W2);
    Put(columns_[6] + r, s_.DeltaP);
    Put(columns_[7] + r, s_.DeltaQ);
  }

  // A value into its row, except +0.0 (every bit clear), which the row of
  // fresh pages already holds: pages that only ever hold zeros (Fit in the
  // haploid models, DG or a delta once a locus is fixed) are then never
  // written, so never faulted in nor cleared, and take no memory. The zero
  // goes to a slot of its own instead: a choice of address rather than of
  // whether to store.
  void Put(double *row, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    *(bits ? row : &discarded_) = value;
  }

  SimState &s_;
  SeriesArrays &out_;
  const SeriesInterrupt &interrupt_;
  std::uint32_t checkEvery_;
  std::uint32_t sinceCheck_ = 0;
  bool interrupted_ = false;
  // Where the rows go, and how many the columns hold.
  std::uint32_t *T_ = nullptr;
  std::array<double *, 8> columns_{};
  std::size_t rows_ = 0, capacity_ = 0;
  double discarded_ = 0;
};

} // namespace

SeriesArrays RunSeriesArrays(const RunnerOptions &o, const SeriesInterrupt &interrupt,
                             std::uint32_t checkEvery) {
  SeriesArrays out;
  out.clonal = o.model == Model::Clonal;
  const bool files = !o.finalFile.empty();
  SimState s;
  // Main window: the Final file, then the Detail file, as morvane-run.
  if (files) {
    ChooseFinalFile(s, o.finalFile);
    ChooseDetailFile(s, o.detailFile);
  }
  RecordingDisplay display(s, o, out, interrupt, checkEvery);
  RunSeriesRuns(o, s, display, files ? Tracing::ToFiles : Tracing::Off, [&] {
    if (display.Interrupted())
      throw SeriesInterrupted{};
    out.runConverged.push_back(s.LastRunConverged);
  });
  display.Finish();
  for (const SimState::RerunStart &start : s.RerunStarts)
    out.rerunStates.push_back(start.Values);
  out.converged = true;
  for (char c : out.runConverged)
    out.converged = out.converged && c;

  // Stop: the series' record, appended to the Final file when there is one.
  s.StopRequested = true;
  out.record = FinalRecordLine(s, out.clonal);
  if (files) {
    if (out.clonal)
      StopClonalSeries(s);
    else
      StopSexualSeries(s);
  }
  return out;
}

std::uint32_t RunSeriesPlain(const RunnerOptions &o) {
  SimState s;
  RunnerDisplay display(s, o.maxGenerations);
  RunSeriesRuns(o, s, display, Tracing::Off, [] {});
  return s.Generation;
}

} // namespace morvane
