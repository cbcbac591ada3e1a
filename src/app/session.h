#pragma once
// The process-wide state of the running program, created at start-up and
// released at exit. Each subsystem owns the type of its part; handlers are
// given the parts they read or write, never the whole Session.
#include <string>

#include "app/proportional_layout.h"
#include "base/files.h"
#include "grid/print_inf.h"
#include "material/material_table.h"
#include "stock/stock_out_state.h"
#include "workbook/print_table_state.h"
#include "workbook/workbook_state.h"

namespace matslip {

struct Session {
  std::string program_dir;  // no trailing '/'
  MaterialKey selected;     // the stock-list row last clicked
  StockOutState stock_out;
  int notice_ticks = 0;
  // The item editor, stock-out and slip parameters windows share `layout`
  // (app/proportional_window.h); the print tables use `print`; the grid
  // workbook window keeps `workbook`, the print toolbar `print_table`.
  WindowLayout layout;
  PrintInf print;
  WorkbookState workbook;
  FindState stock_list_find;  // the main window's "项目查找"
  PrintTableState print_table;

  // The path of the program's file or folder `name`.
  std::string PathOf(std::string_view name) const {
    return ProgramFilePath(program_dir, name);
  }
};

}  // namespace matslip
