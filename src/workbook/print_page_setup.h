#pragma once
// The page set-up of a print table on A4: landscape when its columns are
// wider than 1960 (portrait when narrower, unchanged at exactly 1960), the
// table centred between equal side margins of at most 150, and the footer
// re-fitted to the table's width after the user changed the columns.
// Every change is applied to the table and read back into `print`, the
// program's print settings.
#include "grid/print_inf.h"

namespace matslip {

class DataSrc;

inline constexpr int kOrientationThreshold = 1960;
inline constexpr int kMaxCentringMargin = 150;
inline constexpr int kPrintTableTopMargin = 170;
inline constexpr int kPrintTableBottomMargin = 180;

// Applies `print` to the table and keeps what the table stored (clamped).
void ApplyPrintSettings(DataSrc* table, PrintInf* print);

// The sum of all column widths.
int TotalColumnWidth(const DataSrc& table);

// The orientation rule for A4 paper; other papers keep theirs.
void FitOrientation(int width, DataSrc* table, PrintInf* print);

// Equal left and right margins that centre `width` on the printable width
// measured with both margins 0: half the room left, truncated, at most 150;
// a negative margin (a table wider than the page) is stored as 0.
void CentreHorizontally(int width, DataSrc* table, PrintInf* print);

// The whole page set-up of a freshly built table whose last data row is
// `last_data_row`: margins, orientation, centring and, for a table taller
// than the printable height (59 per row + 112), page numbers at the bottom
// centre.
void SetUpPrintTablePage(int last_data_row, DataSrc* table, PrintInf* print);

// The user changed the column layout: orientation and centring again for
// the new width, and the footer re-fitted.
void PrintTableLayoutChanged(DataSrc* table, PrintInf* print);

// Re-fits the footer in the last row to the table's width `width`: spaces
// are removed from near its end while it is longer than the columns hold at
// the body's font size, or doubled there when it is shorter.
void RefitFooter(int width, DataSrc* table);

}  // namespace matslip
