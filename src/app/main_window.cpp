#include "app/main_window.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QWindow>
#include <algorithm>
#include <utility>

#include "app/find_item_qt.h"
#include "app/item_editor_window.h"
#include "app/ledger_window.h"
#include "app/menu_keys_qt.h"
#include "app/notice.h"
#include "app/notice_pane.h"
#include "app/settings.h"
#include "app/slip_parameters_window.h"
#include "app/stock_out_window.h"
#include "app/workbook_window.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "grid/column_find.h"
#include "grid/grid_widget.h"
#include "reports/ledger.h"
#include "stock/cancel_movement.h"
#include "stock/spreadsheet_import.h"
#include "stock/stock_list.h"
#include "stock/stock_list_selection.h"
#include "stock/table_maintenance.h"

namespace matslip {

namespace {

// The form's geometry before the first list build places the window.
constexpr QRect kFormGeometry(50, 50, 641, 590);
// On screen the frame keeps this much from the left, top and right edges of
// the available area, and kScreenBottomGap from its bottom.
constexpr int kScreenEdgeGap = 1;
constexpr int kScreenBottomGap = 39;
// The list's margin inside the window.
constexpr int kListMargin = 10;
constexpr QSize kNoticeSize(344, 192);
// The notice pane's distance from the window's lower right corner, and the
// least distance from its upper left one in a window too small for it.
constexpr int kNoticeCornerGap = 30;
constexpr int kNoticeLeastGap = 8;
constexpr char kStockListName[] = "材料库存列表";
constexpr char kMenuBarName[] = "主菜单";

struct MenuItem {
  const char* caption;  // nullptr: a separator
  // What the item does; null for an item whose window is not part of the
  // program yet (shown, but disabled).
  void (MainWindow::*action)();
  bool hidden = false;
};

}  // namespace

MainWindow::MainWindow(Session* session, Dialogs* dialogs, QWidget* parent)
    : QMainWindow(parent),
      session_(session),
      dialogs_(dialogs),
      picking_(&grid_, &session->stock_out, dialogs) {
  setWindowTitle(QString::fromUtf8(kMainTitle));
  setGeometry(kFormGeometry);
  auto* central = new QWidget(this);
  setCentralWidget(central);
  grid_widget_ = new GridWidget(&grid_, central);
  grid_widget_->setAccessibleName(QString::fromUtf8(kStockListName));
  notice_ = new NoticePane(
      &session_->notice_ticks,
      QString::fromStdString(NoticeServer(session_->PathOf(kConfigFileName))),
      central);
  notice_->hide();
  connect(notice_, &NoticePane::shown, this, [this](const QString& address) {
    notice_->setVisible(!address.isEmpty());
    notice_->raise();
  });
  BuildMenus();

  GridEvents& events = grid_.events();
  events.left_pressed = [this](const MouseEvent&) {
    RememberSelectedMaterial();
    Pick(&StockListPicking::LeftPressed);
  };
  events.left_released = [this](const MouseEvent&) {
    RememberSelectedMaterial();
    Pick(&StockListPicking::LeftReleased);
  };
  events.selection_changed = [this] {
    if (!finding_) Pick(&StockListPicking::SelectionChanged);
  };
  events.right_pressed = [this](const MouseEvent&) {
    edit_menu_->popup(QCursor::pos());
  };
  new MenuKeys(this, [this] { PopUpEditMenuAtCursor(); });

  // The build moves the cursor: that is no pick.
  picking_.set_rebuilding(true);
  ShowList(BuildStockList(session_->program_dir,
                          session_->stock_out.marked_rows, &table_, &provider_,
                          &grid_));
  picking_.set_rebuilding(false);
  notice_->Start();
}

MainWindow::~MainWindow() {
  // The widget calls its grid when it goes; Qt would delete it only after
  // grid_ is gone.
  delete grid_widget_;
  grid_.SetDataSource(nullptr);
  RemoveDerivedFiles(session_->program_dir, &provider_);
}

template <PeriodReport report>
void MainWindow::ShowReport() {
  // An old result must not be shown as this period's.
  if (!WritePeriodReport(session_->program_dir, report, Now())) {
    dialogs_->Message(kPeriodReportFailed, kInfoCaption, MessageIcon::kWarning);
    return;
  }
  OpenWorkbook(session_, dialogs_, this);
}

void MainWindow::BuildMenus() {
  using M = MainWindow;
  const std::vector<std::pair<const char*, std::vector<MenuItem>>> menus = {
      {"数据",
       {{"备份数据库", &M::BackUp},
        {"导入  备份 ", &M::Restore},
        {nullptr, nullptr},
        {"从电子表读", &M::ImportSpreadsheet},
        {"加入数据库", nullptr, true},
        {nullptr, nullptr},
        {"清空数据库", &M::Clear}}},
      {"编辑",
       {{"刷新显示", &M::Refresh},
        {nullptr, nullptr},
        {"项目编辑(材料进库)", &M::OpenItemEditor},
        {nullptr, nullptr},
        {"取消进库", &M::CancelStockIn},
        {"取消出库", &M::CancelStockOut},
        {nullptr, nullptr},
        {"进出库簿", &M::OpenLedger},
        {"项目查找", &M::FindInStockList},
        {nullptr, nullptr},
        {"开票预览(材料出库)", &M::OpenStockOut}}},
      {"统计",
       {{"本日出库", &M::ShowReport<PeriodReport::kDayOut>},
        {"本月出库", &M::ShowReport<PeriodReport::kMonthOut>},
        {"本年出库", &M::ShowReport<PeriodReport::kYearOut>},
        {nullptr, nullptr},
        {"本日进库", &M::ShowReport<PeriodReport::kDayIn>},
        {"本月进库", &M::ShowReport<PeriodReport::kMonthIn>},
        {"本年进库", &M::ShowReport<PeriodReport::kYearIn>}}},
      {"参数", {{"参数配置", &M::OpenSlipParameters}}},
  };
  menuBar()->setAccessibleName(QString::fromUtf8(kMenuBarName));
  for (const auto& [title, items] : menus) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(title));
    menu->setAccessibleName(menu->title());
    if (QString::fromUtf8(title) == QStringLiteral("编辑")) edit_menu_ = menu;
    for (const MenuItem& item : items) {
      if (!item.caption) {
        menu->addSeparator();
        continue;
      }
      QAction* action = menu->addAction(QString::fromUtf8(item.caption));
      action->setEnabled(item.action != nullptr);
      action->setVisible(!item.hidden);
      if (item.action)
        connect(action, &QAction::triggered, this,
                [this, f = item.action] { (this->*f)(); });
      if (item.action == &M::FindInStockList) find_action_ = action;
    }
  }
}

void MainWindow::Pick(void (StockListPicking::*step)()) {
  picking_now_ = true;
  (picking_.*step)();
  picking_now_ = false;
}

void MainWindow::PopUpEditMenuAtCursor() {
  const QRect cell =
      grid_widget_->CellRect(grid_.GetCursorRow(), grid_.GetCursorColumn());
  const QPoint at = cell.isEmpty() ? grid_widget_->viewport()->rect().center()
                                   : cell.center();
  edit_menu_->popup(grid_widget_->viewport()->mapToGlobal(at));
}

MainWindow::ListPlace MainWindow::CurrentPlace() const {
  return {grid_.GetCursorRow(), grid_.GetCursorColumn(),
          grid_widget_->verticalScrollBar()->value(),
          grid_widget_->horizontalScrollBar()->value()};
}

void MainWindow::ReturnTo(const ListPlace& place) {
  const int rows = table_.GetRowCount();
  const int first = table_.GetHeaderRows() + 1;
  if (rows >= first) {
    grid_.SetCursor(std::clamp(place.row, first, rows),
                    std::clamp(place.col, 1, kStockListColumns));
  }
  // The scroll bars' ranges already fit the new list and clamp the values.
  grid_widget_->verticalScrollBar()->setValue(place.top);
  grid_widget_->horizontalScrollBar()->setValue(place.left);
}

void MainWindow::ShowList(const StockListBuild& b) {
  PlaceOnScreen();
  grid_.set_background(kStockListBackground);
  setWindowTitle(QString::fromStdString(b.title));
  PlaceChildren();
  grid_widget_->viewport()->update();
  // Closing the box activates the window again, which builds the list again:
  // a message is shown once, until the list's state changes.
  if (b.message == shown_message_) return;
  shown_message_ = b.message;
  if (!b.message.empty())
    dialogs_->Message(b.message, kInfoCaption, MessageIcon::kWarning);
}

void MainWindow::PlaceOnScreen() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect s = screen->availableGeometry();
  // The frame goes there, not the client area: its title bar carries the
  // low-stock count and is where the window is dragged. move() places the
  // frame; the frame's margins are known once the window manager has framed
  // the window, so the size is right from the first rebuild after showing.
  const QRect frame = s.adjusted(kScreenEdgeGap, kScreenEdgeGap,
                                 -kScreenEdgeGap, -kScreenBottomGap);
  const QMargins margins =
      windowHandle() ? windowHandle()->frameMargins() : QMargins();
  move(frame.topLeft());
  resize(frame.size().shrunkBy(margins));
}

void MainWindow::PlaceChildren() {
  QWidget* area = centralWidget();
  // The list fills the window less a margin; the notice pane, shown only
  // while it holds a notice, sits in the list's lower right corner.
  grid_widget_->setGeometry(kListMargin, kListMargin,
                            std::max(0, area->width() - 2 * kListMargin),
                            std::max(0, area->height() - 2 * kListMargin));
  const QSize corner =
      area->size() - kNoticeSize - QSize(kNoticeCornerGap, kNoticeCornerGap);
  notice_->setGeometry(std::max(kNoticeLeastGap, corner.width()),
                       std::max(kNoticeLeastGap, corner.height()),
                       kNoticeSize.width(), kNoticeSize.height());
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  PlaceChildren();
}

void MainWindow::Refresh() {
  // Every activation rebuilds the list; the user must not lose the place.
  const ListPlace place = CurrentPlace();
  // Neither the rebuild nor the cursor put back is a pick.
  picking_.set_rebuilding(true);
  ShowList(RefreshStockList(session_->program_dir, &session_->stock_out,
                            &table_, &provider_, &grid_));
  ColourFindHits(session_->stock_list_find, kStockListHitColour, &table_);
  ReturnTo(place);
  picking_.set_rebuilding(false);
}

// The list is rebuilt when this window is active again after the modal
// window closes (changeEvent), so that the booking shows at once.
void MainWindow::OpenItemEditor() {
  ItemEditorWindow editor(session_, dialogs_, this);
  editor.exec();
}

void MainWindow::OpenSlipParameters() {
  SlipParametersWindow window(session_, dialogs_, this);
  window.exec();
}

void MainWindow::OpenStockOut() {
  if (!MayOpenStockOut(session_->stock_out, *dialogs_)) return;
  StockOutWindow window(session_, dialogs_, this);
  window.exec();
}

void MainWindow::OpenLedger() {
  if (!MayOpenLedger(session_->selected, *dialogs_)) return;
  LedgerWindow window(session_->program_dir, session_->selected);
  window.exec();
}

void MainWindow::BackUp() { BackUpTable(session_->program_dir, *dialogs_); }

void MainWindow::Restore() {
  if (RestoreTable(session_->program_dir, *dialogs_) !=
      RestoreResult::kCancelled)
    Refresh();
}

void MainWindow::Clear() { ClearTable(session_->program_dir, *dialogs_); }

void MainWindow::CancelStockIn() { CancelLastMovement(kStockInUndo); }

void MainWindow::CancelStockOut() { CancelLastMovement(kStockOutUndo); }

void MainWindow::CancelLastMovement(const MovementUndo& undo) {
  if (CancelMovement(session_->program_dir, session_->selected, undo,
                     *dialogs_) != UndoResult::kNoSelection)
    Refresh();
}

// The list shows the spreadsheet's rows until the window is activated again
// after the closing message; a spreadsheet that cannot be read leaves the
// list of the table at once.
void MainWindow::ImportSpreadsheet() {
  picking_.set_rebuilding(true);
  grid_.SetDataSource(nullptr);  // the rows go in without a redraw each
  const ImportOutcome outcome = RunSpreadsheetImport(
      session_->program_dir, *dialogs_, &session_->stock_out, &table_, [this] {
        grid_.SetDataSource(&table_);
        PlaceOnScreen();
        grid_.set_background(kImportBackground);
        setWindowTitle(QString::fromUtf8(kMainTitle));
        PlaceChildren();
        grid_.SetCursor(table_.GetHeaderRows() + 1, 1);
        grid_widget_->viewport()->update();
      });
  grid_.SetDataSource(&table_);
  picking_.set_rebuilding(false);
  if (outcome == ImportOutcome::kUnreadable) Refresh();
}

// The cursor moves of a find are the program's own: they pick nothing for
// the slip, also when the list is rebuilt while one of its boxes is open.
void MainWindow::FindInStockList() {
  finding_ = true;
  UseFindItem(find_action_, edit_menu_, kStockListHitColour,
              &session_->stock_list_find, &table_, grid_widget_, *dialogs_);
  finding_ = false;
}

// The picking's own message ("…系统将打印前9项") takes the activation while
// it is open; a rebuild when it gives it back would drop the picks it has
// just announced. Any other activation rebuilds the list.
void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::ActivationChange) return;
  if (!isActiveWindow()) {
    if (picking_now_) keep_picks_ = true;
    return;
  }
  if (std::exchange(keep_picks_, false)) return;
  Refresh();
}

void MainWindow::RememberSelectedMaterial() {
  session_->selected = SelectedFromRow(table_, grid_.GetCursorRow());
}

}  // namespace matslip
