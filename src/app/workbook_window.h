#pragma once
// The grid workbook window ("表格"): a small spreadsheet editor on a
// report's result table (qd.mzk, or qd4.mzk after a sort), with a header
// row and a total row, its 文件 and 编辑 menus, sums, find, sort and grid
// files. Always modal; the table lives only as long as the window.
#include <QDialog>

#include "dbgrid/db_provider.h"
#include "grid/data_src.h"
#include "grid/grid.h"

class QAction;
class QLabel;
class QMenu;
class QMenuBar;

namespace matslip {

class Dialogs;
class GridWidget;
struct Session;

class WorkbookWindow : public QDialog {
  Q_OBJECT

 public:
  // Loads the result table chosen by session->workbook.sorted, placed at
  // 20,50 with 90 percent of `main_window`'s size.
  WorkbookWindow(Session* session, Dialogs* dialogs, QWidget* main_window);
  ~WorkbookWindow() override;

  DataSrc& table() { return table_; }
  Grid& grid() { return grid_; }
  GridWidget* grid_widget() const { return grid_widget_; }
  QMenuBar* menu_bar() const { return menu_bar_; }
  QMenu* file_menu() const { return file_menu_; }
  QMenu* edit_menu() const { return edit_menu_; }
  // "&W.转为电子表格" and "&C.生成打印表格": they work on qd.mzk, so they
  // are disabled for good once a grid file was opened in the window.
  QAction* export_action() const { return export_action_; }
  QAction* print_table_action() const { return print_table_action_; }
  QAction* find_action() const { return find_action_; }
  bool opened_grid_file() const { return opened_grid_file_; }

  // Closing by any way releases the loader and makes "data" current again.
  void done(int result) override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildMenus();
  void ConnectGridEvents();
  void Load();
  // The input box of a header count; `set` takes the number entered.
  void AskHeaderCount(const char* prompt, const char* caption,
                      void (DataSrc::*set)(int));
  void FitToWidth();
  void Sort(bool ascending);
  void OpenGridFile();
  void SaveGridFile();

  Session* session_;
  Dialogs* dialogs_;
  DataSrc table_;
  DbProvider loader_;
  Grid grid_;
  GridWidget* grid_widget_ = nullptr;
  QLabel* busy_ = nullptr;
  QMenuBar* menu_bar_ = nullptr;
  QMenu* file_menu_ = nullptr;
  QMenu* edit_menu_ = nullptr;
  QAction* export_action_ = nullptr;
  QAction* print_table_action_ = nullptr;
  QAction* find_action_ = nullptr;
  bool opened_grid_file_ = false;
};

// What every 统计 command ends with: the window on the result, modal,
// opened again after each sort (on qd4.mzk) until the user closes it.
void OpenWorkbook(Session* session, Dialogs* dialogs, QWidget* main_window);

}  // namespace matslip
