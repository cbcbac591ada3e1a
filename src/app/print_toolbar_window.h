#pragma once
// The print toolbar window: the print table of a report in a grid under a
// strip of print and formatting controls. It has no title bar (frameless:
// it is as wide as the screen and closes with its own "退 出"), is kept on
// top of other windows, and is a non-modal child of the grid workbook
// window, so that it works while that modal window is open and goes with it.
#include <QWidget>
#include <string>

#include "grid/data_src.h"
#include "grid/grid.h"

class QAbstractSpinBox;
class QAction;
class QComboBox;
class QPushButton;

namespace matslip {

class Dialogs;
class GridWidget;
struct PrintInf;
struct PrintTableState;
struct Session;

class PrintToolbarWindow : public QWidget {
  Q_OBJECT

 public:
  // `print` is the program's print settings, which the window keeps in
  // step with its table; `state` the toolbar's counters for the run.
  PrintToolbarWindow(PrintTableState* state, PrintInf* print, Dialogs* dialogs,
                     std::string program_dir, QWidget* parent);
  ~PrintToolbarWindow() override;

  // Builds the print table of `result_path` from `working`, dated `now`,
  // processing events between blocks of rows, then fills the lists and
  // shows the window on top. False, nothing shown, when the result table
  // cannot be opened.
  bool Build(const std::string& result_path, const DataSrc& working,
             double now);

  // "打 印": the default printer, or a PDF file the user names when there
  // is none; the window is back on top afterwards. The empty text when
  // printed (grid_printer.h).
  std::string PrintTable();
  bool kept_on_top() const;

  DataSrc& table() { return table_; }
  Grid& grid() { return grid_; }
  GridWidget* grid_widget() const { return grid_widget_; }
  QPushButton* print_button() const { return print_; }
  QPushButton* preview_button() const { return preview_; }
  QPushButton* zoom_in_button() const { return zoom_in_; }
  QPushButton* zoom_out_button() const { return zoom_out_; }
  QComboBox* title_font_list() const { return title_font_; }
  QPushButton* more_fonts_button() const { return more_fonts_; }
  QComboBox* title_size_list() const { return title_size_; }
  QComboBox* page_number_list() const { return page_number_; }
  QComboBox* body_font_list() const { return body_font_; }
  QAbstractSpinBox* row_height_spinner() const { return row_height_; }
  QPushButton* alignment_button() const { return alignment_; }
  QPushButton* date_format_button() const { return date_format_; }
  QPushButton* exit_button() const { return exit_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void CreateControls();
  void ConnectControls();
  void ShowTitleValues();
  // Stops keeping the window on top, before the window opens anything the
  // user must see; BackOnTop() keeps it on top again, raised, once that is
  // closed.
  void DropStayOnTop();
  void BackOnTop();
  void Preview();
  void MoreFonts();
  void CycleDateFormat();

  PrintTableState* state_;
  PrintInf* print_settings_;
  Dialogs* dialogs_;
  std::string program_dir_;
  DataSrc table_;
  Grid grid_;
  GridWidget* grid_widget_ = nullptr;
  QPushButton* print_ = nullptr;
  QPushButton* preview_ = nullptr;
  QPushButton* zoom_in_ = nullptr;
  QPushButton* zoom_out_ = nullptr;
  QComboBox* title_font_ = nullptr;
  QPushButton* more_fonts_ = nullptr;
  QComboBox* title_size_ = nullptr;
  QComboBox* page_number_ = nullptr;
  QComboBox* body_font_ = nullptr;
  QAbstractSpinBox* row_height_ = nullptr;
  QPushButton* alignment_ = nullptr;
  QPushButton* date_format_ = nullptr;
  QPushButton* exit_ = nullptr;
};

// "&C.生成打印表格" of the workbook window: enables `action` and, when it is
// chosen, opens the print toolbar window (a child of `workbook`) on the
// session's result table and the workbook's working table `working`; a
// message when the result table cannot be opened.
void AttachPrintTable(QAction* action, QWidget* workbook,
                      const DataSrc* working, Session* session,
                      Dialogs* dialogs);

}  // namespace matslip
