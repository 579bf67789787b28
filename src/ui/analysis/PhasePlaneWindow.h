// The phase plane window: the (p, q) plane of a model at one parameter set
// with its equilibria, their basins (computed on worker threads, drawn as
// they come), the arrows of the one-generation change and the paths of
// series started by a click. Its figure is saved through the export dialog,
// its equilibria, basin map and paths as CSV.
#pragma once

#include <QPointer>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "analysis/Basins.h"
#include "analysis/Trajectory.h"
#include "ui/framework/MorvaneForm.h"

class QTimer;

namespace Ui {
class TFrmPhasePlane;
}

namespace morvane::ui {

class PhasePlaneView;

class PhasePlaneWindow : public MorvaneForm {
  Q_OBJECT

public:
  // `seriesDG`: the DG of the series it was opened from, offered for the
  // starts of clicks (sexual models); `paths`: that series' runs, drawn.
  PhasePlaneWindow(Model m, const Parameters &p, int grid = 100,
                   std::optional<double> seriesDG = std::nullopt,
                   std::vector<std::vector<analysis::PathPoint>> paths = {},
                   QWidget *parent = nullptr);
  ~PhasePlaneWindow() override;

  Model ModelShown() const { return model_; }
  const Parameters &ParametersShown() const { return params_; }
  PhasePlaneView &View() const { return *view_; }
  // Whether the basin map is whole (the equilibria and every start).
  bool Ready() const { return map_.has_value(); }
  const std::optional<analysis::BasinMap> &Map() const { return map_; }

  // A series from (p0, q0), its DG that of the start choice; its path drawn.
  void RunFrom(double p0, double q0);
  // The equilibria, the basin map and the paths as CSV: the tables of
  // morvane-analyse equilibria and basins (commas for TABs), then the paths.
  void ExportData(const QString &path) const;
  QString DataCsv() const;

private:
  void StartJob();
  void TakeProgress();
  void SaveFigure();
  void AskExportData();

  std::unique_ptr<Ui::TFrmPhasePlane> ui_;
  PhasePlaneView *view_;
  Model model_;
  Parameters params_;
  int grid_;
  std::optional<double> seriesDG_;
  std::optional<analysis::BasinMap> map_;
  // Shared with the worker thread: the start's equilibrium as runs end, and
  // whether the window wants it to stop.
  std::unique_ptr<std::atomic<int>[]> cells_;
  std::atomic<bool> cancel_{false};
  std::atomic<int> done_{0};
  std::thread job_;
  QTimer *timer_;
};

// Opens a phase plane window of its own (closed with its owner's program,
// deleted when closed) and returns it.
PhasePlaneWindow *OpenPhasePlane(Model m, const Parameters &p,
                                 std::optional<double> seriesDG = std::nullopt,
                                 std::vector<std::vector<analysis::PathPoint>> paths = {});

} // namespace morvane::ui
