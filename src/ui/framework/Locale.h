// Numbers in the windows: the general real-to-text form and text-to-real,
// with the decimal separator of the user's locale.
#pragma once

#include <QString>
#include <optional>
#include <stdexcept>

class QLineEdit;

namespace morvane::ui {

// A field's text that is not a number, read by a button that starts a run.
class ParseError : public std::runtime_error {
public:
  explicit ParseError(const QString &text);
};

// The decimal separator of the user's locale ('.' when it is not one byte).
char DecimalSeparator();
// Up to 15 significant digits, no trailing zeros, 1E-6 style below 0.0001.
QString RealText(double v);
// Accepts the locale's separator and '.', and blanks around the number;
// nullopt when the text is no number.
std::optional<double> ParseReal(const QString &text);
// As ParseReal, but throws ParseError.
double ReadReal(const QString &text);
// A count as every field reads it: a real truncated toward zero; throws
// ParseError when the text is no number.
long long ReadCount(const QString &text);
// Rewrites a layout's initial numeric text, written with '.', in the
// locale's form ("0.5" becomes "0,5" where ',' is the separator).
void LocaliseNumericText(QLineEdit *field);

} // namespace morvane::ui
