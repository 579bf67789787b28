#include "ui/series/FieldExit.h"

#include <QLineEdit>
#include <QWidget>

#include "ui/framework/Locale.h"
#include "ui/framework/Look.h"

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

void ShowCloneFrequencies(const std::array<QLineEdit *, 4> &fields, const SimState &s) {
  for (std::size_t k = 0; k < fields.size(); ++k)
    fields[k]->setText(RealText(s.X[k + 1]));
}

void MakeDisplayFieldsReadable(QWidget *window) { UseReadableDisabledColours(window); }

} // namespace morvane::ui
