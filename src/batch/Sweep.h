// A sweep: the series of morvane-run at every point of a grid, run on several
// threads (each with its own simulation state), written in grid order to a
// Final file and a table; and the merge of the shards of one sweep.
#pragma once

#include <atomic>
#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "batch/SweepOptions.h"
#include "batch/SweepThreads.h"
#include "state/SimState.h"

namespace morvane {

// "point", the varied parameters, "T", the four outputs, "converged"; LF.
std::string SweepTableHeader(const SweepPlan &plan);

// Runs one point, with the options its arguments give (SweepPointOptions), in
// s (reset first), as morvane-run would run it; with a trace folder, writes
// the point's Detail and Plot files there. Throws FileError.
SweepPointResult RunSweepPoint(const SweepOptions &options, std::size_t point,
                               RunnerOptions pointOptions, SimState &s);

// The point's record and row from the state its series ended in (stopped
// here), converged when no run of it was cut by the cap.
SweepPointResult SweepPointResultOf(const SweepOptions &options, std::size_t point, Model model,
                                    SimState &s, bool converged);

// Checks every point of the grid (not only those of the shard, so that all
// shards accept or refuse a sweep alike) on `jobs` threads, keeping nothing
// per point, and returns the points' options to be made as they are run.
// Throws the UsageError of the first refused point in grid order.
SweepPoints CheckSweepPoints(const SweepPlan &plan, unsigned jobs);

// What a run of a sweep did.
struct SweepRun {
  bool alreadyDone = false;   // its complete outputs existed: nothing was run
  std::size_t pointsDone = 0; // points of the shard in the outputs
  std::size_t points = 0;     // points of the shard
  bool Complete() const { return pointsDone == points; }
};

// Runs the points of the shard, with their options as CheckSweepPoints
// makes them, on options.jobs threads, adding each point's record and row in grid
// order, as soon as those before it are done, to the Final file and the
// table under their temporary names (PartName), renamed once every point is
// in. With options.resume, goes on from the temporary files of an
// interrupted run. `progress`, when not null, receives a progress line
// rewritten in place. When `cancel` is set the points in hand are finished
// and written and the run stops, its temporary files kept for a resume.
// Throws UsageError (outputs refused, see PrepareSweepOutputs) or FileError;
// the records written before stay in the temporary files.
SweepRun RunSweep(const SweepOptions &options, const SweepPoints &points, std::ostream *progress,
                  const std::atomic<bool> *cancel = nullptr);

} // namespace morvane
