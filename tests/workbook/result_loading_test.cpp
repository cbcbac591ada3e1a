// The loading of a statistics result into the workbook's table: header row,
// records, total row, widths, the sorted flag and the released loader.
#include "workbook/result_loading.h"

#include <gtest/gtest.h>

#include "dbgrid/db_provider.h"
#include "grid/data_src.h"
#include "store/db.h"
#include "store/durability.h"
#include "support/temp_dir.h"
#include "workbook/result_file.h"
#include "workbook/workbook_state.h"

namespace matslip {
namespace {

class ResultLoadingTest : public ::testing::Test {
 protected:
  ResultLoadingTest() {
    DbCloseAll();
    SetDurableWrites(false);
  }
  ~ResultLoadingTest() override { DbCloseAll(); }

  void Load() { LoadResultTable(dir_.path(), &state_, &table_, &loader_); }
  std::vector<std::string> Row(int row) const {
    std::vector<std::string> texts;
    for (int c = 1; c <= table_.GetColumnCount(); ++c)
      texts.push_back(table_.GetCellText(row, c));
    return texts;
  }

  testing::TempDir dir_;
  WorkbookState state_;
  DataSrc table_;
  DbProvider loader_;
};

TEST_F(ResultLoadingTest, FieldNamesThenRecordsThenTheTotalRow) {
  ASSERT_TRUE(testing::WriteResultFile(
      dir_.path(), {{"钢芯铝绞线", "LGJ-95/20", "米", 12.5, 10, 0.125},
                    {"绝缘子", "XP-70", "片", 30, 2, 1.25}}));
  Load();
  ASSERT_EQ(table_.GetRowCount(), 4);
  ASSERT_EQ(table_.GetColumnCount(), 7);
  EXPECT_EQ(Row(1), testing::MonthOutFields());
  EXPECT_EQ(table_.GetCellText(2, 1), "钢芯铝绞线");
  EXPECT_EQ(table_.GetCellText(2, 4), "12.5");
  EXPECT_EQ(table_.GetCellText(3, 2), "XP-70");
  EXPECT_EQ(table_.GetCellText(3, 6), "1.25");
  // 0.125 + 1.25 rounded to cents, halves away from zero.
  EXPECT_EQ(Row(4), (std::vector<std::string>{"合      计", "", "", "", "",
                                              "1.38", ""}));
  EXPECT_EQ(table_.GetHeaderRows(), 1);
}

TEST_F(ResultLoadingTest, NoRecordsGivesTheHeaderAndATotalOfZero) {
  ASSERT_TRUE(testing::WriteResultFile(dir_.path(), {}));
  Load();
  ASSERT_EQ(table_.GetRowCount(), 2);
  EXPECT_EQ(Row(1), testing::MonthOutFields());
  EXPECT_EQ(table_.GetCellText(2, 1), "合      计");
  EXPECT_EQ(table_.GetCellText(2, 6), "0");
}

TEST_F(ResultLoadingTest, NineColumnsAre320WideAndTenAre270) {
  std::vector<std::string> nine = testing::MonthOutFields();
  nine.push_back("报警数量");
  nine.push_back("数量");
  ASSERT_TRUE(testing::WriteResultFile(dir_.path(), {{"a"}}, nine));
  Load();
  ASSERT_EQ(table_.GetColumnCount(), 9);
  for (int c = 1; c <= 9; ++c) EXPECT_EQ(table_.GetColumnWidth(c), 320) << c;

  DbCloseAll();
  std::vector<std::string> ten = nine;
  ten.push_back("金额");
  ASSERT_TRUE(testing::WriteResultFile(dir_.path(), {{"a"}}, ten));
  DataSrc wide;
  LoadResultTable(dir_.path(), &state_, &wide, &loader_);
  ASSERT_EQ(wide.GetColumnCount(), 10);
  for (int c = 1; c <= 10; ++c) EXPECT_EQ(wide.GetColumnWidth(c), 270) << c;
}

TEST_F(ResultLoadingTest, TheSortedFlagChoosesTheSortedCopyAndIsCleared) {
  ASSERT_TRUE(testing::WriteResultFile(dir_.path(), {{"未排序"}}));
  ASSERT_TRUE(DbOpen(dir_.File("qd.mzk"), "qd"));
  ASSERT_TRUE(DbCopyTo(dir_.File("qd4.mzk"), [] { return false; }));
  DbClose("qd");
  state_.sorted = true;
  Load();
  EXPECT_FALSE(state_.sorted);
  // qd4.mzk has no records: header and total row only.
  EXPECT_EQ(table_.GetRowCount(), 2);

  DataSrc again;
  LoadResultTable(dir_.path(), &state_, &again, &loader_);
  EXPECT_EQ(again.GetCellText(2, 1), "未排序");
}

TEST_F(ResultLoadingTest, TheLoaderIsReleasedAndTheResultFileClosed) {
  ASSERT_TRUE(testing::WriteResultFile(dir_.path(), {{"a"}}));
  Load();
  EXPECT_EQ(loader_.file_name(), "");
  // Still open, the file could not be opened again under the alias.
  EXPECT_FALSE(DbSelect("qd"));
}

TEST_F(ResultLoadingTest, AMissingResultShowsNoOtherTablesFields) {
  // The material table is open and current; qd.mzk does not exist.
  ASSERT_TRUE(testing::WriteResultFile(dir_.path(), {{"a"}}));
  ASSERT_TRUE(RemoveFile(dir_.File("qd.mzk")));
  Load();
  EXPECT_EQ(table_.GetColumnCount(), 0);
  EXPECT_EQ(table_.GetRowCount(), 2);
  EXPECT_FALSE(state_.sorted);
}

}  // namespace
}  // namespace matslip
