#pragma once
// A rectangle of cells: first row and column (1-based) and the row and column
// counts. Counts left out are 1, so {row, col} is the one cell (row, col).
#include <algorithm>

namespace matslip {

struct CellRange {
  int row = 1;
  int col = 1;
  int rows = 1;
  int cols = 1;

  int last_row() const { return row + rows - 1; }
  int last_col() const { return col + cols - 1; }
  bool empty() const { return rows <= 0 || cols <= 0; }
  bool Contains(int r, int c) const {
    return r >= row && r <= last_row() && c >= col && c <= last_col();
  }
  // The part of the range inside a table of `row_count` x `col_count` cells;
  // empty when they do not meet.
  CellRange ClippedTo(int row_count, int col_count) const {
    if (empty()) return {row, col, 0, 0};
    // In 64 bits: callers pass counts as large as "the rest of the table".
    const long long top = std::max(row, 1);
    const long long left = std::max(col, 1);
    const long long bottom =
        std::min<long long>(1LL * row + rows - 1, row_count);
    const long long right =
        std::min<long long>(1LL * col + cols - 1, col_count);
    if (top > bottom || left > right) return {row, col, 0, 0};
    return {static_cast<int>(top), static_cast<int>(left),
            static_cast<int>(bottom - top + 1),
            static_cast<int>(right - left + 1)};
  }
  bool operator==(const CellRange&) const = default;
};

}  // namespace matslip
