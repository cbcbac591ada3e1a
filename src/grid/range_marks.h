#pragma once
// Where the merge marks and border lines of a range fall on each cell. Pure
// geometry, shared by the table and its tests.
#include "grid/cell_range.h"

namespace matslip {

// The MergeMark bits of cell (row, col) when `block` is merged: the directions
// in which the block continues from that cell. 0 outside the block.
int MergeMarksIn(const CellRange& block, int row, int col);

// The sides of cell (row, col) that lie on a line of `range` chosen by `mask`
// (EdgeMask bits), as bits 1 << Side. The cell may lie inside the range or
// next to it: the left side of the cell right of the range lies on its right
// outline.
int SidesOnRangeLines(const CellRange& range, int mask, int row, int col);

}  // namespace matslip
