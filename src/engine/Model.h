// The five models the program simulates.
#pragma once

#include "state/SimState.h"

namespace morvane {

enum class Model { HaploidLocal, HaploidGlobal, DiploidLocal, DiploidGlobal, Clonal };

constexpr bool IsDiploid(Model m) { return m == Model::DiploidLocal || m == Model::DiploidGlobal; }
constexpr bool IsHaploidSexual(Model m) {
  return m == Model::HaploidLocal || m == Model::HaploidGlobal;
}

} // namespace morvane
