#include "grid/grid_viewport.h"

#include <gtest/gtest.h>

#include <vector>

namespace matslip {
namespace {

// Half a pixel per tenth of a millimetre: rows 50 tenths high are 25 pixels,
// columns 100 tenths wide 50 pixels; one header row and one header column.
class GridViewportTest : public ::testing::Test {
 protected:
  GridViewportTest() {
    Table(std::vector<int>(20, 50), std::vector<int>(8, 100));
    view_.SetHeaders(1, 1);
    view_.SetPixelsPerTenth(0.5);
    view_.SetSize(200, 100);
    view_.SetScroll(3, 2);  // body from row 5 and column 4
  }
  void Table(std::vector<int> heights, std::vector<int> widths) {
    view_.SetLengths(
        static_cast<int>(heights.size()),
        [&](int row) { return heights[row - 1]; },
        static_cast<int>(widths.size()),
        [&](int col) { return widths[col - 1]; });
  }
  int Rows(int index) { return view_.ScrollToShow(Axis::kRows, index); }
  int Cols(int index) { return view_.ScrollToShow(Axis::kColumns, index); }

  GridViewport view_;
};

bool Same(const CellHit& hit, int row, int col, bool in_header_rows,
          bool in_header_cols) {
  return hit.row == row && hit.col == col &&
         hit.in_header_rows == in_header_rows &&
         hit.in_header_cols == in_header_cols;
}

TEST_F(GridViewportTest, PointsFindTheirCellsAtEdgesAndInTheFrozenPanes) {
  EXPECT_TRUE(Same(view_.HitTest(0, 0), 1, 1, true, true));
  EXPECT_TRUE(Same(view_.HitTest(49, 24), 1, 1, true, true));
  EXPECT_TRUE(Same(view_.HitTest(-5, -5), 1, 1, true, true));
  EXPECT_TRUE(Same(view_.HitTest(50, 25), 5, 4, false, false));
  EXPECT_TRUE(Same(view_.HitTest(99, 49), 5, 4, false, false));
  EXPECT_TRUE(Same(view_.HitTest(100, 50), 6, 5, false, false));
  EXPECT_TRUE(Same(view_.HitTest(120, 10), 1, 5, true, false));
  EXPECT_TRUE(Same(view_.HitTest(10, 60), 6, 1, false, true));
  EXPECT_TRUE(Same(view_.HitTest(10000, 10000), 20, 8, false, false));

  // Edges grip within 3 pixels, columns over the header rows only and rows
  // over the header columns only.
  EXPECT_EQ(view_.EdgeAt(Axis::kColumns, 50, 10), 1);
  EXPECT_EQ(view_.EdgeAt(Axis::kColumns, 53, 10), 1);
  EXPECT_EQ(view_.EdgeAt(Axis::kColumns, 54, 10), 0);
  EXPECT_EQ(view_.EdgeAt(Axis::kColumns, 97, 10), 4);
  EXPECT_EQ(view_.EdgeAt(Axis::kColumns, 100, 30), 0);
  EXPECT_EQ(view_.EdgeAt(Axis::kRows, 10, 50), 5);
  EXPECT_EQ(view_.EdgeAt(Axis::kRows, 10, 25), 1);
  EXPECT_EQ(view_.EdgeAt(Axis::kRows, 60, 50), 0);

  // A drag outside the body extends to the nearest body cell; a press on a
  // header picks the body of its column, row, or all of it.
  EXPECT_TRUE(Same(view_.NearestBodyCell(-20, 500), 7, 4, false, false));
  EXPECT_EQ(view_.HeaderPick(view_.HitTest(120, 10)), (CellRange{2, 5, 19, 1}));
  EXPECT_EQ(view_.HeaderPick(view_.HitTest(10, 60)), (CellRange{6, 2, 1, 7}));
  EXPECT_EQ(view_.HeaderPick(view_.HitTest(0, 0)), (CellRange{2, 2, 19, 7}));

  view_.SetHeaders(0, 0);
  EXPECT_TRUE(Same(view_.HitTest(0, 0), 4, 3, false, false));
  EXPECT_EQ(view_.EdgeAt(Axis::kColumns, 50, 10), 0);
}

TEST_F(GridViewportTest,
       ScrollingShowsACellFromEverySideMovingAsLittleAsItCan) {
  // Rows 5..7 and columns 4..6 are wholly in view.
  EXPECT_EQ(Rows(3), 1);
  EXPECT_EQ(Rows(5), 3);
  EXPECT_EQ(Rows(7), 3);
  EXPECT_EQ(Rows(8), 4);
  EXPECT_EQ(Rows(20), 16);
  EXPECT_EQ(Rows(1), 3);   // a header row is always in view
  EXPECT_EQ(Rows(21), 3);  // past the table
  EXPECT_EQ(Cols(2), 0);
  EXPECT_EQ(Cols(6), 2);
  EXPECT_EQ(Cols(7), 3);

  // A row taller than the view comes to its top.
  std::vector<int> heights(20, 50);
  heights[9] = 400;
  Table(heights, std::vector<int>(8, 100));
  EXPECT_EQ(Rows(10), 8);

  // A drag scrolls back over the headers, on past the far edge.
  EXPECT_EQ(view_.DragScrollStep(Axis::kRows, 24), -1);
  EXPECT_EQ(view_.DragScrollStep(Axis::kRows, 25), 0);
  EXPECT_EQ(view_.DragScrollStep(Axis::kRows, 99), 0);
  EXPECT_EQ(view_.DragScrollStep(Axis::kRows, 100), 1);
  EXPECT_EQ(view_.DragScrollStep(Axis::kColumns, 49), -1);
  EXPECT_EQ(view_.DragScrollStep(Axis::kColumns, 200), 1);
}

TEST_F(GridViewportTest, APageIsTheRowsWhollyInView) {
  EXPECT_EQ(view_.PageRows(), 3);
  view_.SetSize(200, 110);
  EXPECT_EQ(view_.PageRows(), 3);
  view_.SetSize(200, 124);
  EXPECT_EQ(view_.PageRows(), 3);
  view_.SetSize(200, 125);
  EXPECT_EQ(view_.PageRows(), 4);
  view_.SetSize(200, 30);  // part of one row
  EXPECT_EQ(view_.PageRows(), 1);
  view_.SetSize(200, 20);  // not even the header
  EXPECT_EQ(view_.PageRows(), 1);
  view_.SetSize(200, 200);
  view_.SetScroll(16, 0);  // the last three rows, room to spare
  EXPECT_EQ(view_.PageRows(), 3);
}

TEST_F(GridViewportTest, ScrollRangesEndWithTheLastRowWhollyInView) {
  auto range = [this](Axis axis) {
    const ScrollRange r = view_.Range(axis);
    return std::vector<int>{r.max, r.page_step};
  };
  EXPECT_EQ(range(Axis::kRows), (std::vector<int>{16, 3}));
  EXPECT_EQ(range(Axis::kColumns), (std::vector<int>{4, 3}));
  view_.SetSize(200, 10);  // smaller than the header row
  EXPECT_EQ(range(Axis::kRows), (std::vector<int>{18, 1}));

  view_.SetSize(200, 100);
  Table({50, 50, 50}, {100});  // fits; no body column
  EXPECT_EQ(range(Axis::kRows), (std::vector<int>{0, 2}));
  EXPECT_EQ(range(Axis::kColumns), (std::vector<int>{0, 1}));
  Table({50}, {100});  // the header row alone
  EXPECT_EQ(range(Axis::kRows), (std::vector<int>{0, 1}));

  Table({}, {});
  view_.SetHeaders(0, 0);
  view_.SetScroll(0, 0);
  EXPECT_EQ(range(Axis::kRows), (std::vector<int>{0, 1}));
  EXPECT_EQ(range(Axis::kColumns), (std::vector<int>{0, 1}));
  EXPECT_TRUE(Same(view_.HitTest(10, 10), 0, 0, false, false));
  EXPECT_EQ(view_.PageRows(), 1);
  for (const TableArea& area : view_.Areas()) EXPECT_TRUE(area.cells.empty());
}

}  // namespace
}  // namespace matslip
