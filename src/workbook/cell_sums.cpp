#include "workbook/cell_sums.h"

#include <algorithm>

#include "base/number.h"
#include "grid/data_src.h"
#include "workbook/result_loading.h"

namespace matslip {
namespace {

constexpr char kSumPrefix[] = "合计 = ";
constexpr char kColumnSumPrefix[] = "本列合计 = ";

double RowTotal(const DataSrc& table, int row, int first_col, int last_col) {
  double sum = 0;
  last_col = std::min(last_col, table.GetColumnCount());
  for (int c = std::max(first_col, 1); c <= last_col; ++c)
    sum += TextToNumber(table.GetCellTextView(row, c));
  return sum;
}

}  // namespace

double ColumnTotal(const DataSrc& table, int col, int first_row, int last_row) {
  double sum = 0;
  last_row = std::min(last_row, table.GetRowCount());
  for (int r = std::max(first_row, 1); r <= last_row; ++r)
    sum += TextToNumber(table.GetCellTextView(r, col));
  return sum;
}

std::string SelectionSumTip(const DataSrc& table, int row, int col, int rows,
                            int cols) {
  if (rows == 1 && cols == 1) return table.GetCellText(row, col);
  double sum = 0;
  if (cols == 1) {
    sum = ColumnTotal(table, col, row, row + rows - 1);
  } else if (rows == 1) {
    sum = RowTotal(table, row, col, col + cols - 1);
  }
  return kSumPrefix + NumberToText(sum);
}

std::string ColumnSumTip(const DataSrc& table, int col) {
  return kColumnSumPrefix +
         NumberToText(ColumnTotal(table, col, 1, LastRowAboveTotal(table)));
}

}  // namespace matslip
