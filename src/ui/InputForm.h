// What the sexual and the clonal input windows have in common: the field-exit
// rule with its message, what the fitness group asks of the window that holds
// it, the counts read by Go, the display handed to the series that Go starts,
// and the way back to the main window.
#pragma once

#include <cstdint>

#include "FitnessGroup.h"
#include "SeriesWindow.h"
#include "engine/FieldRules.h"

namespace morvane::ui {

class InputForm : public SeriesWindow, public FitnessGroupBox::Host {
public:
  // The common rule on one of this window's fields; after a bad entry its
  // message, with the window back to the front and the focus in the field.
  void CheckField(QLineEdit *field, const FieldRule &rule) override;

  void FitnessFieldExit(QLineEdit *field, std::function<void()> handler) override;
  void FitnessGuard(const std::function<void()> &handler) override;
  void FitnessClick(const std::function<void()> &handler) override;
  void FitnessMessage(const QString &text) override;

protected:
  explicit InputForm(QWidget *parent = nullptr);

  // A count read by Go: it must fit the 16-bit count it goes into.
  static std::uint16_t ReadTries(const QString &text);
  // Back: this window closes and the main window shows again.
  void BackToMainWindow();
};

} // namespace morvane::ui
