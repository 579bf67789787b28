// One generation of the four haploid clones AB, Ab, aB, ab.
#pragma once

#include "state/SimState.h"

namespace morvane {

// Settlement and survival, then clonal regulation and mixing of X[1..4];
// DeltaP and DeltaQ from the clone frequencies.
void ClonalStep(SimState &s);

} // namespace morvane
