// The same material list saved by spreadsheet programs in every format the
// readers take must come back as the same texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sheet/sheet.h"

namespace matslip {
namespace {

const std::string kDir = std::string(MATSLIP_TEST_DATA) + "/sheets/";

// Rows 1..10, columns A..H of the material list, as a spreadsheet shows it.
const std::vector<std::vector<std::string>> kExpected = {
    {"", "材料清单", "", "", "", "", "制表日期", "2026年3月1日9时5分7秒"},
    {"序号", "品名", "规格型号", "单位", "数量", "单价", "金额", "报警数量"},
    {"1", "钢芯铝绞线", "LGJ-95/20", "米", "3200", "9.85", "31520", "500"},
    {"2", "横担", "∠63×6×1500", "根", "140", "112", "15680", "20"},
    {"3", "电流互感器", "LMZJ1-0.5 800/5", "只", "12", "260.5", "3126", "2"},
    {"4", "绝缘子", "XP-70", "片", "", "23.4", "", "100"},
    {"5", "螺栓", "M16×200, 热镀锌", "套", "1000", "0.1", "100", "0"},
    {"6", "电缆终端头", "10kV \"3×240\"", "套", "6", "2.5", "15", "1"},
    {"7", "接地线", "TJ-25", "千克", "45.5", "30", "1365", "10"},
    {"8", "避雷器", "HY5WS-17/50", "只", "30", "86", "2580", "5"},
};

std::string FixtureName(const ::testing::TestParamInfo<const char*>& info) {
  std::string name;
  for (const char* p = info.param; *p; ++p)
    name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return name;
}

class SheetFixtures : public ::testing::TestWithParam<const char*> {};

TEST_P(SheetFixtures, GiveTheSameTextsAsEveryOtherFormat) {
  SheetCells cells;
  std::string reason;
  ASSERT_TRUE(
      ReadSheet(kDir + GetParam(), SheetArea{1, 12, 1, 9}, &cells, &reason))
      << reason;
  for (int row = 1; row <= 12; ++row) {
    for (int column = 1; column <= 9; ++column) {
      const std::string expected =
          row <= 10 && column <= 8 ? kExpected[row - 1][column - 1] : "";
      EXPECT_EQ(cells.Cell(row, column), expected)
          << "row " << row << ", column " << column;
    }
  }
}

TEST_P(SheetFixtures, KeepOnlyTheAreaAskedFor) {
  SheetCells cells;
  std::string reason;
  ASSERT_TRUE(
      ReadSheet(kDir + GetParam(), SheetArea{3, 502, 2, 8}, &cells, &reason))
      << reason;
  EXPECT_EQ(cells.Cell(3, 2), "钢芯铝绞线");
  EXPECT_EQ(cells.Cell(10, 8), "5");
  EXPECT_EQ(cells.Cell(3, 1), "");  // column A lies outside
  EXPECT_EQ(cells.Cell(2, 2), "");  // so does the heading
  EXPECT_EQ(cells.Cell(502, 2), "");
}

INSTANTIATE_TEST_SUITE_P(
    AllFormats, SheetFixtures,
    ::testing::Values("materials.xls", "materials-biff5.xls", "materials.xlsx",
                      "materials.ods", "materials.fods", "materials-html.xls",
                      "materials-utf8.csv", "materials-utf8-bom.csv",
                      "materials-gbk.csv"),
    FixtureName);

// Workbooks saved with their second sheet active: that sheet is read.
class ActiveSheetFixtures : public ::testing::TestWithParam<const char*> {};

TEST_P(ActiveSheetFixtures, GiveTheSheetTheyOpenOn) {
  SheetCells cells;
  std::string reason;
  ASSERT_TRUE(
      ReadSheet(kDir + GetParam(), SheetArea{3, 5, 2, 5}, &cells, &reason))
      << reason;
  EXPECT_EQ(cells.Cell(3, 2), "钢芯铝绞线");
  EXPECT_EQ(cells.Cell(4, 3), "∠63×6×1500");
  EXPECT_EQ(cells.Cell(4, 5), "140");
  EXPECT_EQ(cells.Cell(5, 2), "");
}

INSTANTIATE_TEST_SUITE_P(AllFormats, ActiveSheetFixtures,
                         ::testing::Values("active-sheet.xls",
                                           "active-sheet.xlsx",
                                           "active-sheet.ods",
                                           "active-sheet.fods",
                                           "active-sheet-source.fods"),
                         FixtureName);

// A flat file written by hand, whose formulas were never computed: their
// cells have no result to show, the values around them are read.
TEST(FlatOdsWithoutResults, ShowsFormulaCellsEmpty) {
  SheetCells cells;
  std::string reason;
  ASSERT_TRUE(ReadSheet(kDir + "materials-source.fods", SheetArea{3, 8, 5, 7},
                        &cells, &reason))
      << reason;
  EXPECT_EQ(cells.Cell(3, 5), "3200");
  EXPECT_EQ(cells.Cell(3, 6), "9.85");
  EXPECT_EQ(cells.Cell(3, 7), "");  // =E3*F3
  EXPECT_EQ(cells.Cell(8, 7), "15");
}

// A formula's result shows as its cell's format says: =DATE(2026,3,1) in a
// date format as a date, a text and a boolean as themselves.
class FormulaFixtures : public ::testing::TestWithParam<const char*> {};

TEST_P(FormulaFixtures, ShowTheirResultsInTheCellsFormat) {
  SheetCells cells;
  std::string reason;
  ASSERT_TRUE(
      ReadSheet(kDir + GetParam(), SheetArea{1, 1, 1, 3}, &cells, &reason))
      << reason;
  EXPECT_EQ(cells.Cell(1, 1), "2026年3月1日");
  EXPECT_EQ(cells.Cell(1, 2), "钢材");
  EXPECT_EQ(cells.Cell(1, 3), "TRUE");
}

INSTANTIATE_TEST_SUITE_P(AllFormats, FormulaFixtures,
                         ::testing::Values("formula-date.xls",
                                           "formula-date.xlsx",
                                           "formula-date.ods",
                                           "formula-date.fods"),
                         FixtureName);

}  // namespace
}  // namespace matslip
