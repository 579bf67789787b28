#include "FieldExit.h"

#include <QLineEdit>

#include "framework/Locale.h"

namespace morvane::ui {

bool RunFieldRule(QLineEdit *field, const FieldRule &rule, SimState &s) {
  const FieldOutcome outcome =
      ApplyFieldRule(rule, field->text().toStdString(), DecimalSeparator(), s);
  field->setText(QString::fromStdString(outcome.text));
  return outcome.valid;
}

QString DGRangeDisplay(const SimState &s) {
  return QString::fromStdString(DGRangeText(s.DGMin, s.DGMax, DecimalSeparator()));
}

} // namespace morvane::ui
