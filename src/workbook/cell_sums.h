#pragma once
// The sums the workbook shows in the grid's hover tip. Every cell counts by
// the number its text starts with (none counts 0); each sum is one pass over
// the cells' texts without copying them.
#include <string>

namespace matslip {

class DataSrc;

// The sum of column `col` over rows `first_row` .. `last_row` (clipped to
// the table).
double ColumnTotal(const DataSrc& table, int col, int first_row, int last_row);

// The tip for a selection of `rows` x `cols` cells from (row, col): the text
// of the cell for one cell, "合计 = " and the sum for one column or one row,
// "合计 = 0" for a block of several rows and several columns.
std::string SelectionSumTip(const DataSrc& table, int row, int col, int rows,
                            int cols);

// "本列合计 = " and the sum of column `col` from the header row down to the
// row above the total row (LastRowAboveTotal).
std::string ColumnSumTip(const DataSrc& table, int col);

}  // namespace matslip
