#include "app/workbook_window.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>

#include "app/find_item_qt.h"
#include "app/print_toolbar_window.h"
#include "app/session.h"
#include "base/dialogs.h"
#include "grid/column_find.h"
#include "grid/grid_clipboard_qt.h"
#include "grid/grid_keys.h"
#include "grid/grid_widget.h"
#include "material/material_table.h"
#include "store/db.h"
#include "workbook/cell_sums.h"
#include "workbook/export_progress_qt.h"
#include "workbook/grid_file_commands.h"
#include "workbook/result_loading.h"
#include "workbook/result_sort.h"
#include "workbook/table_edits.h"

namespace matslip {
namespace {

constexpr char kCaption[] = "表格";
constexpr char kMenuBarName[] = "表格菜单";
constexpr char kGridName[] = "表格内容";
constexpr char kBusyLabel[] = "系统正在抄表中...";
constexpr QPoint kPlace(20, 50);
constexpr double kShareOfMainWindow = 0.9;
// The grid leaves this much of the client area free at the right and the
// bottom.
constexpr int kGridInset = 10;

constexpr char kFileMenu[] = "&F.文件";
constexpr char kOpenItem[] = "&O.打开表格";
constexpr char kSaveItem[] = "&A.另存为表格";
constexpr char kExportItem[] = "&W.转为电子表格";
constexpr char kPrintTableItem[] = "&C.生成打印表格";
constexpr char kExitItem[] = "&X.退出";
constexpr char kEditMenu[] = "&E.编辑";
constexpr char kHeaderRowsItem[] = "&E.置表头行数";
constexpr char kHeaderColumnsItem[] = "&B.置表头列数";
constexpr char kScaleMenu[] = "&S.显示比例";
constexpr char kAlignMenu[] = "&D.对齐方式";
constexpr char kFillDownItem[] = "&L.向下填充";
constexpr char kCopyItem[] = "&F.复制";
constexpr char kPasteItem[] = "&T.粘贴";
constexpr char kClearItem[] = "&V.清除";
constexpr char kFindItem[] = "&Y.查找";
constexpr char kSortUpItem[] = "&Z.排序↑";
constexpr char kSortDownItem[] = "&N.排序↓";
constexpr char kColumnSumItem[] = "&H.光标所在列求和";

constexpr char kHeaderRowsPrompt[] = "请输入表头行数:";
constexpr char kHeaderRowsCaption[] = "表头行数设置";
constexpr char kHeaderColumnsPrompt[] = "请输入表头列数:";
constexpr char kHeaderColumnsCaption[] = "表头列数设置";
constexpr int kHeaderCountProposal = 1;

struct ScaleItem {
  const char* caption;
  int percent;  // 0: fit to width
};
constexpr ScaleItem kScales[] = {
    {"&1. 50%", 50}, {"&2. 100%", 100}, {"&3. 200%", 200}, {"&4. 等宽", 0}};

struct AlignmentItem {
  const char* caption;
  int code;
};
constexpr AlignmentItem kAlignments[] = {{"&1.中左", kAlignMiddleLeft},
                                         {"&2.中中", kAlignMiddleCentre},
                                         {"&3.中右", kAlignMiddleRight}};

QMenu* AddMenu(QMenu* parent, const char* title) {
  QMenu* menu = parent->addMenu(QString::fromUtf8(title));
  menu->setAccessibleName(menu->title());
  return menu;
}

}  // namespace

WorkbookWindow::WorkbookWindow(Session* session, Dialogs* dialogs,
                               QWidget* main_window)
    : QDialog(main_window), session_(session), dialogs_(dialogs) {
  setWindowTitle(QString::fromUtf8(kCaption));
  setAccessibleName(windowTitle());
  menu_bar_ = new QMenuBar(this);
  menu_bar_->setAccessibleName(QString::fromUtf8(kMenuBarName));
  // Beneath the grid, which covers it once a table is shown.
  busy_ = new QLabel(QString::fromUtf8(kBusyLabel), this);
  busy_->setAccessibleName(busy_->text());
  busy_->lower();
  grid_widget_ = new GridWidget(&grid_, this);
  grid_widget_->setAccessibleName(QString::fromUtf8(kGridName));
  BuildMenus();
  ConnectGridEvents();
  AttachPrintTable(print_table_action_, this, &table_, session_, dialogs_);

  if (main_window != nullptr) {
    move(kPlace);
    resize(static_cast<int>(main_window->width() * kShareOfMainWindow),
           static_cast<int>(main_window->height() * kShareOfMainWindow));
  }
  Load();
}

// The widget goes first: it holds on to the grid and the table until its
// own destructor, which Qt would run only after theirs.
WorkbookWindow::~WorkbookWindow() { delete grid_widget_; }

void WorkbookWindow::BuildMenus() {
  auto add = [this](QMenu* menu, const char* caption, auto handler) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  file_menu_ = menu_bar_->addMenu(QString::fromUtf8(kFileMenu));
  file_menu_->setAccessibleName(file_menu_->title());
  add(file_menu_, kOpenItem, [this] { OpenGridFile(); });
  add(file_menu_, kSaveItem, [this] { SaveGridFile(); });
  export_action_ = add(file_menu_, kExportItem, [this] {
    ExportReportSpreadsheet(session_->program_dir, *dialogs_, this);
  });
  print_table_action_ =
      file_menu_->addAction(QString::fromUtf8(kPrintTableItem));
  print_table_action_->setEnabled(false);
  file_menu_->addSeparator();
  add(file_menu_, kExitItem, [this] { close(); });

  edit_menu_ = menu_bar_->addMenu(QString::fromUtf8(kEditMenu));
  edit_menu_->setAccessibleName(edit_menu_->title());
  add(edit_menu_, kHeaderRowsItem, [this] {
    AskHeaderCount(kHeaderRowsPrompt, kHeaderRowsCaption,
                   &DataSrc::SetHeaderRows);
  });
  add(edit_menu_, kHeaderColumnsItem, [this] {
    AskHeaderCount(kHeaderColumnsPrompt, kHeaderColumnsCaption,
                   &DataSrc::SetHeaderColumns);
  });
  edit_menu_->addSeparator();
  QMenu* scales = AddMenu(edit_menu_, kScaleMenu);
  for (const ScaleItem& scale : kScales) {
    add(scales, scale.caption, [this, percent = scale.percent] {
      if (percent == 0) {
        FitToWidth();
      } else {
        grid_.SetScale(percent);
      }
    });
  }
  QMenu* alignments = AddMenu(edit_menu_, kAlignMenu);
  for (const AlignmentItem& alignment : kAlignments) {
    add(alignments, alignment.caption,
        [this, code = alignment.code] { AlignWholeTable(&table_, code); });
  }
  add(edit_menu_, kFillDownItem, [this] {
    FillDown(&table_, grid_.GetCursorRow(), grid_.GetCursorColumn());
  });
  edit_menu_->addSeparator();
  add(edit_menu_, kCopyItem, [this] { CopyRange(table_, grid_.Selection()); });
  add(edit_menu_, kPasteItem, [this] { Paste(&grid_); });
  add(edit_menu_, kClearItem, [this] { table_.ClearRange(grid_.Selection()); });
  edit_menu_->addSeparator();
  find_action_ = add(edit_menu_, kFindItem, [this] {
    UseFindItem(find_action_, edit_menu_, kWorkbookHitColour,
                &session_->workbook.find, &table_, grid_widget_, *dialogs_);
  });
  add(edit_menu_, kSortUpItem, [this] { Sort(true); });
  add(edit_menu_, kSortDownItem, [this] { Sort(false); });
  edit_menu_->addSeparator();
  add(edit_menu_, kColumnSumItem,
      [this] { grid_.set_tip(ColumnSumTip(table_, grid_.GetCursorColumn())); });
}

void WorkbookWindow::ConnectGridEvents() {
  GridEvents& events = grid_.events();
  events.selection_changed = [this] {
    session_->workbook.remembered_row = grid_.GetCursorRow();
    grid_.set_tip(SelectionSumTip(
        table_, grid_.GetCursorRow(), grid_.GetCursorColumn(),
        grid_.GetSelectedRowCount(), grid_.GetSelectedColumnCount()));
  };
  events.left_pressed = [this](const MouseEvent&) {
    session_->workbook.remembered_row = grid_.GetCursorRow();
    ResetFindItem(find_action_);
  };
  events.right_pressed = [this](const MouseEvent& e) {
    edit_menu_->popup(grid_widget_->viewport()->mapToGlobal(QPoint(e.x, e.y)));
  };
  events.key_pressed = [this](int key, int modifiers) {
    if (key != kKeyC || (modifiers & kModCtrl) == 0) return;
    QGuiApplication::clipboard()->setText(QString::fromStdString(
        table_.GetCellText(grid_.GetCursorRow(), grid_.GetCursorColumn())));
  };
  events.cell_edited = [this](int, int, const std::string&) {
    table_.EndCellEdit();
  };
}

void WorkbookWindow::Load() {
  grid_.SetDataSource(nullptr);
  LoadResultTable(session_->program_dir, &session_->workbook, &table_,
                  &loader_);
  grid_.SetDataSource(&table_);
}

void WorkbookWindow::done(int result) {
  loader_.set_file_name("");
  DbSelect(kMaterialAlias);
  QDialog::done(result);
}

void WorkbookWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const int top = menu_bar_->sizeHint().height();
  menu_bar_->setGeometry(0, 0, width(), top);
  grid_widget_->setGeometry(0, top, width() - kGridInset,
                            height() - top - kGridInset);
  busy_->move(0, top);
}

void WorkbookWindow::AskHeaderCount(const char* prompt, const char* caption,
                                    void (DataSrc::*set)(int)) {
  int count = kHeaderCountProposal;
  if (dialogs_->InputInteger(prompt, caption, &count)) (table_.*set)(count);
}

void WorkbookWindow::FitToWidth() {
  // The grid measures in tenths of a millimetre, the screen in pixels.
  const double pixels_per_tenth = grid_widget_->logicalDpiY() / 254.0;
  grid_.FitToWidth(
      static_cast<int>(grid_widget_->viewport()->width() / pixels_per_tenth));
}

void WorkbookWindow::Sort(bool ascending) {
  const std::string field = table_.GetCellText(1, grid_.GetCursorColumn());
  grid_.SetDataSource(nullptr);
  SortResultTable(session_->program_dir, field, ascending, &session_->workbook);
  close();
}

void WorkbookWindow::OpenGridFile() {
  std::string path;
  std::string caption;
  const GridFileOpen opened = matslip::OpenGridFile(
      *dialogs_, session_->program_dir, &table_, &path, &caption);
  if (opened == GridFileOpen::kCancelled) return;
  setWindowTitle(QString::fromStdString(caption));
  if (opened != GridFileOpen::kLoaded) return;
  session_->workbook.last_grid_file = path;
  opened_grid_file_ = true;
  export_action_->setEnabled(false);
  print_table_action_->setEnabled(false);
}

void WorkbookWindow::SaveGridFile() {
  std::string path;
  if (matslip::SaveGridFile(*dialogs_, session_->program_dir, table_,
                            windowTitle().toStdString(), &path))
    session_->workbook.last_grid_file = path;
}

void OpenWorkbook(Session* session, Dialogs* dialogs, QWidget* main_window) {
  // A sort sets the flag and closes the window; the next window's loading
  // clears it.
  do {
    WorkbookWindow window(session, dialogs, main_window);
    window.exec();
  } while (session->workbook.sorted);
}

}  // namespace matslip
