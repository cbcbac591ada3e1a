#include "material/period_totals.h"

#include "base/datetime.h"
#include "base/number.h"

namespace matslip {

PeriodTotals RollPeriodTotals(const PeriodTotals& before, double last,
                              double now, double quantity, double value) {
  const CivilTime l = DateToCivil(last);
  const CivilTime n = DateToCivil(now);
  const bool same_year = l.year == n.year;
  const bool same_month = same_year && l.month == n.month;
  const bool same_day = same_month && l.day == n.day;
  // A total that restarts counts from 0: the booking alone.
  auto roll = [](bool keeps, double total, double add) {
    return RoundTo((keeps ? total : 0) + add, 2);
  };
  PeriodTotals after;
  after.day_quantity = roll(same_day, before.day_quantity, quantity);
  after.day_value = roll(same_day, before.day_value, value);
  after.month_quantity = roll(same_month, before.month_quantity, quantity);
  after.month_value = roll(same_month, before.month_value, value);
  after.year_quantity = roll(same_year, before.year_quantity, quantity);
  after.year_value = roll(same_year, before.year_value, value);
  return after;
}

}  // namespace matslip
