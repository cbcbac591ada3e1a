#pragma once
// Text <-> number conversions and rounding as the whole program uses them.
// Locale-independent: "1,5" is never read as 1.5.
#include <cstdint>
#include <string>
#include <string_view>

namespace matslip {

// Reads the decimal floating-point prefix of a UTF-8 text (leading white
// space, optional sign, digits, decimal point, exponent) after mapping the
// full-width forms to ASCII (U+FF01..U+FF5E to '!'..'~', the ideographic
// space U+3000 to ' ', U+FF5E-like A1AB "～" to '~', A1EE/A1EF "※"/"＊"-like
// marks to '*'). Text without a leading number, and empty text, give 0.
double TextToNumber(std::string_view text);

// Like TextToNumber, but reports whether the whole text (blanks around it
// allowed) is one number.
bool ParseNumber(std::string_view text, double* value);

// "%.13g" for doubles (1250 -> "1250", 12.5 -> "12.5", 0.13 -> "0.13").
std::string NumberToText(double value);
// "%.6g" for single-precision values.
std::string SingleToText(float value);
// Plain decimal.
std::string IntegerToText(std::int64_t value);

// Half-up rounding to n decimal places with the program's tolerance of 1e-12:
// 0.125 -> 0.13, -0.125 -> -0.13, 0 stays 0.
double RoundTo(double value, int places);

}  // namespace matslip
