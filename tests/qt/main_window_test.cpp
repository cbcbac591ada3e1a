// The main window on the offscreen platform: menus, title, list, selection,
// clean-up.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>

#include "base/clock.h"
#include "base/files.h"
#include "grid/grid_widget.h"
#include "material/material_table.h"
#include "material/stock_in.h"
#include "stock/stock_out.h"
#include "stock/stock_out_pick.h"
#include "store/db.h"
#include "store/table.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    DbCloseAll();
    SetDurableWrites(false);
    session_.program_dir = dir_.path();
    auto table =
        Table::Create(dir_.File("data.mzk"), Schema(material::Fields()));
    std::vector<Value> v(material::kFieldCount);
    v[0] = "钢芯铝绞线";
    v[1] = "LGJ-95/20";
    v[2] = "米";
    v[3] = 0.0;
    v[14] = 10.0;
    table->Append(v);
    v[0] = "悬式绝缘子";
    v[1] = "XP-70";
    v[3] = 500.0;
    table->Append(v);
  }
  ~MainWindowTest() override { DbCloseAll(); }

  testing::TempDir dir_;
  Session session_;
  testing::FakeDialogs dialogs_;
};

TEST_F(MainWindowTest, MenusInOrderWithTheirExactCaptions) {
  MainWindow window(&session_, &dialogs_);
  QStringList got;
  for (QAction* menu : window.menuBar()->actions()) {
    got << "[" + menu->text() + "]";
    for (QAction* item : menu->menu()->actions())
      got << (item->isSeparator() ? "-" : item->text());
  }
  QStringList want = {
      "[数据]",     "备份数据库", "导入  备份 ", "-",
      "从电子表读", "加入数据库", "-",           "清空数据库",
      "[编辑]",     "刷新显示",   "-",           "项目编辑(材料进库)",
      "-",          "取消进库",   "取消出库",    "-",
      "进出库簿",   "项目查找",   "-",           "开票预览(材料出库)",
      "[统计]",     "本日出库",   "本月出库",    "本年出库",
      "-",          "本日进库",   "本月进库",    "本年进库",
      "[参数]",     "参数配置"};
  EXPECT_EQ(got, want);
  QAction* hidden = window.menuBar()->actions()[0]->menu()->actions()[4];
  EXPECT_FALSE(hidden->isVisible());
  EXPECT_FALSE(hidden->isEnabled());
  // Every other item does what it says.
  for (QAction* menu : window.menuBar()->actions()) {
    for (QAction* item : menu->menu()->actions()) {
      if (item != hidden && !item->isSeparator()) {
        EXPECT_TRUE(item->isEnabled()) << item->text().toStdString();
      }
    }
  }
}

TEST_F(MainWindowTest, CancelStockInWithNothingSelectedOnlySaysSo) {
  MainWindow window(&session_, &dialogs_);
  session_.stock_out.selection.push_back({.key = {"钢芯铝绞线", "LGJ-95/20"}});
  window.edit_menu()->actions()[4]->trigger();  // 取消进库
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{"请先选中要取消进库的项目"});
  // No refresh: the picks a refresh drops are still there.
  EXPECT_EQ(session_.stock_out.selection.size(), 1u);
}

TEST_F(MainWindowTest, CancelStockInPutsTheRecordBackAndRebuildsTheList) {
  MainWindow window(&session_, &dialogs_);
  ASSERT_EQ(window.stock_list().GetCellText(3, 4), "500");
  StockInForm form;
  form.name = "悬式绝缘子";
  form.model = "XP-70";
  form.quantity = "10";
  ASSERT_TRUE(DbSelect("data"));
  ASSERT_TRUE(BookStockIn(dir_.File("进库备份"), form, Now()).booked);
  window.Refresh();
  ASSERT_EQ(window.stock_list().GetCellText(3, 4), "510");

  session_.selected = {"悬式绝缘子", "XP-70"};
  dialogs_.answers = {true};
  window.edit_menu()->actions()[4]->trigger();  // 取消进库
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].kind, "ask");
  EXPECT_EQ(window.stock_list().GetCellText(3, 4), "500");
}

TEST_F(MainWindowTest, CancelStockOutPutsTheRecordBackAndRebuildsTheList) {
  MainWindow window(&session_, &dialogs_);
  ASSERT_EQ(window.stock_list().GetCellText(3, 4), "500");
  const Slip slip{{{{"悬式绝缘子", "XP-70"}, "10", "22"}}, "", ""};
  ASSERT_EQ(BookStockOut(dir_.path(), slip, Now()), 1);
  window.Refresh();
  ASSERT_EQ(window.stock_list().GetCellText(3, 4), "490");

  session_.selected = {"悬式绝缘子", "XP-70"};
  dialogs_.answers = {true};
  window.edit_menu()->actions()[5]->trigger();  // 取消出库
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_NE(dialogs_.shown[0].text.find("本次出库以前状态"), std::string::npos);
  EXPECT_EQ(window.stock_list().GetCellText(3, 4), "500");
  session_.selected = {};
  window.edit_menu()->actions()[5]->trigger();
  EXPECT_EQ(dialogs_.Messages().back(), "请先选中要取消出库的项目");
}

TEST_F(MainWindowTest, EveryControlCarriesAnAccessibleName) {
  MainWindow window(&session_, &dialogs_);
  window.show();
  QApplication::processEvents();
  QStringList unnamed;
  for (QWidget* w : window.findChildren<QWidget*>()) {
    const bool control = qobject_cast<QAbstractButton*>(w) ||
                         qobject_cast<QAbstractScrollArea*>(w) ||
                         qobject_cast<QMenuBar*>(w);
    if (w->isVisible() && control && w->accessibleName().isEmpty())
      unnamed << w->metaObject()->className();
  }
  for (QAction* menu : window.menuBar()->actions())
    if (menu->menu()->accessibleName() != menu->text()) unnamed << menu->text();
  EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(", ").toStdString();
}

TEST_F(MainWindowTest, SpreadsheetImportShowsTheRowsReadAndAddsThem) {
  MainWindow window(&session_, &dialogs_);
  const std::string sheet = dir_.File("list.csv");
  ASSERT_TRUE(testing::WriteTestFile(
      sheet, "标题\n序号,品名\n1,横担,∠63×6×1500,根,140,112,15680,20\n"));
  dialogs_.files.push_back({true, sheet});
  QAction* import = window.menuBar()->actions()[0]->menu()->actions()[3];
  ASSERT_TRUE(import->isEnabled());
  import->trigger();  // 从电子表读
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{"添加完毕，共添加材料1项。"});
  EXPECT_EQ(window.windowTitle(),
            QString("澜栖供电有限责任公司材料出库单打印系统"));
  EXPECT_EQ(window.grid().background(), 0x408080u);
  EXPECT_EQ(window.grid().data_source(), &window.stock_list());
  // Rows 3..8: the material and the five empty names up to the sixth.
  EXPECT_EQ(window.stock_list().GetRowCount(), 1 + 7);
  EXPECT_EQ(window.stock_list().GetCellText(2, 1), "横担");
  window.Refresh();
  EXPECT_EQ(window.stock_list().GetRowCount(), 4);
  EXPECT_EQ(window.stock_list().GetCellText(4, 1), "横担");

  // A file that cannot be read: the list of the table at once.
  dialogs_.files.push_back({true, dir_.File("missing.xls")});
  import->trigger();
  EXPECT_EQ(dialogs_.Messages().size(), 2u);
  EXPECT_EQ(window.stock_list().GetRowCount(), 4);
  EXPECT_EQ(window.grid().background(), 0xAE7400u);
}

TEST_F(MainWindowTest, TitleAndListAfterTheBuild) {
  MainWindow window(&session_, &dialogs_);
  EXPECT_EQ(window.windowTitle(),
            QString("澜栖供电有限责任公司材料出库单打印系统---"
                    "表中红色文本项目表示库存数量低于报警数量.共1项"));
  EXPECT_EQ(window.stock_list().GetRowCount(), 3);
  EXPECT_EQ(window.grid().background(), 0xAE7400u);
  EXPECT_TRUE(FileExists(dir_.File("data2.mzk")));
}

TEST_F(MainWindowTest, StockOutPreviewWithNothingPickedOnlySaysSo) {
  MainWindow window(&session_, &dialogs_);
  QAction* preview = window.edit_menu()->actions().last();
  ASSERT_EQ(preview->text(), QString("开票预览(材料出库)"));
  EXPECT_TRUE(preview->isEnabled());
  preview->trigger();
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].text, "请先选中材料项目");
  EXPECT_EQ(dialogs_.shown[0].caption, "^-^");
}

TEST_F(MainWindowTest, RebuildKeepsTheCursorAndTheScrollPosition) {
  {
    auto table = Table::Open(dir_.File("data.mzk"), OpenOptions{});
    ASSERT_TRUE(table);
    std::vector<Value> v(material::kFieldCount);
    for (int i = 0; i < 300; ++i) {
      v[0] = "材料" + std::to_string(i);
      v[3] = 1000.0;
      table->Append(v);
    }
  }
  MainWindow window(&session_, &dialogs_);
  window.resize(800, 600);
  window.show();
  QApplication::processEvents();
  ASSERT_EQ(window.stock_list().GetRowCount(), 303);
  window.grid().SetCursor(250, 3);
  window.grid_widget()->ScrollToCell(250, 3);
  const int scrolled = window.grid_widget()->verticalScrollBar()->value();
  ASSERT_GT(scrolled, 100);

  window.Refresh();
  EXPECT_EQ(window.grid().GetCursorRow(), 250);
  EXPECT_EQ(window.grid().GetCursorColumn(), 3);
  EXPECT_EQ(window.grid_widget()->verticalScrollBar()->value(), scrolled);
}

TEST_F(MainWindowTest, RebuildOfAShorterListClampsTheCursorAndTheScroll) {
  {
    auto table = Table::Open(dir_.File("data.mzk"), OpenOptions{});
    ASSERT_TRUE(table);
    std::vector<Value> v(material::kFieldCount);
    for (int i = 0; i < 300; ++i) {
      v[0] = "材料" + std::to_string(i);
      table->Append(v);
    }
  }
  MainWindow window(&session_, &dialogs_);
  window.resize(800, 600);
  window.show();
  QApplication::processEvents();
  window.grid().SetCursor(300, 2);
  window.grid_widget()->ScrollToCell(300, 2);
  ASSERT_GT(window.grid_widget()->verticalScrollBar()->value(), 100);

  // The table the list was built from keeps three materials.
  ASSERT_TRUE(DbSelect("data"));
  ASSERT_TRUE(DbEmpty());
  std::vector<Value> row(material::kFieldCount);
  row[0] = "材料";
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(DbAppend(row));
  window.Refresh();
  ASSERT_EQ(window.stock_list().GetRowCount(), 4);
  EXPECT_EQ(window.grid().GetCursorRow(), 4);
  EXPECT_EQ(window.grid().GetCursorColumn(), 2);
  EXPECT_EQ(window.grid_widget()->verticalScrollBar()->value(), 0);
}

TEST_F(MainWindowTest, ClickOnARowSelectsItsMaterial) {
  MainWindow window(&session_, &dialogs_);
  window.show();
  QApplication::processEvents();
  GridWidget* w = window.grid_widget();
  QRect cell = w->CellRect(3, 1);
  ASSERT_FALSE(cell.isEmpty());
  QPoint at = cell.center();
  QMouseEvent press(QEvent::MouseButtonPress, at,
                    w->viewport()->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w->viewport(), &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at,
                      w->viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w->viewport(), &release);
  EXPECT_EQ(session_.selected.name, "悬式绝缘子");
  EXPECT_EQ(session_.selected.model, "XP-70");
}

TEST_F(MainWindowTest, RefreshDropsPicksAndClosingRemovesDerivedFiles) {
  {
    MainWindow window(&session_, &dialogs_);
    session_.stock_out.selection.push_back(
        {.key = {"钢芯铝绞线", "LGJ-95/20"}});
    session_.stock_out.picked_rows = {2};
    window.edit_menu()->actions()[0]->trigger();  // 刷新显示
    EXPECT_TRUE(session_.stock_out.selection.empty());
    EXPECT_TRUE(session_.stock_out.picked_rows.empty());
    ASSERT_TRUE(testing::WriteTestFile(dir_.File("qd4.mzk"), "x"));
  }
  EXPECT_FALSE(FileExists(dir_.File("data2.mzk")));
  EXPECT_FALSE(FileExists(dir_.File("qd4.mzk")));
  EXPECT_TRUE(FileExists(dir_.File("data.mzk")));
}

// Presses the left button over the cell, drags to the other and releases
// there, as the user does.
void DragOver(GridWidget* w, int from_row, int to_row, int col = 1) {
  const QPoint from = w->CellRect(from_row, col).center();
  const QPoint to = w->CellRect(to_row, col).center();
  QMouseEvent press(QEvent::MouseButtonPress, from,
                    w->viewport()->mapToGlobal(from), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w->viewport(), &press);
  QMouseEvent move(QEvent::MouseMove, to, w->viewport()->mapToGlobal(to),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w->viewport(), &move);
  QMouseEvent release(QEvent::MouseButtonRelease, to,
                      w->viewport()->mapToGlobal(to), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w->viewport(), &release);
}

TEST_F(MainWindowTest, DraggedRowsArePickedYellowAndStayMarkedAfterARebuild) {
  MainWindow window(&session_, &dialogs_);
  window.show();
  QApplication::processEvents();
  DragOver(window.grid_widget(), 2, 3);
  ASSERT_EQ(session_.stock_out.selection.size(), 2u);
  EXPECT_EQ(session_.stock_out.selection[0].key.name, "钢芯铝绞线");
  EXPECT_EQ(session_.stock_out.selection[1].key.name, "悬式绝缘子");
  EXPECT_EQ(window.stock_list().GetCellFormat(3, 7).text_colour, 0xFFFFu);

  window.Refresh();
  EXPECT_TRUE(session_.stock_out.selection.empty());
  for (int r : {2, 3}) {
    EXPECT_EQ(window.stock_list().GetCellFormat(r, 1).text_colour, 0xFFFFu);
    EXPECT_EQ(window.stock_list().GetCellFormat(r, 2).text_colour, 0xFFFFu);
  }
}

TEST_F(MainWindowTest, TheCursorPutBackAfterARebuildPicksNothing) {
  MainWindow window(&session_, &dialogs_);
  window.show();
  QApplication::processEvents();
  window.grid().SetCursor(3, 2);  // picks the row
  ASSERT_EQ(session_.stock_out.selection.size(), 1u);
  window.Refresh();
  EXPECT_EQ(window.grid().GetCursorRow(), 3);
  EXPECT_TRUE(session_.stock_out.selection.empty());
  EXPECT_TRUE(session_.stock_out.picked_rows.empty());
  EXPECT_TRUE(dialogs_.shown.empty());
}

// After a rebuild the cursor is back on the cell last clicked; clicking
// that cell again is still a pick.
TEST_F(MainWindowTest, AClickOnTheCellUnderTheCursorPicksItsRow) {
  MainWindow window(&session_, &dialogs_);
  window.show();
  QApplication::processEvents();
  DragOver(window.grid_widget(), 3, 3);
  ASSERT_EQ(session_.stock_out.selection.size(), 1u);
  window.Refresh();
  ASSERT_EQ(window.grid().GetCursorRow(), 3);
  ASSERT_TRUE(session_.stock_out.selection.empty());
  DragOver(window.grid_widget(), 3, 3);
  ASSERT_EQ(session_.stock_out.selection.size(), 1u);
  EXPECT_EQ(session_.stock_out.selection[0].key.name, "悬式绝缘子");
}

// The nine-line message takes the activation while it is open; giving it
// back keeps the picks it announced. Other activations rebuild as ever.
TEST_F(MainWindowTest, PicksOutliveTheActivationAfterTheTooManyMessage) {
  {
    auto table = Table::Open(dir_.File("data.mzk"), OpenOptions{});
    ASSERT_TRUE(table);
    std::vector<Value> v(material::kFieldCount);
    for (int i = 0; i < 9; ++i) {
      v[0] = "金具" + std::to_string(i);
      v[3] = 100.0;
      ASSERT_TRUE(table->Append(v));
    }
  }
  MainWindow window(&session_, &dialogs_);
  window.show();
  QApplication::setActiveWindow(&window);
  window.Refresh();
  QWidget box;
  dialogs_.on_shown = [&](const testing::FakeDialogs::Shown&) {
    box.show();
    QApplication::setActiveWindow(&box);
  };
  DragOver(window.grid_widget(), 2, 11);
  QApplication::setActiveWindow(&window);  // the box closed
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{kTooManyPickedMessage});
  EXPECT_EQ(session_.stock_out.selection.size(), 9u);
  EXPECT_EQ(window.stock_list().GetCellFormat(10, 1).text_colour, 0xFFFFu);

  QApplication::setActiveWindow(&box);
  QApplication::setActiveWindow(&window);
  EXPECT_TRUE(session_.stock_out.selection.empty());
}

// F10 or a lone Alt opens the first menu; Alt with another key does not;
// Shift+F10 and the menu key bring up the 编辑 menu at the cursor cell.
TEST_F(MainWindowTest, TheKeyboardReachesTheMenus) {
  MainWindow window(&session_, &dialogs_);
  window.show();
  QApplication::setActiveWindow(&window);
  QWidget* list = window.grid_widget();
  QMenu* data_menu = window.menuBar()->actions()[0]->menu();
  auto key = [&](QEvent::Type type, int code, Qt::KeyboardModifiers mods) {
    QKeyEvent event(type, code, mods);
    QApplication::sendEvent(list, &event);
  };
  auto alt = [&](QEvent::Type type) {
    key(type, Qt::Key_Alt,
        type == QEvent::KeyPress ? Qt::AltModifier : Qt::NoModifier);
  };

  key(QEvent::KeyPress, Qt::Key_F10, Qt::NoModifier);
  EXPECT_TRUE(data_menu->isVisible());
  data_menu->hide();

  alt(QEvent::KeyPress);
  key(QEvent::KeyPress, Qt::Key_X, Qt::AltModifier);
  alt(QEvent::KeyRelease);
  EXPECT_FALSE(data_menu->isVisible());
  alt(QEvent::KeyPress);
  alt(QEvent::KeyRelease);
  EXPECT_TRUE(data_menu->isVisible());
  data_menu->hide();

  window.grid().SetCursor(3, 2);
  const QPoint cell = window.grid_widget()->viewport()->mapToGlobal(
      window.grid_widget()->CellRect(3, 2).center());
  for (auto [code, mods] : {std::pair{Qt::Key_F10, Qt::ShiftModifier},
                            std::pair{Qt::Key_Menu, Qt::NoModifier}}) {
    key(QEvent::KeyPress, code, mods);
    EXPECT_TRUE(window.edit_menu()->isVisible());
    EXPECT_EQ(window.edit_menu()->pos(), cell);
    window.edit_menu()->hide();
  }
  EXPECT_EQ(window.menuBar()->actions()[0]->text(), "数据");
}

}  // namespace
}  // namespace matslip
