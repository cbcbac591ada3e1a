// The hover-tip sums of the workbook: one cell, a column, a row, a block,
// and the column sum that counts the header row but not the total row.
#include "workbook/cell_sums.h"

#include <gtest/gtest.h>

#include "grid/data_src.h"

namespace matslip {
namespace {

class CellSumsTest : public ::testing::Test {
 protected:
  // A result as loaded: header row, three records, the total row.
  CellSumsTest() {
    const char* rows[][3] = {{"品名", "单价", "金额"},
                             {"线", "1.5", "10"},
                             {"绝缘子", "２．５", "20.25"},
                             {"金具", "元", "7"},
                             {"合      计", "", "37.25"}};
    table_.SetTableSize(5, 3);
    for (int r = 0; r < 5; ++r)
      for (int c = 0; c < 3; ++c) table_.SetCellText(r + 1, c + 1, rows[r][c]);
  }

  DataSrc table_;
};

TEST_F(CellSumsTest, OneCellShowsItsTextNotASum) {
  EXPECT_EQ(SelectionSumTip(table_, 3, 1, 1, 1), "绝缘子");
  EXPECT_EQ(SelectionSumTip(table_, 2, 3, 1, 1), "10");
}

TEST_F(CellSumsTest, AColumnAddsItsCellsFullWidthDigitsIncluded) {
  // "元" has no leading number and counts 0.
  EXPECT_EQ(SelectionSumTip(table_, 2, 2, 3, 1), "合计 = 4");
  EXPECT_EQ(SelectionSumTip(table_, 2, 3, 2, 1), "合计 = 30.25");
}

TEST_F(CellSumsTest, ARowAddsItsCells) {
  EXPECT_EQ(SelectionSumTip(table_, 2, 2, 1, 2), "合计 = 11.5");
}

TEST_F(CellSumsTest, ABlockOfSeveralRowsAndColumnsShowsZero) {
  EXPECT_EQ(SelectionSumTip(table_, 2, 2, 2, 2), "合计 = 0");
}

TEST_F(CellSumsTest, ASelectionReachingPastTheTableCountsOnlyItsCells) {
  EXPECT_EQ(SelectionSumTip(table_, 4, 3, 10, 1), "合计 = 44.25");
}

TEST_F(CellSumsTest, TheColumnSumLeavesTheTotalRowOutButNoOtherLastRow) {
  EXPECT_EQ(ColumnSumTip(table_, 3), "本列合计 = 37.25");
  EXPECT_EQ(ColumnSumTip(table_, 1), "本列合计 = 0");
  // A table without a total row (an opened grid file) sums every row.
  table_.SetCellText(5, 1, "备注");
  EXPECT_EQ(ColumnSumTip(table_, 3), "本列合计 = 74.5");
}

TEST_F(CellSumsTest, ColumnTotalKeepsToTheRowsAsked) {
  EXPECT_DOUBLE_EQ(ColumnTotal(table_, 3, 1, 4), 37.25);
  EXPECT_DOUBLE_EQ(ColumnTotal(table_, 3, 3, 3), 20.25);
  EXPECT_DOUBLE_EQ(ColumnTotal(table_, 3, 0, 99), 74.5);
  EXPECT_DOUBLE_EQ(ColumnTotal(table_, 9, 1, 5), 0);
}

}  // namespace
}  // namespace matslip
