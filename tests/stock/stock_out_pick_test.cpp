// Picking materials in the stock list for the outbound slip, and the sum tip
// of numeric selections, on a stock list filled in memory.
#include "stock/stock_out_pick.h"

#include <gtest/gtest.h>

#include <string>

#include "grid/data_src.h"
#include "grid/grid.h"
#include "stock/stock_list.h"
#include "stock/stock_out_state.h"
#include "support/fake_dialogs.h"

namespace matslip {
namespace {

class StockOutPickTest : public ::testing::Test {
 protected:
  // A header row and `count` materials: row r holds material "m<r>" with
  // quantity r, price 1.5 and value 1.5 r.
  void Fill(int count) {
    list_.SetTableSize(count + 1, kStockListColumns);
    for (int r = 2; r <= count + 1; ++r) {
      list_.SetCellText(r, 1, "m" + std::to_string(r));
      list_.SetCellText(r, 2, "s" + std::to_string(r));
      list_.SetCellText(r, 3, "个");
      list_.SetCellText(r, 4, std::to_string(r));
      list_.SetCellText(r, 5, "1.5");
      list_.SetCellText(r, 6, std::to_string(r * 1.5));
      list_.SetCellText(r, 7, "0");
    }
    picking_.set_rebuilding(true);  // attaching moves the cursor
    grid_.SetDataSource(&list_);
    picking_.set_rebuilding(false);
  }
  // A drag from (first,1) to (last,1), as the mouse makes it.
  void Drag(int first, int last, int col = 1) {
    picking_.LeftPressed();
    grid_.SetCursor(first, col);
    for (int r = first + 1; r <= last; ++r) grid_.ExtendSelection(r, col);
    picking_.LeftReleased();
  }
  std::vector<std::string> PickedNames() const {
    std::vector<std::string> names;
    for (const MaterialEntry& e : state_.selection) names.push_back(e.key.name);
    return names;
  }

  DataSrc list_;
  Grid grid_;
  StockOutState state_;
  testing::FakeDialogs dialogs_;
  StockListPicking picking_{&grid_, &state_, &dialogs_};
  StockOutPickTest() {
    grid_.events().selection_changed = [this] { picking_.SelectionChanged(); };
  }
};

TEST_F(StockOutPickTest, DragOverRowsPicksThemInOrderAndColoursThemYellow) {
  Fill(6);
  Drag(2, 4);
  EXPECT_EQ(PickedNames(), (std::vector<std::string>{"m2", "m3", "m4"}));
  EXPECT_EQ(state_.picked_rows, (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(state_.marked_rows, (std::vector<int>{2, 3, 4}));
  const MaterialEntry& first = state_.selection[0];
  EXPECT_EQ(first.key.model, "s2");
  EXPECT_EQ(first.unit, "个");
  EXPECT_EQ(first.quantity, 2);
  EXPECT_EQ(first.price, 1.5);
  EXPECT_EQ(first.value, 3);
  EXPECT_EQ(first.alarm, 0);
  for (int c = 1; c <= kStockListColumns; ++c) {
    EXPECT_EQ(list_.GetCellFormat(3, c).text_colour, kMarkedRowColour) << c;
    EXPECT_NE(list_.GetCellFormat(5, c).text_colour, kMarkedRowColour) << c;
  }
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(StockOutPickTest, SecondDragEndsSilentlyAtARowPickedBefore) {
  Fill(6);
  Drag(2, 4);
  Drag(3, 6);
  EXPECT_EQ(PickedNames(), (std::vector<std::string>{"m2", "m3", "m4"}));
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(StockOutPickTest, PickingTheSameRowTwiceKeepsOneLine) {
  Fill(4);
  Drag(3, 3);
  Drag(2, 2);
  Drag(3, 3);
  EXPECT_EQ(PickedNames(), (std::vector<std::string>{"m3", "m2"}));
}

TEST_F(StockOutPickTest, MoreThanNineRowsPickNineAndSaySo) {
  Fill(12);
  Drag(2, 12);
  ASSERT_EQ(state_.selection.size(), 9u);
  EXPECT_EQ(state_.selection.back().key.name, "m10");
  EXPECT_EQ(dialogs_.Messages(),
            (std::vector<std::string>{kTooManyPickedMessage}));
  EXPECT_NE(list_.GetCellFormat(11, 1).text_colour, kMarkedRowColour);
}

TEST_F(StockOutPickTest, WithNineAFurtherPickAddsNothingAndSaysNothing) {
  Fill(12);
  Drag(2, 10);
  ASSERT_EQ(state_.selection.size(), 9u);
  Drag(11, 12);
  EXPECT_EQ(state_.selection.size(), 9u);
  EXPECT_EQ(state_.picked_rows.size(), 9u);
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(StockOutPickTest, TheHeadingRowIsNoMaterialAndPicksNothing) {
  Fill(0);  // the heading row alone: nothing to pick
  PickRows({1, 1, 1, 1}, &list_, &state_, dialogs_);
  EXPECT_TRUE(state_.selection.empty());
  EXPECT_TRUE(state_.picked_rows.empty());
  EXPECT_EQ(dialogs_.Messages(),
            (std::vector<std::string>{kNothingPickedYetMessage}));
}

TEST_F(StockOutPickTest, EachStepOfADragIsNoPickOfItsOwn) {
  Fill(6);
  picking_.LeftPressed();
  grid_.SetCursor(2, 1);
  grid_.ExtendSelection(3, 1);
  EXPECT_TRUE(state_.selection.empty());
  grid_.ExtendSelection(4, 1);
  picking_.LeftReleased();
  EXPECT_EQ(state_.selection.size(), 3u);
}

TEST_F(StockOutPickTest, TheCursorMovedByARebuildPicksNothing) {
  Fill(6);
  picking_.set_rebuilding(true);
  grid_.SetDataSource(nullptr);
  grid_.SetDataSource(&list_);
  grid_.SetCursor(5, 2);
  picking_.set_rebuilding(false);
  EXPECT_TRUE(state_.selection.empty());
  EXPECT_TRUE(dialogs_.shown.empty());
  grid_.SetCursor(4, 2);  // the keyboard: picks at once
  EXPECT_EQ(PickedNames(), (std::vector<std::string>{"m4"}));
}

TEST_F(StockOutPickTest, SelectionsFromTheNumberColumnsSumInsteadOfPicking) {
  Fill(6);
  Drag(2, 4, 4);  // 库存数量 2 + 3 + 4
  EXPECT_TRUE(state_.selection.empty());
  EXPECT_EQ(grid_.tip(), "合计 = 9");
  EXPECT_EQ(grid_.tip_font_name(), "宋体");
  EXPECT_EQ(grid_.tip_font_pixels(), 18);

  picking_.LeftPressed();
  grid_.SetCursor(3, 6);
  grid_.ExtendSelection(3, 4);  // dragged leftwards: 3 + 1.5 + 4.5
  picking_.LeftReleased();
  EXPECT_EQ(grid_.tip(), "合计 = 9");
  list_.SetCellText(3, 5, "2.25");
  grid_.ExtendSelection(3, 5);
  grid_.ExtendSelection(3, 4);
  EXPECT_EQ(grid_.tip(), "合计 = 9.75");

  grid_.SetCursor(5, 5);
  EXPECT_EQ(grid_.tip(), "1.5");
  EXPECT_TRUE(state_.selection.empty());
}

TEST_F(StockOutPickTest, SumTipOfABlockIsZeroAndTextsCountAsZero) {
  Fill(4);
  list_.SetCellText(3, 4, "十");
  EXPECT_EQ(SumTip(list_, {2, 4, 3, 1}), "合计 = 6");
  EXPECT_EQ(SumTip(list_, {2, 4, 2, 2}), "合计 = 0");
  EXPECT_EQ(SumTip(list_, {3, 4, 1, 1}), "十");
}

}  // namespace
}  // namespace matslip
