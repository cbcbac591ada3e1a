// "项目查找" in the main window: the find procedure on the stock list, its
// caption cycle, yellow hits, the 编辑 menu popped up at the screen centre.
#include <gtest/gtest.h>

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <memory>

#include "app/main_window.h"
#include "grid/column_find.h"
#include "grid/grid_widget.h"
#include "material/material_table.h"
#include "store/db.h"
#include "store/table.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

// A stock list of four materials, none low on stock; the cursor in the
// 规格型号 column.
class MainWindowFindTest : public ::testing::Test {
 protected:
  MainWindowFindTest() {
    DbCloseAll();
    SetDurableWrites(false);
    session_.program_dir = dir_.path();
    auto table =
        Table::Create(dir_.File("data.mzk"), Schema(material::Fields()));
    std::vector<Value> v(material::kFieldCount);
    for (const char* model : {"LGJ-95/20", "XP-70", "lgj-120/25", "BV-2.5"}) {
      v[material::kName - 1] = "钢芯铝绞线";
      v[material::kModel - 1] = model;
      v[material::kUnit - 1] = "米";
      v[material::kQuantity - 1] = 100.0;
      table->Append(v);
    }
    window_ = std::make_unique<MainWindow>(&session_, &dialogs_);
    // A cursor put there by the user picks the row for the slip: the test
    // starts without that pick.
    window_->grid().SetCursor(2, 2);
    session_.stock_out = {};
    window_->Refresh();
  }
  ~MainWindowFindTest() override {
    window_.reset();
    DbCloseAll();
  }

  QAction* find() const { return window_->find_action(); }
  // Chooses the item, as from the menu; `input` answers the input box.
  void Use(const char* input = nullptr) {
    window_->edit_menu()->hide();
    if (input) dialogs_.inputs.push_back({true, input});
    find()->trigger();
  }
  Colour TextColour(int row, int col) const {
    return window_->stock_list().GetCellFormat(row, col).text_colour;
  }
  bool RowIsYellow(int row) const {
    for (int c = 1; c <= 7; ++c) {
      if (TextColour(row, c) != kStockListHitColour) return false;
    }
    return true;
  }

  testing::TempDir dir_;
  Session session_;
  testing::FakeDialogs dialogs_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowFindTest, CycleColoursHitsYellowAndStepsBack) {
  ASSERT_EQ(window_->grid().GetCursorColumn(), 2);
  ASSERT_EQ(find()->text(), "项目查找");
  ASSERT_TRUE(find()->isEnabled());
  Use("LGJ");
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].caption, "请输入您想要查找的内容");
  EXPECT_EQ(find()->text(), "项目下一个");
  EXPECT_TRUE(RowIsYellow(2));
  EXPECT_FALSE(RowIsYellow(3));
  EXPECT_EQ(window_->grid().GetCursorRow(), 2);

  Use();
  EXPECT_TRUE(RowIsYellow(4));
  EXPECT_EQ(window_->grid().GetCursorRow(), 4);
  EXPECT_EQ(session_.stock_list_find.hits, (std::vector<int>{2, 4}));

  Use();  // nothing in row 5, the last
  EXPECT_EQ(dialogs_.Messages(),
            (std::vector<std::string>{"对不起，没有啦！"}));
  EXPECT_EQ(dialogs_.shown.back().caption, "报告！");
  EXPECT_EQ(find()->text(), "项目上一个");
  EXPECT_FALSE(RowIsYellow(5));

  Use();
  EXPECT_EQ(window_->grid().GetCursorRow(), 4);
  Use();
  EXPECT_EQ(window_->grid().GetCursorRow(), 2);
  EXPECT_EQ(find()->text(), "项目查找");
}

TEST_F(MainWindowFindTest, EditMenuComesUpAtTheScreenCentre) {
  Use("XP");
  ASSERT_TRUE(window_->edit_menu()->isVisible());
  const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
  const QRect menu = window_->edit_menu()->geometry();
  // The top left corner at the centre, unless the menu had to be moved
  // to fit on the screen.
  EXPECT_EQ(menu.left(),
            std::min(screen.width() / 2, screen.width() - menu.width()));
  EXPECT_EQ(menu.top(),
            std::min(screen.height() / 2, screen.height() - menu.height()));
}

TEST_F(MainWindowFindTest, LeftPressInTheListKeepsTheCaption) {
  Use("lgj");
  window_->grid().PressLeft({});
  window_->grid().ReleaseLeft({});
  EXPECT_EQ(find()->text(), "项目下一个");
}

TEST_F(MainWindowFindTest, HitsStayYellowThroughARebuildAndPickNothing) {
  Use("lgj");
  Use();
  window_->Refresh();  // what every activation of the window does
  EXPECT_TRUE(RowIsYellow(2));
  EXPECT_TRUE(RowIsYellow(4));
  EXPECT_FALSE(RowIsYellow(3));
  EXPECT_TRUE(session_.stock_out.selection.empty());
  EXPECT_TRUE(session_.stock_out.marked_rows.empty());
}

TEST_F(MainWindowFindTest, NoMatchSaysSoAndKeepsTheCaption) {
  Use("YJV");
  EXPECT_EQ(dialogs_.Messages(),
            (std::vector<std::string>{"对不起，没有找到！"}));
  EXPECT_EQ(find()->text(), "项目查找");
  for (int r = 2; r <= 5; ++r) EXPECT_FALSE(RowIsYellow(r)) << r;
}

// The hit is scrolled into view, however far down the list it lies.
TEST_F(MainWindowFindTest, TheFoundRowIsScrolledIntoView) {
  {
    auto table = Table::Open(dir_.File("data.mzk"), OpenOptions{});
    ASSERT_TRUE(table);
    std::vector<Value> v(material::kFieldCount);
    for (int i = 0; i < 37; ++i) {  // rows 6 to 42
      v[material::kName - 1] = "金具";
      v[material::kModel - 1] =
          i == 35 ? "YJV-3x240" : "NLD-" + std::to_string(i);
      ASSERT_TRUE(table->Append(v));
    }
  }
  window_->show();
  window_->Refresh();
  GridWidget* view = window_->grid_widget();
  ASSERT_TRUE(view->CellRect(41, 2).isEmpty());  // row 41 of 42: off screen
  Use("YJV");
  ASSERT_EQ(window_->grid().GetCursorRow(), 41);
  const QRect hit = view->CellRect(41, 2);
  EXPECT_FALSE(hit.isEmpty());
  EXPECT_TRUE(view->viewport()->rect().contains(hit));
}

}  // namespace
}  // namespace matslip
