// Runs of one model for a batch of populations at once, one generation after
// another: the state of the batch is held lane by lane (structure of arrays),
// so that the compiler computes a generation of several lanes with one vector
// instruction. Every lane's arithmetic is that of the model's step, in the
// same order and grouping and with the same per-run constants, so a run gives
// the very same numbers as the run loop without files.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "engine/Model.h"
#include "state/SimState.h"

namespace morvane {

// The instruction sets a batch can be computed with. Widest picks the widest
// one this processor has; the others are for comparing them.
enum class BatchIsa { Widest, Baseline, Avx2, Avx512 };

// Whether this processor can run the given set (Widest and Baseline always).
bool BatchIsaSupported(BatchIsa isa);

// The set Widest stands for on this processor, and its vector width in bits.
BatchIsa WidestBatchIsa();
int BatchIsaBits(BatchIsa isa);

// How many generations a batch computes between two looks at its stop flag.
inline constexpr std::uint64_t kStopCheck = 4096;

class BatchRuns {
public:
  static constexpr std::size_t kLanes = 16;

  // isa must be supported (BatchIsaSupported).
  explicit BatchRuns(Model model, BatchIsa isa = BatchIsa::Widest);

  Model RunModel() const { return model_; }

  // Starts a run in a free lane from s as the run loop would take it
  // (parameters, population, counters; StopRequested clear). maxGenerations
  // ends the run after that many generations if it has not converged by then.
  void Load(std::size_t lane, const SimState &s, std::optional<std::uint32_t> maxGenerations);

  // Advances every busy lane by generations until at least one run has ended:
  // after a generation, a run ends when |DeltaP| <= L and |DeltaQ| <= L, or
  // when it reaches its cap. Returns the ended lanes as a bit mask (lane k is
  // bit k); 0 when no lane is busy, or when `stop` was found set (it is
  // looked at every kStopCheck generations; the runs in the lanes are then
  // left unfinished).
  std::uint32_t Advance(const std::atomic<bool> *stop = nullptr);

  // Copies an ended run's population and counters back into s (what the run
  // loop changes: X, p, q, DG, Fit, heterozygotes, W1, W2, the deltas and T),
  // sets StopRequested and counts the run in CompletedRuns, as the run loop
  // does at its end; the lane is free again. Returns whether the cap, not
  // convergence, ended the run.
  bool Unload(std::size_t lane, SimState &s);

  bool Busy(std::size_t lane) const { return (busy_ >> lane) & 1u; }
  bool Idle() const { return busy_ == 0; }
  // A free lane, or kLanes when all are busy.
  std::size_t FreeLane() const;

  // The state of the lanes, one array per quantity (public for the kernels).
  struct Lanes {
    // Per-run constants: the products of the settlement stage that do not
    // change within a run, grouped as the step groups them.
    double cd[kLanes];                                   // c*d
    double c1d[kLanes];                                  // (1 - c)*d
    double cdS[kLanes];                                  // c*d*SAB1
    double cdR[kLanes];                                  // c*d*RaB1
    double c1dR[kLanes];                                 // (1 - c)*d*RAB2
    double c1dS[kLanes];                                 // (1 - c)*d*SaB2
    double c[kLanes], c1[kLanes], x[kLanes], x1[kLanes]; // c, 1 - c, x, 1 - x
    double W1A[kLanes], W2A[kLanes], W1a[kLanes], W2a[kLanes];
    double L[kLanes]; // stop threshold; a free lane never converges
    // Population and the quantities of the last generation.
    double X[9][kLanes];
    double FreqA[kLanes], FreqB[kLanes], DG[kLanes], Fit[kLanes], Heteroz[kLanes];
    double W1[kLanes], W2[kLanes], DeltaP[kLanes], DeltaQ[kLanes];
    // Generations of the run so far, and its cap (none: never reached).
    std::uint64_t count[kLanes];
    std::uint64_t cap[kLanes];
  };

private:
  Model model_;
  BatchIsa isa_;
  std::uint32_t busy_ = 0;
  std::uint32_t generationBase_[kLanes] = {}; // T when the run was loaded
  alignas(64) Lanes lanes_{};
};

// Where a batch takes its series from and where they end: each series runs
// in one lane, with a simulation state of its own, from its first run to its
// last.
class BatchSeriesSource {
public:
  virtual ~BatchSeriesSource() = default;
  // Begins the next series of the source in s (reset first by the source as
  // it needs), its first run due, and returns true; false when none is left.
  // Without wait it may also return false when no series can be had now
  // (other lanes are busy; it is asked again when one of their runs ends);
  // with wait (no lane busy) it sleeps until one can be had.
  virtual bool BeginNext(std::size_t lane, SimState &s, bool wait) = 0;
  // A run of the lane's series has ended, by its cap when capped. Begins the
  // series' next run in s and returns true, or returns false when the series
  // is done (s then holds its end).
  virtual bool RunEnded(std::size_t lane, SimState &s, bool capped) = 0;
};

// Runs every series of the source on the lanes of `runs` until none is left,
// each run capped at maxGenerations. A lane whose series ends takes the next
// one at once. When `stop` is set, the series in hand are dropped unfinished
// (neither RunEnded nor BeginNext is called again) within kStopCheck
// generations. An exception of the source propagates.
void RunBatchedSeries(BatchRuns &runs, BatchSeriesSource &source,
                      std::optional<std::uint32_t> maxGenerations,
                      const std::atomic<bool> *stop = nullptr);

} // namespace morvane
