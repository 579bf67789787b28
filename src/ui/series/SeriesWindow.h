// What the windows that start runs have in common (the two input windows and
// the three disturbance windows): the display the runs report to, and what
// happens when a run fails.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/FieldRules.h"
#include "engine/Model.h"
#include "ui/framework/MorvaneForm.h"

class QLineEdit;

namespace morvane {
class RunDisplay;
struct SimState;
} // namespace morvane

namespace morvane::ui {

// One row of a window's field table. The rule checks the field as it is left
// (`before` and `then` run around it: the bounds brought up to date, what
// follows the entry), and Go reads the field's text into the rule's target.
// Rows stand in Go's reading order.
struct FieldRow {
  QLineEdit *field;
  const FieldRule *rule;
  std::function<void()> then = {};
  std::function<void()> before = {};
  // The fitness group's fields: the group checks them; Go only reads them.
  bool checkedByGroup = false;
};
using FieldTable = std::vector<FieldRow>;

class SeriesWindow : public MorvaneForm {
public:
  // The display of the runs that this window starts; nullptr (the default)
  // means the program's progress window.
  void SetRunDisplay(RunDisplay *display) { runDisplay_ = display; }

  // Shows the window with `e`'s message over it. The input windows show
  // themselves again; the disturbance windows override it to come back as at
  // the end of a run, with the error in place of the run's counters.
  virtual void ShowAfterError(const std::exception &e);

  // The model chosen in the state: clones, or the sexual model of the mode
  // flags (haploids with local panmixia when none is set).
  static Model SeriesModel(const SimState &s);

protected:
  explicit SeriesWindow(QWidget *parent = nullptr);

  // The field-exit rule on one of this window's fields; after a refused
  // entry, the rule's message with the window back to the front and the
  // focus in the field. Returns false when the entry was refused.
  bool CheckEntry(QLineEdit *field, const FieldRule &rule);

  // The window's field table: each field's exit runs its row.
  void WireFieldExits(const FieldTable &table);
  // Go's reading: every value is stored as soon as it is read; a text that
  // is no number (or a count beyond 16 bits) throws ParseError, which ends
  // Go there with what was read before it kept.
  static void ReadFields(const FieldTable &table);
  // A count read by Go: it must fit the 16-bit count it goes into.
  static std::uint16_t ReadTries(const QString &text);

  // DGMin and DGMax of the p and q held in the state, shown in `rangeField`.
  static void ShowDGRange(QLineEdit *rangeField);
  // Go's check of a DG read: one that was in range when it was typed may have
  // left the range since p or q changed, and the population built from it
  // would have negative type frequencies. Such a DG becomes 0 and is refused
  // as `rule`'s exit refuses it (the field open for the correction); false
  // then.
  bool KeepDGInRange(QLineEdit *rangeField, QLineEdit *dgField, const FieldRule &rule);

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
