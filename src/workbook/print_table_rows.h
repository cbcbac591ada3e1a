#pragma once
// The rows of a print table: three header rows (title, maker and date, field
// names), then one row per record, then the footer.

namespace matslip {

inline constexpr int kPrintTableHeaderRows = 3;
inline constexpr int kPrintTableTitleRow = 1;
inline constexpr int kPrintTableDateRow = 2;
inline constexpr int kPrintTableFieldRow = 3;
inline constexpr int kPrintTableFirstDataRow = 4;

}  // namespace matslip
