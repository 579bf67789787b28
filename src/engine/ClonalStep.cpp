#include "engine/ClonalStep.h"

#include "engine/HaploidStep.h"
#include "engine/StepKernels.h"

namespace morvane {

void ClonalStep(SimState &s) { ModelStepWith<Model::Clonal>(s, ComputeSettlementFactors(s)); }

} // namespace morvane
