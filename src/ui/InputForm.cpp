#include "InputForm.h"

#include "framework/Locale.h"
#include "framework/Windows.h"
#include "state/SimState.h"

namespace morvane::ui {

InputForm::InputForm(QWidget *parent) : SeriesWindow(parent) {}

void InputForm::CheckField(QLineEdit *field, const FieldRule &rule) { CheckEntry(field, rule); }

void InputForm::FitnessFieldExit(QLineEdit *field, std::function<void()> handler) {
  OnFieldExit(field, std::move(handler));
}
void InputForm::FitnessGuard(const std::function<void()> &handler) { Guard(handler); }
void InputForm::FitnessClick(const std::function<void()> &handler) { GuardClick(handler); }
void InputForm::FitnessMessage(const QString &text) { ShowMessage(text); }

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
