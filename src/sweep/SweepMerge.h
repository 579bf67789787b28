// The merge of the shards of one sweep back into one Final file and table.
#pragma once

#include <functional>
#include <string>

#include "sweep/SweepOptions.h"
#include "sweep/SweepOutputs.h"

namespace morvane {

// Draws the map of the table `table` into the file `map` (a temporary name).
using SweepMapDrawer = std::function<void(const std::string &table, const std::string &map)>;

// Reads the Final files of the shards and their tables (each shard given by
// either), checks that they are all the shards of one sweep, complete, every
// record against its row and its point's parameters, and writes
// options.finalFile and its table in grid order, and with options.mapFile
// its map drawn by `drawMap` from the table: all under temporary names,
// renamed once every one is whole. The files are read line by line, twice
// (checked, then written): nothing is held per point. The merge holds the
// lock of its outputs (SweepLock) throughout. Outputs of this very merge
// found whole are kept (returns true: already done), a merge stopped
// between its renames is finished; temporary files of the outputs' names
// are removed only when left by a merge. Sets options.plan. Throws
// UsageError (nothing written) or FileError.
bool MergeSweepShards(SweepOptions &options, const SweepMapDrawer &drawMap = {});

} // namespace morvane
