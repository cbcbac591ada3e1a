// The workbook's sort of qd.mzk into qd4.mzk and the sorted flag.
#include "workbook/result_sort.h"

#include <gtest/gtest.h>

#include "base/files.h"
#include "dbgrid/db_provider.h"
#include "grid/data_src.h"
#include "store/db.h"
#include "store/durability.h"
#include "support/temp_dir.h"
#include "workbook/result_file.h"
#include "workbook/result_loading.h"
#include "workbook/workbook_state.h"

namespace matslip {
namespace {

class ResultSortTest : public ::testing::Test {
 protected:
  ResultSortTest() {
    DbCloseAll();
    SetDurableWrites(false);
    EXPECT_TRUE(
        testing::WriteResultFile(dir_.path(), {{"乙", "b", "个", 2, 1, 30},
                                               {"甲", "a", "个", 3, 1, 10},
                                               {"丙", "c", "个", 1, 1, 20}}));
  }
  ~ResultSortTest() override { DbCloseAll(); }

  // Column `col` of the records of qd4.mzk, as the reopened window shows it.
  std::vector<std::string> SortedColumn(int col) {
    DataSrc table;
    DbProvider loader;
    LoadResultTable(dir_.path(), &state_, &table, &loader);
    std::vector<std::string> texts;
    for (int r = 2; r < table.GetRowCount(); ++r)
      texts.push_back(table.GetCellText(r, col));
    return texts;
  }

  testing::TempDir dir_;
  WorkbookState state_;
};

TEST_F(ResultSortTest, AscendingOnANumberField) {
  EXPECT_TRUE(SortResultTable(dir_.path(), "本月出库金额", true, &state_));
  EXPECT_TRUE(state_.sorted);
  EXPECT_EQ(SortedColumn(6), (std::vector<std::string>{"10", "20", "30"}));
  EXPECT_FALSE(state_.sorted);
}

TEST_F(ResultSortTest, DescendingOnATextField) {
  EXPECT_TRUE(SortResultTable(dir_.path(), "规格型号", false, &state_));
  EXPECT_EQ(SortedColumn(2), (std::vector<std::string>{"c", "b", "a"}));
}

TEST_F(ResultSortTest, TheSortAlwaysStartsFromTheUnsortedResult) {
  ASSERT_TRUE(SortResultTable(dir_.path(), "单价", true, &state_));
  ASSERT_TRUE(SortResultTable(dir_.path(), "规格型号", true, &state_));
  // Records with the same 单位 keep qd.mzk's order, not the first sort's.
  ASSERT_TRUE(SortResultTable(dir_.path(), "单位", true, &state_));
  EXPECT_EQ(SortedColumn(1), (std::vector<std::string>{"乙", "甲", "丙"}));
}

TEST_F(ResultSortTest, AnUnknownFieldFailsLeavingTheOlderSortButSetsTheFlag) {
  ASSERT_TRUE(SortResultTable(dir_.path(), "单价", false, &state_));
  state_.sorted = false;
  EXPECT_FALSE(SortResultTable(dir_.path(), "合      计", true, &state_));
  EXPECT_TRUE(state_.sorted);
  EXPECT_EQ(SortedColumn(4), (std::vector<std::string>{"3", "2", "1"}));
}

TEST_F(ResultSortTest, WithoutAResultNothingElseIsSorted) {
  // The material table stays current; it must not be sorted instead.
  ASSERT_TRUE(RemoveFile(dir_.File("qd.mzk")));
  EXPECT_FALSE(SortResultTable(dir_.path(), "品名", true, &state_));
  EXPECT_FALSE(FileExists(dir_.File("qd4.mzk")));
  EXPECT_TRUE(state_.sorted);
}

}  // namespace
}  // namespace matslip
