// The print toolbar's commands on a built print table.
#include "workbook/print_toolbar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dbgrid/db_provider.h"
#include "grid/data_src.h"
#include "grid/grid.h"
#include "store/db.h"
#include "store/durability.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"
#include "workbook/print_table.h"
#include "workbook/print_table_state.h"
#include "workbook/result_file.h"
#include "workbook/result_loading.h"
#include "workbook/workbook_state.h"

namespace matslip {
namespace {

constexpr int kDateColumn = 7;  // 出库日期
constexpr int kNameColumn = 1;  // 品名

// A print table of three records (rows 4 to 6, the footer in row 7) shown
// in a grid.
class PrintToolbarTest : public ::testing::Test {
 protected:
  PrintToolbarTest() {
    SetDurableWrites(false);
    EXPECT_TRUE(
        testing::WriteResultFile(dir_.path(), testing::NumberedRows(3)));
    WorkbookState state;
    DbProvider loader;
    LoadResultTable(dir_.path(), &state, &working_, &loader);
    EXPECT_TRUE(BuildPrintTable(dir_.File("qd.mzk"), working_,
                                CivilToDate({2026, 12, 7}), &table_, &print_));
    grid_.SetDataSource(&table_);
  }
  ~PrintToolbarTest() override { DbCloseAll(); }

  std::vector<int> DataAlignments() const {
    std::vector<int> codes;
    for (int row = 4; row <= 6; ++row)
      for (int col = 1; col <= 7; ++col)
        codes.push_back(table_.GetCellFormat(row, col).alignment);
    return codes;
  }
  std::vector<std::string> Dates() const {
    return {table_.GetCellText(4, kDateColumn),
            table_.GetCellText(5, kDateColumn),
            table_.GetCellText(6, kDateColumn)};
  }
  static std::vector<std::string> ThreeTimes(const std::string& text) {
    return {text, text, text};
  }

  testing::TempDir dir_;
  DataSrc working_;
  DataSrc table_;
  PrintInf print_;
  Grid grid_;
  PrintTableState state_;
};

TEST_F(PrintToolbarTest, TheFirstAlignmentPressRightAlignsTheDataRows) {
  EXPECT_STREQ(CycleAlignment(&state_.alignment_presses, &table_), "中对齐");
  EXPECT_EQ(DataAlignments(), std::vector<int>(21, kAlignMiddleRight));
  EXPECT_EQ(table_.GetCellFormat(7, 1).alignment, kAlignMiddleLeft);
  EXPECT_EQ(table_.GetCellFormat(3, 1).alignment, kAlignMiddleCentre);
}

TEST_F(PrintToolbarTest, TheAlignmentCycleNamesItsNextStep) {
  CycleAlignment(&state_.alignment_presses, &table_);
  EXPECT_STREQ(CycleAlignment(&state_.alignment_presses, &table_), "左对齐");
  EXPECT_EQ(DataAlignments(), std::vector<int>(21, kAlignMiddleCentre));
  EXPECT_STREQ(CycleAlignment(&state_.alignment_presses, &table_), "右对齐");
  EXPECT_EQ(DataAlignments(), std::vector<int>(21, kAlignMiddleLeft));
  EXPECT_EQ(state_.alignment_presses, 3);
}

TEST_F(PrintToolbarTest, FourDatePressesCycleBackToTheChineseDate) {
  grid_.SetCursor(5, kDateColumn);
  ASSERT_EQ(Dates(), ThreeTimes("2013年9月10日"));
  const std::vector<std::string> steps = {"2013-9-10", "2013.9.10", "2013/9/10",
                                          "2013年9月10日"};
  for (const std::string& step : steps) {
    SCOPED_TRACE(step);
    EXPECT_TRUE(CycleDateFormat(&state_.date_format_presses, &table_, &grid_));
    EXPECT_EQ(Dates(), ThreeTimes(step));
    EXPECT_EQ(grid_.GetCursorRow(), 3);
    EXPECT_EQ(grid_.GetCursorColumn(), kDateColumn);
  }
  // The footer row's cell of the date column stays empty.
  EXPECT_EQ(table_.GetCellText(7, kDateColumn), "");
}

TEST_F(PrintToolbarTest, AColumnWithoutADateTitleRestartsTheDateCycle) {
  grid_.SetCursor(4, kDateColumn);
  CycleDateFormat(&state_.date_format_presses, &table_, &grid_);
  CycleDateFormat(&state_.date_format_presses, &table_, &grid_);
  ASSERT_EQ(Dates(), ThreeTimes("2013.9.10"));
  grid_.SetCursor(4, kNameColumn);
  EXPECT_FALSE(CycleDateFormat(&state_.date_format_presses, &table_, &grid_));
  EXPECT_EQ(state_.date_format_presses, 0);
  EXPECT_EQ(table_.GetCellText(4, kNameColumn), "材料1");
  EXPECT_EQ(grid_.GetCursorRow(), 4);
  // The next press starts the cycle again: years, months and days go.
  grid_.SetCursor(4, kDateColumn);
  EXPECT_TRUE(CycleDateFormat(&state_.date_format_presses, &table_, &grid_));
  EXPECT_EQ(Dates(), ThreeTimes("2013.9.10"));
}

TEST_F(PrintToolbarTest, TheTitleSizeSetsRowsTwoAndThree45Smaller) {
  SetTitleSize(60, &table_);
  EXPECT_EQ(table_.GetFontSize(1, 1), 60);
  for (int row : {2, 3}) {
    for (int col = 1; col <= 7; ++col) {
      SCOPED_TRACE(std::to_string(row) + "," + std::to_string(col));
      EXPECT_EQ(table_.GetFontSize(row, col), 15);
    }
  }
  EXPECT_EQ(table_.GetFontSize(4, 1), 40);
}

TEST_F(PrintToolbarTest, TheFontListsSetTheTitleOrTheBody) {
  SetTitleFont("隶书", &table_);
  SetBodyFont("黑体", &table_);
  EXPECT_EQ(table_.GetCellFormat(1, 1).font_name, "隶书");
  for (int row = 2; row <= 7; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(table_.GetCellFormat(row, 1).font_name, "黑体");
    EXPECT_EQ(table_.GetCellFormat(row, 7).font_name, "黑体");
  }
}

TEST_F(PrintToolbarTest, MoreFontsGivesTheChosenFontToTheTitle) {
  testing::FakeDialogs dialogs;
  dialogs.fonts.push_back({true, FontChoice{"华文中宋", 40, 0}});
  EXPECT_EQ(ChooseMoreFont(&dialogs, &table_), "华文中宋");
  EXPECT_EQ(table_.GetCellFormat(1, 1).font_name, "华文中宋");
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, "font");
  EXPECT_EQ(dialogs.shown[0].text, "宋体");  // where the dialog starts
}

TEST_F(PrintToolbarTest, ACancelledFontDialogGivesTheTitleItsInitialFont) {
  SetTitleFont("隶书", &table_);
  testing::FakeDialogs dialogs;  // no answer: cancelled
  EXPECT_EQ(ChooseMoreFont(&dialogs, &table_), "宋体");
  EXPECT_EQ(table_.GetCellFormat(1, 1).font_name, "宋体");
}

TEST_F(PrintToolbarTest, ThePageNumberListSetsAndReadsBackThePosition) {
  SetPageNumberPosition(kPageNumberTopRight, &table_, &print_);
  EXPECT_EQ(print_.page_number_position, kPageNumberTopRight);
  EXPECT_EQ(table_.GetPrintSettings(), print_);
}

TEST_F(PrintToolbarTest, TheRowHeightSpinnerStepsEveryRowFromRowFour) {
  const int height = table_.GetRowHeight(4);
  StepRowHeights(kRowHeightSmaller, &table_);
  for (int row = 4; row <= 7; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(table_.GetRowHeight(row), height - 5);
    EXPECT_EQ(table_.GetFontSize(row, 1), 35);
    EXPECT_EQ(table_.GetFontSize(row, 7), 35);
  }
  EXPECT_EQ(table_.GetRowHeight(3), 80);
  EXPECT_EQ(table_.GetFontSize(3, 1), 40);
  StepRowHeights(kRowHeightLarger, &table_);
  StepRowHeights(kRowHeightLarger, &table_);
  EXPECT_EQ(table_.GetRowHeight(7), height + 5);
  EXPECT_EQ(table_.GetFontSize(6, 3), 45);
}

}  // namespace
}  // namespace matslip
