#pragma once
// Conversion between field bytes inside a record and Values. Memo and binary
// fields hold a block number here; their contents live in the memo file.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/byte_order.h"
#include "store/format.h"
#include "store/schema.h"
#include "store/value.h"

namespace matslip {

// A date-time field's value: the day count (base/datetime.h).
struct StoredDate {
  double days;
};

// Calls `visit` with the value of field `f` of `record` as stored, in the C++
// type of the field's type: std::uint8_t, std::int16_t, std::int32_t (also
// for type 9), std::int64_t, float, double, bool, StoredDate, the text's
// whole width as a std::string_view (zero bytes included), and
// std::monostate for memo and binary fields, whose bytes here only link to
// the memo file. Every reader of field bytes goes through here.
template <typename Visit>
decltype(auto) VisitField(const FieldDef& f, const char* record,
                          Visit&& visit) {
  const char* p = record + f.offset;
  switch (f.type) {
    case fmt::kByte:
      return visit(static_cast<std::uint8_t>(*p));
    case fmt::kShort:
      return visit(GetI16(p));
    case fmt::kInt:
    case fmt::kValue4:
      return visit(GetI32(p));
    case fmt::kLong:
      return visit(GetI64(p));
    case fmt::kSingle:
      return visit(GetF32(p));
    case fmt::kDouble:
      return visit(GetF64(p));
    case fmt::kBoolean:
      return visit(*p != 0);
    case fmt::kDateTime:
      return visit(StoredDate{GetF64(p)});
    case fmt::kText:
      return visit(std::string_view(p, static_cast<std::size_t>(f.width)));
    default:
      return visit(std::monostate{});
  }
}

// Adds the first memo block of each memo field of `record` that has one to
// `chains`: the chains the record owns in its memo file.
void AppendMemoChains(const Schema& schema, const char* record,
                      std::vector<std::int32_t>* chains);

// Decodes a fixed-size field (every type but 11 and 12) at `record`.
Value DecodeField(const FieldDef& f, const char* record);

// Encodes `v` into a fixed-size field of `record`, converting it to the
// field's type; a text is cut to the width at a character boundary (unless
// `cut_text` is false: then a longer text is refused) and padded with zero
// bytes. False (record unchanged) when a text has no GBK form, or when an
// integer field (types 1 to 4 and 9) would get a value that is not a whole
// number within its range.
bool EncodeField(const FieldDef& f, const Value& v, char* record,
                 bool cut_text = true);

// The raw stored bytes of a text field's whole width, as VisitField gives
// it, up to its first zero byte. Inline, as the next one: writers of whole
// tables call them for every text of every record.
inline std::string_view TextBeforeZero(std::string_view width) {
  const void* zero = std::memchr(width.data(), 0, width.size());
  return zero ? width.substr(0, static_cast<const char*>(zero) - width.data())
              : width;
}
// The raw stored bytes of a text field, up to its first zero byte.
inline std::string_view TextFieldBytes(const FieldDef& f, const char* record) {
  return TextBeforeZero(
      std::string_view(record + f.offset, static_cast<std::size_t>(f.width)));
}

// Converts a memo value for storage: memo texts to GBK, binary as is.
// False when a text has no GBK form.
bool EncodeMemo(const FieldDef& f, const Value& v, std::string* bytes);
Value DecodeMemo(const FieldDef& f, std::string bytes);

// Three-way comparison of two records on one field by the field's type (texts
// byte by byte over the whole width, memo and binary always equal).
int CompareField(const FieldDef& f, const char* a, const char* b);

}  // namespace matslip
