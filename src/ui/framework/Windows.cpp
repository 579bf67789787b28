#include "framework/Windows.h"

namespace morvane::ui {

AppWindows &Windows() {
  static AppWindows windows;
  return windows;
}

} // namespace morvane::ui
