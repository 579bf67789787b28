#include "ui/series/DisturbanceForm.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <utility>

#include "analysis/ReachedState.h"
#include "engine/Series.h"
#include "files/SeriesReader.h"
#include "ui/analysis/PhasePlaneWindow.h"
#include "ui/framework/ErrorHandler.h"
#include "ui/framework/Help.h"
#include "ui/framework/Locale.h"
#include "ui/framework/Seams.h"
#include "ui/framework/Windows.h"
#include "ui/series/FieldExit.h"

namespace morvane::ui {

DisturbanceForm::DisturbanceForm(QWidget *parent) : SeriesWindow(parent) {}

void DisturbanceForm::SetUpDisturbanceWindow(Controls controls, FieldTable fields,
                                             std::function<void()> go) {
  controls_ = std::move(controls);
  fields_ = std::move(fields);
  SetBackground(kAqua);
  MakeDisplayFieldsReadable(this);
  OnClick(controls_.perturb, [this] {
    Sim().StopRequested = false;
    OpenForDisturbance();
  });
  OnClick(controls_.stop, [this] { StopSeries(); });
  WireFieldExits(fields_);
  OnClick(controls_.go, std::move(go));
  OnTrigger(controls_.help, [] { HelpMenuRequested(); });
  OnClick(controls_.analyse, [this] { OpenAnalysis(); });
}

void DisturbanceForm::BeginShow() {
  Sim().StopRequested = false;
  controls_.perturb->setFocus(Qt::OtherFocusReason);
  for (QWidget *control : controls_.editable)
    control->setEnabled(false);
}

void DisturbanceForm::OpenForDisturbance() {
  for (QWidget *control : controls_.editable)
    control->setEnabled(true);
}

QString DisturbanceForm::CountersText(const SimState &s) {
  return QStringLiteral("Completed runs=%1; T=%2").arg(s.CompletedRuns).arg(s.Generation);
}

QString DisturbanceForm::NotConvergedText(const SimState &s) {
  return QStringLiteral("The run was interrupted before equilibrium (T=%1): these values are not "
                        "an equilibrium.")
      .arg(s.Generation);
}

QString DisturbanceForm::ReachedText(const SimState &s, Model model) {
  analysis::Population X{};
  for (int k = 0; k < analysis::Classes(model); ++k)
    X[k] = s.X[k + 1];
  return QString::fromStdString(
      analysis::ReachedStateText(analysis::DescribeReached(model, s.Params(), X)));
}

void DisturbanceForm::AnnounceResult() {
  // What the files hold now: a rerun that fails before its first generation,
  // or a Stop, falls back on it rather than on values typed but never run.
  held_.emplace(Sim());
  const bool failed = !errorText_.isEmpty();
  announcement_ = failed ? std::exchange(errorText_, QString()) : CountersText(Sim());
  QString reached;
  if (!Sim().LastRunConverged)
    announcement_ += "\n" + NotConvergedText(Sim());
  else if (!failed)
    announcement_ += "\n" + (reached = ReachedText(Sim(), SeriesModel(Sim())));
  controls_.reached->setText(reached);
}

void DisturbanceForm::OpenAnalysis() {
  const Model model = SeriesModel(Sim());
  // The series' path as its Plot file holds it, one line per run: a rerun
  // starts from the disturbed state, after the generation it left from.
  std::vector<std::vector<analysis::PathPoint>> paths(1);
  try {
    const PlotFileContent plot = ReadPlotFile(Sim().PlotFile.Name);
    const auto &c = plot.Table.Columns;
    for (std::size_t r = 0; r < plot.Table.Rows(); ++r) {
      for (const SimState::RerunStart &rerun : Sim().RerunStarts)
        if (r > 0 && c[0][r - 1] == rerun.Generation && !paths.back().empty())
          paths.emplace_back();
      std::vector<analysis::PathPoint> &path = paths.back();
      if (model == Model::Clonal) {
        const analysis::Measures f =
            analysis::MeasuresOf(model, {c[1][r], c[2][r], c[3][r], c[4][r]});
        path.push_back({f.p, f.q});
      } else {
        path.push_back({c[1][r], c[2][r]});
      }
    }
  } catch (const SeriesFileError &) {
    paths.clear(); // the plane without the path
  }
  OpenPhasePlane(model, Sim().Params(),
                 model == Model::Clonal ? std::nullopt : std::optional<double>(Sim().DG),
                 std::move(paths));
}

void DisturbanceForm::RestoreHeld() {
  if (held_)
    FallBackToHeld(Sim(), *held_);
}

void DisturbanceForm::CloseAndRerun(Model model, std::function<void(RunDisplay &)> rerun) {
  CloseAndRun(model, [this, rerun = std::move(rerun)](RunDisplay &display) {
    if (!held_)
      return rerun(display);
    RerunFromHeld(Sim(), *held_, [&] { rerun(display); });
  });
}

void DisturbanceForm::FormActivate() {
  if (!announcement_.isEmpty())
    ShowMessage(std::exchange(announcement_, QString()));
}

void DisturbanceForm::ShowAfterError(const std::exception &e) {
  if (isVisible()) {
    ReportError(this, e);
    return;
  }
  errorText_ = ErrorText(e);
  ShowForm();
}

bool DisturbanceForm::AskBeforeClosing() {
  enum { Stop, Discard, Cancel };
  const int answer = Messages().Ask(
      this, QStringLiteral("The series waits for Stop: its record is not in the Final file yet."),
      {QStringLiteral("Stop the series and write its record"), QStringLiteral("Discard the series"),
       QStringLiteral("Cancel")});
  if (answer == Stop)
    return StopSeries();
  return answer == Discard;
}

DisturbanceForm *DisturbanceForm::Waiting() {
  for (MorvaneForm *w : {Windows().FrmPerturb1N, Windows().FrmPerturb2N, Windows().FrmPerturbClone})
    if (auto *disturbance = dynamic_cast<DisturbanceForm *>(w); disturbance && w->isVisible())
      return disturbance;
  return nullptr;
}

void DisturbanceForm::closeEvent(QCloseEvent *e) {
  // A Stop hides the window itself; a Discard closes it as any window.
  if (!AskBeforeClosing() || !isVisible())
    e->ignore();
  else
    e->accept();
}

bool DisturbanceForm::StopSeries() {
  // The fields' exits store what is typed: the record is that of the last
  // generation run.
  RestoreHeld();
  Sim().StopRequested = true;
  CloseForm();
  try {
    controls_.stopSeries(Sim());
  } catch (const std::exception &e) {
    ShowAfterError(e);
    return false;
  }
  ShowWindow(Windows().*controls_.plotWindow);
  return true;
}

void DisturbanceForm::Enable(std::initializer_list<QWidget *> controls, bool enabled) {
  for (QWidget *control : controls)
    control->setEnabled(enabled);
}

const FieldRule &NewFreqARule() {
  static const FieldRule rule = WithPreviousValueSubstitutes(rules::FreqA);
  return rule;
}

const FieldRule &NewFreqBRule() {
  static const FieldRule rule = WithPreviousValueSubstitutes(rules::FreqB);
  return rule;
}

} // namespace morvane::ui
