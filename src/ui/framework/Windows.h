// The program's window set: its windows, created once at start-up, and the
// simulation state they share. Windows reach each other and the state only
// through this record. A pointer is null until its window exists.
#pragma once

#include "engine/Model.h"
#include "state/SimState.h"

class TFrmShowT;

namespace morvane::ui {

class MorvaneForm;

struct AppWindows {
  MorvaneForm *frmMorvane = nullptr;
  MorvaneForm *FrmSexImput = nullptr;
  MorvaneForm *FrmClonImput = nullptr;
  MorvaneForm *FrmPlotMenu = nullptr;
  MorvaneForm *FrmPerturb1N = nullptr;
  MorvaneForm *FrmPerturb2N = nullptr;
  // The progress window is also the display that every run reports to.
  TFrmShowT *FrmShowT = nullptr;
  MorvaneForm *FrmPerturbClone = nullptr;
  MorvaneForm *FrmPlotSex = nullptr;
  MorvaneForm *FrmPlotVeg = nullptr;

  // The state of the series the windows work on, zeroed at start.
  SimState state;
};

AppWindows &Windows();

// The windows' state: Windows().state.
inline SimState &Sim() { return Windows().state; }

// Shows `window` (ShowForm) when it exists; false when it does not (yet).
bool ShowWindow(MorvaneForm *window);

// The window that follows the runs of `model`: FrmPerturb1N (haploids),
// FrmPerturb2N (diploids) or FrmPerturbClone.
MorvaneForm *DisturbanceWindow(Model model);

} // namespace morvane::ui
