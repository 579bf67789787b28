#include "DisturbanceForm.h"

#include <QAction>
#include <QPushButton>
#include <QWidget>
#include <utility>

#include "FieldExit.h"
#include "framework/ErrorHandler.h"
#include "framework/Help.h"
#include "framework/Locale.h"
#include "framework/Windows.h"

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

void DisturbanceForm::AnnounceResult() {
  announcement_ = errorText_.isEmpty() ? CountersText(Sim()) : std::exchange(errorText_, QString());
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

void DisturbanceForm::StopSeries() {
  Sim().StopRequested = true;
  CloseForm();
  try {
    controls_.stopSeries(Sim());
  } catch (const std::exception &e) {
    ShowAfterError(e);
    return;
  }
  ShowWindow(Windows().*controls_.plotWindow);
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
