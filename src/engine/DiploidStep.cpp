#include "engine/DiploidStep.h"

#include "engine/HaploidStep.h"
#include "engine/StepKernels.h"

namespace morvane {

void DiploidSettlementAndSurvival(SimState &s) {
  kernels::SettleNine(s, ComputeSettlementFactors(s));
}

void GametesAndUnion(double *g) { RandomUnion(GameteFrequencies(g), g); }

void DiploidLocalStep(SimState &s) {
  ModelStepWith<Model::DiploidLocal>(s, ComputeSettlementFactors(s));
}

void DiploidGlobalStep(SimState &s) {
  ModelStepWith<Model::DiploidGlobal>(s, ComputeSettlementFactors(s));
}

} // namespace morvane
