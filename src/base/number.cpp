#include "base/number.h"

#include <algorithm>
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
// Whether `c` can be part of what ReadNumberPrefix reads.
bool MayBeInNumber(char c) {
  return IsBlank(c) || IsDigit(c) || c == '+' || c == '-' || c == '.' ||
         c == 'e' || c == 'E';
}

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
  // A number ends at the first character that none holds, so only the
  // characters before it are mapped, onto the stack: sums over many cells
  // then ask nothing of the heap.
  char prefix[64];
  std::size_t length = 0;
  std::size_t end;
  for (std::size_t pos = 0; pos < text.size();) {
    char c = text[pos];
    if (static_cast<unsigned char>(c) < 0x80) {
      ++pos;
    } else {
      const char32_t cp = NextCodePoint(text, &pos);
      c = cp == kInvalidCodePoint ? 0 : AsciiFor(cp);
    }
    if (!MayBeInNumber(c)) break;
    if (length == sizeof prefix)
      return ReadNumberPrefix(FullWidthToAscii(text), &end);
    prefix[length++] = c;
  }
  return ReadNumberPrefix(std::string_view(prefix, length), &end);
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

namespace {

// A number with an exponent is taken only as NumberToText writes it
// ("1e-05", "1.5e+20"): the program's own text of a stored value must read
// back, where a typed "1e3" is refused.
bool ReadsAsWritten(std::string_view text, double* value) {
  std::size_t read;
  const double number = ReadNumberPrefix(text, &read);
  if (read == 0 || read != text.size() || NumberToText(number) != text)
    return false;
  *value = number;
  return true;
}

}  // namespace

bool ParseTypedNumber(std::string_view text, double* value) {
  const std::string ascii = FullWidthToAscii(text);
  std::size_t i = 0, end = ascii.size();
  while (i < end && IsBlank(ascii[i])) ++i;
  while (end > i && IsBlank(ascii[end - 1])) --end;
  const std::string_view trimmed(ascii.data() + i, end - i);
  // The number without its group separators, for ReadNumberPrefix.
  std::string plain;
  if (i < end && (ascii[i] == '+' || ascii[i] == '-')) plain += ascii[i++];
  bool grouped = false;
  std::size_t group = 0;  // digits since the last separator
  for (; i < end && (IsDigit(ascii[i]) || ascii[i] == ','); ++i) {
    if (ascii[i] != ',') {
      plain += ascii[i];
      ++group;
      continue;
    }
    // The first group holds one to three digits, every later one three.
    if (group == 0 || group > 3 || (grouped && group != 3)) return false;
    grouped = true;
    group = 0;
  }
  if (grouped && group != 3) return false;
  if (i < end && ascii[i] == '.') {
    for (plain += ascii[i++]; i < end && IsDigit(ascii[i]); ++i)
      plain += ascii[i];
  }
  if (i != end) return !grouped && ReadsAsWritten(trimmed, value);
  std::size_t read;
  const double number = ReadNumberPrefix(plain, &read);
  if (read == 0 || read != plain.size() || !std::isfinite(number)) return false;
  *value = number;
  return true;
}

double TypedNumber(std::string_view text) {
  double value = 0;
  return ParseTypedNumber(text, &value) ? value : 0;
}

bool DoubleToWholeNumber(double value, std::int64_t* whole) {
  // -2^63 and 2^63 are exact doubles; the comparisons are false for NaN.
  if (!(value >= -0x1p63 && value < 0x1p63) || value != std::trunc(value))
    return false;
  *whole = static_cast<std::int64_t>(value);
  return true;
}

bool TextToWholeNumber(std::string_view text, std::int64_t* whole) {
  const std::string ascii = FullWidthToAscii(text);
  std::size_t i = 0;
  while (i < ascii.size() && IsBlank(ascii[i])) ++i;
  const bool negative = i < ascii.size() && ascii[i] == '-';
  if (i < ascii.size() && (ascii[i] == '+' || ascii[i] == '-')) ++i;
  const std::size_t digits = i;
  while (i < ascii.size() && IsDigit(ascii[i])) ++i;
  const bool plain =
      i > digits && (i == ascii.size() ||
                     (ascii[i] != '.' && ascii[i] != 'e' && ascii[i] != 'E'));
  if (!plain) {
    std::size_t end;
    return DoubleToWholeNumber(ReadNumberPrefix(ascii, &end), whole);
  }
  std::uint64_t magnitude = 0;
  const auto result =
      std::from_chars(ascii.data() + digits, ascii.data() + i, magnitude);
  constexpr std::uint64_t kMostPositive =
      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (result.ec != std::errc() ||
      magnitude > kMostPositive + (negative ? 1 : 0))
    return false;
  // In unsigned arithmetic, so that -2^63 needs no positive 2^63.
  *whole = static_cast<std::int64_t>(negative ? 0 - magnitude : magnitude);
  return true;
}

namespace {

// printf's "%.<precision>g" at `out`, returning the end. Most values the
// program shows (amounts with two decimals, whole quantities) have a shortest
// round-trip form of at most `precision` digits, and then "%g" shows exactly
// those digits; that form is much cheaper to find than the general rounding,
// which serves the rest.
char* WriteGeneral(double value, int precision, char* out) {
  char sci[40];
  const auto r = std::to_chars(sci, sci + sizeof sci, value,
                               std::chars_format::scientific);
  const std::string_view text(sci, static_cast<std::size_t>(r.ptr - sci));
  const std::size_t e = text.find('e');
  // Subnormal values carry fewer digits than `precision`: general path.
  const bool normal = value == 0 || std::fpclassify(value) == FP_NORMAL;
  if (normal && r.ec == std::errc() && e != std::string_view::npos) {
    const bool negative = text[0] == '-';
    char digits[24];  // a shortest form has at most 17 digits
    int n = 0;
    for (char c : text.substr(negative ? 1 : 0, e - (negative ? 1 : 0)))
      if (c != '.') digits[n++] = c;
    int exponent = 0;
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1),
                    text.data() + text.size(), exponent);
    if (n <= precision) {
      while (n > 1 && digits[n - 1] == '0') --n;
      if (negative) *out++ = '-';
      if (exponent < -4 || exponent >= precision) {
        *out++ = digits[0];
        if (n > 1) {
          *out++ = '.';
          out = std::copy(digits + 1, digits + n, out);
        }
        *out++ = 'e';
        *out++ = exponent < 0 ? '-' : '+';
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10) *out++ = '0';
        return std::to_chars(out, out + 8, magnitude).ptr;
      }
      if (exponent < 0) {
        *out++ = '0';
        *out++ = '.';
        out = std::fill_n(out, -exponent - 1, '0');
        return std::copy(digits, digits + n, out);
      }
      if (n <= exponent + 1) {
        out = std::copy(digits, digits + n, out);
        return std::fill_n(out, exponent + 1 - n, '0');
      }
      out = std::copy(digits, digits + exponent + 1, out);
      *out++ = '.';
      return std::copy(digits + exponent + 1, digits + n, out);
    }
  }
  return std::to_chars(out, out + kNumberTextRoom, value,
                       std::chars_format::general, precision)
      .ptr;
}

// Whole numbers and amounts with one or two decimals below 1e11: what
// "%.13g" shows is the value's shortest decimal form, cut from the hundredths
// directly. Null for everything else.
char* WriteHundredths(double value, char* out) {
  const double scaled = value * 100;
  if (!(std::fabs(scaled) < 1e15)) return nullptr;
  // Rounded half away from zero as std::round does, without its call: below
  // 2^53 the fraction scaled - h is exact.
  auto h = static_cast<std::int64_t>(scaled);
  const double fraction = scaled - static_cast<double>(h);
  if (fraction >= 0.5) ++h;
  if (fraction <= -0.5) --h;
  if (!(h > -10000000000000 && h < 10000000000000)) return nullptr;
  // A whole number's quotient is exact: compared without the division.
  const double back = h % 100 == 0 ? static_cast<double>(h / 100)
                                   : static_cast<double>(h) / 100;
  if (back != value) return nullptr;
  const std::int64_t magnitude = h < 0 ? -h : h;
  if (h < 0) *out++ = '-';
  out = std::to_chars(out, out + kNumberTextRoom, magnitude / 100).ptr;
  const int cents = static_cast<int>(magnitude % 100);
  if (cents != 0) {
    *out++ = '.';
    *out++ = static_cast<char>('0' + cents / 10);
    if (cents % 10 != 0) *out++ = static_cast<char>('0' + cents % 10);
  }
  return out;
}

}  // namespace

char* WriteNumberText(double value, char* out) {
  if (value != 0) {
    if (char* end = WriteHundredths(value, out)) return end;
  }
  return WriteGeneral(value, 13, out);
}

char* WriteSingleText(float value, char* out) {
  return WriteGeneral(static_cast<double>(value), 6, out);
}

char* WriteIntegerText(std::int64_t value, char* out) {
  return std::to_chars(out, out + kNumberTextRoom, value).ptr;
}

std::string NumberToText(double value) {
  char buffer[kNumberTextRoom];
  return std::string(buffer, WriteNumberText(value, buffer));
}

std::string SingleToText(float value) {
  char buffer[kNumberTextRoom];
  return std::string(buffer, WriteSingleText(value, buffer));
}

std::string IntegerToText(std::int64_t value) {
  char buffer[kNumberTextRoom];
  return std::string(buffer, WriteIntegerText(value, buffer));
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
