#pragma once
// The main window: the stock list, the menus from which every other window
// opens, and the notice pane. It rebuilds the list whenever it becomes the
// active window again (except when a message of the picking itself gave the
// activation back) and deletes the derived tables when it closes.
#include <QMainWindow>
#include <QMenu>

#include "app/session.h"
#include "dbgrid/db_provider.h"
#include "grid/data_src.h"
#include "grid/grid.h"
#include "reports/period_report.h"
#include "stock/cancel_movement.h"
#include "stock/stock_out_pick.h"

namespace matslip {

class Dialogs;
class GridWidget;
class NoticePane;
struct StockListBuild;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow(Session* session, Dialogs* dialogs, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Rebuilds the stock list (also what every activation does).
  void Refresh();
  DataSrc& stock_list() { return table_; }
  Grid& grid() { return grid_; }
  GridWidget* grid_widget() const { return grid_widget_; }
  NoticePane* notice_pane() const { return notice_; }
  QMenu* edit_menu() const { return edit_menu_; }
  QAction* find_action() const { return find_action_; }

 protected:
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The cursor cell and the scroll position of the list.
  struct ListPlace {
    int row, col, top, left;
  };

  void BuildMenus();
  // A step of the picking; a message it shows keeps the picks (see
  // changeEvent).
  void Pick(void (StockListPicking::*step)());
  // The 编辑 menu at the cursor cell, for the keyboard's context-menu keys.
  void PopUpEditMenuAtCursor();
  ListPlace CurrentPlace() const;
  // Back to `place`, clamped to the list as it is now.
  void ReturnTo(const ListPlace& place);
  // Places the window and shows a list just built, under its title.
  void ShowList(const StockListBuild& build);
  // At left 1, top 1, the screen's width less 2 and height less 40, frame
  // included.
  void PlaceOnScreen();
  void PlaceChildren();
  void RememberSelectedMaterial();
  void OpenItemEditor();
  void OpenSlipParameters();
  void OpenStockOut();
  void OpenLedger();
  // A 统计 command: the result written, then the workbook on it.
  template <PeriodReport report>
  void ShowReport();
  void CancelStockIn();
  void CancelStockOut();
  // Undoes the selected material's last receipt or issue from its backup;
  // the list is rebuilt unless nothing was selected.
  void CancelLastMovement(const MovementUndo& undo);
  void BackUp();
  void Restore();
  void Clear();
  void ImportSpreadsheet();
  // "项目查找": the find procedure on the stock list, hits in yellow; they
  // stay yellow through the rebuilds until a new search text is confirmed.
  void FindInStockList();

  Session* session_;
  Dialogs* dialogs_;
  std::string shown_message_;  // the list build's message last shown
  DataSrc table_;
  Grid grid_;
  DbProvider provider_;
  StockListPicking picking_;
  GridWidget* grid_widget_ = nullptr;
  NoticePane* notice_ = nullptr;
  QMenu* edit_menu_ = nullptr;
  QAction* find_action_ = nullptr;
  bool finding_ = false;
  bool picking_now_ = false;
  // The picking's message took the activation: giving it back rebuilds
  // nothing.
  bool keep_picks_ = false;
};

}  // namespace matslip
