#include "framework/Windows.h"

#include "framework/MorvaneForm.h"

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

} // namespace morvane::ui
