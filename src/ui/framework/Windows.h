// The program's windows, created once at start-up; windows reach each other
// only through this record. A pointer is null until its window exists.
#pragma once

#include "engine/Model.h"

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
};

AppWindows &Windows();

// Shows `window` (ShowForm) when it exists; false when it does not (yet).
bool ShowWindow(MorvaneForm *window);

// The window that follows the runs of `model`: FrmPerturb1N (haploids),
// FrmPerturb2N (diploids) or FrmPerturbClone.
MorvaneForm *DisturbanceWindow(Model model);

} // namespace morvane::ui
