#include "material/booking_fields.h"

namespace matslip {

PeriodTotals ReadPeriodTotals(const PeriodFields& fields) {
  return {DbRead(fields.day_quantity).ToNumber(),
          DbRead(fields.day_value).ToNumber(),
          DbRead(fields.month_quantity).ToNumber(),
          DbRead(fields.month_value).ToNumber(),
          DbRead(fields.year_quantity).ToNumber(),
          DbRead(fields.year_value).ToNumber()};
}

std::array<std::pair<material::Field, double>, 6> TotalsByField(
    const PeriodTotals& totals, const PeriodFields& fields) {
  return {{{fields.day_quantity, totals.day_quantity},
           {fields.day_value, totals.day_value},
           {fields.month_quantity, totals.month_quantity},
           {fields.month_value, totals.month_value},
           {fields.year_quantity, totals.year_quantity},
           {fields.year_value, totals.year_value}}};
}

bool WriteBooking(const std::vector<std::pair<FieldRef, Value>>& fields,
                  material::Field log, const std::string& line) {
  std::vector<std::pair<FieldRef, Value>> was;
  for (const auto& [field, value] : fields) was.push_back({field, DbRead(field)});
  if (!DbWriteFields(fields)) return false;
  if (!DbWriteMemo(log, line)) {
    DbWriteFields(was);
    return false;
  }
  return true;
}

}  // namespace matslip
