// Number formats of the result files and the real-to-text and text-to-real
// forms of the windows. None of them depends on the C locale: the files
// always use '.', the windows pass their separator explicitly.
//
// Rounding is to the nearest of the value as stored (0.99995 is stored a
// little above the half and gives 1.0000 with four decimals); an exact half
// goes away from zero (0.125 gives 0.13). A value that rounds to zero is
// written without a minus sign. NaN and infinities, which a sound run never
// produces, are written "NAN", "INF" and "-INF" (padded like the number).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace morvane {

// Decimal digits, a leading '-' if negative, no padding.
std::string FormatInteger(long long value);
// The same, padded on the left with spaces to at least `width` characters.
std::string FormatIntegerWidth(long long value, int width);
// Fixed w:d: optional '-', integer part, '.', exactly `decimals` decimals
// rounded to nearest, padded on the left to at least `width`, never cut.
std::string FormatFixed(double value, int width, int decimals);
// The 23-character scientific form: " 5.00000000000000E-0001"; the mantissa
// has 15 significant digits, zero (also -0) is " 0.00000000000000E+0000".
std::string FormatScientific(double value);

// Appending forms of the above, for the generation lines.
void AppendInteger(std::string &out, long long value);
void AppendIntegerWidth(std::string &out, long long value, int width);
void AppendFixed(std::string &out, double value, int width, int decimals);
void AppendScientific(std::string &out, double value);

// General real-to-text of the windows: up to 15 significant digits, no
// trailing zeros, fixed for magnitudes from 0.0001 up to 10^15, otherwise
// scientific with an upper-case E and no leading exponent zeros (1E-6).
std::string RealToText(double value, char decimalSeparator = '.');

// Text-to-real of the windows: optional sign, digits with `decimalSeparator`
// or '.', optional exponent. Refuses empty text, spaces, "nan", "inf",
// hexadecimal forms, trailing characters and results that overflow.
// Results too small for a double, and every zero, give +0.
std::optional<double> TextToReal(std::string_view text, char decimalSeparator = '.');

} // namespace morvane
