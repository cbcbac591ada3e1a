#include "store/field_text_writer.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "base/number.h"
#include "store/format.h"
#include "store/record_codec.h"

namespace matslip {

std::size_t FieldTextWriter::Room(const FieldDef& f) {
  switch (f.type) {
    case fmt::kText:
      return static_cast<std::size_t>(f.width);
    case fmt::kDateTime:
      return kDateTextRoom;
    case fmt::kBinary:
    case fmt::kMemo:
      return 0;
    default:
      return kNumberTextRoom;
  }
}

char* FieldTextWriter::Write(const FieldDef& f, const char* record, char* out) {
  return VisitField(f, record, [&](auto v) {
    using T = decltype(v);
    if constexpr (std::is_same_v<T, bool>) {
      *out++ = v ? '1' : '0';
      return out;
    } else if constexpr (std::is_integral_v<T>) {
      return WriteIntegerText(v, out);
    } else if constexpr (std::is_same_v<T, float>) {
      return WriteSingleText(v, out);
    } else if constexpr (std::is_same_v<T, double>) {
      return WriteNumberText(v, out);
    } else if constexpr (std::is_same_v<T, StoredDate>) {
      if (v.days == 0) return out;
      if (dates_ == DateTextForm::kShown)
        return shown_dates_.Write(v.days, out);
      const std::string iso = DateTimeIso(v.days);
      return std::copy(iso.begin(), iso.end(), out);
    } else if constexpr (std::is_same_v<T, std::string_view>) {
      const std::string_view bytes = TextBeforeZero(v);
      return std::copy(bytes.begin(), bytes.end(), out);
    } else {
      return out;
    }
  });
}

}  // namespace matslip
