#pragma once
// Which of a table's laid-out pages a print run puts on paper, by the print
// range of its settings (PrintInf fields 15 to 17):
//   0  every page;
//   1  pages range_start .. range_end (1-based; an end of 0 or past the
//      last page means the last page);
//   2  the pages that hold a body row from range_start to range_end (table
//      rows, 1-based; an end of 0 means the last row), so that a run of rows
//      prints without the user counting pages.
#include <vector>

#include "grid/page_layout.h"
#include "grid/print_inf.h"

namespace matslip {

inline constexpr int kPrintAllPages = 0;
inline constexpr int kPrintPageRange = 1;
inline constexpr int kPrintRowRange = 2;

// 0-based indexes into `pages`, ascending; `header_rows` is the table's
// number of header rows, which every page repeats.
std::vector<int> PagesToPrint(const std::vector<Page>& pages, int header_rows,
                              const PrintInf& settings);

}  // namespace matslip
