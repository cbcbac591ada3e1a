#pragma once
// The 统计 menu's six reports: the materials whose last stock-out (or
// stock-in) falls in the current day, month or year, copied with the
// period's quantity and amount into the result table qd.mzk.
#include <string>

namespace matslip {

inline constexpr char kPeriodReportFailed[] =
    "统计没有完成：材料表打不开或结果表 qd.mzk 写不进去，没有可显示的结果。";

enum class PeriodReport {
  kDayOut,    // 本日出库
  kMonthOut,  // 本月出库
  kYearOut,   // 本年出库
  kDayIn,     // 本日进库
  kMonthIn,   // 本月进库
  kYearIn,    // 本年进库
};

// Writes qd.mzk in `program_dir` anew for `report` at `now` (a day count):
// 品名, 规格型号, 单位, 单价, the report's quantity, amount and date fields,
// one record per matching material in table order. The material table is
// opened as "data" when it is not open and stays current. False when the
// table cannot be opened or read or qd.mzk cannot be written; qd.mzk is then
// as it was (or absent), never half written.
bool WritePeriodReport(const std::string& program_dir, PeriodReport report,
                       double now);

}  // namespace matslip
