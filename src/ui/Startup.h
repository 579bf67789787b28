// Start-up of the desktop program: the windows, created once in their fixed
// order, and the event loop.
#pragma once

#include <memory>
#include <vector>

namespace morvane::ui {

class MorvaneForm;

// Owns the program's windows from start-up to the end of the program.
class ProgramWindows {
public:
  // Creates the windows in their order, all hidden, the main window first,
  // and records them in Windows().
  ProgramWindows();
  // Destroys them in the reverse order and clears Windows().
  ~ProgramWindows();
  ProgramWindows(const ProgramWindows &) = delete;
  ProgramWindows &operator=(const ProgramWindows &) = delete;

  // The windows in the order in which they were created.
  const std::vector<MorvaneForm *> &InOrder() const { return order_; }

private:
  std::vector<std::unique_ptr<MorvaneForm>> owned_;
  std::vector<MorvaneForm *> order_;
};

// The whole program: application object, help viewer, windows, main window
// shown, event loop. Returns the exit code of the event loop.
int RunProgram(int &argc, char **argv);

} // namespace morvane::ui
