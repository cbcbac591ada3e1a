#pragma once
// A rectangle of a table's cells placed on a device: the pixel positions of
// its row and column edges. The grid view places its four panes this way
// and the printer its page parts; the painter draws any of them.
#include <vector>

#include "grid/cell_range.h"

namespace matslip {

enum class Axis { kRows, kColumns };

struct TableArea {
  CellRange cells{1, 1, 0, 0};  // inside the table; none by default
  // Device positions of the leading edge of each row (column) of `cells`
  // and, last, the trailing edge of the last one: rows + 1 (cols + 1)
  // values, ascending.
  std::vector<double> row_edges;
  std::vector<double> col_edges;
  // The row drawn right above the area and the column drawn right left of
  // it (0 for none), whose lines on the shared edge win.
  int row_before = 0;
  int col_before = 0;

  const std::vector<double>& Edges(Axis axis) const {
    return axis == Axis::kRows ? row_edges : col_edges;
  }
  // The first row (column) of `cells`.
  int First(Axis axis) const {
    return axis == Axis::kRows ? cells.row : cells.col;
  }
};

}  // namespace matslip
