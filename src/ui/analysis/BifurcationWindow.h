// The bifurcation diagram window: for a model at given parameters, one
// parameter varied over a range; Go follows every branch of equilibria
// (the continuation of morvane-analyse continue) on a worker thread, then
// draws the branches of the chosen quantity. Hovering on an event names it
// with its parameter value; a click on a branch hands the model and the
// parameters at that value to the phase-plane hook. The figure is saved
// through the export dialog, the branches as CSV.
#pragma once

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/Continuation.h"
#include "engine/Model.h"
#include "state/Parameters.h"
#include "ui/framework/MorvaneForm.h"

class QCustomPlot;
class QMouseEvent;
class QThread;

namespace Ui {
class TFrmBifurcation;
}

namespace morvane::figure {
class BifurcationFigure;
}

class TFrmBifurcation : public morvane::ui::MorvaneForm {
  Q_OBJECT

public:
  // What a click on a branch does: open the phase plane of the model at the
  // parameters with the varied one at the value clicked.
  using PhasePlaneHook = std::function<void(morvane::Model, morvane::Parameters)>;

  TFrmBifurcation(morvane::Model model, const morvane::Parameters &parameters,
                  QWidget *parent = nullptr);
  ~TFrmBifurcation() override;

  void SetPhasePlaneHook(PhasePlaneHook hook) { hook_ = std::move(hook); }
  // Chooses the parameter varied (as morvane-run names it: "x", "c", "W1A"...)
  // and its range; false (nothing changed) for a parameter the diagram cannot
  // vary.
  bool Vary(const std::string &name, double from, double to);

  // Go: checks the range and starts the continuation; Cancel stops it.
  void Go();
  void Cancel();
  bool Running() const { return worker_ != nullptr; }
  // "Export data...": the branches as CSV, in the columns of morvane-analyse
  // continue; "Save figure...": the export dialog, then the file.
  void ExportData();
  void SaveFigure();

  const morvane::figure::BifurcationFigure &Figure() const { return *figure_; }
  QCustomPlot *Plot() const;
  // The parameters of a branch's row, the varied one at its value.
  morvane::Parameters ParametersAt(std::size_t row) const;

signals:
  // The continuation ended: drawn, or cancelled.
  void Finished();

protected:
  void keyPressEvent(QKeyEvent *e) override;
  void closeEvent(QCloseEvent *e) override;

private:
  struct Work;
  void Done();
  void Draw();
  void Hover(QMouseEvent *e);
  void Click(QMouseEvent *e);
  void ParameterChosen();
  void SetRunning(bool running);

  std::unique_ptr<Ui::TFrmBifurcation> ui_;
  std::unique_ptr<morvane::figure::BifurcationFigure> figure_;
  morvane::Model model_;
  morvane::Parameters parameters_;
  morvane::analysis::Parameter along_ = morvane::analysis::Parameter::HabFreq;
  std::vector<morvane::analysis::BranchPoint> points_;
  std::shared_ptr<Work> work_;
  QThread *worker_ = nullptr;
  PhasePlaneHook hook_;
  QString folder_;
  // The parameter and range of the branches drawn.
  std::string variedName_ = "c";
  double parametersRange_[2] = {0, 0};
};

// Opens a bifurcation diagram window for `model` at `parameters` (deleted
// when closed), whose click on a branch opens the phase plane there;
// returns it.
TFrmBifurcation *OpenBifurcation(morvane::Model model, const morvane::Parameters &parameters,
                                 QWidget *parent = nullptr);
