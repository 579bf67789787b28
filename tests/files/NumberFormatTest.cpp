#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <clocale>
#include <cmath>
#include <limits>

#include "files/NumberFormat.h"

namespace morvane {
namespace {

TEST(IntegerFormat, PlainAndPadded) {
  EXPECT_EQ(FormatInteger(0), "0");
  EXPECT_EQ(FormatInteger(412), "412");
  EXPECT_EQ(FormatInteger(-42), "-42");
  EXPECT_EQ(FormatInteger(65536), "65536");
  EXPECT_EQ(FormatInteger(LLONG_MIN), "-9223372036854775808");
  EXPECT_EQ(FormatIntegerWidth(7, 2), " 7");
  EXPECT_EQ(FormatIntegerWidth(12, 2), "12");
  EXPECT_EQ(FormatIntegerWidth(1000, 2), "1000"); // never cut
  EXPECT_EQ(FormatIntegerWidth(-5, 3), " -5");
  EXPECT_EQ(FormatIntegerWidth(3, 0), "3");

  std::string out = "x";
  AppendInteger(out, 12);
  AppendIntegerWidth(out, 4, 3);
  EXPECT_EQ(out, "x12  4");
}

TEST(FixedFormat, ExamplesOfTheResultFiles) {
  EXPECT_EQ(FormatFixed(0.5, 6, 4), "0.5000");
  EXPECT_EQ(FormatFixed(-0.0625, 6, 4), "-0.0625");
  EXPECT_EQ(FormatFixed(1, 10, 6), "  1.000000");
  EXPECT_EQ(FormatFixed(1, 6, 10), "1.0000000000");
  EXPECT_EQ(FormatFixed(0.5, 4, 2), "0.50");
  EXPECT_EQ(FormatFixed(1, 4, 2), "1.00");
  EXPECT_EQ(FormatFixed(0, 4, 2), "0.00");
  EXPECT_EQ(FormatFixed(0.0001, 4, 2), "0.00");
  EXPECT_EQ(FormatFixed(-0.0123, 6, 4), "-0.0123");
  EXPECT_EQ(FormatFixed(-0.0625, 7, 5), "-0.06250");
  EXPECT_EQ(FormatFixed(-0.25, 4, 2), "-0.25");
  EXPECT_EQ(FormatFixed(0.6, 2, 4), "0.6000");
  EXPECT_EQ(FormatFixed(0.25, 5, 3), "0.250");
  EXPECT_EQ(FormatFixed(0.5, 8, 2), "    0.50");
  EXPECT_EQ(FormatFixed(-0.5, 8, 2), "   -0.50");
  EXPECT_EQ(FormatFixed(12.5, 0, 0), "13");
  EXPECT_EQ(FormatFixed(3.14159, 1, 0), "3");
}

TEST(FixedFormat, RoundingCarriesAndTies) {
  // 0.99995 is stored a little above the half: it carries into the units.
  EXPECT_EQ(FormatFixed(0.99995, 6, 4), "1.0000");
  EXPECT_EQ(FormatFixed(0.999949, 6, 4), "0.9999");
  EXPECT_EQ(FormatFixed(-0.99995, 6, 4), "-1.0000");
  EXPECT_EQ(FormatFixed(99.996, 4, 2), "100.00"); // wider than asked, not cut
  EXPECT_EQ(FormatFixed(9.9999999, 7, 5), "10.00000");
  // Stored below the half: rounding follows the stored value.
  EXPECT_EQ(FormatFixed(2.675, 4, 2), "2.67");
  // Exact halves go away from zero.
  EXPECT_EQ(FormatFixed(0.125, 4, 2), "0.13");
  EXPECT_EQ(FormatFixed(0.375, 4, 2), "0.38");
  EXPECT_EQ(FormatFixed(-0.125, 4, 2), "-0.13");
  EXPECT_EQ(FormatFixed(0.5, 1, 0), "1");
  EXPECT_EQ(FormatFixed(2.5, 1, 0), "3");
  EXPECT_EQ(FormatFixed(0.03125, 6, 4), "0.0313");
  EXPECT_EQ(FormatFixed(std::nextafter(0.125, 0.0), 4, 2), "0.12");
}

TEST(FixedFormat, ZeroSignAndExtremeMagnitudes) {
  // A value that rounds to zero carries no minus sign.
  EXPECT_EQ(FormatFixed(-0.0, 4, 2), "0.00");
  EXPECT_EQ(FormatFixed(-0.001, 4, 2), "0.00");
  EXPECT_EQ(FormatFixed(-1e-12, 6, 4), "0.0000");
  EXPECT_EQ(FormatFixed(-0.005, 4, 2), "-0.01"); // stored just above the half
  EXPECT_EQ(FormatFixed(1e-310, 6, 4), "0.0000");
  EXPECT_EQ(FormatFixed(5e-324, 6, 4), "0.0000");

  const std::string huge = FormatFixed(1e300, 6, 4);
  EXPECT_EQ(huge.size(), 301u + 5u);
  EXPECT_EQ(huge.substr(0, 20), "10000000000000000525");
  EXPECT_EQ(huge.substr(huge.size() - 5), ".0000");
  const std::string most = FormatFixed(-DBL_MAX, 4, 2);
  EXPECT_EQ(most.size(), 1u + 309u + 3u);
  EXPECT_EQ(most.substr(0, 6), "-17976");

  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::quiet_NaN(), 6, 4), "   NAN");
  EXPECT_EQ(FormatFixed(-std::numeric_limits<double>::infinity(), 6, 4), "  -INF");
}

TEST(ScientificFormat, LayoutSignAndZero) {
  EXPECT_EQ(FormatScientific(0.5), " 5.00000000000000E-0001");
  EXPECT_EQ(FormatScientific(-0.5), "-5.00000000000000E-0001");
  EXPECT_EQ(FormatScientific(0.0), " 0.00000000000000E+0000");
  EXPECT_EQ(FormatScientific(-0.0), " 0.00000000000000E+0000");
  EXPECT_EQ(FormatScientific(1), " 1.00000000000000E+0000");
  EXPECT_EQ(FormatScientific(123456), " 1.23456000000000E+0005");
  EXPECT_EQ(FormatScientific(1.0 / 3), " 3.33333333333333E-0001");
  EXPECT_EQ(FormatScientific(2.0 / 3), " 6.66666666666667E-0001");
  EXPECT_EQ(FormatScientific(-0.0625), "-6.25000000000000E-0002");

  std::string out = "a\t";
  AppendScientific(out, 0.25);
  out += '\t';
  EXPECT_EQ(out, "a\t 2.50000000000000E-0001\t");
}

TEST(ScientificFormat, RoundingCarriesAndTies) {
  EXPECT_EQ(FormatScientific(9.999999999999999), " 1.00000000000000E+0001");
  EXPECT_EQ(FormatScientific(9.9999999999999995), " 1.00000000000000E+0001");
  EXPECT_EQ(FormatScientific(-9.999999999999999e-5), "-1.00000000000000E-0004");
  EXPECT_EQ(FormatScientific(0.99999999999999994), " 1.00000000000000E+0000");
  // 40001/32768 = 1.220733642578125 exactly: a half at the 16th digit goes
  // away from zero; its neighbours round to the nearer side.
  const double tie = 40001.0 / 32768.0;
  EXPECT_EQ(FormatScientific(tie), " 1.22073364257813E+0000");
  EXPECT_EQ(FormatScientific(-tie), "-1.22073364257813E+0000");
  EXPECT_EQ(FormatScientific(std::nextafter(tie, 0.0)), " 1.22073364257812E+0000");
  EXPECT_EQ(FormatScientific(std::nextafter(tie, 2.0)), " 1.22073364257813E+0000");
  EXPECT_EQ(FormatScientific(1000000000000005.0), " 1.00000000000001E+0015");
  EXPECT_EQ(FormatScientific(1000000000000025.0), " 1.00000000000003E+0015");
  EXPECT_EQ(FormatScientific(1000000000000004.0), " 1.00000000000000E+0015");
}

TEST(ScientificFormat, VerySmallAndVeryLarge) {
  // A denormal keeps fewer bits than 15 digits need: the stored value shows.
  EXPECT_EQ(FormatScientific(1e-310), " 9.99999999999997E-0311");
  EXPECT_EQ(FormatScientific(std::ldexp(1.0, -1060)), " 8.09477154146298E-0320");
  EXPECT_EQ(FormatScientific(-5e-324), "-4.94065645841247E-0324");
  EXPECT_EQ(FormatScientific(DBL_MIN), " 2.22507385850720E-0308");
  EXPECT_EQ(FormatScientific(1e300), " 1.00000000000000E+0300");
  EXPECT_EQ(FormatScientific(DBL_MAX), " 1.79769313486232E+0308");
  EXPECT_EQ(FormatScientific(-DBL_MAX), "-1.79769313486232E+0308");
  for (double v : {1e-310, 5e-324, 1e300, DBL_MAX, 1e-5, 123.456, -7.0})
    EXPECT_EQ(FormatScientific(v).size(), 23u) << v;
  EXPECT_EQ(FormatScientific(std::numeric_limits<double>::infinity()).size(), 23u);
  EXPECT_EQ(FormatScientific(std::numeric_limits<double>::quiet_NaN()).size(), 23u);
}

TEST(RealToText, GeneralFormOfTheWindows) {
  EXPECT_EQ(RealToText(0.5), "0.5");
  EXPECT_EQ(RealToText(1), "1");
  EXPECT_EQ(RealToText(-0.25), "-0.25");
  EXPECT_EQ(RealToText(0), "0");
  EXPECT_EQ(RealToText(-0.0), "0");
  EXPECT_EQ(RealToText(100), "100");
  EXPECT_EQ(RealToText(0.000001), "1E-6");
  EXPECT_EQ(RealToText(0.000015), "1.5E-5");
  EXPECT_EQ(RealToText(-0.000015), "-1.5E-5");
  EXPECT_EQ(RealToText(2e15), "2E15");
  EXPECT_EQ(RealToText(0.0001), "0.0001");
  EXPECT_EQ(RealToText(0.00009), "9E-5");
  EXPECT_EQ(RealToText(1e15), "1E15");
  EXPECT_EQ(RealToText(999999999999999.0), "999999999999999");
  EXPECT_EQ(RealToText(999999999999999.9), "1E15"); // rounds up to 10^15
  EXPECT_EQ(RealToText(123456789012345.6), "123456789012346");
  EXPECT_EQ(RealToText(0.1 + 0.2), "0.3");
  EXPECT_EQ(RealToText(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(RealToText(2.0 / 3), "0.666666666666667");
  EXPECT_EQ(RealToText(0.9999999999999999), "1");
  EXPECT_EQ(RealToText(1e-310), "9.99999999999997E-311");
  EXPECT_EQ(RealToText(1e-300), "1E-300");
  EXPECT_EQ(RealToText(DBL_MAX), "1.79769313486232E308");
  EXPECT_EQ(RealToText(12.5e20), "1.25E21");
}

TEST(RealToText, DecimalSeparatorOfTheLocale) {
  EXPECT_EQ(RealToText(0.5, ','), "0,5");
  EXPECT_EQ(RealToText(-0.25, ','), "-0,25");
  EXPECT_EQ(RealToText(1.5e-5, ','), "1,5E-5");
  EXPECT_EQ(RealToText(1000, ','), "1000");
  EXPECT_EQ("[" + RealToText(-0.25, ',') + ".." + RealToText(0.25, ',') + "]", "[-0,25..0,25]");
}

TEST(TextToReal, AcceptsPlainDecimalNumbers) {
  struct Case {
    const char *text;
    char separator;
    double value;
  };
  const Case cases[] = {
      {"0.5", '.', 0.5},
      {"0,5", ',', 0.5},
      {"0.5", ',', 0.5},
      {"-0.25", '.', -0.25},
      {"-0,25", ',', -0.25},
      {"+1", '.', 1},
      {"1E-6", '.', 1e-6},
      {"1e-6", '.', 1e-6},
      {"1,5e+3", ',', 1500},
      {".5", '.', 0.5},
      {",5", ',', 0.5},
      {"5.", '.', 5},
      {"5,", ',', 5},
      {"-.5", '.', -0.5},
      {"00012", '.', 12},
      {"1E15", '.', 1e15},
      {"0.000001", '.', 1e-6},
      {"1e-310", '.', 1e-310},
      {"1.7976931348623157e308", '.', DBL_MAX},
      {"1000", ',', 1000},
      {"0.30000000000000004", '.', 0.1 + 0.2},
  };
  for (const Case &c : cases) {
    const auto v = TextToReal(c.text, c.separator);
    ASSERT_TRUE(v.has_value()) << c.text;
    EXPECT_EQ(*v, c.value) << c.text;
  }
}

TEST(TextToReal, ZeroAndUnderflowGivePlainZero) {
  for (const char *text : {"0", "-0", "0.0", "-0e5", "0e99999999999999999999", "1e-400",
                           "-1e-99999999999999999999", "0.0000000000000000000000001e-300"}) {
    const auto v = TextToReal(text);
    ASSERT_TRUE(v.has_value()) << text;
    EXPECT_EQ(*v, 0.0) << text;
    EXPECT_FALSE(std::signbit(*v)) << text;
  }
}

TEST(TextToReal, RefusesEverythingElse) {
  const char *bad[] = {"",
                       "+",
                       "-",
                       ".",
                       "nan",
                       "NaN",
                       "-nan",
                       "inf",
                       "-inf",
                       "INF",
                       "infinity",
                       "0x1p3",
                       "0x10",
                       " 1",
                       "1 ",
                       "1 2",
                       "\t1",
                       "1\n",
                       "1.2.3",
                       "1e",
                       "1e+",
                       "1e-",
                       "e5",
                       ".e5",
                       "abc",
                       "1a",
                       "1..2",
                       "--1",
                       "+-1",
                       "1e5.5",
                       "1e400",
                       "-1e400",
                       "1e99999999999999999999",
                       "1000000000000000000000000000000000000000000000000000000000000000000000000"
                       "0000000000000000000000000000000000000000000000000000000000000000000000000"
                       "0000000000000000000000000000000000000000000000000000000000000000000000000"
                       "0000000000000000000000000000000000000000000000000000000000000000000000000"
                       "0000000000000000000000000000000000000000000000000000000000000000000000"};
  for (const char *text : bad)
    EXPECT_FALSE(TextToReal(text).has_value()) << '"' << text << '"';
  // Separators: ',' only counts when it is the locale's, '.' always does,
  // and only one may appear.
  EXPECT_FALSE(TextToReal("1,5", '.').has_value());
  EXPECT_FALSE(TextToReal(",5", '.').has_value());
  EXPECT_FALSE(TextToReal(",", ',').has_value());
  EXPECT_FALSE(TextToReal("1,5.2", ',').has_value());
  EXPECT_FALSE(TextToReal("1 000", ',').has_value());
  EXPECT_FALSE(TextToReal(std::string_view("1\0", 2)).has_value());
}

TEST(NumberFormats, IndependentOfTheCLocale) {
  const char *previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous ? previous : "C";
  if (std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr)
    GTEST_SKIP() << "locale fr_FR.UTF-8 is not installed";
  // The locale really uses a comma, or this test would prove nothing.
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  EXPECT_EQ(FormatFixed(0.5, 6, 4), "0.5000");
  EXPECT_EQ(FormatFixed(-0.0625, 7, 5), "-0.06250");
  EXPECT_EQ(FormatScientific(0.5), " 5.00000000000000E-0001");
  EXPECT_EQ(RealToText(0.5), "0.5");
  EXPECT_EQ(RealToText(0.5, ','), "0,5");
  EXPECT_EQ(TextToReal("0.5"), std::optional<double>(0.5));
  EXPECT_EQ(TextToReal("0,5", ','), std::optional<double>(0.5));
  EXPECT_FALSE(TextToReal("0,5", '.').has_value());
  std::setlocale(LC_ALL, saved.c_str());
}

} // namespace
} // namespace morvane
