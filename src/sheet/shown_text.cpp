#include "sheet/shown_text.h"

#include <algorithm>

#include "base/datetime.h"
#include "base/number.h"
#include "sheet/typed_number.h"

namespace matslip {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string NumberCellText(double value) { return NumberToText(value); }

std::string DateCellText(double date) { return DateTimeText(date); }

bool IsoDateCellText(std::string_view iso, std::string* text) {
  std::string plain(iso.substr(0, 19));
  if (plain.size() > 10 && plain[10] == 'T') plain[10] = ' ';
  // Fractions of a second and a zone are dropped; the program's date-times
  // carry whole seconds.
  const std::string_view rest = iso.substr(plain.size());
  for (char c : rest) {
    if (!(IsDigit(c) || c == '.' || c == 'Z' || c == '+' || c == '-' ||
          c == ':'))
      return false;
  }
  double date;
  if (!ParseDateTimeIso(plain, &date)) return false;
  *text = DateCellText(date);
  return true;
}

std::string ShownText(std::string_view text) {
  const std::string_view trimmed = Trimmed(text);
  double value;
  if (ReadTypedNumber(trimmed, &value)) return NumberCellText(value);
  std::string date;
  if (trimmed.size() >= 10 && IsoDateCellText(trimmed, &date)) return date;
  return std::string(text);
}

void AppendCellText(std::string_view piece, std::string* text) {
  if (text->size() + piece.size() <= kMaxCellBytes) {
    text->append(piece);
    return;
  }
  std::size_t room = kMaxCellBytes - std::min(text->size(), kMaxCellBytes);
  // Back up to the start of a UTF-8 sequence.
  while (room > 0 && room < piece.size() &&
         (static_cast<unsigned char>(piece[room]) & 0xC0) == 0x80)
    --room;
  text->append(piece.substr(0, room));
}

}  // namespace matslip
