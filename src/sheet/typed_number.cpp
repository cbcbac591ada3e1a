#include "sheet/typed_number.h"

#include <string>

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

bool SkipSign(std::string_view* text, std::string* plain) {
  if (text->empty() || (text->front() != '+' && text->front() != '-'))
    return false;
  plain->push_back(text->front());
  text->remove_prefix(1);
  return true;
}

// Moves the digits at the start of `text` to `plain`; how many.
std::size_t TakeDigits(std::string_view* text, std::string* plain) {
  std::size_t n = 0;
  while (n < text->size() && IsDigit((*text)[n]))
    plain->push_back((*text)[n++]);
  text->remove_prefix(n);
  return n;
}

}  // namespace

bool ReadTypedNumber(std::string_view text, double* value) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  std::string plain;
  if (SkipCurrency(&text))
    SkipSign(&text, &plain);
  else if (SkipSign(&text, &plain))
    SkipCurrency(&text);

  std::size_t digits = TakeDigits(&text, &plain);
  bool grouped = false;
  if (digits >= 1 && digits <= 3) {
    while (text.size() >= 4 && text[0] == ',' && IsDigit(text[1]) &&
           IsDigit(text[2]) && IsDigit(text[3]) &&
           (text.size() == 4 || !IsDigit(text[4]))) {
      text.remove_prefix(1);
      TakeDigits(&text, &plain);
      grouped = true;
    }
  }
  if (SkipPrefix(&text, ".")) {
    plain.push_back('.');
    digits += TakeDigits(&text, &plain);
  }
  if (digits == 0) return false;
  const bool percent = !text.empty() && text.back() == '%';
  if (percent) text.remove_suffix(1);
  if (!grouped && !text.empty() && (text[0] == 'e' || text[0] == 'E')) {
    plain.push_back('e');
    text.remove_prefix(1);
    SkipSign(&text, &plain);
    if (TakeDigits(&text, &plain) == 0) return false;
  }
  if (!text.empty() || !ParseNumber(plain, value)) return false;
  if (percent) *value /= 100;
  return true;
}

}  // namespace matslip
