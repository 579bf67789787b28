#include "files/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

namespace morvane {

namespace {

// Room for the fixed form of the largest double (309 integer digits) with the
// largest number of decimals we accept, its sign and point.
constexpr int kMaxDecimals = 100;
constexpr std::size_t kBufSize = 512;

// Significant digits of the scientific form and of the windows' real-to-text.
constexpr int kSignificant = 15;

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Whether the finite positive `a` is an exact multiple of 10^k, that is,
// whether its exact decimal expansion has no non-zero digit below 10^k.
// A double is m * 2^e with m < 2^53; for k >= 0 the factor 5^k must divide
// m, impossible beyond k = 22 (5^23 > 2^53), and 10^k is exact up to there.
// For k < 0, a * 10^-k is an integer exactly when a * 2^-k is one.
bool IsMultipleOfPow10(double a, int k) {
  if (k >= 0) {
    if (k > 22)
      return false;
    return std::fmod(a, kPow10[k]) == 0.0;
  }
  const double t = std::ldexp(a, -k);
  return std::isinf(t) || t == std::floor(t);
}

// Adds one unit in the last place to a run of digits (a '.' is skipped).
// Returns true when the carry ran out of the front: the caller then owes a
// leading '1' (all the digits have become '0').
bool IncrementDigits(char *first, char *last) {
  for (char *p = last; p != first;) {
    --p;
    if (*p == '.')
      continue;
    if (*p != '9') {
      ++*p;
      return false;
    }
    *p = '0';
  }
  return true;
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Writes the finite non-negative `a` in fixed notation with `decimals`
// decimals, rounded to nearest with halves away from zero, into buf.
// Returns the length. buf must hold kBufSize characters.
std::size_t FixedMagnitude(char *buf, double a, int decimals) {
  // A tie needs an expansion that stops at the first dropped decimal: then the
  // form with one more decimal is exact and is rounded here by hand.
  // Otherwise the library's correctly rounded form has no tie to settle.
  if (a != 0.0 && IsMultipleOfPow10(a, -(decimals + 1))) {
    const auto r = std::to_chars(buf, buf + kBufSize, a, std::chars_format::fixed, decimals + 1);
    std::size_t len = static_cast<std::size_t>(r.ptr - buf);
    const char dropped = buf[--len];
    if (decimals == 0)
      --len; // the point
    if (dropped >= '5' && IncrementDigits(buf, buf + len)) {
      std::memmove(buf + 1, buf, len);
      buf[0] = '1';
      ++len;
    }
    return len;
  }
  const auto r = std::to_chars(buf, buf + kBufSize, a, std::chars_format::fixed, decimals);
  return static_cast<std::size_t>(r.ptr - buf);
}

// The 15 significant digits of the finite positive `a`, rounded to nearest
// with halves away from zero, and its decimal exponent after rounding:
// a ~ d[0].d[1]..d[14] * 10^exponent.
void SignificantDigits(double a, char (&digits)[kSignificant], int &exponent) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, kSignificant - 1);
  // buf: d.dddddddddddddde[+-]xx[x]
  auto parseExponent = [&buf](const char *end) {
    const char *e = static_cast<const char *>(std::memchr(buf, 'e', end - buf));
    int value = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), end, value);
    return value;
  };
  exponent = parseExponent(r.ptr);
  digits[0] = buf[0];
  std::memcpy(digits + 1, buf + 2, kSignificant - 1);

  // A tie at the 16th digit needs an expansion that stops there; before
  // rounding the exponent was `exponent` or, after a carry, one less.
  if (!IsMultipleOfPow10(a, exponent - kSignificant - 1))
    return;
  r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, kSignificant);
  const int exp16 = parseExponent(r.ptr);
  if (!IsMultipleOfPow10(a, exp16 - kSignificant))
    return; // 17 digits or more: the library's rounding stands
  // The 16-digit form is exact: round its last digit by hand.
  char exact[kSignificant + 1];
  exact[0] = buf[0];
  std::memcpy(exact + 1, buf + 2, kSignificant);
  exponent = exp16;
  std::memcpy(digits, exact, kSignificant);
  if (exact[kSignificant] >= '5' && IncrementDigits(digits, digits + kSignificant)) {
    digits[0] = '1';
    ++exponent;
  }
}

void AppendNonFinite(std::string &out, double value, int width) {
  const char *text = std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
  const int len = static_cast<int>(std::strlen(text));
  if (width > len)
    out.append(static_cast<std::size_t>(width - len), ' ');
  out.append(text);
}

} // namespace

void AppendInteger(std::string &out, long long value) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

void AppendIntegerWidth(std::string &out, long long value, int width) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  const int len = static_cast<int>(r.ptr - buf);
  if (width > len)
    out.append(static_cast<std::size_t>(width - len), ' ');
  out.append(buf, r.ptr);
}

void AppendFixed(std::string &out, double value, int width, int decimals) {
  if (!std::isfinite(value)) {
    AppendNonFinite(out, value, width);
    return;
  }
  decimals = Clamp(decimals, 0, kMaxDecimals);
  char buf[kBufSize];
  const std::size_t len = FixedMagnitude(buf, std::fabs(value), decimals);
  // A value that rounds to zero is written without a sign: "-0.00" would
  // only say that some tiny negative rounding residue was there.
  bool negative = std::signbit(value);
  if (negative) {
    negative = false;
    for (std::size_t i = 0; i < len; ++i)
      if (buf[i] >= '1' && buf[i] <= '9') {
        negative = true;
        break;
      }
  }
  const int shown = static_cast<int>(len) + (negative ? 1 : 0);
  if (width > shown)
    out.append(static_cast<std::size_t>(width - shown), ' ');
  if (negative)
    out.push_back('-');
  out.append(buf, len);
}

void AppendScientific(std::string &out, double value) {
  if (!std::isfinite(value)) {
    AppendNonFinite(out, value, 23);
    return;
  }
  char line[32];
  char *p = line;
  if (value == 0.0) {
    static constexpr char kZero[] = " 0.00000000000000E+0000";
    out.append(kZero, sizeof kZero - 1);
    return;
  }
  *p++ = value < 0 ? '-' : ' ';
  char digits[kSignificant];
  int exponent = 0;
  SignificantDigits(std::fabs(value), digits, exponent);
  *p++ = digits[0];
  *p++ = '.';
  std::memcpy(p, digits + 1, kSignificant - 1);
  p += kSignificant - 1;
  *p++ = 'E';
  *p++ = exponent < 0 ? '-' : '+';
  // Four exponent digits; a double's exponent never needs more, but it
  // would be written whole rather than cut.
  const int mag = exponent < 0 ? -exponent : exponent;
  char expBuf[12];
  const auto r = std::to_chars(expBuf, expBuf + sizeof expBuf, mag);
  for (int n = static_cast<int>(r.ptr - expBuf); n < 4; ++n)
    *p++ = '0';
  std::memcpy(p, expBuf, static_cast<std::size_t>(r.ptr - expBuf));
  p += r.ptr - expBuf;
  out.append(line, p);
}

std::string FormatInteger(long long value) {
  std::string out;
  AppendInteger(out, value);
  return out;
}

std::string FormatIntegerWidth(long long value, int width) {
  std::string out;
  AppendIntegerWidth(out, value, width);
  return out;
}

std::string FormatFixed(double value, int width, int decimals) {
  std::string out;
  AppendFixed(out, value, width, decimals);
  return out;
}

std::string FormatScientific(double value) {
  std::string out;
  out.reserve(23);
  AppendScientific(out, value);
  return out;
}

std::string RealToText(double value, char decimalSeparator) {
  if (!std::isfinite(value)) {
    std::string out;
    AppendNonFinite(out, value, 0);
    return out;
  }
  if (value == 0.0)
    return "0"; // also for -0
  char digits[kSignificant];
  int exponent = 0;
  SignificantDigits(std::fabs(value), digits, exponent);
  int count = kSignificant;
  while (count > 1 && digits[count - 1] == '0')
    --count;

  std::string out;
  if (value < 0)
    out.push_back('-');
  // The magnitude after rounding decides the notation, so that a value that
  // rounds up to 10^15 is written 1E15 like 10^15 itself.
  if (exponent >= -4 && exponent < 15) {
    if (exponent < 0) {
      out.push_back('0');
      out.push_back(decimalSeparator);
      out.append(static_cast<std::size_t>(-exponent - 1), '0');
      out.append(digits, static_cast<std::size_t>(count));
    } else {
      const int intDigits = exponent + 1;
      for (int i = 0; i < intDigits; ++i)
        out.push_back(i < count ? digits[i] : '0');
      if (count > intDigits) {
        out.push_back(decimalSeparator);
        out.append(digits + intDigits, static_cast<std::size_t>(count - intDigits));
      }
    }
  } else {
    out.push_back(digits[0]);
    if (count > 1) {
      out.push_back(decimalSeparator);
      out.append(digits + 1, static_cast<std::size_t>(count - 1));
    }
    out.push_back('E');
    AppendInteger(out, exponent);
  }
  return out;
}

namespace {

// A typed real taken apart: the grammar is
//   [+-] (digits [sep [digits]] | sep digits) [(e|E) [+-] digits]
// where sep is the decimal separator or '.'. Nothing else, not even a space.
// The number is rewritten for from_chars (digits, '.', 'e') while it is read,
// with what tells a too large value from a too small one.
class TypedReal {
public:
  TypedReal(std::string_view text, char decimalSeparator)
      : text_(text), separator_(decimalSeparator) {
    normal_.reserve(text.size() + 1);
  }

  // Reads the whole text; false when it does not follow the grammar.
  bool Scan() {
    if (i_ < text_.size() && (text_[i_] == '+' || text_[i_] == '-'))
      if (text_[i_++] == '-')
        normal_.push_back('-');
    // A mantissa without digits: empty, a lone sign or a lone separator.
    return ScanMantissa() && ScanExponent() && i_ == text_.size();
  }

  std::optional<double> Value() const {
    if (!anyNonZero_)
      return 0.0; // every zero, whatever its sign or exponent, is plain zero
    double value = 0;
    const auto r = std::from_chars(normal_.data(), normal_.data() + normal_.size(), value);
    if (r.ptr != normal_.data() + normal_.size())
      return std::nullopt;
    if (r.ec == std::errc::result_out_of_range) {
      // Out of range either way: too large is refused, too small is zero.
      const long long magnitude = (intDigits_ > 0 ? intDigits_ : -leadingFracZeros_) + exponent_;
      if (magnitude > 0)
        return std::nullopt;
      return 0.0;
    }
    if (r.ec != std::errc() || !std::isfinite(value))
      return std::nullopt;
    if (value == 0.0)
      return 0.0;
    return value;
  }

private:
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
  bool AtDigit() const { return i_ < text_.size() && IsDigit(text_[i_]); }

  bool ScanMantissa() {
    std::size_t digits = 0;
    for (; AtDigit(); ++i_, ++digits) {
      normal_.push_back(text_[i_]);
      if (text_[i_] != '0')
        anyNonZero_ = true;
      if (anyNonZero_)
        ++intDigits_;
    }
    if (i_ < text_.size() && (text_[i_] == '.' || text_[i_] == separator_)) {
      normal_.push_back('.');
      ++i_;
      for (; AtDigit(); ++i_, ++digits) {
        normal_.push_back(text_[i_]);
        if (!anyNonZero_) {
          if (text_[i_] == '0')
            ++leadingFracZeros_;
          else
            anyNonZero_ = true;
        }
      }
    }
    return digits != 0;
  }

  bool ScanExponent() {
    if (i_ >= text_.size() || (text_[i_] != 'e' && text_[i_] != 'E'))
      return true;
    normal_.push_back('e');
    ++i_;
    bool negative = false;
    if (i_ < text_.size() && (text_[i_] == '+' || text_[i_] == '-')) {
      negative = text_[i_] == '-';
      if (negative)
        normal_.push_back('-');
      ++i_;
    }
    std::size_t digits = 0;
    for (; AtDigit(); ++i_, ++digits) {
      normal_.push_back(text_[i_]);
      if (exponent_ < 1000000000LL)
        exponent_ = exponent_ * 10 + (text_[i_] - '0');
    }
    if (negative)
      exponent_ = -exponent_;
    return digits != 0;
  }

  std::string_view text_;
  char separator_;
  std::size_t i_ = 0;
  std::string normal_;
  int intDigits_ = 0;        // significant integer digits (leading zeros skipped)
  int leadingFracZeros_ = 0; // zeros after the separator before the first non-zero
  bool anyNonZero_ = false;
  long long exponent_ = 0;
};

} // namespace

std::optional<double> TextToReal(std::string_view text, char decimalSeparator) {
  TypedReal typed(text, decimalSeparator);
  if (!typed.Scan())
    return std::nullopt;
  return typed.Value();
}

} // namespace morvane
