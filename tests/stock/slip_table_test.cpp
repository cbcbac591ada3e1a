// The outbound slip: built cell by cell from picked materials and the slip
// texts, recomputed after edits, and read back as the lines to book.
#include "stock/slip_table.h"

#include <gtest/gtest.h>

#include <string>

#include "base/datetime.h"
#include "grid/data_src.h"
#include "grid/grid.h"
#include "stock/stock_out_state.h"

namespace matslip {
namespace {

class SlipTableTest : public ::testing::Test {
 protected:
  SlipTableTest() {
    texts_ = {"一号库", "线路维修", "运检部", "10kV改造", "张审",
              "李财",   "王技",     "赵开",   "钱保",     "孙领"};
    // As the stock-out window has it.
    grid_.events().cell_edited = [this](int, int, const std::string&) {
      RecomputeSlip(&slip_);
    };
  }
  void Pick(const std::string& name, const std::string& model, double quantity,
            double price) {
    state_.selection.push_back(
        {{name, model}, "米", price, quantity, quantity * price, 0});
    state_.picked_rows.push_back(static_cast<int>(state_.selection.size()) + 1);
  }
  void Build() {
    BuildSlip(texts_, print_, CivilToDate({2013, 3, 5, 14, 7, 9}), &state_,
              &slip_, &grid_);
  }
  std::string Text(int row, int col) const {
    return slip_.GetCellText(row, col);
  }
  // A cell typed into by the user.
  void Type(int row, int col, const std::string& text) {
    grid_.EditCell(row, col, text);
  }

  SlipTexts texts_;
  PrintInf print_;
  StockOutState state_;
  DataSrc slip_;
  Grid grid_;
};

TEST_F(SlipTableTest, TitleHeaderDateHeadingsAndSignatures) {
  Pick("钢芯铝绞线", "LGJ-95/20", 1200, 12.5);
  Build();
  ASSERT_EQ(slip_.GetRowCount(), 15);
  ASSERT_EQ(slip_.GetColumnCount(), 6);
  EXPECT_EQ(Text(1, 1), "澜栖供电有限责任公司材料出库单");
  EXPECT_EQ(slip_.GetMergedBlock(1, 4), (CellRange{1, 1, 1, 6}));
  EXPECT_EQ(slip_.GetFontSize(1, 1), 70);
  EXPECT_EQ(slip_.GetFontSize(2, 1), 40);
  EXPECT_EQ(slip_.GetRowHeight(1), 100);

  EXPECT_EQ(Text(2, 1), "一号库");
  EXPECT_EQ(Text(3, 1), "线路维修");
  EXPECT_EQ(Text(2, 3), "运检部");
  EXPECT_EQ(Text(3, 3), "10kV改造");
  EXPECT_EQ(Text(2, 6), "");
  EXPECT_EQ(Text(3, 6), "2013年3月5日");
  for (int row : {2, 3}) {
    EXPECT_EQ(slip_.GetMergedBlock(row, 2), (CellRange{row, 1, 1, 2}));
    EXPECT_EQ(slip_.GetMergedBlock(row, 5), (CellRange{row, 3, 1, 3}));
    EXPECT_EQ(slip_.GetMergedBlock(row, 6), (CellRange{row, 6, 1, 1}));
  }

  const char* headings[] = {"品  名", "规  格", "数  量",
                            "单  位", "单  价", "金  额"};
  const int widths[] = {500, 500, 200, 200, 200, 350};
  const char* signatures[] = {"张审", "李财", "王技", "赵开", "钱保", "孙领"};
  for (int c = 1; c <= 6; ++c) {
    EXPECT_EQ(Text(4, c), headings[c - 1]);
    EXPECT_EQ(slip_.GetColumnWidth(c), widths[c - 1]);
    EXPECT_EQ(Text(15, c), signatures[c - 1]);
  }
  EXPECT_EQ(Text(14, 1), "合       计");
}

TEST_F(SlipTableTest, CentredEverywhereAndRuledFromHeadingToTotal) {
  Build();
  for (int r = 1; r <= 15; ++r) {
    for (int c = 1; c <= 6; ++c) {
      SCOPED_TRACE(std::to_string(r) + "," + std::to_string(c));
      const CellFormat& f = slip_.GetCellFormat(r, c);
      EXPECT_EQ(f.alignment, kAlignMiddleCentre);
      const bool ruled = r >= 4 && r <= 14;
      for (int side = 0; side < 4; ++side) {
        // The heading's top edge and the total's bottom edge are shared
        // with rows 3 and 15, which get them too.
        const bool shared = (r == 3 && side == 3) || (r == 15 && side == 1);
        EXPECT_EQ(f.edges[side] != kLineNone, ruled || shared) << side;
      }
    }
  }
}

TEST_F(SlipTableTest, LinesTakeTheWholeStockWithRoundedAmountsAndTotal) {
  Pick("钢芯铝绞线", "LGJ-95/20", 1200, 12.5);
  Pick("悬式绝缘子", "XP-70", 3, 0.335);  // 1.005 rounds half up
  Pick("螺栓", "M16", 7, 1.0 / 3);        // 2.333...
  Build();
  const char* row5[] = {"钢芯铝绞线", "LGJ-95/20", "1200",
                        "米",         "12.5",      "15000"};
  for (int c = 1; c <= 6; ++c) EXPECT_EQ(Text(5, c), row5[c - 1]);
  EXPECT_EQ(Text(6, 3), "3");
  EXPECT_EQ(Text(6, 5), "0.335");
  EXPECT_EQ(Text(6, 6), "1.01");
  EXPECT_EQ(Text(7, 6), "2.33");
  EXPECT_EQ(Text(14, 6), "15003.34");
  for (int r = 8; r <= 13; ++r) {
    for (int c = 1; c <= 6; ++c) EXPECT_EQ(Text(r, c), "") << r << "," << c;
  }
}

TEST_F(SlipTableTest, StockZeroGivesEmptyQuantityAndAmount) {
  Pick("电缆", "YJV-3x70", 0, 85);
  Build();
  EXPECT_EQ(Text(5, 1), "电缆");
  EXPECT_EQ(Text(5, 3), "");
  EXPECT_EQ(Text(5, 5), "85");
  EXPECT_EQ(Text(5, 6), "");
  EXPECT_EQ(Text(14, 6), "");
}

TEST_F(SlipTableTest, AnEmptyTotalReadsZeroAfterTheFirstEdit) {
  Pick("电缆", "YJV-3x70", 0, 85);
  Build();
  ASSERT_EQ(Text(14, 6), "");
  Type(15, 6, "周领");
  EXPECT_EQ(Text(14, 6), "0");
}

TEST_F(SlipTableTest, EditedQuantityRecomputesAmountAndTotal) {
  Pick("a", "1", 10, 2.5);
  Pick("b", "2", 4, 1.25);
  Build();
  ASSERT_EQ(Text(14, 6), "30");
  Type(5, 3, "3");
  EXPECT_EQ(Text(5, 6), "7.5");
  EXPECT_EQ(Text(14, 6), "12.5");
  Type(6, 5, "0.333");  // 4 x 0.333 = 1.332
  EXPECT_EQ(Text(6, 6), "1.33");
  EXPECT_EQ(Text(14, 6), "8.83");
}

TEST_F(SlipTableTest, AQuantityEditedToZeroEmptiesItsAmount) {
  Pick("a", "1", 10, 2.5);
  Pick("b", "2", 4, 1.25);
  Build();
  Type(5, 3, "0");
  EXPECT_EQ(Text(5, 6), "");
  EXPECT_EQ(Text(14, 6), "5");
  Type(6, 5, "不详");
  EXPECT_EQ(Text(6, 6), "");
  EXPECT_EQ(Text(14, 6), "0");
}

TEST_F(SlipTableTest, BuildingEmptiesTheSelectionAndPlacesTheCursor) {
  Pick("a", "1", 10, 2.5);
  state_.marked_rows = {2};
  Build();
  EXPECT_TRUE(state_.selection.empty());
  EXPECT_TRUE(state_.picked_rows.empty());
  EXPECT_EQ(state_.marked_rows, std::vector<int>{2});
  EXPECT_EQ(grid_.data_source(), &slip_);
  EXPECT_EQ(grid_.GetCursorRow(), 15);
  EXPECT_EQ(grid_.GetCursorColumn(), 6);
  EXPECT_EQ(grid_.GetSelectedRowCount(), 1);
  EXPECT_EQ(grid_.background(), 0xAE7400u);
}

TEST_F(SlipTableTest, PrintSettingsAreTheSlips) {
  print_.paper_type = 3;
  print_.orientation = 1;
  print_.left_margin = 120;
  print_.scale = 90;
  Build();
  EXPECT_EQ(slip_.GetPrintSettings(), print_);
}

TEST_F(SlipTableTest, ReadSlipGivesTheNonEmptyLinesAsShown) {
  Pick("a", "1", 10, 2.5);
  Pick("b", "2", 4, 1.25);
  Pick("c", "3", 1, 1);
  Build();
  Type(5, 3, "3.50");
  slip_.ClearRange({6, 1, 1, 6});  // a line emptied by hand
  Type(2, 3, "变电部");
  const Slip slip = ReadSlip(slip_);
  ASSERT_EQ(slip.lines.size(), 2u);
  EXPECT_EQ(slip.lines[0].key, (MaterialKey{"a", "1"}));
  EXPECT_EQ(slip.lines[0].quantity_text, "3.50");
  EXPECT_EQ(slip.lines[0].value_text, "8.75");
  EXPECT_EQ(slip.lines[1].key, (MaterialKey{"c", "3"}));
  EXPECT_EQ(slip.lines[1].value_text, "1");
  EXPECT_EQ(slip.department, "变电部");
  EXPECT_EQ(slip.received_by, "孙领");
}

TEST_F(SlipTableTest, RebuildingReplacesAnEarlierSlip) {
  Pick("a", "1", 10, 2.5);
  Pick("b", "2", 4, 1.25);
  Build();
  Pick("c", "3", 1, 1);
  Build();
  EXPECT_EQ(Text(5, 1), "c");
  EXPECT_EQ(Text(6, 1), "");
  EXPECT_EQ(Text(14, 6), "1");
}

}  // namespace
}  // namespace matslip
