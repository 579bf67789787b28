#include "ui/framework/Windows.h"

#include "ui/framework/MorvaneForm.h"

namespace morvane::ui {

AppWindows &Windows() {
  static AppWindows windows;
  return windows;
}

bool ShowWindow(MorvaneForm *window) {
  if (!window)
    return false;
  window->ShowForm();
  return true;
}

MorvaneForm *DisturbanceWindow(Model model) {
  const AppWindows &w = Windows();
  if (IsHaploidSexual(model))
    return w.FrmPerturb1N;
  return IsDiploid(model) ? w.FrmPerturb2N : w.FrmPerturbClone;
}

} // namespace morvane::ui
