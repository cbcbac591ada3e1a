#pragma once
// A fixed-size field's value as text, written straight from the record's
// bytes with no Value in between, for writers of whole tables (the
// spreadsheet export, the dump of matslip-db): integers plain, doubles
// "%.13g", singles "%.6g", booleans 0/1, date-times in the chosen form and
// nothing for the zero date, texts as their stored GBK bytes up to the first
// zero byte. Memo and binary fields write nothing: their values are in the
// memo file.
#include <cstddef>

#include "base/datetime.h"
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
  // Room(f) bytes; returns the end of what it wrote.
  char* Write(const FieldDef& f, const char* record, char* out);

 private:
  DateTextForm dates_;
  GbkDateTextWriter shown_dates_;
};

}  // namespace matslip
