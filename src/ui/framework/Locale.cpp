#include "ui/framework/Locale.h"

#include <QLineEdit>
#include <QLocale>

#include "engine/FieldRules.h"
#include "files/NumberFormat.h"

namespace morvane::ui {

ParseError::ParseError(const QString &text)
    : std::runtime_error(("'" + text + "' is not a valid number").toStdString()) {}

char DecimalSeparator() {
  const QString point = QLocale().decimalPoint();
  if (point.size() == 1 && point.at(0).unicode() < 0x80)
    return static_cast<char>(point.at(0).unicode());
  return '.';
}

QString RealText(double v) { return QString::fromStdString(RealToText(v, DecimalSeparator())); }

std::optional<double> ParseReal(const QString &text) {
  return ReadTypedReal(text.toStdString(), DecimalSeparator());
}

double ReadReal(const QString &text) {
  const std::optional<double> v = ParseReal(text);
  if (!v)
    throw ParseError(text);
  return *v;
}

long long ReadCount(const QString &text) {
  const std::optional<long long> v = ReadTypedCount(text.toStdString(), DecimalSeparator());
  if (!v)
    throw ParseError(text);
  return *v;
}

void LocaliseNumericText(QLineEdit *field) {
  const char sep = DecimalSeparator();
  if (sep == '.')
    return;
  QString t = field->text();
  t.replace('.', QChar(sep));
  field->setText(t);
}

} // namespace morvane::ui
