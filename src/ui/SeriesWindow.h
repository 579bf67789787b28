// What the windows that start runs have in common (the two input windows and
// the three disturbance windows): the display the runs report to, and what
// happens when a run fails.
#pragma once

#include <functional>

#include "engine/FieldRules.h"
#include "engine/Model.h"
#include "framework/MorvaneForm.h"

class QLineEdit;

namespace morvane {
class RunDisplay;
}

namespace morvane::ui {

class SeriesWindow : public MorvaneForm {
public:
  // The display of the runs that this window starts; nullptr (the default)
  // means the program's progress window.
  void SetRunDisplay(RunDisplay *display) { runDisplay_ = display; }

  // Shows the window with `e`'s message over it. The input windows show
  // themselves again; the disturbance windows override it to come back as at
  // the end of a run, with the error in place of the run's counters.
  virtual void ShowAfterError(const std::exception &e);

protected:
  explicit SeriesWindow(QWidget *parent = nullptr);

  // The field-exit rule on one of this window's fields; after a refused
  // entry, the rule's message with the window back to the front and the
  // focus in the field. Returns false when the entry was refused.
  bool CheckEntry(QLineEdit *field, const FieldRule &rule);

  // The display for the runs this window starts: the one given, or the
  // progress window.
  RunDisplay &Display() const;

  // Closes this window and calls `run`, which runs one run of a series of
  // `model` on the display it is given; the run hands over to the model's
  // disturbance window when it ends. When `run` fails, the error is shown
  // over the window that takes over: the model's disturbance window once the
  // run loop has started (the state is then that of the last generation the
  // files hold, so the user can mend the cause and go on or stop), or this
  // window when nothing of the run was written. No error leaves the program
  // without a visible window.
  void CloseAndRun(Model model, const std::function<void(RunDisplay &)> &run);

private:
  RunDisplay *runDisplay_ = nullptr;
};

} // namespace morvane::ui
