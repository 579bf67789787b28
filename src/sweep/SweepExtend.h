// A sweep extended: another grid over the same parameters as the sweep its
// Final file already holds (whole, or interrupted), whose points of the very
// same values are taken over, record and row, instead of being run again.
// What comes out is byte for byte what a fresh run of the new grid writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sweep/SweepOptions.h"
#include "sweep/SweepRun.h"

namespace morvane {

// How many points of the shard an extension takes over and runs.
struct SweepExtension {
  std::size_t kept = 0;
  std::size_t run = 0;
};

// Where the temporary files of an interrupted sweep are put while another
// grid takes its points over: "s.mrv.part" gives "s.mrv.part.extended".
std::string ExtendedName(const std::string &partName);

// When the Final file of `options` (or its temporary files) holds a sweep of
// another grid over the same parameters: how many points would be kept and
// run. Nothing when it holds no sweep, or this very one. Throws UsageError
// naming what differs when it holds another sweep. Reads the tables only.
std::optional<SweepExtension> ExtensionOf(const SweepOptions &options);

// The points an extension takes over, found in the earlier sweep's files
// (each record checked against its row and that sweep's parameters), and
// handed back in grid order as the new sweep's records and rows.
class SweepTakeover {
public:
  // The takeover of the sweep that the Final file of `options` holds, or
  // that its temporary files hold (moved aside to their ExtendedName);
  // nothing when it holds none or this very sweep. The caller holds the
  // sweep's lock. Throws UsageError naming what differs.
  static std::unique_ptr<SweepTakeover> Prepare(const SweepOptions &options,
                                                const SweepPoints &points);

  // The points of the shard to run, in grid order, after its first `done`.
  std::vector<std::size_t> PointsToRun(std::size_t done) const;
  // Appends the records and rows of the points taken over that lie before
  // `point` (all that are left when it is past the last point) and not
  // yet handed back; returns how many.
  std::size_t TakeBefore(std::size_t point, std::string &records, std::string &rows);
  // Skips the points taken over that lie in the first `done` of the shard
  // (already in the outputs of an interrupted extension).
  void SkipDone(std::size_t done);
  // Once the new outputs are whole: removes the files moved aside.
  void Finish();
  std::size_t Kept() const { return kept_.size(); }

  // A point taken over: where its record and row lie in a source.
  struct KeptPoint {
    std::size_t point = 0; // in the new grid
    std::size_t source = 0;
    std::uint64_t recordAt = 0, rowAt = 0;
    std::uint32_t recordSize = 0, rowSize = 0; // the row from its T on
  };

private:
  SweepPlan plan_;
  std::vector<std::string> aside_; // files moved aside, removed by Finish
  std::vector<std::unique_ptr<std::ifstream>> finals_, tables_;
  std::vector<KeptPoint> kept_; // in grid order
  std::size_t next_ = 0;
};

} // namespace morvane
