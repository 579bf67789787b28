#include "ui/series/InputForm.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "state/SimState.h"
#include "ui/analysis/PhasePlaneWindow.h"
#include "ui/framework/Help.h"
#include "ui/framework/Locale.h"
#include "ui/framework/Pictures.h"
#include "ui/framework/Windows.h"
#include "ui/series/FieldExit.h"

namespace morvane::ui {

InputForm::InputForm(QWidget *parent) : SeriesWindow(parent) {}

void InputForm::CheckField(QLineEdit *field, const FieldRule &rule) { CheckEntry(field, rule); }

void InputForm::FitnessFieldExit(QLineEdit *field, std::function<void()> handler) {
  OnFieldExit(field, std::move(handler));
}
void InputForm::FitnessGuard(const std::function<void()> &handler) { Guard(handler); }
void InputForm::FitnessClick(const std::function<void()> &handler) { GuardClick(handler); }
void InputForm::FitnessMessage(const QString &text) { ShowMessage(text); }

void InputForm::SetUpInputWindow(const Controls &controls, FieldTable fields,
                                 std::function<void()> go) {
  controls_ = controls;
  fields_ = std::move(fields);
  SetBackground(kAqua);
  MakeDisplayFieldsReadable(this);
  for (QLineEdit *field : controls.localisedFields)
    LocaliseNumericText(field);
  ShowPicture(controls.picture, controls.pictureResource);
  WireFieldExits(fields_);
  controls.fitness->Attach(*this, controls.variant, Sim());
  OnClick(controls.go, std::move(go));
  OnClick(controls.back, [this] { BackToMainWindow(); });
  OnTrigger(controls.help, [] { HelpMenuRequested(); });
  OnClick(controls.analyse, [this] { OpenAnalysis(); });
}

void InputForm::OpenAnalysis() {
  for (const FieldRow &row : fields_)
    if (!row.checkedByGroup && !CheckEntry(row.field, *row.rule))
      return;
  ReadFields();
  OpenPhasePlane(SeriesModel(Sim()), Sim().Params());
}

FieldTable InputForm::FitnessRows(const FitnessGroupBox &fitness) {
  return {{fitness.W1AField(), &rules::W1A, {}, {}, true},
          {fitness.W2AField(), &rules::W2A, {}, {}, true},
          {fitness.W1aField(), &rules::W1a, {}, {}, true},
          {fitness.W2aField(), &rules::W2a, {}, {}, true}};
}

void InputForm::FormShow() { controls_.fitness->ResetOnShow(); }

void InputForm::ActivateInput(const std::function<void()> &prepare) {
  controls_.finalFile->setText(QString::fromStdString(Sim().FinalFileName));
  controls_.detailFile->setText(QString::fromStdString(Sim().DetailFileName));
  prepare();
  controls_.fitness->ResetOnActivate();
}

void InputForm::BackToMainWindow() {
  CloseForm();
  if (MorvaneForm *main = Windows().frmMorvane)
    main->ShowForm();
}

} // namespace morvane::ui
