#pragma once
// The stock-out window ("开票预览(材料出库)"): the outbound slip of the
// materials picked in the stock list, editable, with its page set-up,
// preview and printing, and "出库", which books it and closes the window.
#include <QPushButton>

#include "app/proportional_window.h"
#include "grid/data_src.h"
#include "grid/grid.h"

namespace matslip {

class Dialogs;
class GridWidget;

inline constexpr char kSlipHoverTip[] =
    "默认出库的是全部库存量,您可以修改出库材料的数量";

class StockOutWindow : public ProportionalWindow {
  Q_OBJECT

 public:
  // Builds the slip from the session's picked materials, which it empties.
  StockOutWindow(Session* session, Dialogs* dialogs, QWidget* parent = nullptr);
  ~StockOutWindow() override;

  DataSrc& slip() { return slip_; }
  Grid& grid() { return grid_; }
  GridWidget* grid_widget() const { return grid_widget_; }
  QPushButton* page_setup_button() const { return page_setup_; }
  QPushButton* preview_button() const { return preview_; }
  QPushButton* print_button() const { return print_; }
  QPushButton* stock_out_button() const { return stock_out_; }

  // "打印": on the default printer, without one into a PDF file the user
  // names. The empty text when printed (grid_printer.h).
  std::string PrintSlip();

 private:
  void PageSetup();
  void StockOut();

  Dialogs* dialogs_;
  DataSrc slip_;
  Grid grid_;
  GridWidget* grid_widget_ = nullptr;
  QPushButton* page_setup_ = nullptr;
  QPushButton* preview_ = nullptr;
  QPushButton* print_ = nullptr;
  QPushButton* stock_out_ = nullptr;
};

}  // namespace matslip
