#include "grid/grid.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "grid/data_src.h"

namespace matslip {
namespace {

class GridTest : public ::testing::Test {
 protected:
  GridTest() {
    table_.SetTableSize(10, 5);
    table_.SetHeaderRows(1);
    grid_.events().selection_changed = [this] { ++selection_events_; };
    grid_.SetDataSource(&table_);
  }
  CellRange Selection() const { return grid_.Selection(); }

  DataSrc table_;
  Grid grid_;
  int selection_events_ = 0;
};

TEST_F(GridTest, AttachingPutsTheCursorOnTheFirstBodyCell) {
  EXPECT_EQ(grid_.GetCursorRow(), 2);
  EXPECT_EQ(grid_.GetCursorColumn(), 1);
  EXPECT_EQ(grid_.GetSelectedRowCount(), 1);
  EXPECT_EQ(grid_.GetSelectedColumnCount(), 1);
  grid_.SetDataSource(nullptr);
  EXPECT_EQ(grid_.GetCursorRow(), 0);
  EXPECT_EQ(grid_.GetSelectedRowCount(), 1);
}

TEST_F(GridTest, DragUpAndLeftGivesTheTopLeftCorner) {
  grid_.SetCursor(7, 4);
  grid_.ExtendSelection(3, 2);
  EXPECT_EQ(grid_.GetCursorRow(), 3);
  EXPECT_EQ(grid_.GetCursorColumn(), 2);
  EXPECT_EQ(grid_.GetSelectedRowCount(), 5);
  EXPECT_EQ(grid_.GetSelectedColumnCount(), 3);
  EXPECT_EQ(grid_.anchor(), (CellPos{7, 4}));
}

TEST_F(GridTest, SelectionStaysInsideTheTable) {
  grid_.SelectRange({8, 4, 10, 10});
  EXPECT_EQ(Selection(), (CellRange{8, 4, 3, 2}));
  grid_.SetCursor(-3, 0);
  EXPECT_EQ(Selection(), (CellRange{1, 1}));
  grid_.SetCursor(10, 5);
  table_.SetTableSize(4, 2);
  EXPECT_EQ(Selection(), (CellRange{4, 2}));
}

TEST_F(GridTest, SelectingWithTheLargestCountsReachesTheLastCell) {
  constexpr int kMax = std::numeric_limits<int>::max();
  grid_.SelectRange({3, 2, kMax, kMax});
  EXPECT_EQ(Selection(), (CellRange{3, 2, 8, 4}));
  grid_.SelectRange({1, 1, kMax, 1});
  EXPECT_EQ(Selection(), (CellRange{1, 1, 10, 1}));
  grid_.SelectRange({kMax, kMax, kMax, kMax});
  EXPECT_EQ(Selection(), (CellRange{10, 5}));
}

TEST_F(GridTest, SelectionChangedIsRaisedOnlyForChanges) {
  selection_events_ = 0;
  grid_.SetCursor(3, 3);
  grid_.SetCursor(3, 3);
  grid_.SelectRange({3, 3});
  EXPECT_EQ(selection_events_, 1);
}

TEST_F(GridTest, ScaleIsClampedAndFitToWidthFitsAllColumns) {
  grid_.SetScale(5);
  EXPECT_EQ(grid_.scale(), 20);
  grid_.SetScale(5000);
  EXPECT_EQ(grid_.scale(), 1000);
  table_.SetColumnWidths(1, 5, 400);  // 2000 in all
  grid_.FitToWidth(1500);
  EXPECT_EQ(grid_.scale(), 75);
  grid_.FitToWidth(1999);
  EXPECT_EQ(grid_.scale(), 99);
  grid_.FitToWidth(100);
  EXPECT_EQ(grid_.scale(), 20);
  table_.SetColumnWidths(1, 5, 0);
  grid_.FitToWidth(100);
  EXPECT_EQ(grid_.scale(), 20);
}

TEST_F(GridTest, EditsAndColumnDragsReachTableAndEvents) {
  std::vector<std::string> edited;
  int layouts = 0;
  grid_.events().cell_edited = [&](int row, int col, const std::string& text) {
    edited.push_back(std::to_string(row) + "," + std::to_string(col) + ":" +
                     text);
  };
  grid_.events().column_layout_changed = [&] { ++layouts; };
  grid_.EditCell(3, 4, "12.5");
  grid_.ResizeColumn(2, 850);
  EXPECT_EQ(table_.GetCellText(3, 4), "12.5");
  EXPECT_EQ(edited, std::vector<std::string>{"3,4:12.5"});
  EXPECT_EQ(table_.GetColumnWidth(2), 850);
  EXPECT_EQ(layouts, 1);
}

TEST_F(GridTest, KeysAreReportedThenMoveTheCursor) {
  std::vector<int> keys;
  grid_.events().key_pressed = [&](int key, int modifiers) {
    keys.push_back(key * 10 + modifiers);
  };
  grid_.PressKey('C', kModCtrl, 5);
  grid_.PressKey(kKeyDown, 0, 5);
  EXPECT_EQ(keys, (std::vector<int>{671, 400}));
  EXPECT_EQ(Selection(), (CellRange{3, 1}));
  grid_.PressKey(kKeyRight, kModShift, 5);
  grid_.PressKey(kKeyPageDown, kModShift, 5);
  EXPECT_EQ(Selection(), (CellRange{3, 1, 6, 2}));
}

TEST_F(GridTest, DestroyedTableDetachesTheGrid) {
  auto table = std::make_unique<DataSrc>();
  table->SetTableSize(3, 3);
  Grid grid;
  grid.SetDataSource(table.get());
  table.reset();
  EXPECT_EQ(grid.data_source(), nullptr);
  EXPECT_EQ(grid.GetCursorRow(), 0);
}

// 10 rows x 5 columns; row 1 and column 1 are headers.
class MoveByKeyTest : public ::testing::Test {
 protected:
  CellPos Move(CellPos from, int key, int modifiers = 0) const {
    return MoveByKey(from, key, modifiers, area_, 4);
  }
  KeyArea area_{10, 5, 1, 1};
};

TEST_F(MoveByKeyTest, ArrowsStopAtTheBodyEdges) {
  EXPECT_EQ(Move({2, 2}, kKeyUp), (CellPos{2, 2}));
  EXPECT_EQ(Move({2, 2}, kKeyLeft), (CellPos{2, 2}));
  EXPECT_EQ(Move({10, 5}, kKeyDown), (CellPos{10, 5}));
  EXPECT_EQ(Move({10, 5}, kKeyRight), (CellPos{10, 5}));
  EXPECT_EQ(Move({5, 3}, kKeyDown), (CellPos{6, 3}));
}

TEST_F(MoveByKeyTest, PagesMoveByThePageSize) {
  EXPECT_EQ(Move({3, 3}, kKeyPageDown), (CellPos{7, 3}));
  EXPECT_EQ(Move({8, 3}, kKeyPageDown), (CellPos{10, 3}));
  EXPECT_EQ(Move({4, 3}, kKeyPageUp), (CellPos{2, 3}));
}

TEST_F(MoveByKeyTest, HomeAndEndGoToTheRowEndsOrWithCtrlTheTableEnds) {
  EXPECT_EQ(Move({5, 3}, kKeyHome), (CellPos{5, 2}));
  EXPECT_EQ(Move({5, 3}, kKeyEnd), (CellPos{5, 5}));
  EXPECT_EQ(Move({5, 3}, kKeyHome, kModCtrl), (CellPos{2, 2}));
  EXPECT_EQ(Move({5, 3}, kKeyEnd, kModCtrl), (CellPos{10, 5}));
}

TEST_F(MoveByKeyTest, EnterGoesDownAndTabWrapsToTheNextRow) {
  EXPECT_EQ(Move({5, 3}, kKeyEnter), (CellPos{6, 3}));
  EXPECT_EQ(Move({5, 3}, kKeyEnter, kModShift), (CellPos{4, 3}));
  EXPECT_EQ(Move({5, 4}, kKeyTab), (CellPos{5, 5}));
  EXPECT_EQ(Move({5, 5}, kKeyTab), (CellPos{6, 2}));
  EXPECT_EQ(Move({6, 2}, kKeyTab, kModShift), (CellPos{5, 5}));
  EXPECT_EQ(Move({10, 5}, kKeyTab), (CellPos{10, 5}));
}

TEST_F(MoveByKeyTest, TableOfHeadersOnlyKeepsTheCursorOnItsLastRow) {
  area_ = {1, 5, 1, 0};
  EXPECT_EQ(Move({1, 2}, kKeyDown), (CellPos{1, 2}));
  area_ = {0, 0, 1, 0};
  EXPECT_EQ(Move({3, 3}, kKeyUp), (CellPos{0, 0}));
}

}  // namespace
}  // namespace matslip
