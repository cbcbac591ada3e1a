#include "store/field_text_writer.h"

#include <string>

#include "store/format.h"

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

char* FieldTextWriter::WriteDate(double days, char* out) {
  if (days == 0) return out;  // the zero date is no date
  if (dates_ == DateTextForm::kShown) return shown_dates_.Write(days, out);
  const std::string iso = DateTimeIso(days);
  return std::copy(iso.begin(), iso.end(), out);
}

}  // namespace matslip
