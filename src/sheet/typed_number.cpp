#include "sheet/typed_number.h"

#include <algorithm>

#include "base/number.h"

namespace matslip {
namespace {

constexpr std::string_view kYen = "\xC2\xA5";               // ¥
constexpr std::string_view kFullWidthYen = "\xEF\xBF\xA5";  // ￥

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool SkipPrefix(std::string_view* text, std::string_view prefix) {
  if (!text->starts_with(prefix)) return false;
  text->remove_prefix(prefix.size());
  return true;
}

bool SkipCurrency(std::string_view* text) {
  return SkipPrefix(text, kYen) || SkipPrefix(text, kFullWidthYen);
}

}  // namespace

bool ReadTypedNumber(std::string_view text, double* value) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  // The currency sign before or after the sign: "¥-1,200" and "-¥1,200".
  std::string number;
  if (!SkipCurrency(&text) &&
      (text.starts_with('-') || text.starts_with('+'))) {
    number.push_back(text.front());
    text.remove_prefix(1);
    SkipCurrency(&text);
  } else if (text.starts_with('-') || text.starts_with('+')) {
    number.push_back(text.front());
    text.remove_prefix(1);
  }
  const bool percent = text.ends_with('%');
  if (percent) text.remove_suffix(1);
  // A sign or blanks left inside are not part of such a number.
  if (text.empty() || !(IsDigit(text.front()) || text.front() == '.'))
    return false;
  number.append(text);
  // Grouped numbers as a person types them; plain ones may also carry an
  // exponent, as spreadsheet programs write very large and small values.
  double read = 0;
  const bool grouped = number.find(',') != std::string::npos;
  if (!ParseTypedNumber(number, &read) &&
      (grouped || !std::any_of(number.begin(), number.end(), IsDigit) ||
       !ParseNumber(number, &read)))
    return false;
  *value = percent ? read / 100 : read;
  return true;
}

}  // namespace matslip
