#pragma once
// GridViewport: where the cells of a table lie on a scrolled view, in
// pixels from the view's top-left corner. Header rows and columns stay at
// the top and left; the body scrolls by whole rows and columns, the scroll
// position counting the body rows (columns) above (left of) the view.
// Lookups are binary searches over the running sums of the lengths, so a
// view of a 100,000-row table costs what one of 100 rows does.
//
// Give it the table's lengths, its header counts, the scale, the view's
// size and the scroll position; every query answers for that state. Rows
// and columns count from 1, lengths are tenths of a millimetre.
#include <array>
#include <functional>

#include "grid/axis_offsets.h"
#include "grid/cell_range.h"
#include "grid/table_area.h"

namespace matslip {

// Scroll positions 0..max; a page is `page_step` positions.
struct ScrollRange {
  int max = 0;
  int page_step = 1;
};

// Where the table lies on the view now.
struct ViewFrame {
  int header_rows = 0;
  int header_cols = 0;
  int top_row = 1;     // first body row shown
  int left_col = 1;    // first body column shown
  int bottom_row = 0;  // last body row at least partly shown
  int right_col = 0;
  double header_height = 0;  // pixels
  double header_width = 0;
};

// A point of the view as a cell: a header row (column) where the point lies
// over the header rows (columns), a body row (column) otherwise, clamped to
// the table; 0 when the table has no rows (columns).
struct CellHit {
  int row = 0;
  int col = 0;
  bool in_header_rows = false;
  bool in_header_cols = false;
};

class GridViewport {
 public:
  using Length = std::function<int(int index)>;

  // The row heights and column widths of items 1..count; call again after
  // any change of them.
  void SetLengths(int row_count, const Length& row_height, int col_count,
                  const Length& col_width);
  void SetHeaders(int header_rows, int header_cols);
  void SetPixelsPerTenth(double pixels_per_tenth);
  void SetSize(int width, int height);
  void SetScroll(int body_rows_above, int body_cols_left);

  const AxisOffsets& rows() const { return rows_; }
  const AxisOffsets& cols() const { return cols_; }
  double pixels_per_tenth() const { return pixels_per_tenth_; }

  // The positions that scroll the body up to its last row (column) fully
  // in view, and a page: the rows (columns) in view at the end.
  ScrollRange Range(Axis axis) const;
  ViewFrame Frame() const;
  // The four panes, each placed on the view: corner, header rows, header
  // columns, body. A pane with nothing to show has no cells.
  std::array<TableArea, 4> Areas() const;
  CellHit HitTest(int x, int y) const;
  // The column whose right edge (row whose bottom edge) lies within
  // `kEdgeGrip` pixels of the point over the header rows (columns); 0 when
  // none.
  int EdgeAt(Axis axis, int x, int y) const;
  // The body rows wholly in view, at least 1: what Page Down moves.
  int PageRows() const;
  // The scroll position that brings row (column) `index` of the body into
  // view from either side, moving as little as it can; the present position
  // when it is in view already or is no body row (column).
  int ScrollToShow(Axis axis, int index) const;
  // Where a drag that left the body scrolls: -1 when `at` lies over the
  // headers, 1 past the view's far edge, else 0.
  int DragScrollStep(Axis axis, int at) const;
  // The body cell nearest to the point.
  CellHit NearestBodyCell(int x, int y) const;
  // The body cells that a press on a header cell picks: the body rows of
  // its column, the body columns of its row, the whole body at the corner.
  CellRange HeaderPick(const CellHit& hit) const;
  // A row's height (column's width) after its edge was dragged by `pixels`;
  // never below 0.
  int DraggedLength(int length, int pixels) const;

  static constexpr int kEdgeGrip = 3;  // pixels either side of an edge

 private:
  const AxisOffsets& Offsets(Axis axis) const {
    return axis == Axis::kRows ? rows_ : cols_;
  }
  int Headers(Axis axis) const {
    return axis == Axis::kRows ? header_rows_ : header_cols_;
  }
  int Extent(Axis axis) const { return axis == Axis::kRows ? height_ : width_; }
  int Scroll(Axis axis) const {
    return axis == Axis::kRows ? scroll_rows_ : scroll_cols_;
  }
  // The pixels the header rows (columns) take.
  double HeaderPixels(Axis axis) const;
  // The last item whose leading edge lies inside `pixels` from `first`'s.
  int LastShown(Axis axis, int first, double pixels) const;
  TableArea MakeArea(const CellRange& cells, double x, double y) const;

  AxisOffsets rows_;
  AxisOffsets cols_;
  int header_rows_ = 0;
  int header_cols_ = 0;
  double pixels_per_tenth_ = 1;
  int width_ = 0;
  int height_ = 0;
  int scroll_rows_ = 0;
  int scroll_cols_ = 0;
};

}  // namespace matslip
