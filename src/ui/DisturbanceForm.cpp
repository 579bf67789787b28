#include "DisturbanceForm.h"

#include <QWidget>
#include <utility>

#include "Help.h"
#include "framework/ErrorHandler.h"
#include "framework/Windows.h"

namespace morvane::ui {

DisturbanceForm::DisturbanceForm(QWidget *parent) : SeriesWindow(parent) {}

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

void DisturbanceForm::StopSeries(void (*stop)(SimState &), MorvaneForm *plotWindow) {
  Sim().StopRequested = true;
  CloseForm();
  try {
    stop(Sim());
  } catch (const std::exception &e) {
    ShowAfterError(e);
    return;
  }
  ShowWindow(plotWindow);
}

void DisturbanceForm::Help1Click() { HelpMenuRequested(); }

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
