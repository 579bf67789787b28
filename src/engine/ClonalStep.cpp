#include "engine/ClonalStep.h"

#include "engine/HaploidStep.h"

namespace morvane {

void ClonalStep(SimState &s) {
  // Stage 1: the same dispersal, habitat choice and survival as the sexual
  // haploids.
  SettlementAndSurvival(s);

  // Stage 2: regulation and mixing without mating. p and q are not kept for
  // clones; the changes come from the clone frequencies themselves.
  const double pOld = s.X[1] + s.X[2];
  const double qOld = s.X[1] + s.X[3];
  RegulateAndMix(s, 4); // an extinct population keeps X[1..4] = 0
  s.DeltaP = (s.X[1] + s.X[2]) - pOld;
  s.DeltaQ = (s.X[1] + s.X[3]) - qOld;
}

} // namespace morvane
