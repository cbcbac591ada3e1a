// The grid workbook window on the offscreen platform: its menus, the loaded
// result, the sums in the hover tip, the edit commands, the sort that
// reopens the window on qd4.mzk, grid files and closing.
#include "app/workbook_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include "app/session.h"
#include "grid/grid_file.h"
#include "grid/grid_widget.h"
#include "store/db.h"
#include "store/durability.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"
#include "workbook/result_file.h"

namespace matslip {
namespace {

constexpr Colour kRed = 255;

class WorkbookWindowTest : public ::testing::Test {
 protected:
  WorkbookWindowTest() {
    DbCloseAll();
    SetDurableWrites(false);
    session_.program_dir = dir_.path();
    main_window_.resize(1000, 700);
    EXPECT_TRUE(testing::WriteResultFile(
        dir_.path(), {{"钢芯铝绞线", "LGJ-95/20", "米", 12.5, 10, 125},
                      {"绝缘子", "XP-70", "片", 30, 2, 60.125},
                      {"金具", "NLD-2", "套", 5, 4, 20}}));
  }
  ~WorkbookWindowTest() override { DbCloseAll(); }

  // The captions of a menu's items, "" for a separator, submenus by title.
  static QStringList Captions(QMenu* menu) {
    QStringList captions;
    for (QAction* action : menu->actions())
      captions << (action->isSeparator() ? QString() : action->text());
    return captions;
  }
  static QAction* Item(QMenu* menu, const QString& caption) {
    for (QAction* action : menu->actions()) {
      if (action->text() == caption) return action;
      if (action->menu() != nullptr)
        if (QAction* inner = Item(action->menu(), caption)) return inner;
    }
    return nullptr;
  }
  static void Choose(WorkbookWindow& window, const QString& caption) {
    QAction* action = Item(window.file_menu(), caption);
    if (action == nullptr) action = Item(window.edit_menu(), caption);
    ASSERT_NE(action, nullptr) << caption.toStdString();
    action->trigger();
  }
  static std::vector<std::string> Column(DataSrc& table, int col) {
    std::vector<std::string> texts;
    for (int r = 1; r <= table.GetRowCount(); ++r)
      texts.push_back(table.GetCellText(r, col));
    return texts;
  }

  testing::TempDir dir_;
  Session session_;
  testing::FakeDialogs dialogs_;
  QWidget main_window_;
};

TEST_F(WorkbookWindowTest, CaptionMenusAndItemsExactly) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  EXPECT_EQ(window.windowTitle(), QString("表格"));
  QStringList titles;
  for (QAction* action : window.menu_bar()->actions()) titles << action->text();
  EXPECT_EQ(titles, (QStringList{"&F.文件", "&E.编辑"}));
  EXPECT_EQ(Captions(window.file_menu()),
            (QStringList{"&O.打开表格", "&A.另存为表格", "&W.转为电子表格",
                         "&C.生成打印表格", "", "&X.退出"}));
  EXPECT_EQ(Captions(window.edit_menu()),
            (QStringList{"&E.置表头行数", "&B.置表头列数", "", "&S.显示比例",
                         "&D.对齐方式", "&L.向下填充", "", "&F.复制", "&T.粘贴",
                         "&V.清除", "", "&Y.查找", "&Z.排序↑", "&N.排序↓", "",
                         "&H.光标所在列求和"}));
  EXPECT_EQ(Captions(Item(window.edit_menu(), "&S.显示比例")->menu()),
            (QStringList{"&1. 50%", "&2. 100%", "&3. 200%", "&4. 等宽"}));
  EXPECT_EQ(Captions(Item(window.edit_menu(), "&D.对齐方式")->menu()),
            (QStringList{"&1.中左", "&2.中中", "&3.中右"}));
  EXPECT_TRUE(window.export_action()->isEnabled());
  EXPECT_TRUE(window.print_table_action()->isEnabled());
  EXPECT_TRUE(window.find_action()->isEnabled());
  EXPECT_EQ(window.find_action()->text(), QString("&Y.查找"));
}

TEST_F(WorkbookWindowTest, EveryControlHasAnAccessibleName) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  for (QWidget* widget : window.findChildren<QWidget*>()) {
    if (widget->parent() != &window && qobject_cast<QMenu*>(widget) == nullptr)
      continue;  // the parts of a control
    EXPECT_FALSE(widget->accessibleName().isEmpty())
        << widget->metaObject()->className();
  }
  EXPECT_EQ(window.grid_widget()->accessibleName(), QString("表格内容"));
}

TEST_F(WorkbookWindowTest, PlacedAt20And50WithNinetyPercentOfTheMainWindow) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  EXPECT_EQ(window.pos(), QPoint(20, 50));
  EXPECT_EQ(window.size(), QSize(900, 630));
  window.show();
  window.resize(700, 500);
  QApplication::processEvents();
  const QRect grid = window.grid_widget()->geometry();
  EXPECT_EQ(grid.left(), 0);
  EXPECT_EQ(grid.top(), window.menu_bar()->geometry().bottom() + 1);
  EXPECT_EQ(grid.width(), 700 - 10);
  EXPECT_EQ(grid.bottom() + 1, 500 - 10);
}

TEST_F(WorkbookWindowTest, ShowsTheResultWithHeaderAndTotalRow) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  DataSrc& table = window.table();
  EXPECT_EQ(window.grid().data_source(), &table);
  EXPECT_EQ(Column(table, 1),
            (std::vector<std::string>{"品名", "钢芯铝绞线", "绝缘子", "金具",
                                      "合      计"}));
  EXPECT_EQ(table.GetCellText(5, 6), "205.13");
  EXPECT_EQ(table.GetColumnWidth(7), 320);
  EXPECT_EQ(table.GetHeaderRows(), 1);
}

TEST_F(WorkbookWindowTest, TheSelectionShowsACellsTextOrASumInTheTip) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  Grid& grid = window.grid();
  grid.SetCursor(3, 1);
  EXPECT_EQ(grid.tip(), "绝缘子");
  EXPECT_EQ(session_.workbook.remembered_row, 3);
  grid.SelectRange({2, 5, 3, 1});
  EXPECT_EQ(grid.tip(), "合计 = 16");
  EXPECT_EQ(session_.workbook.remembered_row, 2);
  grid.SelectRange({2, 4, 1, 3});
  EXPECT_EQ(grid.tip(), "合计 = 147.5");
  grid.SelectRange({2, 4, 2, 2});
  EXPECT_EQ(grid.tip(), "合计 = 0");
}

TEST_F(WorkbookWindowTest, TheColumnSumLeavesTheTotalRowOut) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  window.grid().SetCursor(2, 6);
  Choose(window, "&H.光标所在列求和");
  EXPECT_EQ(window.grid().tip(), "本列合计 = 205.125");
}

TEST_F(WorkbookWindowTest, FillDownStopsAboveTheTotalRow) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  DataSrc& table = window.table();
  window.grid().SetCursor(4, 2);
  Choose(window, "&L.向下填充");
  EXPECT_EQ(Column(table, 2), (std::vector<std::string>{"规格型号", "LGJ-95/20",
                                                        "XP-70", "NLD-2", ""}));
  window.grid().SetCursor(3, 2);
  Choose(window, "&L.向下填充");
  EXPECT_EQ(Column(table, 2), (std::vector<std::string>{"规格型号", "LGJ-95/20",
                                                        "XP-70", "XP-70", ""}));
}

TEST_F(WorkbookWindowTest, CtrlCPutsTheCursorCellsTextOnTheClipboard) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  window.show();
  QApplication::clipboard()->setText("前");
  window.grid().SetCursor(4, 2);
  QTest::keyClick(window.grid_widget(), Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QString("前"));
  QTest::keyClick(window.grid_widget(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QString("NLD-2"));
}

TEST_F(WorkbookWindowTest, CopyPasteAndClearWorkOnTheSelection) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  DataSrc& table = window.table();
  window.grid().SelectRange({2, 1, 2, 2});
  Choose(window, "&F.复制");
  window.grid().SetCursor(4, 3);
  Choose(window, "&T.粘贴");
  EXPECT_EQ(table.GetCellText(4, 3), "钢芯铝绞线");
  EXPECT_EQ(table.GetCellText(5, 4), "XP-70");
  window.grid().SelectRange({2, 5, 2, 2});
  Choose(window, "&V.清除");
  EXPECT_EQ(table.GetCellText(2, 5), "");
  EXPECT_EQ(table.GetCellText(3, 6), "");
  EXPECT_EQ(table.GetCellText(4, 6), "20");
}

TEST_F(WorkbookWindowTest, TheRightButtonPopsUpTheEditMenu) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  window.show();
  ASSERT_FALSE(window.edit_menu()->isVisible());
  QTest::mousePress(window.grid_widget()->viewport(), Qt::RightButton, {},
                    QPoint(40, 40));
  EXPECT_TRUE(window.edit_menu()->isVisible());
  window.edit_menu()->hide();
}

TEST_F(WorkbookWindowTest, ALeftPressNotesTheRowAndPutsFindBackInTheCaption) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  window.show();
  QApplication::processEvents();
  window.grid().SetCursor(4, 1);
  session_.workbook.remembered_row = 0;
  window.find_action()->setText("&Y.下一个");
  // A press on the cursor cell: the selection stays, only the press notes.
  const QPoint cell = window.grid_widget()->CellRect(4, 1).center();
  QTest::mousePress(window.grid_widget()->viewport(), Qt::LeftButton, {}, cell);
  EXPECT_EQ(window.find_action()->text(), QString("&Y.查找"));
  EXPECT_EQ(session_.workbook.remembered_row, 4);
  QTest::mouseRelease(window.grid_widget()->viewport(), Qt::LeftButton, {},
                      cell);
  window.find_action()->setText("&Y.上一个");
  QTest::mousePress(window.grid_widget()->viewport(), Qt::LeftButton, {}, cell);
  EXPECT_EQ(window.find_action()->text(), QString("&Y.查找"));
}

TEST_F(WorkbookWindowTest, HeaderCountsFromTheInputBoxesCancelKeepsThem) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  DataSrc& table = window.table();
  dialogs_.inputs.push_back({true, "2"});
  Choose(window, "&E.置表头行数");
  EXPECT_EQ(table.GetHeaderRows(), 2);
  dialogs_.inputs.push_back({true, "1"});
  Choose(window, "&B.置表头列数");
  EXPECT_EQ(table.GetHeaderColumns(), 1);
  Choose(window, "&E.置表头行数");  // cancelled
  EXPECT_EQ(table.GetHeaderRows(), 2);
  ASSERT_EQ(dialogs_.shown.size(), 3u);
  EXPECT_EQ(dialogs_.shown[0].text, "请输入表头行数:");
  EXPECT_EQ(dialogs_.shown[0].caption, "表头行数设置");
  EXPECT_EQ(dialogs_.shown[1].text, "请输入表头列数:");
  EXPECT_EQ(dialogs_.shown[1].caption, "表头列数设置");
}

TEST_F(WorkbookWindowTest, DisplayScalesAndFitToWidth) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  window.show();
  QApplication::processEvents();
  Choose(window, "&1. 50%");
  EXPECT_EQ(window.grid().scale(), 50);
  Choose(window, "&3. 200%");
  EXPECT_EQ(window.grid().scale(), 200);
  Choose(window, "&2. 100%");
  EXPECT_EQ(window.grid().scale(), 100);
  Choose(window, "&4. 等宽");
  // Seven columns of 320 tenths fill the grid's client width.
  const double pixels_per_tenth = window.grid_widget()->logicalDpiY() / 254.0;
  const int client = window.grid_widget()->viewport()->width();
  EXPECT_EQ(
      window.grid().scale(),
      static_cast<int>(100LL * static_cast<int>(client / pixels_per_tenth) /
                       (7 * 320)));
  EXPECT_NE(window.grid().scale(), 100);
}

TEST_F(WorkbookWindowTest, AlignmentsReachTheWholeTable) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  DataSrc& table = window.table();
  for (const auto& [caption, code] : {std::pair{"&1.中左", kAlignMiddleLeft},
                                      {"&2.中中", kAlignMiddleCentre},
                                      {"&3.中右", kAlignMiddleRight}}) {
    Choose(window, caption);
    EXPECT_EQ(table.GetCellFormat(1, 1).alignment, code) << caption;
    EXPECT_EQ(table.GetCellFormat(5, 7).alignment, code) << caption;
  }
}

TEST_F(WorkbookWindowTest, SortAscendingClosesAndTheNextWindowShowsQd4) {
  {
    WorkbookWindow window(&session_, &dialogs_, &main_window_);
    window.show();
    window.grid().SetCursor(2, 6);
    Choose(window, "&Z.排序↑");
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(session_.workbook.sorted);
  }
  WorkbookWindow sorted(&session_, &dialogs_, &main_window_);
  EXPECT_FALSE(session_.workbook.sorted);
  EXPECT_EQ(Column(sorted.table(), 6),
            (std::vector<std::string>{"本月出库金额", "20", "60.125", "125",
                                      "205.13"}));
}

TEST_F(WorkbookWindowTest, SortDescendingOnATextColumn) {
  {
    WorkbookWindow window(&session_, &dialogs_, &main_window_);
    window.grid().SetCursor(3, 2);
    Choose(window, "&N.排序↓");
  }
  WorkbookWindow sorted(&session_, &dialogs_, &main_window_);
  EXPECT_EQ(Column(sorted.table(), 2),
            (std::vector<std::string>{"规格型号", "XP-70", "NLD-2", "LGJ-95/20",
                                      ""}));
}

TEST_F(WorkbookWindowTest, OpenWorkbookOpensTheWindowAgainAfterASort) {
  std::vector<std::vector<std::string>> shown;
  // Each opened window, once modal, is read and then sorted or closed.
  std::function<void()> act = [&] {
    auto* window =
        qobject_cast<WorkbookWindow*>(QApplication::activeModalWidget());
    if (window == nullptr) {
      QTimer::singleShot(0, act);
      return;
    }
    shown.push_back(Column(window->table(), 1));
    if (shown.size() == 1) {
      window->grid().SetCursor(2, 1);
      Choose(*window, "&N.排序↓");
    } else {
      Choose(*window, "&X.退出");
    }
    QTimer::singleShot(0, act);
  };
  QTimer::singleShot(0, act);
  OpenWorkbook(&session_, &dialogs_, &main_window_);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0][1], "钢芯铝绞线");
  // 钢 < 金 < 绝 in GBK order; descending.
  EXPECT_EQ(shown[1], (std::vector<std::string>{"品名", "绝缘子", "金具",
                                                "钢芯铝绞线", "合      计"}));
  EXPECT_FALSE(session_.workbook.sorted);
}

TEST_F(WorkbookWindowTest, ClosingMakesTheMaterialTableCurrentAgain) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  window.show();
  ASSERT_TRUE(DbOpen(dir_.File("qd.mzk"), "other"));
  ASSERT_EQ(DbFieldCount(), 7);
  Choose(window, "&X.退出");
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(DbFieldCount(), 23);
}

TEST_F(WorkbookWindowTest, OpeningMonthReportNamesTheWindowAndDisablesItems) {
  const std::string path = dir_.File("月报.grd");
  {
    WorkbookWindow window(&session_, &dialogs_, &main_window_);
    ASSERT_TRUE(SaveToFile(window.table(), path));
  }
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  // As the export command will have it once attached.
  window.export_action()->setEnabled(true);
  ASSERT_TRUE(window.print_table_action()->isEnabled());
  window.table().SetCellText(2, 1, "改过");
  dialogs_.files.push_back({true, path});
  Choose(window, "&O.打开表格");
  EXPECT_EQ(window.windowTitle(), QString("月报"));
  EXPECT_EQ(window.table().GetCellText(2, 1), "钢芯铝绞线");
  EXPECT_TRUE(window.opened_grid_file());
  EXPECT_EQ(session_.workbook.last_grid_file, path);
  EXPECT_FALSE(window.export_action()->isEnabled());
  EXPECT_FALSE(window.print_table_action()->isEnabled());
}

TEST_F(WorkbookWindowTest, AFailedOpenKeepsTheTableAndTheItems) {
  const std::string path = dir_.File("坏.grd");
  ASSERT_TRUE(testing::WriteTestFile(path, "SDTW\x01\x00"));
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  window.export_action()->setEnabled(true);
  window.table().SetTextColour({3, 1}, kRed);
  dialogs_.files.push_back({true, path});
  Choose(window, "&O.打开表格");
  EXPECT_EQ(window.windowTitle(), QString("坏"));
  EXPECT_EQ(window.table().GetRowCount(), 5);
  EXPECT_EQ(window.table().GetCellText(3, 1), "绝缘子");
  EXPECT_EQ(window.table().GetCellFormat(3, 1).text_colour, kBlack);
  EXPECT_FALSE(window.opened_grid_file());
  EXPECT_TRUE(window.export_action()->isEnabled());
}

TEST_F(WorkbookWindowTest, AFreshResultProposesTheNameTable) {
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  Choose(window, "&A.另存为表格");  // cancelled
  ASSERT_EQ(dialogs_.file_requests.size(), 1u);
  EXPECT_EQ(dialogs_.file_requests[0].file_name, "表格");
  EXPECT_TRUE(dialogs_.file_requests[0].save);
}

TEST_F(WorkbookWindowTest, AFailedSaveShowsTheErrorMessage) {
  ASSERT_TRUE(testing::WriteTestFile(dir_.File("文件"), "x"));
  WorkbookWindow window(&session_, &dialogs_, &main_window_);
  dialogs_.files.push_back({true, dir_.File("文件/表格.grd")});
  Choose(window, "&A.另存为表格");
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{"保存文件失败！"});
  EXPECT_EQ(dialogs_.shown.back().caption, "错误");
  EXPECT_EQ(dialogs_.icons, std::vector<MessageIcon>{MessageIcon::kError});
}

TEST_F(WorkbookWindowTest, AnEditedSortedResultSurvivesSaveAndOpen) {
  {
    WorkbookWindow window(&session_, &dialogs_, &main_window_);
    window.grid().SetCursor(2, 1);
    Choose(window, "&Z.排序↑");
  }
  const std::string path = dir_.File("排序结果.grd");
  WorkbookWindow edited(&session_, &dialogs_, &main_window_);
  DataSrc& table = edited.table();
  table.SetCellText(2, 3, "公里");
  table.SetColumnWidths(2, 1, 512);
  table.SetRowHeights(3, 2, 99);
  table.MergeCells({5, 1, 1, 5});
  table.SetFontStyle({1, 1, 1, 7}, 1);
  table.SetTextColour({1, 1, 1, 7}, kRed);
  table.SetBackgroundColour({4, 4}, 0x00FFFF);
  table.SetFontName({3, 2}, "黑体");
  table.SetFontSize({3, 2}, 55);
  Choose(edited, "&3.中右");
  dialogs_.inputs.push_back({true, "1"});
  Choose(edited, "&B.置表头列数");
  dialogs_.files.push_back({true, path});
  Choose(edited, "&A.另存为表格");
  ASSERT_TRUE(dialogs_.Messages().empty());
  EXPECT_EQ(session_.workbook.last_grid_file, path);

  WorkbookWindow reopened(&session_, &dialogs_, &main_window_);
  dialogs_.files.push_back({true, path});
  Choose(reopened, "&O.打开表格");
  DataSrc& back = reopened.table();
  ASSERT_EQ(back.GetRowCount(), table.GetRowCount());
  ASSERT_EQ(back.GetColumnCount(), table.GetColumnCount());
  EXPECT_EQ(back.GetHeaderRows(), 1);
  EXPECT_EQ(back.GetHeaderColumns(), 1);
  for (int c = 1; c <= table.GetColumnCount(); ++c)
    EXPECT_EQ(back.GetColumnWidth(c), table.GetColumnWidth(c)) << c;
  for (int r = 1; r <= table.GetRowCount(); ++r) {
    EXPECT_EQ(back.GetRowHeight(r), table.GetRowHeight(r)) << r;
    for (int c = 1; c <= table.GetColumnCount(); ++c) {
      EXPECT_EQ(back.GetCellText(r, c), table.GetCellText(r, c)) << r << c;
      CellFormat expected = table.GetCellFormat(r, c);
      if (r >= 2) expected.text_colour = kBlack;  // the open turns them black
      EXPECT_EQ(back.GetCellFormat(r, c), expected) << r << "," << c;
    }
  }
  EXPECT_EQ(back.GetMergedBlock(5, 3), (CellRange{5, 1, 1, 5}));
  EXPECT_EQ(back.GetCellText(2, 1), "钢芯铝绞线");  // still sorted
  EXPECT_EQ(back.GetCellText(2, 3), "公里");
}

}  // namespace
}  // namespace matslip
