#include "reports/period_report.h"

#include <vector>

#include "base/datetime.h"
#include "base/files.h"
#include "material/material_table.h"
#include "store/db.h"
#include "store/format.h"

namespace matslip {
namespace {

using namespace material;

// How much of the date must agree with now's.
enum class DateParts { kYear = 1, kYearMonth = 2, kYearMonthDay = 3 };

bool SamePeriod(const CivilTime& a, const CivilTime& b, DateParts parts) {
  if (a.year != b.year) return false;
  if (parts >= DateParts::kYearMonth && a.month != b.month) return false;
  return parts < DateParts::kYearMonthDay || a.day == b.day;
}

bool WriteReport(const std::string& program_dir, Field date_field,
                 DateParts parts, Field quantity_field, Field amount_field,
                 double now) {
  DbOpen(ProgramFilePath(program_dir, kMaterialFile), kMaterialAlias);
  if (!DbSelect(kMaterialAlias)) return false;
  // The test below reads the field as a date-time; a table whose field is of
  // another kind gets no report rather than one that lists nothing.
  if (DbFieldType(date_field) != fmt::kDateTime) return false;
  const CivilTime today = DateToCivil(now);
  const std::vector<std::string> fields = {
      kFieldNames[kName - 1],          kFieldNames[kModel - 1],
      kFieldNames[kUnit - 1],          kFieldNames[kPrice - 1],
      kFieldNames[quantity_field - 1], kFieldNames[amount_field - 1],
      kFieldNames[date_field - 1]};
  return DbCopyTo(
      ProgramFilePath(program_dir, kResultFile),
      [&] {
        return SamePeriod(DateToCivil(DbRead(date_field).ToNumber()), today,
                          parts);
      },
      fields);
}

}  // namespace

bool WritePeriodReport(const std::string& program_dir, PeriodReport report,
                       double now) {
  switch (report) {
    case PeriodReport::kDayOut:
      return WriteReport(program_dir, kOutDate, DateParts::kYearMonthDay,
                         kOutQuantity, kOutValue, now);
    case PeriodReport::kMonthOut:
      return WriteReport(program_dir, kOutDate, DateParts::kYearMonth,
                         kMonthOutQuantity, kMonthOutValue, now);
    case PeriodReport::kYearOut:
      return WriteReport(program_dir, kOutDate, DateParts::kYear,
                         kYearOutQuantity, kYearOutValue, now);
    case PeriodReport::kDayIn:
      return WriteReport(program_dir, kInDate, DateParts::kYearMonthDay,
                         kInQuantity, kInValue, now);
    case PeriodReport::kMonthIn:
      return WriteReport(program_dir, kInDate, DateParts::kYearMonth,
                         kMonthInQuantity, kMonthInValue, now);
    case PeriodReport::kYearIn:
      return WriteReport(program_dir, kInDate, DateParts::kYear,
                         kYearInQuantity, kYearInValue, now);
  }
  return false;
}

}  // namespace matslip
