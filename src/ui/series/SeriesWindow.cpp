#include "ui/series/SeriesWindow.h"

#include <QLineEdit>
#include <stdexcept>

#include "engine/InitialState.h"
#include "engine/RunLoop.h"
#include "engine/Series.h"
#include "state/SimState.h"
#include "ui/framework/ErrorHandler.h"
#include "ui/framework/Locale.h"
#include "ui/framework/Windows.h"
#include "ui/series/FieldExit.h"
#include "ui/series/UTShowStop.h"

namespace morvane::ui {
namespace {

// Passes everything on to the real display and remembers whether the run
// loop began: an error before it (the run header) has written nothing.
class WatchedDisplay : public RunDisplay {
public:
  explicit WatchedDisplay(RunDisplay &inner) : inner_(inner) {}
  void ShowProgress() override {
    started = true;
    inner_.ShowProgress();
  }
  void DisplayProgress(std::uint32_t generation, double deltaP, double deltaQ) override {
    inner_.DisplayProgress(generation, deltaP, deltaQ);
  }
  void ProcessPendingEvents() override { inner_.ProcessPendingEvents(); }
  void HideProgress() override { inner_.HideProgress(); }
  void HandOver(Model model) override { inner_.HandOver(model); }

  bool started = false;

private:
  RunDisplay &inner_;
};

} // namespace

SeriesWindow::SeriesWindow(QWidget *parent) : MorvaneForm(parent) {}

bool SeriesWindow::CheckEntry(QLineEdit *field, const FieldRule &rule) {
  if (RunFieldRule(field, rule, Sim()))
    return true;
  ShowFieldMessage(field, rule.message);
  return false;
}

void SeriesWindow::WireFieldExits(const FieldTable &table) {
  for (const FieldRow &row : table)
    if (!row.checkedByGroup)
      OnFieldExit(row.field, [this, row] {
        if (row.before)
          row.before();
        CheckEntry(row.field, *row.rule);
        if (row.then)
          row.then();
      });
}

Model SeriesWindow::SeriesModel(const SimState &s) {
  return s.ModeClonal ? Model::Clonal : SelectedSexualModel(s).value_or(Model::HaploidLocal);
}

void SeriesWindow::ReadFields(const FieldTable &table) {
  for (const FieldRow &row : table) {
    const QString text = row.field->text();
    if (row.rule->kind == FieldTarget::Count)
      row.rule->count(Sim()) = ReadTries(text);
    else
      row.rule->real(Sim()) = ReadReal(text);
  }
}

std::uint16_t SeriesWindow::ReadTries(const QString &text) {
  const long long v = ReadCount(text);
  if (v < 0 || v > 65535)
    throw ParseError(text);
  return static_cast<std::uint16_t>(v);
}

void SeriesWindow::ShowDGRange(QLineEdit *rangeField) {
  StoreDGRange(Sim());
  rangeField->setText(DGRangeDisplay(Sim()));
}

bool SeriesWindow::KeepDGInRange(QLineEdit *rangeField, QLineEdit *dgField, const FieldRule &rule) {
  ShowDGRange(rangeField);
  if (FitDGIntoRange(Sim().FreqA, Sim().FreqB, Sim().DG))
    return true;
  Sim().DG = 0;
  dgField->setText(RealText(Sim().DG));
  dgField->setEnabled(true);
  ShowFieldMessage(dgField, rule.message);
  return false;
}

RunDisplay &SeriesWindow::Display() const {
  if (runDisplay_)
    return *runDisplay_;
  if (TFrmShowT *progress = Windows().FrmShowT)
    return *progress;
  throw std::runtime_error("The progress window is missing");
}

void SeriesWindow::ShowAfterError(const std::exception &e) {
  ShowForm();
  ReportError(this, e);
}

void SeriesWindow::CloseAndRun(Model model, const std::function<void(RunDisplay &)> &run) {
  WatchedDisplay display(Display());
  CloseForm();
  try {
    run(display);
  } catch (const std::exception &e) {
    auto *next = display.started ? dynamic_cast<SeriesWindow *>(DisturbanceWindow(model)) : this;
    (next ? next : this)->ShowAfterError(e);
  }
}

} // namespace morvane::ui
