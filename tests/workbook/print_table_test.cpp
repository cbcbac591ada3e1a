// The print table built from a report's result table and the workbook's
// working table, and its page set-up.
#include "workbook/print_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dbgrid/db_provider.h"
#include "grid/data_src.h"
#include "store/db.h"
#include "store/durability.h"
#include "support/temp_dir.h"
#include "workbook/print_page_setup.h"
#include "workbook/result_file.h"
#include "workbook/result_loading.h"
#include "workbook/result_sort.h"
#include "workbook/workbook_state.h"

namespace matslip {
namespace {

using testing::NumberedRows;
using testing::ResultRow;
using testing::WriteResultFile;

const double kToday = CivilToDate({2026, 12, 7, 15, 30, 0});

// Widths of the seven columns of one record of NumberedRows: each the
// widest of its title and its text at size 40 (20 per byte, times 1.56, plus
// 36): 材料1 5 bytes, 规格型号 8, 单位 4, 单价 4, 本月出库数量 12,
// 本月出库金额 12, 2013年9月10日 13.
constexpr int kOneRecordWidths[] = {192, 285, 160, 160, 410, 410, 441};
constexpr int kOneRecordWidth = 2058;

class PrintTableTest : public ::testing::Test {
 protected:
  PrintTableTest() { SetDurableWrites(false); }
  ~PrintTableTest() override { DbCloseAll(); }

  // Writes the result table, loads the workbook's working table from it
  // (sorted descending on `sorted_on` when given) and builds the print
  // table.
  void Build(const std::vector<ResultRow>& rows,
             const std::string& sorted_on = "") {
    ASSERT_TRUE(WriteResultFile(dir_.path(), rows));
    LoadWorkingTable(sorted_on);
    ASSERT_TRUE(BuildPrintTable(result_, working_, kToday, &table_, &print_));
  }
  void LoadWorkingTable(const std::string& sorted_on = "") {
    if (!sorted_on.empty()) {
      ASSERT_TRUE(SortResultTable(dir_.path(), sorted_on, false, &state_));
    }
    DbProvider loader;
    LoadResultTable(dir_.path(), &state_, &working_, &loader);
  }

  std::vector<std::string> Row(int row) const {
    std::vector<std::string> texts;
    for (int col = 1; col <= table_.GetColumnCount(); ++col)
      texts.push_back(table_.GetCellText(row, col));
    return texts;
  }

  testing::TempDir dir_;
  std::string result_ = dir_.File("qd.mzk");
  WorkbookState state_;
  DataSrc working_;
  DataSrc table_;
  PrintInf print_;
};

TEST_F(PrintTableTest, OneRecordGivesRowFourAndTheFooterInRowFive) {
  Build(NumberedRows(1));
  ASSERT_EQ(table_.GetRowCount(), 5);
  ASSERT_EQ(table_.GetColumnCount(), 7);
  EXPECT_EQ(table_.GetHeaderRows(), 3);
  EXPECT_EQ(Row(4), (std::vector<std::string>{"材料1", "LGJ-1", "米", "12.5",
                                              "1", "12.5", "2013年9月10日"}));
  EXPECT_EQ(table_.GetCellText(5, 1), kPrintTableFooter);
  EXPECT_EQ(
      std::string(kPrintTableFooter),
      "    制表:" + std::string(50, ' ') + "报表审核:" + std::string(6, ' '));
  EXPECT_EQ(table_.GetMergedBlock(5, 4), (CellRange{5, 1, 1, 7}));
  EXPECT_EQ(table_.GetCellFormat(5, 1).alignment, kAlignMiddleLeft);
}

TEST_F(PrintTableTest, TheHeaderRowsCarryTitleMakerDateAndFieldNames) {
  Build(NumberedRows(1));
  EXPECT_EQ(table_.GetCellText(1, 1), "四川澜栖供电有限责任公司材料出库单");
  EXPECT_EQ(table_.GetMergedBlock(1, 7), (CellRange{1, 1, 1, 7}));
  const CellFormat& title = table_.GetCellFormat(1, 1);
  EXPECT_EQ(title.font_name, "宋体");
  EXPECT_EQ(title.font_size, 85);
  EXPECT_EQ(title.style, kStyleBold);
  EXPECT_EQ(title.alignment, kAlignMiddleCentre);
  EXPECT_EQ(table_.GetRowHeight(1), 160);
  EXPECT_EQ(table_.GetRowHeight(2), 80);
  EXPECT_EQ(table_.GetRowHeight(3), 80);
  EXPECT_EQ(Row(3), (std::vector<std::string>{"品名", "规格型号", "单位",
                                              "单价", "本月出库数量",
                                              "本月出库金额", "出库日期"}));
  for (int col = 1; col <= 7; ++col) {
    SCOPED_TRACE(col);
    const CellFormat& field = table_.GetCellFormat(3, col);
    EXPECT_EQ(field.font_size, 40);
    EXPECT_EQ(field.style, kStyleBold);
    EXPECT_EQ(field.alignment, kAlignMiddleCentre);
  }
  // The data rows keep the table's default format, inset by 10.
  EXPECT_EQ(table_.GetCellFormat(4, 2).text_margin, 10);
  EXPECT_EQ(table_.GetCellFormat(4, 2).style, 0);
}

TEST_F(PrintTableTest, SevenFieldsSplitRowTwoThreeAndFour) {
  Build(NumberedRows(1));
  EXPECT_EQ(table_.GetMergedBlock(2, 2), (CellRange{2, 1, 1, 3}));
  EXPECT_EQ(table_.GetMergedBlock(2, 6), (CellRange{2, 4, 1, 4}));
  EXPECT_EQ(table_.GetCellText(2, 1), "制表：财务室");
  EXPECT_EQ(table_.GetCellText(2, 4), "日期：2026年12月7日");
  EXPECT_EQ(table_.GetCellFormat(2, 1).alignment, kAlignMiddleLeft);
  EXPECT_EQ(table_.GetCellFormat(2, 4).alignment, kAlignMiddleRight);
  EXPECT_EQ(table_.GetCellFormat(2, 4).style, kStyleBold);
}

TEST_F(PrintTableTest, ColumnsFitTheirWidestTextByGbkBytes) {
  Build(NumberedRows(1));
  for (int col = 1; col <= 7; ++col) {
    SCOPED_TRACE(col);
    EXPECT_EQ(table_.GetColumnWidth(col), kOneRecordWidths[col - 1]);
  }
}

TEST_F(PrintTableTest, TheBodyFromTheFieldRowToTheLastRecordIsRuled) {
  Build(NumberedRows(2));
  for (int row = 3; row <= 5; ++row) {
    for (int col = 1; col <= 7; ++col) {
      SCOPED_TRACE(std::to_string(row) + "," + std::to_string(col));
      const CellFormat& cell = table_.GetCellFormat(row, col);
      for (int side : {kSideLeft, kSideTop, kSideRight, kSideBottom})
        EXPECT_EQ(cell.edges[side], kLineThin);
    }
  }
  EXPECT_EQ(table_.GetCellFormat(2, 1).edges[kSideLeft], kLineNone);
  EXPECT_EQ(table_.GetCellFormat(6, 1).edges[kSideLeft], kLineNone);
}

TEST_F(PrintTableTest, AfterASortEveryColumnComesFromTheWorkingTable) {
  std::vector<ResultRow> rows = NumberedRows(3);
  for (int i = 0; i < 3; ++i) rows[i].out_date.day = i + 1;
  Build(rows, "品名");
  EXPECT_EQ(Row(4), (std::vector<std::string>{"材料3", "LGJ-3", "米", "12.5",
                                              "3", "37.5", "2013年9月3日"}));
  EXPECT_EQ(Row(6), (std::vector<std::string>{"材料1", "LGJ-1", "米", "12.5",
                                              "1", "12.5", "2013年9月1日"}));
}

TEST_F(PrintTableTest, EditedCellsOfTheWorkingTableArePrinted) {
  ASSERT_TRUE(WriteResultFile(dir_.path(), NumberedRows(2)));
  LoadWorkingTable();
  working_.SetCellText(3, 6, "99");
  working_.SetCellText(3, 2, "LGJ-改");
  ASSERT_TRUE(BuildPrintTable(result_, working_, kToday, &table_, &print_));
  EXPECT_EQ(table_.GetCellText(5, 6), "99");
  EXPECT_EQ(table_.GetCellText(5, 2), "LGJ-改");
}

TEST_F(PrintTableTest, NoRecordsGiveTheFooterRightUnderTheFieldRow) {
  Build({});
  ASSERT_EQ(table_.GetRowCount(), 4);
  EXPECT_EQ(table_.GetCellText(4, 1), kPrintTableFooter);
}

TEST_F(PrintTableTest, AMissingResultTableChangesNothing) {
  table_.SetTableSize(2, 2);
  table_.SetCellText(1, 1, "旧");
  print_.left_margin = 77;
  const PrintInf before = print_;
  EXPECT_FALSE(
      BuildPrintTable(dir_.File("qd.mzk"), working_, kToday, &table_, &print_));
  EXPECT_EQ(table_.GetCellText(1, 1), "旧");
  EXPECT_EQ(print_, before);
}

TEST_F(PrintTableTest, ThePrintSettingsAreWrittenAndReadBack) {
  print_.copies = 3;
  Build(NumberedRows(1));
  EXPECT_EQ(print_, table_.GetPrintSettings());
  EXPECT_EQ(print_.paper_type, kPaperA4);
  EXPECT_EQ(print_.top_margin, 170);
  EXPECT_EQ(print_.bottom_margin, 180);
  EXPECT_EQ(print_.copies, 3);
  // 2058 is wider than 1960: landscape A4 (without a printer) is 2970 wide,
  // and the centring margin (2970 - 2058) / 2 is cut to 150.
  EXPECT_EQ(print_.orientation, kLandscape);
  EXPECT_GT((2970 - kOneRecordWidth) / 2, 150);
  EXPECT_EQ(print_.left_margin, 150);
  EXPECT_EQ(print_.right_margin, print_.left_margin);
}

// The table is landscape: 25 records end in row 28, and 59 x 28 + 112 = 1764
// exceeds 2100 - 350.
TEST_F(PrintTableTest, ALongTablePutsPageNumbersAtTheBottomCentre) {
  print_.page_number_position = kPageNumberTopLeft;
  Build(NumberedRows(25));
  EXPECT_EQ(print_.page_number_position, kPageNumberBottomCentre);
  EXPECT_EQ(table_.GetPrintSettings().page_number_position,
            kPageNumberBottomCentre);
}

// 24 records end in row 27: 1705 fits.
TEST_F(PrintTableTest, AShorterTableKeepsThePageNumberPosition) {
  print_.page_number_position = kPageNumberTopLeft;
  Build(NumberedRows(24));
  EXPECT_EQ(print_.page_number_position, kPageNumberTopLeft);
}

TEST_F(PrintTableTest, BlocksOfRowsLetTheCallerProcessEvents) {
  ASSERT_TRUE(WriteResultFile(dir_.path(), NumberedRows(2500)));
  LoadWorkingTable();
  int calls = 0;
  ASSERT_TRUE(BuildPrintTable(result_, working_, kToday, &table_, &print_,
                              [&] { ++calls; }));
  EXPECT_EQ(calls, 2500 / kPrintTableBlockRows);
  EXPECT_EQ(table_.GetCellText(2503, 1), "材料2500");
}

// The page set-up after the user dragged a column: the grid's column layout
// event runs PrintTableLayoutChanged.
class PrintTableLayoutTest : public PrintTableTest {
 protected:
  // Makes the columns `total` wide (columns 1 to 6 150 each, the last one
  // the rest), then runs the layout event.
  void DragToWidth(int total) {
    table_.SetColumnWidths(1, 6, 150);
    table_.SetColumnWidths(7, 1, total - 900);
    ASSERT_EQ(TotalColumnWidth(table_), total);
    PrintTableLayoutChanged(&table_, &print_);
  }
  std::string Footer() const {
    return table_.GetCellText(table_.GetRowCount(), 1);
  }
};

TEST_F(PrintTableLayoutTest, ExactlyTheThresholdKeepsEitherOrientation) {
  Build(NumberedRows(1));
  ASSERT_EQ(print_.orientation, kLandscape);
  DragToWidth(1960);
  EXPECT_EQ(print_.orientation, kLandscape);
  DragToWidth(1959);
  EXPECT_EQ(print_.orientation, kPortrait);
  DragToWidth(1960);
  EXPECT_EQ(print_.orientation, kPortrait);
  DragToWidth(1961);
  EXPECT_EQ(print_.orientation, kLandscape);
  EXPECT_EQ(table_.GetPrintSettings(), print_);
}

TEST_F(PrintTableLayoutTest, TheCentringMarginIsCutTo150) {
  Build(NumberedRows(1));
  DragToWidth(1810);
  EXPECT_EQ(print_.left_margin, 145);
  DragToWidth(1799);
  EXPECT_EQ(print_.left_margin, 150);
  EXPECT_EQ(print_.right_margin, 150);
  EXPECT_EQ(table_.GetPrintSettings().left_margin, 150);
}

TEST_F(PrintTableLayoutTest, ATableWiderThanThePaperGetsNoSideMargins) {
  Build(NumberedRows(1));
  DragToWidth(3000);  // landscape A4 is 2970 wide
  EXPECT_EQ(print_.left_margin, 0);
  EXPECT_EQ(print_.right_margin, 0);
  EXPECT_EQ(table_.GetPrintSettings().left_margin, 0);
}

// The footer is 74 GBK bytes; at size 40 a width W holds W / 20 of them.
// Spaces go or double from byte 54 on: the last 6 of the 50 in the middle,
// then the 6 at the end.
TEST_F(PrintTableLayoutTest, DraggingAColumnRefitsTheFooter) {
  Build(NumberedRows(1));
  DragToWidth(1400);  // holds 70: four spaces fewer
  EXPECT_EQ(Footer(), "    制表:" + std::string(46, ' ') +
                          "报表审核:" + std::string(6, ' '));
  DragToWidth(1300);  // holds 65 of the 70 left: five fewer, from byte 50
  EXPECT_EQ(Footer(), "    制表:" + std::string(41, ' ') +
                          "报表审核:" + std::string(6, ' '));
  // Holds 50 of 65: the middle's spaces from byte 45 and those at the end
  // go, 12 in all; no space is left after byte 45 for the other 3.
  DragToWidth(1000);
  EXPECT_EQ(Footer(), "    制表:" + std::string(35, ' ') + "报表审核:");
}

TEST_F(PrintTableLayoutTest, AWiderTableDoublesTheFootersLastSpaces) {
  Build(NumberedRows(1));
  DragToWidth(1600);  // holds 80 of 74
  EXPECT_EQ(Footer(), "    制表:" + std::string(44, ' ') +
                          std::string(12, ' ') +
                          "报表审核:" + std::string(12, ' '));
}

TEST_F(PrintTableLayoutTest, AFooterThatFitsExactlyStaysAsItIs) {
  Build(NumberedRows(1));
  DragToWidth(1480);  // holds exactly 74
  EXPECT_EQ(Footer(), kPrintTableFooter);
}

}  // namespace
}  // namespace matslip
