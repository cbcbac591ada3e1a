#include "grid/range_marks.h"

#include "grid/cell_format.h"

namespace matslip {
namespace {

// The mask bit of the line at boundary `b` of the span first..last (the
// boundary before item b), 0 when the span has no line there.
int LineBit(int b, int first, int last, int before_bit, int inner_bit,
            int after_bit) {
  if (b == first) return before_bit;
  if (b == last + 1) return after_bit;
  if (b > first && b <= last) return inner_bit;
  return 0;
}

}  // namespace

int MergeMarksIn(const CellRange& block, int row, int col) {
  if (!block.Contains(row, col)) return 0;
  int marks = 0;
  if (col > block.col) marks |= kMergeLeft;
  if (col < block.last_col()) marks |= kMergeRight;
  if (row > block.row) marks |= kMergeUp;
  if (row < block.last_row()) marks |= kMergeDown;
  return marks;
}

int SidesOnRangeLines(const CellRange& range, int mask, int row, int col) {
  int sides = 0;
  auto on = [&](int side, int line_bit) {
    if ((mask & line_bit) != 0) sides |= 1 << side;
  };
  if (row >= range.row && row <= range.last_row()) {
    const auto vertical = [&](int b) {
      return LineBit(b, range.col, range.last_col(), kEdgeLeft,
                     kEdgeInnerVertical, kEdgeRight);
    };
    on(kSideLeft, vertical(col));
    on(kSideRight, vertical(col + 1));
  }
  if (col >= range.col && col <= range.last_col()) {
    const auto horizontal = [&](int b) {
      return LineBit(b, range.row, range.last_row(), kEdgeTop,
                     kEdgeInnerHorizontal, kEdgeBottom);
    };
    on(kSideTop, horizontal(row));
    on(kSideBottom, horizontal(row + 1));
  }
  return sides;
}

}  // namespace matslip
