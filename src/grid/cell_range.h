#pragma once
// A rectangle of cells: first row and column (1-based) and the row and column
// counts. Counts left out are 1, so {row, col} is the one cell (row, col).
#include <algorithm>
#include <limits>

namespace matslip {

struct CellRange {
  int row = 1;
  int col = 1;
  int rows = 1;
  int cols = 1;

  // The last row and column; a count as large as "the rest of the table"
  // (up to INT_MAX) stops at the largest int instead of wrapping.
  int last_row() const { return LastOf(row, rows); }
  int last_col() const { return LastOf(col, cols); }
  bool empty() const { return rows <= 0 || cols <= 0; }
  bool Contains(int r, int c) const {
    return r >= row && r <= last_row() && c >= col && c <= last_col();
  }
  // The part of the range inside a table of `row_count` x `col_count` cells;
  // empty when they do not meet.
  CellRange ClippedTo(int row_count, int col_count) const {
    if (empty()) return {row, col, 0, 0};
    const int top = std::max(row, 1);
    const int left = std::max(col, 1);
    const int bottom = std::min(last_row(), row_count);
    const int right = std::min(last_col(), col_count);
    if (top > bottom || left > right) return {row, col, 0, 0};
    return {top, left, bottom - top + 1, right - left + 1};
  }
  bool operator==(const CellRange&) const = default;

 private:
  static int LastOf(int first, int count) {
    return static_cast<int>(std::clamp<long long>(
        1LL * first + count - 1, std::numeric_limits<int>::min(),
        std::numeric_limits<int>::max()));
  }
};

}  // namespace matslip
