#include "ui/analysis/BifurcationWindow.h"
#include "ui/analysis/PhasePlaneWindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QThread>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <sstream>

#include <qcustomplot.h>

#include "analysis/AnalysisTables.h"
#include "engine/FieldRules.h"
#include "files/TextFile.h"
#include "ui/figure/BifurcationFigure.h"
#include "ui/figure/FigureSaving.h"
#include "ui/figure/SweepFigure.h"
#include "ui/framework/Help.h"
#include "ui/framework/Locale.h"
#include "ui/framework/Seams.h"

#include "ui_BifurcationWindow.h"

namespace an = morvane::analysis;
namespace fig = morvane::figure;
namespace mui = morvane::ui;
using morvane::Model;
using morvane::Parameters;

namespace {

// The help file's section on this window.
constexpr int kHelpContext = 17;
// How near (in pixels) the pointer must come to an event or a branch.
constexpr double kReach = 8;

// The parameters that can be varied, with the field rule of their values.
struct Varied {
  const char *name;
  const morvane::FieldRule &rule;
};
const Varied kVaried[] = {{"x", morvane::rules::SoftPropSexual}, {"d", morvane::rules::MigSurv},
                          {"c", morvane::rules::HabFreq},        {"W1A", morvane::rules::W1A},
                          {"W2A", morvane::rules::W2A},          {"W1a", morvane::rules::W1a},
                          {"W2a", morvane::rules::W2a}};

} // namespace

// What the worker thread and the window share: the stop flag and the result.
struct TFrmBifurcation::Work {
  std::atomic<bool> stop{false};
  std::vector<an::BranchPoint> points;
  QString failure;
};

TFrmBifurcation::TFrmBifurcation(Model model, const Parameters &parameters, QWidget *parent)
    : MorvaneForm(parent), ui_(std::make_unique<Ui::TFrmBifurcation>()), model_(model),
      parameters_(parameters) {
  ui_->setupUi(this);
  SetHelpContext(kHelpContext);
  auto *plot = new QCustomPlot(ui_->PlotHost);
  plot->setObjectName(QStringLiteral("BifurcationPlot"));
  plot->setLocale(QLocale::c());
  plot->setMouseTracking(true);
  auto *layout = new QVBoxLayout(ui_->PlotHost);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(plot);
  figure_ = std::make_unique<fig::BifurcationFigure>(*plot);

  for (const Varied &v : kVaried)
    ui_->CmbParameter->addItem(fig::Symbol(v.name), QString::fromLatin1(v.name));
  ui_->CmbParameter->setCurrentIndex(2); // c
  for (const std::string &q : fig::BifurcationQuantities(model == Model::Clonal))
    ui_->CmbQuantity->addItem(fig::Symbol(q));
  ParameterChosen();
  connect(ui_->CmbParameter, &QComboBox::currentIndexChanged, this,
          [this] { Guard([this] { ParameterChosen(); }); });
  connect(ui_->CmbQuantity, &QComboBox::currentIndexChanged, this, [this] {
    if (!points_.empty())
      Guard([this] { Draw(); });
  });
  OnClick(ui_->BtnGo, [this] { Go(); });
  OnClick(ui_->BtnCancel, [this] { Cancel(); });
  OnClick(ui_->BtnSaveFigure, [this] { SaveFigure(); });
  OnClick(ui_->BtnExportData, [this] { ExportData(); });
  OnClick(ui_->BtnClose, [this] { close(); });
  OnTrigger(ui_->ActHelp, [this] {
    mui::HelpMenuRequested();
    mui::HelpKeyPressed(HelpContext());
  });
  connect(plot, &QCustomPlot::mouseMove, this, [this](QMouseEvent *e) { Hover(e); });
  connect(plot, &QCustomPlot::mousePress, this, [this](QMouseEvent *e) { Click(e); });
  // Any phase plane is opened by whoever sets the hook; by default a click
  // says where it is.
  hook_ = [this](Model, Parameters p) {
    ui_->LblStatus->setText(QStringLiteral("%1 = %2").arg(
        ui_->CmbParameter->currentText(), mui::RealText(an::ParameterValue(p, along_))));
  };
  resize(1000, 700);
}

TFrmBifurcation::~TFrmBifurcation() {
  if (worker_) {
    work_->stop = true;
    worker_->wait();
  }
}

QCustomPlot *TFrmBifurcation::Plot() const { return ui_->PlotHost->findChild<QCustomPlot *>(); }

void TFrmBifurcation::ParameterChosen() {
  const Varied &v = kVaried[std::max(0, ui_->CmbParameter->currentIndex())];
  along_ = *an::ParameterNamed(v.name);
  // Around the value the window was opened with, within the value's range.
  const double value = an::ParameterValue(parameters_, along_);
  const double lo = v.rule.lo.constant, hi = v.rule.hi.constant;
  double from = std::max(lo, value - 0.2), to = std::min(hi, value + 0.2);
  if (!(from < to))
    from = lo, to = hi;
  ui_->TxtFrom->setText(mui::RealText(from));
  ui_->TxtTo->setText(mui::RealText(to));
}

bool TFrmBifurcation::Vary(const std::string &name, double from, double to) {
  const int index = ui_->CmbParameter->findData(QString::fromStdString(name));
  if (index < 0)
    return false;
  ui_->CmbParameter->setCurrentIndex(index);
  ui_->TxtFrom->setText(mui::RealText(from));
  ui_->TxtTo->setText(mui::RealText(to));
  return true;
}

void TFrmBifurcation::Go() {
  if (worker_)
    return;
  const Varied &v = kVaried[ui_->CmbParameter->currentIndex()];
  const double lo = v.rule.lo.constant, hi = v.rule.hi.constant;
  double ends[2] = {0, 0};
  QLineEdit *fields[2] = {ui_->TxtFrom, ui_->TxtTo};
  for (int k = 0; k < 2; ++k) {
    const std::optional<double> typed = mui::ParseReal(fields[k]->text());
    if (!typed || *typed < lo || *typed > hi) {
      ShowFieldMessage(fields[k], QStringLiteral("%1 is a value of %2 from %3 to %4.")
                                      .arg(k == 0 ? QStringLiteral("From") : QStringLiteral("To"),
                                           ui_->CmbParameter->currentText(), mui::RealText(lo),
                                           mui::RealText(hi)));
      return;
    }
    ends[k] = *typed;
  }
  if (ends[0] == ends[1]) {
    ShowFieldMessage(ui_->TxtTo,
                     QStringLiteral("From and To are the ends of a range: they differ."));
    return;
  }
  work_ = std::make_shared<Work>();
  // The thread holds the work itself: the window may go before it ends.
  worker_ = QThread::create([work = work_, model = model_, p = parameters_, along = along_,
                             from = ends[0], to = ends[1]] {
    an::ContinuationSettings settings;
    settings.stop = &work->stop;
    try {
      work->points = an::ContinueEquilibria(model, p, along, from, to, {}, settings);
    } catch (const std::exception &e) {
      work->failure = QString::fromUtf8(e.what());
    }
  });
  connect(worker_, &QThread::finished, this, [this] { Guard([this] { Done(); }); });
  SetRunning(true);
  ui_->LblStatus->setText(QStringLiteral("Following the branches of equilibria..."));
  worker_->start();
}

void TFrmBifurcation::Cancel() {
  if (!worker_)
    return;
  work_->stop = true;
  ui_->LblStatus->setText(QStringLiteral("Cancelling..."));
}

void TFrmBifurcation::SetRunning(bool running) {
  ui_->BtnGo->setEnabled(!running);
  ui_->BtnCancel->setEnabled(running);
  ui_->CmbParameter->setEnabled(!running);
  ui_->TxtFrom->setEnabled(!running);
  ui_->TxtTo->setEnabled(!running);
  const bool drawn = !running && !points_.empty();
  ui_->BtnSaveFigure->setEnabled(drawn);
  ui_->BtnExportData->setEnabled(drawn);
}

void TFrmBifurcation::Done() {
  worker_->wait();
  worker_->deleteLater();
  worker_ = nullptr;
  const std::shared_ptr<Work> work = std::move(work_);
  if (work->stop) {
    ui_->LblStatus->setText(QStringLiteral("Cancelled: the diagram shown is the one before."));
  } else if (!work->failure.isEmpty()) {
    ui_->LblStatus->setText(QStringLiteral("The continuation failed: ") + work->failure);
  } else {
    points_ = std::move(work->points);
    parametersRange_[0] = mui::ParseReal(ui_->TxtFrom->text()).value_or(0);
    parametersRange_[1] = mui::ParseReal(ui_->TxtTo->text()).value_or(0);
    variedName_ = kVaried[ui_->CmbParameter->currentIndex()].name;
    Draw();
  }
  SetRunning(false);
  emit Finished();
}

void TFrmBifurcation::Draw() {
  an::BranchTable table;
  table.parameter = variedName_;
  table.clonal = model_ == Model::Clonal;
  table.command = QStringLiteral("Branches of equilibria, %1 from %2 to %3")
                      .arg(fig::Symbol(variedName_), mui::RealText(parametersRange_[0]),
                           mui::RealText(parametersRange_[1]))
                      .toStdString();
  table.rows = an::BranchRows(model_, points_);
  figure_->Draw(std::move(table), std::size_t(std::max(0, ui_->CmbQuantity->currentIndex())));
  Plot()->replot();
  int branches = points_.empty() ? 0 : points_.back().branch + 1, events = 0;
  for (const an::BranchPoint &bp : points_)
    events += bp.event.empty() ? 0 : 1;
  ui_->LblStatus->setText(QStringLiteral("%1 branches, %2 points, %3 events. Hover on an event "
                                         "for its name and value; click a branch for the phase "
                                         "plane at that value.")
                              .arg(branches)
                              .arg(points_.size())
                              .arg(events));
}

Parameters TFrmBifurcation::ParametersAt(std::size_t row) const {
  Parameters p = parameters_;
  an::ParameterValue(p, *an::ParameterNamed(variedName_)) = figure_->Table().rows.at(row).value;
  return p;
}

void TFrmBifurcation::Hover(QMouseEvent *e) {
  const long row = figure_->RowAt(e->position(), kReach, true);
  if (row < 0) {
    QToolTip::hideText();
    return;
  }
  const QString text = figure_->RowText(std::size_t(row));
  ui_->LblStatus->setText(text);
  QToolTip::showText(e->globalPosition().toPoint(), text, Plot());
}

void TFrmBifurcation::Click(QMouseEvent *e) {
  if (e->button() != Qt::LeftButton)
    return;
  const long row = figure_->RowAt(e->position(), kReach, false);
  if (row >= 0 && hook_)
    Guard([&] { hook_(model_, ParametersAt(std::size_t(row))); });
}

void TFrmBifurcation::ExportData() {
  if (points_.empty())
    return;
  const QString name = mui::FileDialogs().SaveFileNameAs(
      this, QDir(folder_.isEmpty() ? QDir::currentPath() : folder_).filePath("Branches.csv"),
      {QStringLiteral("CSV table (*.csv)")});
  if (name.isEmpty())
    return;
  folder_ = QFileInfo(name).absolutePath();
  // The columns of morvane-analyse continue, with commas: none of its cells
  // holds one.
  std::ostringstream table;
  an::WriteBranches(table, model_, variedName_, points_);
  std::string csv = table.str();
  std::replace(csv.begin(), csv.end(), '\t', ',');
  try {
    const std::string path = QFile::encodeName(name).toStdString();
    morvane::CreateEmptyFile(path);
    morvane::AppendToFile(path, csv);
  } catch (const std::exception &e) {
    ShowMessage(QString::fromUtf8(e.what()));
  }
}

void TFrmBifurcation::SaveFigure() {
  if (points_.empty())
    return;
  const an::BranchTable &table = figure_->Table();
  const std::size_t quantity = figure_->Quantity();
  fig::FigureToSave figure =
      fig::OneChartFigure(QStringLiteral("The bifurcation diagram"), QStringLiteral("Bifurcation"),
                          [&](const fig::FigureSettings &s, const QString &path) {
                            fig::WriteBifurcationFigure(table, quantity, s, path);
                          });
  figure.check = [&](const fig::FigureSettings &s) {
    const std::optional<QSizeF> needs = fig::BifurcationFigureNeeds(table, quantity, s);
    return needs ? QStringLiteral("At %1 pt the figure needs at least %2 x %3 %4.")
                       .arg(s.fontPt)
                       .arg(needs->width())
                       .arg(needs->height())
                       .arg(s.unit == fig::LengthUnit::Cm ? "cm" : "in")
                 : QString();
  };
  fig::SaveFigureFile(this, figure, folder_);
}

void TFrmBifurcation::keyPressEvent(QKeyEvent *e) {
  if (e->key() == Qt::Key_Escape) {
    if (worker_)
      Cancel();
    else
      close();
    return;
  }
  MorvaneForm::keyPressEvent(e);
}

void TFrmBifurcation::closeEvent(QCloseEvent *e) {
  if (worker_) {
    work_->stop = true;
    worker_->wait();
  }
  MorvaneForm::closeEvent(e);
}

TFrmBifurcation *OpenBifurcation(Model model, const Parameters &parameters, QWidget *parent) {
  auto *window = new TFrmBifurcation(model, parameters, parent);
  window->SetPhasePlaneHook(
      [](Model m, const Parameters &p) { morvane::ui::OpenPhasePlane(m, p); });
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowFlag(Qt::Window);
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}
