#include "grid/grid_keys.h"

#include <algorithm>

namespace matslip {
namespace {

struct Span {
  int first;
  int last;
  int Clamp(long long v) const {
    return static_cast<int>(std::clamp<long long>(v, first, last));
  }
};

// The body items of `count` items with `header` fixed ones.
Span BodyOf(int count, int header) {
  count = std::max(count, 0);
  return {std::min(std::max(header, 0) + 1, count), count};
}

}  // namespace

bool IsMoveKey(int key) {
  switch (key) {
    case kKeyTab:
    case kKeyEnter:
    case kKeyPageUp:
    case kKeyPageDown:
    case kKeyEnd:
    case kKeyHome:
    case kKeyLeft:
    case kKeyUp:
    case kKeyRight:
    case kKeyDown:
      return true;
    default:
      return false;
  }
}

CellPos MoveByKey(CellPos from, int key, int modifiers, const KeyArea& area,
                  int page_rows) {
  const Span rows = BodyOf(area.rows, area.header_rows);
  const Span cols = BodyOf(area.cols, area.header_cols);
  const bool ctrl = (modifiers & kModCtrl) != 0;
  const bool shift = (modifiers & kModShift) != 0;
  long long row = from.row, col = from.col;
  const int page = std::max(page_rows, 1);
  switch (key) {
    case kKeyUp:
      --row;
      break;
    case kKeyDown:
      ++row;
      break;
    case kKeyLeft:
      --col;
      break;
    case kKeyRight:
      ++col;
      break;
    case kKeyPageUp:
      row -= page;
      break;
    case kKeyPageDown:
      row += page;
      break;
    case kKeyHome:
      col = cols.first;
      if (ctrl) row = rows.first;
      break;
    case kKeyEnd:
      col = cols.last;
      if (ctrl) row = rows.last;
      break;
    case kKeyEnter:
      row += shift ? -1 : 1;
      break;
    case kKeyTab:
      col += shift ? -1 : 1;
      if (col > cols.last && row < rows.last) {
        col = cols.first;
        ++row;
      } else if (col < cols.first && row > rows.first) {
        col = cols.last;
        --row;
      }
      break;
    default:
      break;
  }
  return {rows.Clamp(row), cols.Clamp(col)};
}

}  // namespace matslip
