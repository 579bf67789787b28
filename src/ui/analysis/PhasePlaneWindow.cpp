#include "ui/analysis/PhasePlaneWindow.h"
#include "ui/analysis/BifurcationWindow.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <sstream>

#include "analysis/AnalysisTables.h"
#include "analysis/Equilibria.h"
#include "engine/FieldRules.h"
#include "files/NumberFormat.h"
#include "ui/analysis/PhasePlaneView.h"
#include "ui/figure/FigureSaving.h"
#include "ui/framework/Help.h"
#include "ui/framework/Seams.h"
#include "ui_PhasePlaneWindow.h"

namespace morvane::ui {

namespace {

// The help file's section on this window.
constexpr int kPhasePlaneHelp = 16;
// A click's series ends at this cap if its stop rule has not.
constexpr std::uint32_t kPathCap = 100000;

} // namespace

PhasePlaneWindow::PhasePlaneWindow(Model m, const Parameters &p, int grid,
                                   std::optional<double> seriesDG,
                                   std::vector<std::vector<analysis::PathPoint>> paths,
                                   QWidget *parent)
    : MorvaneForm(parent), ui_(std::make_unique<Ui::TFrmPhasePlane>()), model_(m), params_(p),
      grid_(std::max(2, grid)), seriesDG_(seriesDG) {
  ui_->setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose);
  SetHelpContext(kPhasePlaneHelp);
  view_ = ui_->PlaneView;
  view_->Plane() = figure::NewPhasePlane(m, p);
  for (auto &path : paths)
    if (!path.empty())
      view_->Plane().paths.push_back(std::move(path));
  ui_->CmbStartDG->addItem(QStringLiteral("DG = 0"));
  if (seriesDG_ && m != Model::Clonal)
    ui_->CmbStartDG->addItem(QStringLiteral("the series' DG = %1").arg(*seriesDG_, 0, 'g', 6));
  ui_->CmbStartDG->setEnabled(ui_->CmbStartDG->count() > 1);
  ui_->LblStatus->setText(
      QStringLiteral("Point at an equilibrium for its eigenvalues; click to run a series."));
  view_->onHover = [this](const QString &text) { ui_->LblStatus->setText(text); };
  view_->onStart = [this](double p0, double q0) { Guard([&] { RunFrom(p0, q0); }); };
  OnClick(ui_->BtnClearPaths, [this] {
    view_->Plane().paths.clear();
    view_->update();
  });
  OnClick(ui_->BtnSaveFigure, [this] { SaveFigure(); });
  OnClick(ui_->BtnExportData, [this] { AskExportData(); });
  // The branches of these equilibria along a parameter; a click on one
  // opens the plane at that value.
  OnClick(ui_->BtnBifurcation, [this] { ::OpenBifurcation(model_, params_); });
  OnClick(ui_->BtnClose, [this] { close(); });
  OnTrigger(ui_->Help1, [] { HelpMenuRequested(); });
  timer_ = new QTimer(this);
  timer_->setInterval(50);
  connect(timer_, &QTimer::timeout, this, [this] { TakeProgress(); });
  StartJob();
}

PhasePlaneWindow::~PhasePlaneWindow() {
  cancel_ = true;
  if (job_.joinable())
    job_.join();
}

void PhasePlaneWindow::StartJob() {
  const std::size_t cells = std::size_t(grid_) * grid_;
  cells_ = std::make_unique<std::atomic<int>[]>(cells);
  for (std::size_t c = 0; c < cells; ++c)
    cells_[c].store(figure::kBasinPending, std::memory_order_relaxed);
  view_->Plane().grid = grid_;
  view_->Plane().basin.assign(cells, figure::kBasinPending);
  ui_->LblProgress->setText(QStringLiteral("Finding the equilibria..."));
  timer_->start();
  job_ = std::thread([this, m = model_, p = params_, N = grid_] {
    const std::vector<analysis::Equilibrium> known = analysis::FindEquilibria(m, p);
    if (cancel_)
      return;
    QMetaObject::invokeMethod(
        this,
        [this, known] {
          figure::SetEquilibria(view_->Plane(), known);
          view_->update();
        },
        Qt::QueuedConnection);
    analysis::BasinSettings settings;
    settings.threads = int(std::max(1u, std::thread::hardware_concurrency()));
    settings.onRun = [this](int cell, int k) {
      if (k >= 0)
        cells_[std::size_t(cell)].store(k, std::memory_order_relaxed);
      done_.fetch_add(1, std::memory_order_relaxed);
      return !cancel_.load(std::memory_order_relaxed);
    };
    analysis::BasinMap map = analysis::Basins(m, p, N, known, settings);
    if (cancel_)
      return;
    QMetaObject::invokeMethod(
        this,
        [this, map = std::move(map)]() mutable {
          timer_->stop();
          figure::SetEquilibria(view_->Plane(), map.equilibria);
          view_->Plane().basin = map.reached;
          map_ = std::move(map);
          ui_->LblProgress->setText(QStringLiteral("%1 equilibria; basins of %2 x %2 starts.")
                                        .arg(map_->equilibria.size())
                                        .arg(grid_));
          view_->update();
        },
        Qt::QueuedConnection);
  });
}

void PhasePlaneWindow::TakeProgress() {
  if (map_)
    return;
  std::vector<int> &basin = view_->Plane().basin;
  for (std::size_t c = 0; c < basin.size(); ++c)
    basin[c] = cells_[c].load(std::memory_order_relaxed);
  const int done = done_.load(std::memory_order_relaxed);
  if (done > 0)
    ui_->LblProgress->setText(
        QStringLiteral("Basins: %1 of %2 starts run...").arg(done).arg(grid_ * grid_));
  view_->update();
}

void PhasePlaneWindow::RunFrom(double p0, double q0) {
  double dg = ui_->CmbStartDG->currentIndex() == 1 && seriesDG_ ? *seriesDG_ : 0.0;
  // A DG outside the start's range would make negative frequencies.
  if (!FitDGIntoRange(p0, q0, dg))
    dg = 0;
  std::vector<analysis::PathPoint> path =
      analysis::SeriesPath(model_, params_, p0, q0, dg, kPathCap);
  if (path.empty())
    return;
  const analysis::PathPoint end = path.back();
  ui_->LblStatus->setText(
      QStringLiteral("Series from p = %1, q = %2%3: %4 generations%5, to p = %6, q = %7")
          .arg(p0)
          .arg(q0)
          .arg(model_ == Model::Clonal ? QString() : QStringLiteral(", DG = %1").arg(dg))
          .arg(path.size() - 1)
          .arg(path.size() > kPathCap ? QStringLiteral(" (cut at the cap)") : QString())
          .arg(end.p, 0, 'g', 6)
          .arg(end.q, 0, 'g', 6));
  view_->Plane().paths.push_back(std::move(path));
  view_->update();
}

QString PhasePlaneWindow::DataCsv() const {
  std::ostringstream out;
  if (map_) {
    analysis::WriteEquilibria(out, model_, map_->equilibria);
    out << '\n';
    analysis::WriteBasins(out, model_, *map_);
    out << '\n';
  }
  out << "path\tgeneration\tp\tq\n";
  const auto &paths = view_->Plane().paths;
  for (std::size_t k = 0; k < paths.size(); ++k)
    for (std::size_t g = 0; g < paths[k].size(); ++g)
      out << k + 1 << '\t' << g << '\t' << RealToText(paths[k][g].p, '.') << '\t'
          << RealToText(paths[k][g].q, '.') << '\n';
  QString text = QString::fromStdString(out.str());
  text.replace('\t', ',');
  return text;
}

void PhasePlaneWindow::ExportData(const QString &path) const {
  QFile file(path);
  const QByteArray bytes = DataCsv().toUtf8();
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
    throw std::runtime_error("Cannot write " + path.toStdString() + ": " +
                             file.errorString().toStdString());
}

void PhasePlaneWindow::AskExportData() {
  if (!map_) {
    ShowMessage(QStringLiteral("The basin map is not ready yet: export its data once it is."));
    return;
  }
  const QString name = FileDialogs().SaveFileNameAs(this, QStringLiteral("PhasePlane.csv"),
                                                    {QStringLiteral("CSV table (*.csv)")});
  if (name.isEmpty())
    return;
  try {
    ExportData(name);
  } catch (const std::runtime_error &e) {
    ShowMessage(QString::fromStdString(e.what()));
  }
}

void PhasePlaneWindow::SaveFigure() {
  figure::SaveFigureFile(
      this, figure::OneChartFigure(QStringLiteral("The phase plane"), QStringLiteral("PhasePlane"),
                                   [this](const figure::FigureSettings &s, const QString &path) {
                                     figure::WritePhasePlaneFigure(view_->Plane(), s, path);
                                   }));
}

PhasePlaneWindow *OpenPhasePlane(Model m, const Parameters &p, std::optional<double> seriesDG,
                                 std::vector<std::vector<analysis::PathPoint>> paths) {
  auto *w = new PhasePlaneWindow(m, p, 100, seriesDG, std::move(paths));
  w->resize(960, 680);
  w->show();
  w->raise();
  w->activateWindow();
  w->View().setFocus(Qt::OtherFocusReason);
  return w;
}

} // namespace morvane::ui
