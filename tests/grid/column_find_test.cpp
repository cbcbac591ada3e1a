#include "grid/column_find.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/data_src.h"
#include "grid/grid.h"
#include "support/fake_dialogs.h"

namespace matslip {
namespace {

using testing::FakeDialogs;

constexpr char kWorkbookCaption[] = "&Y.查找";

// A result table of six rows (a header row and five materials) shown in a
// grid whose cursor stands in the 规格型号 column.
class ColumnFindTest : public ::testing::Test {
 protected:
  ColumnFindTest() {
    const std::vector<std::vector<std::string>> rows = {
        {"品名", "规格型号", "单位"},    {"钢芯铝绞线", "LGJ-95/20", "米"},
        {"电缆", "VV22-3x70", "米"},     {"钢芯铝绞线", "lgj-120", "米"},
        {"钢芯铝绞线", "LGJ-150", "米"}, {"电线", "BV-2.5", "卷"}};
    table_.SetTableSize(static_cast<int>(rows.size()), 3);
    for (int r = 1; r <= table_.GetRowCount(); ++r) {
      for (int c = 1; c <= 3; ++c) table_.SetCellText(r, c, rows[r - 1][c - 1]);
    }
    grid_.SetDataSource(&table_);
    grid_.SetCursor(3, 2);
  }

  // One use of the item; `input` answers the input box when it comes.
  FindAnswer Use(const char* input = nullptr,
                 Colour colour = kWorkbookHitColour) {
    if (input) dialogs_.inputs.push_back({true, input});
    return RunFind(colour, &state_, &caption_, &table_, &grid_, dialogs_);
  }
  Colour TextColour(int row, int col) const {
    return table_.GetCellFormat(row, col).text_colour;
  }
  int InputBoxes() const {
    int n = 0;
    for (const auto& s : dialogs_.shown) n += s.kind == "input";
    return n;
  }
  std::vector<int> CursorPlace() const {
    return {grid_.GetCursorRow(), grid_.GetCursorColumn()};
  }

  DataSrc table_;
  Grid grid_;
  FakeDialogs dialogs_;
  FindState state_;
  std::string caption_ = kWorkbookCaption;
};

TEST_F(ColumnFindTest, FirstUseAsksForTheTextAndMarksTheFirstRowHolding) {
  EXPECT_EQ(Use("lgj"), FindAnswer::kPopUpEditMenu);
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].kind, "input");
  EXPECT_EQ(dialogs_.shown[0].text, kFindPrompt);
  EXPECT_EQ(dialogs_.shown[0].caption, kFindInputCaption);
  EXPECT_EQ(dialogs_.shown[0].text, "如果想在哪一列中查找,请将光标放到哪一列");
  EXPECT_EQ(dialogs_.shown[0].caption, "请输入您想要查找的内容");
  EXPECT_EQ(caption_, "&Y.下一个");
  EXPECT_EQ(state_.text, "lgj");
  EXPECT_EQ(state_.hits, (std::vector<int>{2}));
  for (int c = 1; c <= 3; ++c) {
    EXPECT_EQ(TextColour(2, c), 0x800080u) << c;
    EXPECT_EQ(TextColour(3, c), kBlack) << c;
  }
  EXPECT_EQ(table_.GetCurrentRow(), 2);
  EXPECT_EQ(CursorPlace(), (std::vector<int>{2, 2}));
  EXPECT_EQ(grid_.data_source(), &table_);
}

TEST_F(ColumnFindTest, CycleRunsToTheEndThenStepsBackToTheFirstHit) {
  Use("LGJ");
  EXPECT_EQ(Use(), FindAnswer::kPopUpEditMenu);
  EXPECT_EQ(state_.hits, (std::vector<int>{2, 4}));
  EXPECT_EQ(caption_, "&Y.下一个");
  Use();
  EXPECT_EQ(state_.hits, (std::vector<int>{2, 4, 5}));
  EXPECT_TRUE(dialogs_.Messages().empty());

  // Nothing more below row 5: the scan ends on the last row.
  EXPECT_EQ(Use(), FindAnswer::kPopUpEditMenu);
  ASSERT_EQ(dialogs_.Messages(),
            (std::vector<std::string>{"对不起，没有啦！"}));
  EXPECT_EQ(dialogs_.shown.back().caption, "报告！");
  EXPECT_EQ(caption_, "&Y.上一个");
  EXPECT_EQ(state_.text, "");
  EXPECT_EQ(state_.hits, (std::vector<int>{2, 4, 5}));
  EXPECT_EQ(TextColour(6, 1), kBlack);
  EXPECT_EQ(CursorPlace(), (std::vector<int>{6, 2}));

  // Back from the last hit to the first.
  for (const int row : {5, 4}) {
    EXPECT_EQ(Use(), FindAnswer::kPopUpEditMenu);
    EXPECT_EQ(CursorPlace(), (std::vector<int>{row, 2}));
    EXPECT_EQ(table_.GetCurrentRow(), row);
    EXPECT_EQ(caption_, "&Y.上一个");
  }
  EXPECT_EQ(Use(), FindAnswer::kPopUpEditMenu);
  EXPECT_EQ(CursorPlace(), (std::vector<int>{2, 2}));
  EXPECT_EQ(state_.back_steps, 3);
  EXPECT_EQ(caption_, "&Y.查找");
  EXPECT_EQ(InputBoxes(), 1);
  EXPECT_EQ(dialogs_.Messages().size(), 1u);

  // "查找" again: a new text, the hits start anew.
  Use("vv22");
  EXPECT_EQ(InputBoxes(), 2);
  EXPECT_EQ(state_.hits, (std::vector<int>{3}));
  EXPECT_EQ(state_.back_steps, 0);
  EXPECT_EQ(caption_, "&Y.下一个");
}

TEST_F(ColumnFindTest, HitInTheLastRowIsColouredAndRecordedThenTheEnd) {
  Use("bv-");
  EXPECT_EQ(state_.hits, (std::vector<int>{6}));
  for (int c = 1; c <= 3; ++c) EXPECT_EQ(TextColour(6, c), 0x800080u) << c;
  EXPECT_EQ(dialogs_.Messages(),
            (std::vector<std::string>{"对不起，没有啦！"}));
  EXPECT_EQ(caption_, "&Y.上一个");
  EXPECT_EQ(CursorPlace(), (std::vector<int>{6, 2}));

  Use();  // back to the one hit, and the cycle starts over
  EXPECT_EQ(CursorPlace(), (std::vector<int>{6, 2}));
  EXPECT_EQ(caption_, "&Y.查找");
}

TEST_F(ColumnFindTest, NoMatchSaysNothingWasFoundAndColoursNothing) {
  EXPECT_EQ(Use("YJV"), FindAnswer::kPopUpEditMenu);
  EXPECT_EQ(dialogs_.Messages(),
            (std::vector<std::string>{"对不起，没有找到！"}));
  EXPECT_EQ(dialogs_.shown.back().caption, "报告！");
  EXPECT_TRUE(state_.hits.empty());
  EXPECT_EQ(state_.text, "");
  EXPECT_EQ(caption_, "&Y.查找");  // no "下一个" ever came in
  EXPECT_EQ(CursorPlace(), (std::vector<int>{6, 2}));
  for (int r = 1; r <= 6; ++r) EXPECT_EQ(TextColour(r, 1), kBlack) << r;
}

TEST_F(ColumnFindTest, SearchesOnlyTheCursorColumn) {
  Use("电缆");  // in column 1 only
  EXPECT_TRUE(state_.hits.empty());
  EXPECT_EQ(dialogs_.Messages(),
            (std::vector<std::string>{"对不起，没有找到！"}));

  caption_ = kWorkbookCaption;
  grid_.SetCursor(2, 1);
  Use("电缆");
  EXPECT_EQ(state_.hits, (std::vector<int>{3}));
}

TEST_F(ColumnFindTest, NextStartsBelowTheCursorRow) {
  Use("lgj");
  grid_.SetCursor(4, 2);  // the user clicked on a hit further down
  Use();
  EXPECT_EQ(state_.hits, (std::vector<int>{2, 5}));
}

TEST_F(ColumnFindTest, FindsFullWidthLettersOfEitherCase) {
  table_.SetCellText(4, 2, "ＹＪＶ２２");
  Use("ｙｊｖ");
  EXPECT_EQ(state_.hits, (std::vector<int>{4}));
}

TEST_F(ColumnFindTest, NeverMatchesAcrossTwoCharacters) {
  table_.SetCellText(3, 2, "钢芯");  // its GBK bytes hold those of 中
  table_.SetCellText(5, 2, "中");
  Use("中");
  EXPECT_EQ(state_.hits, (std::vector<int>{5}));
}

TEST_F(ColumnFindTest, CancelledInputChangesNothing) {
  Use("lgj");
  caption_ = kWorkbookCaption;  // a press in the grid reset it
  dialogs_.inputs.push_back({false, ""});
  EXPECT_EQ(Use(), FindAnswer::kDone);
  EXPECT_EQ(state_.text, "lgj");
  EXPECT_EQ(state_.hits, (std::vector<int>{2}));
  EXPECT_EQ(caption_, kWorkbookCaption);
  EXPECT_TRUE(dialogs_.Messages().empty());
}

TEST_F(ColumnFindTest, EmptyTextConfirmedStopsWithoutAMenu) {
  Use("lgj");
  caption_ = kWorkbookCaption;
  EXPECT_EQ(Use(""), FindAnswer::kDone);
  EXPECT_TRUE(state_.hits.empty());
  EXPECT_TRUE(dialogs_.Messages().empty());
  EXPECT_EQ(caption_, kWorkbookCaption);
}

TEST_F(ColumnFindTest, MousePressResetsTheCaptionButKeepsTheSearch) {
  Use("lgj");
  ResetFindCaption(&caption_);
  EXPECT_EQ(caption_, "&Y.查找");
  EXPECT_EQ(state_.text, "lgj");
  EXPECT_EQ(state_.hits, (std::vector<int>{2}));

  // The next use asks for a text again.
  dialogs_.inputs.push_back({false, ""});
  Use();
  EXPECT_EQ(InputBoxes(), 2);

  Use("bv");  // found in the last row: the search is at its end
  ASSERT_EQ(caption_, "&Y.上一个");
  ResetFindCaption(&caption_);
  EXPECT_EQ(caption_, "&Y.查找");
  EXPECT_EQ(state_.hits, (std::vector<int>{6}));

  std::string untouched = "&Y.查找";
  ResetFindCaption(&untouched);
  EXPECT_EQ(untouched, "&Y.查找");
}

TEST_F(ColumnFindTest, MainWindowItemTakesItsOwnCaptionAndYellow) {
  caption_ = "项目查找";
  Use("150", kStockListHitColour);
  EXPECT_EQ(caption_, "项目下一个");
  for (int c = 1; c <= 3; ++c) EXPECT_EQ(TextColour(5, c), 0xFFFFu) << c;
  Use(nullptr, kStockListHitColour);
  EXPECT_EQ(caption_, "项目上一个");
  Use(nullptr, kStockListHitColour);
  EXPECT_EQ(caption_, "项目查找");
}

TEST_F(ColumnFindTest, HitsAreColouredAgainAfterARebuild) {
  Use("lgj");
  Use();
  table_.SetTextColour({1, 1, 6, 3}, kBlack);  // the list built anew
  table_.SetTableSize(3, 3);                   // shorter than before
  ColourFindHits(state_, kStockListHitColour, &table_);
  EXPECT_EQ(TextColour(2, 3), 0xFFFFu);
  EXPECT_EQ(TextColour(3, 1), kBlack);
  EXPECT_EQ(table_.GetRowCount(), 3);
}

TEST_F(ColumnFindTest, EmptyTableEndsAtOnce) {
  table_.SetTableSize(0, 0);
  Use("lgj");
  EXPECT_EQ(dialogs_.Messages(),
            (std::vector<std::string>{"对不起，没有找到！"}));
  EXPECT_TRUE(state_.hits.empty());
}

}  // namespace
}  // namespace matslip
