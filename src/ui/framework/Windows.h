// The program's windows, created once at start-up; windows reach each other
// only through this record. A pointer is null until its window exists.
#pragma once

class TfrmMorvane;
class TFrmSexImput;
class TFrmClonImput;
class TFrmPlotMenu;
class TFrmPerturb1N;
class TFrmPerturb2N;
class TFrmShowT;
class TFrmPerturbClone;
class TFrmPlotSex;
class TFrmPlotVeg;

namespace morvane::ui {

struct AppWindows {
  TfrmMorvane *frmMorvane = nullptr;
  TFrmSexImput *FrmSexImput = nullptr;
  TFrmClonImput *FrmClonImput = nullptr;
  TFrmPlotMenu *FrmPlotMenu = nullptr;
  TFrmPerturb1N *FrmPerturb1N = nullptr;
  TFrmPerturb2N *FrmPerturb2N = nullptr;
  TFrmShowT *FrmShowT = nullptr;
  TFrmPerturbClone *FrmPerturbClone = nullptr;
  TFrmPlotSex *FrmPlotSex = nullptr;
  TFrmPlotVeg *FrmPlotVeg = nullptr;
};

AppWindows &Windows();

} // namespace morvane::ui
