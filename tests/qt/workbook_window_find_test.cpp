// "&Y.查找" in the workbook window: the find cycle on the loaded result
// through the item, purple hits, the 编辑 menu popped up, and the caption
// put back by a left press in the grid.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "app/session.h"
#include "app/workbook_window.h"
#include "grid/column_find.h"
#include "store/db.h"
#include "store/durability.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"
#include "workbook/result_file.h"

namespace matslip {
namespace {

// The result of three materials: the header row, rows 2 to 4, the total row
// 5. The cursor in the 规格型号 column.
class WorkbookWindowFindTest : public ::testing::Test {
 protected:
  WorkbookWindowFindTest() {
    DbCloseAll();
    SetDurableWrites(false);
    session_.program_dir = dir_.path();
    main_window_.resize(1000, 700);
    EXPECT_TRUE(testing::WriteResultFile(
        dir_.path(), {{"钢芯铝绞线", "LGJ-95/20", "米", 12.5, 10, 125},
                      {"绝缘子", "XP-70", "片", 30, 2, 60},
                      {"钢芯铝绞线", "lgj-150/25", "米", 5, 4, 20}}));
  }
  ~WorkbookWindowFindTest() override { DbCloseAll(); }

  void Use(WorkbookWindow& window, const char* input = nullptr) {
    window.edit_menu()->hide();
    if (input) dialogs_.inputs.push_back({true, input});
    window.find_action()->trigger();
  }
  static bool RowIsPurple(WorkbookWindow& window, int row) {
    for (int c = 1; c <= window.table().GetColumnCount(); ++c) {
      if (window.table().GetCellFormat(row, c).text_colour !=
          kWorkbookHitColour)
        return false;
    }
    return true;
  }

  testing::TempDir dir_;
  Session session_;
  testing::FakeDialogs dialogs_;
  QWidget main_window_;
};

TEST_F(WorkbookWindowFindTest, CycleThroughTheItemMarksHitsPurple) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  ASSERT_EQ(window.table().GetRowCount(), 5);
  window.grid().SetCursor(2, 2);
  ASSERT_EQ(window.find_action()->text(), "&Y.查找");

  Use(window, "lgj");
  EXPECT_EQ(window.find_action()->text(), "&Y.下一个");
  EXPECT_TRUE(RowIsPurple(window, 2));
  EXPECT_FALSE(RowIsPurple(window, 3));
  EXPECT_TRUE(window.edit_menu()->isVisible());

  Use(window);
  EXPECT_TRUE(RowIsPurple(window, 4));
  EXPECT_EQ(window.grid().GetCursorRow(), 4);
  Use(window);  // the total row is the last: the end
  EXPECT_EQ(dialogs_.Messages(),
            (std::vector<std::string>{"对不起，没有啦！"}));
  EXPECT_EQ(window.find_action()->text(), "&Y.上一个");
  EXPECT_EQ(window.grid().GetCursorRow(), 5);

  Use(window);
  EXPECT_EQ(window.grid().GetCursorRow(), 4);
  Use(window);
  EXPECT_EQ(window.grid().GetCursorRow(), 2);
  EXPECT_EQ(window.find_action()->text(), "&Y.查找");
  EXPECT_EQ(session_.workbook.find.hits, (std::vector<int>{2, 4}));
}

TEST_F(WorkbookWindowFindTest, LeftPressInTheGridPutsBackTheCaption) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  window.grid().SetCursor(2, 2);
  Use(window, "XP");
  ASSERT_EQ(window.find_action()->text(), "&Y.下一个");
  window.grid().PressLeft({});
  EXPECT_EQ(window.find_action()->text(), "&Y.查找");
  EXPECT_EQ(session_.workbook.find.text, "XP");
  EXPECT_EQ(session_.workbook.find.hits, (std::vector<int>{3}));

  Use(window, "NOTHERE");
  EXPECT_EQ(window.find_action()->text(), "&Y.查找");
  Use(window, "150");  // in row 4; row 5 then ends the search
  Use(window);
  ASSERT_EQ(window.find_action()->text(), "&Y.上一个");
  window.grid().PressLeft({});
  EXPECT_EQ(window.find_action()->text(), "&Y.查找");
}

TEST_F(WorkbookWindowFindTest, SearchOutlivesTheWindow) {
  {
    WorkbookWindow window(&session_, &dialogs_, &main_window_);
    window.grid().SetCursor(2, 2);
    Use(window, "LGJ");
  }
  WorkbookWindow again(&session_, &dialogs_, &main_window_);
  EXPECT_EQ(again.find_action()->text(), "&Y.查找");
  EXPECT_EQ(session_.workbook.find.text, "LGJ");
  EXPECT_EQ(session_.workbook.find.hits, (std::vector<int>{2}));
}

}  // namespace
}  // namespace matslip
