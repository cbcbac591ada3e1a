#pragma once
// Text <-> number conversions and rounding as the whole program uses them.
// Locale-independent: "1,5" is never read as 1.5.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace matslip {

// Maps the full-width characters a user may type with a Chinese input method
// to ASCII: every character whose GBK code is A3A1..A3FE to '!'..'~' (also
// U+FF01..U+FF5E without a GBK code), the ideographic space (A1A1) to ' ',
// "～" (A1AB) to '~' and "☆", "★" (A1EE, A1EF) to '*'. Other text is kept.
std::string FullWidthToAscii(std::string_view text);

// Reads the decimal floating-point prefix of a UTF-8 text (leading white
// space, optional sign, digits, decimal point, exponent) after
// FullWidthToAscii. Text without a leading number, and empty text, give 0;
// a number too large for a double gives +-infinity, one too small 0.
double TextToNumber(std::string_view text);

// Like TextToNumber, but reports whether the whole text (blanks around it
// allowed) is one number.
bool ParseNumber(std::string_view text, double* value);

// Reads a number as a person types it into a form: blanks around it, an
// optional sign, digits whose whole part may be grouped in threes by ","
// ("1,200", "1,234.50"), at most one decimal point, in full-width forms too
// (FullWidthToAscii); also a number in the very text NumberToText writes
// for it, exponent and all ("1e-05"), so that every number the program shows
// reads back. False for anything else: empty text, letters, another
// exponent ("1e3"), a group of another size ("1,2"), a second point, or a
// value beyond a double's range.
bool ParseTypedNumber(std::string_view text, double* value);
// The value ParseTypedNumber reads; 0 for text it refuses.
double TypedNumber(std::string_view text);

// True, with the value, when `value` is a whole number within 64 bits; false
// for fractions, infinities, NaN and numbers beyond the range.
bool DoubleToWholeNumber(double value, std::int64_t* whole);

// Reads the text as TextToNumber does, but a number written as plain digits
// is read exactly, beyond a double's 53 bits ("9007199254740993"). False when
// the number read is not a whole number within 64 bits.
bool TextToWholeNumber(std::string_view text, std::int64_t* whole);

// "%.13g" for doubles (1250 -> "1250", 12.5 -> "12.5", 0.13 -> "0.13").
std::string NumberToText(double value);
// "%.6g" for single-precision values.
std::string SingleToText(float value);
// Plain decimal.
std::string IntegerToText(std::int64_t value);

// The same texts written at `out`, which has room for kNumberTextRoom bytes;
// each returns the end of what it wrote. For writers that fill a buffer.
inline constexpr std::size_t kNumberTextRoom = 32;
char* WriteNumberText(double value, char* out);
char* WriteSingleText(float value, char* out);
char* WriteIntegerText(std::int64_t value, char* out);

// Half-up rounding to n decimal places with the program's tolerance of 1e-12:
// magnitude * 10^n + 1e-12, rounded up from a fraction of 0.5, sign restored.
// 0.125 -> 0.13, -0.125 -> -0.13, 1.005 -> 1.01, 0 stays 0.
double RoundTo(double value, int places);

}  // namespace matslip
