#pragma once
// The day, month and year totals a booking keeps beside the date of the last
// booking of its kind (stock-in: fields 11, 12, 20..23; stock-out: 7, 8,
// 16..19). Shared by the stock-in and the stock-out.
namespace matslip {

struct PeriodTotals {
  double day_quantity = 0, day_value = 0;
  double month_quantity = 0, month_value = 0;
  double year_quantity = 0, year_value = 0;
  bool operator==(const PeriodTotals&) const = default;
};

// The totals after booking `quantity` and `value` at `now` onto `before`,
// whose last booking was at `last` (day counts; the zero date-time when
// there was none). Same calendar day: every total adds. Same month, other
// day: the day totals restart. Same year, other month: day and month totals
// restart. Other year: all six restart. Every total written is rounded to
// two decimals (RoundTo).
PeriodTotals RollPeriodTotals(const PeriodTotals& before, double last,
                              double now, double quantity, double value);

}  // namespace matslip
