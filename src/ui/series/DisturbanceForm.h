// What the three disturbance windows have in common: shown by the run loop at
// the end of every run of a series, they report the run and generation
// counters, rerun the series from new values typed by the user, or stop it
// with its record in the Final file and show the plot window of the model.
#pragma once

#include <QString>
#include <functional>
#include <initializer_list>
#include <optional>
#include <vector>

#include "engine/FieldRules.h"
#include "engine/RunLoop.h"
#include "state/SimState.h"
#include "ui/framework/Windows.h"
#include "ui/series/SeriesWindow.h"

class QAction;
class QCloseEvent;
class QLabel;
class QPushButton;

namespace morvane::ui {

class DisturbanceForm : public SeriesWindow {
public:
  // Back as at the end of a run (show handler, controls reset from the state),
  // with the error's message in place of the counters.
  void ShowAfterError(const std::exception &e) override;

  // A close of this window or of the main window while the series waits for
  // Stop asks first: Stop writes the record as the Stop button does,
  // Discard closes without it, Cancel keeps the window. Returns false when
  // the close must not happen (Cancel, or a record that could not be
  // written: the window is back with the error).
  bool AskBeforeClosing();
  // The disturbance window whose series waits for Stop, if one does.
  static DisturbanceForm *Waiting();

  // "Completed runs=" N "; T=" M, the counters of the series.
  static QString CountersText(const SimState &s);
  // The line under the counters when the run ended before its stop rule
  // (interrupted, or cut by a file error).
  static QString NotConvergedText(const SimState &s);
  // The line under the counters when the run ended by its stop rule: what
  // the state it stopped on is (an equilibrium and its stability, or not one).
  static QString ReachedText(const SimState &s, Model model);

protected:
  explicit DisturbanceForm(QWidget *parent = nullptr);

  // The controls that the three windows have, under their own names, and
  // how the window stops its series.
  struct Controls {
    QPushButton *perturb; // opens the window for a disturbance
    QPushButton *go;
    QPushButton *stop;
    QAction *help;
    QPushButton *analyse;            // opens the phase plane of the series
    QLabel *reached;                 // what the state reached is
    std::vector<QWidget *> editable; // closed at every show
    void (*stopSeries)(SimState &);
    MorvaneForm *AppWindows::*plotWindow; // shown once the series stopped
  };
  // Connects the controls and the field table; `go` is Go's handler.
  void SetUpDisturbanceWindow(Controls controls, FieldTable fields, std::function<void()> go);

  // The first steps of every show handler: StopRequested := false, the
  // focus on the disturbance button, the editable controls closed.
  void BeginShow();
  // The disturbance button, once StopRequested is false again: by default
  // every editable control opens.
  virtual void OpenForDisturbance();
  // Go's reading of the field table.
  void ReadFields() const { SeriesWindow::ReadFields(fields_); }

  // The last step of every show handler: the counters (or, after a failure,
  // the error) are shown once the window is on screen, so that the box
  // stands over the window it belongs to.
  void AnnounceResult();
  void FormActivate() override;
  void closeEvent(QCloseEvent *e) override;

  // Go's run: CloseAndRun, and when the rerun fails before its first
  // generation the state goes back to the last generation the files hold.
  void CloseAndRerun(Model model, std::function<void(RunDisplay &)> rerun);

  static void Enable(std::initializer_list<QWidget *> controls, bool enabled);

private:
  // Stop: StopRequested := true, the window hidden, the series' record
  // appended by the window's stop (which also sets PlotRows := Generation),
  // then the plot window of the model. When the record cannot be written the
  // window comes back as at the end of a run, with the error's message, so
  // that the user can mend the cause and stop again (one record) or go on
  // disturbing.
  // Returns whether the record was written.
  bool StopSeries();

  // The held generation, when nothing ran since the window was shown.
  void RestoreHeld();
  // Analyse: the phase plane at the series' parameters, its path drawn.
  void OpenAnalysis();

  Controls controls_{};
  std::optional<GenerationSnapshot> held_; // the last generation the files hold
  FieldTable fields_;
  QString errorText_;    // the error that the next show announces
  QString announcement_; // shown by the next activation
};

// The p and q fields of the sexual disturbance windows: the input windows'
// rows with the value held before the entry as substitute.
const FieldRule &NewFreqARule();
const FieldRule &NewFreqBRule();

} // namespace morvane::ui
