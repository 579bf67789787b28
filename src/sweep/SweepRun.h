// The points of a sweep run: each point's series as morvane-run would run it,
// on several threads (each with its own simulation state, or lanes of the
// batch step), their results handed on in grid order.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "state/SimState.h"
#include "sweep/SweepOptions.h"
#include "sweep/SweepThreads.h"

namespace morvane {

// Runs one point, with the options its arguments give (SweepPointOptions), in
// s (reset first), as morvane-run would run it; with a trace folder, writes
// the point's Detail and Plot files there. Throws FileError.
SweepPointResult RunSweepPoint(const SweepOptions &options, std::size_t point,
                               RunnerOptions pointOptions, SimState &s);

// The point's record and row from the state its series ended in (stopped
// here), converged when no run of it was cut by the cap.
SweepPointResult SweepPointResultOf(const SweepOptions &options, std::size_t point, Model model,
                                    SimState &s, bool converged);

// Hands results in grid order to where they are written.
using SweepResultsWriter = std::function<void(std::vector<SweepPointResult> &)>;

// Runs the `count` points of the shard that follow its first `done` ones,
// on options.jobs threads, and hands their results to `write` in grid order
// on the calling thread. Without a trace folder a worker runs its points in
// a batch of runs (all points share the model and the cap); with one, point
// by point, each with its files. `progress`, when not null, receives a
// progress line rewritten in place. When `cancel` is set no point is started
// any more; batched points in hand are dropped unfinished (traced ones are
// finished), and those done that follow the last written one without a gap
// are written. The first error stops the workers
// and is rethrown. Returns the number of points written. With `only`, the
// points run are only[done], only[done + 1] ... instead.
std::size_t RunShardPoints(const SweepOptions &options, const SweepPoints &points, std::size_t done,
                           std::size_t count, const SweepResultsWriter &write,
                           std::ostream *progress, const std::atomic<bool> *cancel,
                           const std::vector<std::size_t> *only = nullptr);

// The bytes the trace files of the shard's points will take (within a
// factor of 2): every point's series run first without them, in batches as
// a sweep without a trace folder runs, for the generations of its runs.
// Nothing when `cancel` is set before all are counted.
std::optional<std::uint64_t> TraceBytes(const SweepOptions &options, const SweepPoints &points,
                                        const std::atomic<bool> *cancel);

} // namespace morvane
