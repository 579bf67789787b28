#include "InputForm.h"

#include <stdexcept>

#include "FieldExit.h"
#include "UTShowStop.h"
#include "framework/Locale.h"
#include "framework/Windows.h"
#include "state/SimState.h"

namespace morvane::ui {

InputForm::InputForm(QWidget *parent) : MorvaneForm(parent) {}

void InputForm::CheckField(QLineEdit *field, const FieldRule &rule) {
  if (!RunFieldRule(field, rule, Sim))
    ShowFieldMessage(field, rule.message);
}

void InputForm::FitnessFieldExit(QLineEdit *field, std::function<void()> handler) {
  OnFieldExit(field, std::move(handler));
}
void InputForm::FitnessGuard(const std::function<void()> &handler) { Guard(handler); }
void InputForm::FitnessClick(const std::function<void()> &handler) { GuardClick(handler); }
void InputForm::FitnessMessage(const QString &text) { ShowMessage(text); }

RunDisplay &InputForm::Display() const {
  if (runDisplay_)
    return *runDisplay_;
  if (TFrmShowT *progress = Windows().FrmShowT)
    return *progress;
  throw std::runtime_error("The progress window is missing");
}

std::uint16_t InputForm::ReadTries(const QString &text) {
  const long long v = ReadCount(text);
  if (v < 0 || v > 65535)
    throw ParseError(text);
  return static_cast<std::uint16_t>(v);
}

void InputForm::BackToMainWindow() {
  CloseForm();
  if (MorvaneForm *main = Windows().frmMorvane)
    main->ShowForm();
}

} // namespace morvane::ui
