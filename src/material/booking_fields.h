#pragma once
// What a receipt and an issue both write on the current record of the
// selected table: one kind's period totals, and the fields with the log line
// as one booking.
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "material/material_table.h"
#include "material/period_totals.h"
#include "store/db.h"

namespace matslip {

// The fields that hold one kind's day, month and year totals.
struct PeriodFields {
  material::Field day_quantity, day_value;
  material::Field month_quantity, month_value;
  material::Field year_quantity, year_value;
};
inline constexpr PeriodFields kInPeriodFields = {
    material::kInQuantity,      material::kInValue,
    material::kMonthInQuantity, material::kMonthInValue,
    material::kYearInQuantity,  material::kYearInValue};
inline constexpr PeriodFields kOutPeriodFields = {
    material::kOutQuantity,      material::kOutValue,
    material::kMonthOutQuantity, material::kMonthOutValue,
    material::kYearOutQuantity,  material::kYearOutValue};

// The totals the current record holds in `fields`.
PeriodTotals ReadPeriodTotals(const PeriodFields& fields);

// Each of the six totals with the field it goes to.
std::array<std::pair<material::Field, double>, 6> TotalsByField(
    const PeriodTotals& totals, const PeriodFields& fields);

// Writes `fields` on the current record, then appends `line` to its memo
// field `log`. A log line that cannot be written (a full disk) takes the
// fields back: a booking is whole or not made. False when either write
// fails.
bool WriteBooking(const std::vector<std::pair<FieldRef, Value>>& fields,
                  material::Field log, const std::string& line);

}  // namespace matslip
