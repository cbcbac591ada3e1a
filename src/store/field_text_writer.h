#pragma once
// A fixed-size field's value as text, written straight from the record's
// bytes with no Value in between, for writers of whole tables (the
// spreadsheet export, the dump of matslip-db): integers plain, doubles
// "%.13g", singles "%.6g", booleans 0/1, date-times in the chosen form and
// nothing for the zero date, texts as their stored GBK bytes up to the first
// zero byte. Memo and binary fields write nothing: their values are in the
// memo file.
#include <algorithm>
#include <cstddef>
#include <string_view>
#include <type_traits>
#include <variant>

#include "base/datetime.h"
#include "base/number.h"
#include "store/record_codec.h"
#include "store/schema.h"

namespace matslip {

enum class DateTextForm {
  kShown,  // "2013年9月10日9时5分7秒" in GBK, as the program shows it
  kIso,    // "2013-09-10 09:05:07"
};

class FieldTextWriter {
 public:
  explicit FieldTextWriter(DateTextForm dates) : dates_(dates) {}

  // The most bytes Write puts for field `f`.
  static std::size_t Room(const FieldDef& f);

  // Writes the value of field `f` of `record` at `out`, which has room for
  // Room(f) bytes; returns the end of what it wrote. Inline: a writer of
  // whole tables calls it for every field of every record.
  char* Write(const FieldDef& f, const char* record, char* out) {
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
        return WriteDate(v.days, out);
      } else if constexpr (std::is_same_v<T, std::string_view>) {
        const std::string_view bytes = TextBeforeZero(v);
        return std::copy(bytes.begin(), bytes.end(), out);
      } else {
        return out;
      }
    });
  }

 private:
  char* WriteDate(double days, char* out);

  DateTextForm dates_;
  GbkDateTextWriter shown_dates_;
};

}  // namespace matslip
