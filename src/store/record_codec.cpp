#include "store/record_codec.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "base/datetime.h"
#include "base/gbk.h"
#include "store/file_io.h"
#include "store/format.h"

namespace matslip {

namespace {

// Stores `v` as an integer of type T at `p`; false (nothing written) when
// it is not a whole number within T's range: a value never wraps.
template <typename T, typename Put>
bool PutWholeNumber(const Value& v, char* p, Put put) {
  std::int64_t whole;
  if (!v.ToWholeNumber(&whole) || whole < std::numeric_limits<T>::min() ||
      whole > std::numeric_limits<T>::max())
    return false;
  put(p, static_cast<T>(whole));
  return true;
}

void PutByte(char* p, std::uint8_t v) { *p = static_cast<char>(v); }

// A total order, also over NaN (first), so sorting a damaged file is safe.
template <typename T>
int ThreeWay(T x, T y) {
  if constexpr (std::is_floating_point_v<T>) {
    if (std::isnan(x) || std::isnan(y))
      return std::isnan(x) == std::isnan(y) ? 0 : (std::isnan(x) ? -1 : 1);
  }
  return x < y ? -1 : (y < x ? 1 : 0);
}

double DateOf(const Value& v) {
  if (v.kind() == Value::Kind::kText) {
    double d;
    if (ParseDateTimeIso(v.str(), &d)) return d;
  }
  return v.ToNumber();
}

}  // namespace

Value DecodeField(const FieldDef& f, const char* record) {
  return VisitField(f, record, [](auto v) {
    using T = decltype(v);
    if constexpr (std::is_same_v<T, bool>) {
      return Value::Boolean(v);
    } else if constexpr (std::is_integral_v<T>) {
      return Value::Integer(v);
    } else if constexpr (std::is_same_v<T, float>) {
      return Value::Single(v);
    } else if constexpr (std::is_same_v<T, double>) {
      return Value::Number(v);
    } else if constexpr (std::is_same_v<T, StoredDate>) {
      return Value::Date(v.days);
    } else if constexpr (std::is_same_v<T, std::string_view>) {
      return Value::Text(GbkToUtf8(TextBeforeZero(v)));
    } else {
      return Value();
    }
  });
}

bool EncodeField(const FieldDef& f, const Value& v, char* record,
                 bool cut_text) {
  char* p = record + f.offset;
  switch (f.type) {
    case fmt::kByte:
      return PutWholeNumber<std::uint8_t>(v, p, PutByte);
    case fmt::kShort:
      return PutWholeNumber<std::int16_t>(v, p, PutI16);
    case fmt::kInt:
    case fmt::kValue4:
      return PutWholeNumber<std::int32_t>(v, p, PutI32);
    case fmt::kLong:
      return PutWholeNumber<std::int64_t>(v, p, PutI64);
    case fmt::kSingle:
      PutF32(p, static_cast<float>(v.ToNumber()));
      return true;
    case fmt::kDouble:
      PutF64(p, v.ToNumber());
      return true;
    case fmt::kBoolean:
      *p = v.ToBoolean() ? 1 : 0;
      return true;
    case fmt::kDateTime:
      PutF64(p, DateOf(v));
      return true;
    case fmt::kText: {
      std::string gbk;
      if (v.kind() == Value::Kind::kBinary) {
        gbk = v.str();
      } else if (!Utf8ToGbk(v.ToText(), &gbk)) {
        return false;
      }
      const auto width = static_cast<std::size_t>(f.width);
      if (!cut_text && gbk.size() > width) return false;
      std::size_t n = GbkCutLength(gbk, width);
      std::memset(p, 0, width);
      std::memcpy(p, gbk.data(), n);
      return true;
    }
    default:
      return false;
  }
}

bool EncodeMemo(const FieldDef& f, const Value& v, std::string* bytes) {
  if (f.type == fmt::kBinary || v.kind() == Value::Kind::kBinary) {
    *bytes = v.kind() == Value::Kind::kBinary ? v.str() : v.ToText();
    return true;
  }
  return Utf8ToGbk(v.ToText(), bytes);
}

Value DecodeMemo(const FieldDef& f, std::string bytes) {
  if (f.type == fmt::kBinary) return Value::Binary(std::move(bytes));
  return Value::Text(GbkToUtf8(bytes));
}

int CompareField(const FieldDef& f, const char* a, const char* b) {
  return VisitField(f, a, [&](auto x) {
    return VisitField(f, b, [&](auto y) {
      using T = decltype(x);
      if constexpr (!std::is_same_v<T, decltype(y)> ||
                    std::is_same_v<T, std::monostate>) {
        return 0;
      } else if constexpr (std::is_same_v<T, StoredDate>) {
        return ThreeWay(x.days, y.days);
      } else if constexpr (std::is_same_v<T, std::string_view>) {
        const int c = x.compare(y);  // byte by byte, as unsigned chars
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
      } else {
        return ThreeWay(x, y);
      }
    });
  });
}

void AppendMemoChains(const Schema& schema, const char* record,
                      std::vector<std::int32_t>* chains) {
  for (const FieldDef& f : schema.fields()) {
    // Only a memo field is sure to hold four bytes.
    if (!IsMemoType(f.type)) continue;
    const std::int32_t first = GetI32(record + f.offset);
    if (first != 0) chains->push_back(first);
  }
}

}  // namespace matslip
