// The merge of the shards of one sweep back into one Final file and table.
#pragma once

#include "sweep/SweepOptions.h"
#include "sweep/SweepOutputs.h"

namespace morvane {

// Reads the Final files of the shards and their tables (each shard given by
// either), checks that they are all the shards of one sweep, complete, every
// record against its row and its point's parameters, and writes
// options.finalFile and its table in grid order. The files are read line by
// line, twice (checked, then written): nothing is held per point. Sets
// options.plan. Throws UsageError (nothing written) or
// FileError.
void MergeSweepShards(SweepOptions &options);

} // namespace morvane
