#include "base/number.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "base/gbk_table.h"
#include "base/utf8.h"

namespace matslip {
namespace {

// The ASCII character a full-width character stands for, 0 for none.
char AsciiFor(char32_t cp) {
  if (cp >= 0xFF01 && cp <= 0xFF5E) return static_cast<char>(cp - 0xFEE0);
  if (cp >= 0x10000) return 0;
  // By GBK code, because the code page decodes some of A3A1..A3FE outside
  // the U+FF01.. block (A3A4 is U+FFE5, A3FE is U+FFE3).
  const std::uint16_t code = GetGbkTable().encode[cp];
  if (code >= 0xA3A1 && code <= 0xA3FE) return static_cast<char>(code - 0xA380);
  switch (code) {
    case 0xA1A1:
      return ' ';
    case 0xA1AB:
      return '~';
    case 0xA1EE:
    case 0xA1EF:
      return '*';
    default:
      return 0;
  }
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The decimal number at the start of `text` after blanks. `*end` gets the
// position after it, 0 when there is none.
double ReadNumberPrefix(std::string_view text, std::size_t* end) {
  *end = 0;
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t start = i;
  // Position of the first significant digit relative to the decimal point,
  // to tell overflow from underflow when the value is out of range.
  long magnitude = 0;
  bool significant = false;
  std::size_t digits = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
    significant = significant || text[i] != '0';
    if (significant) ++magnitude;
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
      if (!significant && text[i] == '0') --magnitude;
      significant = significant || text[i] != '0';
    }
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    const bool negative_exponent = j < text.size() && text[j] == '-';
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      long exponent = 0;
      for (; j < text.size() && IsDigit(text[j]); ++j) {
        if (exponent < 100000000) exponent = exponent * 10 + (text[j] - '0');
      }
      magnitude += negative_exponent ? -exponent : exponent;
      i = j;
    }
  }
  *end = i;
  double value = 0;
  const auto result = std::from_chars(text.data() + start, text.data() + i,
                                      value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return negative ? -value : value;
}

}  // namespace

std::string FullWidthToAscii(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t start = pos;
    const char32_t cp = NextCodePoint(text, &pos);
    const char ascii = cp >= 0x80 && cp != kInvalidCodePoint ? AsciiFor(cp) : 0;
    if (ascii != 0) {
      out.push_back(ascii);
    } else {
      out.append(text.substr(start, pos - start));
    }
  }
  return out;
}

double TextToNumber(std::string_view text) {
  std::size_t end;
  return ReadNumberPrefix(FullWidthToAscii(text), &end);
}

bool ParseNumber(std::string_view text, double* value) {
  const std::string ascii = FullWidthToAscii(text);
  std::size_t end;
  const double number = ReadNumberPrefix(ascii, &end);
  if (end == 0) return false;
  for (std::size_t i = end; i < ascii.size(); ++i) {
    if (!IsBlank(ascii[i])) return false;
  }
  *value = number;
  return true;
}

std::string NumberToText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                    std::chars_format::general, 13);
  return std::string(buffer, result.ptr);
}

std::string SingleToText(float value) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                    std::chars_format::general, 6);
  return std::string(buffer, result.ptr);
}

std::string IntegerToText(std::int64_t value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

double RoundTo(double value, int places) {
  if (value == 0) return 0;
  const double scale = std::pow(10.0, places);
  double whole;
  const double fraction =
      std::modf(std::fabs(value) * scale + 0.000000000001, &whole);
  if (fraction >= 0.5) whole += 1;
  const double rounded = whole / scale;
  return value < 0 ? -rounded : rounded;
}

}  // namespace matslip
