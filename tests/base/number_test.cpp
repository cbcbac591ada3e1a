#include "base/number.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <utility>

namespace matslip {
namespace {

std::string Printf(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

TEST(TextToNumberTest, ReadsTheLeadingNumber) {
  EXPECT_EQ(TextToNumber("  -3.5kg"), -3.5);
  EXPECT_EQ(TextToNumber("+7"), 7);
  EXPECT_EQ(TextToNumber("\t12"), 12);
  EXPECT_EQ(TextToNumber(".5"), 0.5);
  EXPECT_EQ(TextToNumber("5."), 5);
  EXPECT_EQ(TextToNumber("1e"), 1);
  EXPECT_EQ(TextToNumber("1e+"), 1);
  EXPECT_EQ(TextToNumber("2.5e3x"), 2500);
  EXPECT_EQ(TextToNumber("1E-2"), 0.01);
  EXPECT_EQ(TextToNumber("1,5"), 1);
}

TEST(TextToNumberTest, TextWithoutANumberGivesZero) {
  EXPECT_EQ(TextToNumber(""), 0);
  EXPECT_EQ(TextToNumber("abc"), 0);
  EXPECT_EQ(TextToNumber("."), 0);
  EXPECT_EQ(TextToNumber("-"), 0);
  EXPECT_EQ(TextToNumber("e5"), 0);
  EXPECT_EQ(TextToNumber("inf"), 0);
  EXPECT_EQ(TextToNumber("0x10"), 0);
  EXPECT_EQ(TextToNumber("米"), 0);
}

TEST(TextToNumberTest, ALongNumberIsReadWhole) {
  // Past the few dozen characters read without a copy of the text.
  EXPECT_EQ(TextToNumber(std::string(100, '0') + "12.5元"), 12.5);
  EXPECT_EQ(TextToNumber("1" + std::string(80, '0') + "米"), 1e80);
  std::string wide = "１";
  for (int i = 0; i < 80; ++i) wide += "０";
  EXPECT_EQ(TextToNumber(wide + "米"), 1e80);
}

TEST(TextToNumberTest, OutOfRangeBehavesLikeTheCLibrary) {
  EXPECT_EQ(TextToNumber("1e999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(TextToNumber("-1e999"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(TextToNumber("1e-999"), 0);
  EXPECT_EQ(TextToNumber("0.0001e-400"), 0);
  EXPECT_EQ(TextToNumber("1e99999999999999999999"),
            std::numeric_limits<double>::infinity());
}

TEST(TextToNumberTest, FullWidthFormsReadAsAscii) {
  EXPECT_EQ(TextToNumber("１２．５"), 12.5);
  EXPECT_EQ(TextToNumber("　－３"), -3);  // ideographic space, minus
  EXPECT_EQ(TextToNumber("＋１ｅ２"), 100);
  EXPECT_EQ(FullWidthToAscii("ＬＧＪ－９５／２０"), "LGJ-95/20");
  // A1AB, A1EE, A1EF and the two A3 codes outside the U+FF01 block.
  EXPECT_EQ(FullWidthToAscii("～☆★￥￣"), "~**$~");
  EXPECT_EQ(FullWidthToAscii("钢材 1"), "钢材 1");
}

TEST(TextToNumberTest, DoesNotDependOnTheProcessLocale) {
  // A locale whose decimal separator is a comma, as a Qt program may get.
  bool found = false;
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      found = true;
      break;
    }
  }
  if (!found) GTEST_SKIP() << "no locale with a decimal comma installed";
  const double read = TextToNumber("1.5");
  const std::string written = NumberToText(1.5);
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(read, 1.5);
  EXPECT_EQ(written, "1.5");
}

TEST(ParseNumberTest, AcceptsOnlyAWholeNumber) {
  double value = -1;
  EXPECT_TRUE(ParseNumber(" 12.5 ", &value));
  EXPECT_EQ(value, 12.5);
  EXPECT_TRUE(ParseNumber("１２", &value));
  EXPECT_EQ(value, 12);
  EXPECT_FALSE(ParseNumber("12kg", &value));
  EXPECT_FALSE(ParseNumber("", &value));
  EXPECT_FALSE(ParseNumber("  ", &value));
  EXPECT_FALSE(ParseNumber("1e", &value));
  EXPECT_EQ(value, 12);  // untouched on failure
}

// What a storekeeper types: grouped thousands and full-width forms read
// whole; everything a first-digits reading would half-take is refused.
TEST(ParseTypedNumberTest, ReadsWhatAPersonTypesAndRefusesTheRest) {
  const std::pair<const char*, double> good[] = {{"1,200", 1200},
                                                 {"1,234.50", 1234.5},
                                                 {" -1,481,400.00 ", -1481400},
                                                 {"１，２００．５", 1200.5},
                                                 {"+7", 7},
                                                 {".5", 0.5},
                                                 {"5.", 5},
                                                 {"0012", 12},
                                                 {"999", 999},
                                                 {"1e-05", 1e-05},
                                                 {"-1.5e+20", -1.5e20}};
  for (const auto& [text, expected] : good) {
    double value = -1;
    EXPECT_TRUE(ParseTypedNumber(text, &value)) << text;
    EXPECT_EQ(value, expected) << text;
  }
  const std::string huge(400, '9');
  const char* bad[] = {"",         "  ",    "abc",       "12kg",      "1e3",
                       "1e-5",     "1E-05", "1,000e+20", "1,2",       "1,2345",
                       "1234,567", ",123",  "1,",        "1,,234",    "1.2.3",
                       "1 200",    "½",     "-",         ".",         "1.5,000",
                       "--1",      "0x10",  "inf",       huge.c_str()};
  for (const char* text : bad) {
    double value = -1;
    EXPECT_FALSE(ParseTypedNumber(text, &value)) << text;
    EXPECT_EQ(value, -1) << text;
    EXPECT_EQ(TypedNumber(text), 0) << text;
  }
  EXPECT_EQ(TypedNumber("1,200"), 1200);
}

TEST(NumberToTextTest, MatchesPrintfG13) {
  const double values[] = {1250,  12.5,    0.13,   1e20,   1e-5,
                           -0.0,  0,       1e13,   1e12,   123456789012345,
                           0.1,   1.0 / 3, -2.675, 1e-4,   99999999999995,
                           1e300, 5e-324,  0.0001, 2.5e-7, 1234567890123.4};
  for (const double v : values) {
    EXPECT_EQ(NumberToText(v), Printf("%.13g", v)) << v;
  }
  EXPECT_EQ(NumberToText(1250), "1250");
  EXPECT_EQ(NumberToText(0.13), "0.13");
  EXPECT_EQ(NumberToText(1e20), "1e+20");
  EXPECT_EQ(NumberToText(1e-5), "1e-05");
  EXPECT_EQ(NumberToText(123456789012345), "1.234567890123e+14");
}

TEST(NumberToTextTest, MatchesPrintfOnRandomValues) {
  std::mt19937_64 random(20130910);
  std::uniform_real_distribution<double> exponent(-30, 30);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  for (int i = 0; i < 20000; ++i) {
    const double v = mantissa(random) * std::pow(10.0, exponent(random));
    ASSERT_EQ(NumberToText(v), Printf("%.13g", v)) << v;
    const double cents = std::round(v * 100) / 100;
    ASSERT_EQ(NumberToText(cents), Printf("%.13g", cents)) << cents;
    const float f = static_cast<float>(v);
    ASSERT_EQ(SingleToText(f), Printf("%.6g", f)) << f;
  }
}

TEST(NumberToTextTest, MatchesPrintfAroundTheShortFormsLimits) {
  for (double v : {99999999999.99, 1e11, 1e11 + 0.01, 9999999999999.0, 1e13,
                   1.5e13, 0.01, 0.05, -0.07, 0.001, 123456.78, -0.5,
                   1234567890123.0, 12345678901234.0, 0.30000000000000004}) {
    EXPECT_EQ(NumberToText(v), Printf("%.13g", v)) << v;
  }
  for (std::int64_t cents = -100000; cents <= 100000; cents += 7) {
    const double v = static_cast<double>(cents) / 100;
    ASSERT_EQ(NumberToText(v), Printf("%.13g", v)) << v;
  }
}

TEST(NumberToTextTest, SingleAndInteger) {
  EXPECT_EQ(SingleToText(12.5f), "12.5");
  EXPECT_EQ(SingleToText(0.1f), "0.1");
  EXPECT_EQ(SingleToText(1234567.f), "1.23457e+06");
  EXPECT_EQ(IntegerToText(-9223372036854775807LL - 1), "-9223372036854775808");
  EXPECT_EQ(IntegerToText(0), "0");
}

TEST(NumberToTextTest, TheLongestTextsFitTheRoomAndMatchPrintf) {
  for (const double v :
       {-1.234567890123e-308, -2.225073858507e-308, -4.9e-324,
        -1.797693134862e+308, -0.0001234567890123, -999999999999.99,
        -9999999999999.5, 2.5, -2.5, 0.005, -0.015, 1e13 - 0.5}) {
    std::string buffer(kNumberTextRoom + 1, 'x');
    char* end = WriteNumberText(v, buffer.data());
    ASSERT_LE(end - buffer.data(),
              static_cast<std::ptrdiff_t>(kNumberTextRoom));
    EXPECT_EQ(std::string(buffer.data(), end), Printf("%.13g", v)) << v;
    EXPECT_EQ(buffer.back(), 'x');
  }
  for (const float f : {-3.40282e+38f, -1.17549e-38f, -1.4e-45f, 0.1f}) {
    std::string buffer(kNumberTextRoom, 'x');
    char* end = WriteSingleText(f, buffer.data());
    EXPECT_EQ(std::string(buffer.data(), end), Printf("%.6g", f)) << f;
  }
  char buffer[kNumberTextRoom];
  EXPECT_EQ(
      std::string(buffer, WriteIntegerText(-9223372036854775807LL - 1, buffer)),
      "-9223372036854775808");
}

TEST(RoundToTest, RoundsHalfUpAwayFromZero) {
  EXPECT_EQ(RoundTo(0.125, 2), 0.13);
  EXPECT_EQ(RoundTo(-0.125, 2), -0.13);
  EXPECT_EQ(RoundTo(2.675, 2), 2.68);  // 2.67499999... in binary
  EXPECT_EQ(RoundTo(1.005, 2), 1.01);
  EXPECT_EQ(RoundTo(0.124, 2), 0.12);
  EXPECT_EQ(RoundTo(12.5, 0), 13);
  EXPECT_EQ(RoundTo(1234.5678, 2), 1234.57);
  EXPECT_EQ(RoundTo(0.0049, 2), 0);
}

TEST(RoundToTest, ZeroStaysPositiveZero) {
  EXPECT_FALSE(std::signbit(RoundTo(0.0, 2)));
  EXPECT_FALSE(std::signbit(RoundTo(-0.0, 2)));
}

}  // namespace
}  // namespace matslip
