#include "field_text.h"

#include <cstdint>

#include "base/datetime.h"
#include "base/gbk.h"
#include "base/number.h"
#include "store/format.h"
#include "tsv.h"

namespace matslip::db_tool {

namespace {

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

bool IsIntegerType(int type) {
  return type == fmt::kByte || type == fmt::kShort || type == fmt::kInt ||
         type == fmt::kLong || type == fmt::kValue4;
}

std::string Quoted(std::string_view cell) {
  return "\"" + std::string(cell) + "\"";
}

}  // namespace

std::string MemoCellText(const FieldDef& field, std::string_view bytes) {
  return field.type == fmt::kBinary ? Hex(bytes) : EscapeCell(GbkToUtf8(bytes));
}

bool ParseFieldValue(const FieldDef& field, std::string_view cell, Value* out,
                     std::string* why) {
  *out = Value();
  if (cell.empty()) return true;
  if (IsNumericType(field.type)) {
    double d;
    if (!ParseNumber(cell, &d)) {
      *why = Quoted(cell) + " is not a number";
      return false;
    }
    if (!IsIntegerType(field.type)) {
      *out = Value::Number(d);
      return true;
    }
    // Read again exactly: a double would lose digits of a 64-bit integer.
    std::int64_t whole;
    if (!TextToWholeNumber(cell, &whole)) {
      *why = Quoted(cell) + " is not a whole number";
      return false;
    }
    *out = Value::Integer(whole);
    return true;
  }
  if (field.type == fmt::kDateTime) {
    double d;
    if (!ParseDateTimeIso(cell, &d)) {
      *why = Quoted(cell) + " is not a date-time (YYYY-MM-DD HH:MM:SS)";
      return false;
    }
    *out = Value::Date(d);
    return true;
  }
  if (field.type != fmt::kText && field.type != fmt::kMemo) {
    *why = "fields of type " + std::to_string(field.type) + " cannot be loaded";
    return false;
  }
  std::string text, gbk, bad;
  if (!UnescapeCell(cell, &text)) {
    *why =
        Quoted(cell) + " holds a backslash that is not \\\\, \\t, \\r or \\n";
    return false;
  }
  if (!Utf8ToGbk(text, &gbk, &bad)) {
    *why = Quoted(bad) + " has no GBK form";
    return false;
  }
  if (field.type == fmt::kText && gbk.size() > std::size_t(field.width)) {
    *why = Quoted(cell) + " takes " + std::to_string(gbk.size()) +
           " bytes, the field holds " + std::to_string(field.width);
    return false;
  }
  *out = Value::Text(std::move(text));
  return true;
}

}  // namespace matslip::db_tool
