#include "ui/Startup.h"

#include "ui/UMorvane1.h"
#include "ui/charts/UPlotMenu.h"
#include "ui/charts/UPlotSex.h"
#include "ui/charts/UPlotVeg.h"
#include "ui/framework/ErrorHandler.h"
#include "ui/framework/Help.h"
#include "ui/framework/Windows.h"
#include "ui/series/UClonImput.h"
#include "ui/series/UPerturb.h"
#include "ui/series/UPerturb2N.h"
#include "ui/series/UPerturbClone.h"
#include "ui/series/USexImput.h"
#include "ui/series/UTShowStop.h"
#include "ui/sweep/USweep.h"

namespace morvane::ui {

ProgramWindows::ProgramWindows() {
  auto add = [this](auto *form) {
    owned_.emplace_back(form);
    order_.push_back(form);
    return form;
  };
  AppWindows &w = Windows();
  // 1. The main window, created first so that it is the program's main window.
  w.frmMorvane = add(new TfrmMorvane);
  // 2. The sexual and 3. the clonal input window.
  w.FrmSexImput = add(new TFrmSexImput);
  w.FrmClonImput = add(new TFrmClonImput);
  // 4. The plot menu.
  w.FrmPlotMenu = add(new TFrmPlotMenu);
  // 5. and 6. The haploid and the diploid disturbance window.
  w.FrmPerturb1N = add(new TFrmPerturb1N);
  w.FrmPerturb2N = add(new TFrmPerturb2N);
  // 7. The progress window.
  w.FrmShowT = add(new TFrmShowT);
  // 8. The clonal disturbance window.
  w.FrmPerturbClone = add(new TFrmPerturbClone);
  // 9. The sexual and 10. the clonal plot window.
  w.FrmPlotSex = add(new TFrmPlotSex);
  w.FrmPlotVeg = add(new TFrmPlotVeg);
  // 11. The sweep window.
  w.FrmSweep = add(new TFrmSweep);
}

ProgramWindows::~ProgramWindows() {
  Windows() = AppWindows{};
  while (!owned_.empty())
    owned_.pop_back();
}

int RunProgram(int &argc, char **argv) {
  MorvaneApplication app(argc, argv);
  TextHelpViewer helpViewer;
  SetProductionHelp(&helpViewer);
  int code = 0;
  {
    ProgramWindows windows;
    Windows().frmMorvane->ShowForm();
    code = app.exec();
    Help().CloseViewer();
  }
  SetProductionHelp(nullptr);
  return code;
}

} // namespace morvane::ui
