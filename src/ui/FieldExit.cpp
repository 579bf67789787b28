#include "FieldExit.h"

#include <QLineEdit>
#include <QPalette>
#include <QWidget>

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

void MakeDisplayFieldsReadable(QWidget *window) {
  QPalette pal = window->palette();
  pal.setColor(QPalette::Disabled, QPalette::Text, QColor(0x40, 0x40, 0x40));
  window->setPalette(pal);
}

} // namespace morvane::ui
