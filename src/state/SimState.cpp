#include "state/SimState.h"

namespace morvane {

SimState Sim;

void ResetSimState() { Sim = SimState{}; }

} // namespace morvane
