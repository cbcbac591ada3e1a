// Fill down and the whole-table alignment of the workbook's 编辑 menu.
#include "workbook/table_edits.h"

#include <gtest/gtest.h>

#include "grid/data_src.h"
#include "workbook/result_loading.h"

namespace matslip {
namespace {

class TableEditsTest : public ::testing::Test {
 protected:
  TableEditsTest() {
    table_.SetTableSize(4, 2);
    for (int r = 1; r <= 4; ++r) {
      table_.SetCellText(r, 1, "a" + std::to_string(r));
      table_.SetCellText(r, 2, "b" + std::to_string(r));
    }
  }

  DataSrc table_;
};

TEST_F(TableEditsTest, FillDownCopiesTheCellIntoEveryRowBelowTheLastIncluded) {
  FillDown(&table_, 2, 1);
  EXPECT_EQ(table_.GetCellText(1, 1), "a1");
  EXPECT_EQ(table_.GetCellText(2, 1), "a2");
  EXPECT_EQ(table_.GetCellText(3, 1), "a2");
  EXPECT_EQ(table_.GetCellText(4, 1), "a2");
  EXPECT_EQ(table_.GetCellText(3, 2), "b3");  // other columns keep theirs
}

TEST_F(TableEditsTest, FillDownStopsAboveTheTotalRow) {
  table_.SetCellText(4, 1, kTotalRowLabel);
  FillDown(&table_, 2, 2);
  EXPECT_EQ(table_.GetCellText(3, 2), "b2");
  EXPECT_EQ(table_.GetCellText(4, 2), "b4");
  EXPECT_EQ(table_.GetCellText(4, 1), kTotalRowLabel);
}

TEST_F(TableEditsTest, FillDownFromTheLastRowChangesNothing) {
  FillDown(&table_, 4, 2);
  for (int r = 1; r <= 4; ++r)
    EXPECT_EQ(table_.GetCellText(r, 2), "b" + std::to_string(r));
}

TEST_F(TableEditsTest, AlignmentReachesEveryCellAndOnlyTheAlignment) {
  table_.SetTextColour({3, 2}, 255);
  AlignWholeTable(&table_, kAlignMiddleRight);
  for (int r = 1; r <= 4; ++r)
    for (int c = 1; c <= 2; ++c)
      EXPECT_EQ(table_.GetCellFormat(r, c).alignment, kAlignMiddleRight);
  EXPECT_EQ(table_.GetCellFormat(3, 2).text_colour, 255u);
}

}  // namespace
}  // namespace matslip
