#pragma once
// The process-wide state of the running program, created at start-up and
// released at exit. Each subsystem owns the type of its part; handlers are
// given the parts they read or write, never the whole Session.
#include <string>

#include "grid/print_inf.h"
#include "stock/stock_out_state.h"
#include "stock/window_layout.h"
#include "workbook/workbook_state.h"

namespace matslip {

struct SelectedMaterial {
  std::string name;  // 品名
  std::string spec;  // 规格型号
};

struct Session {
  std::string program_dir;  // no trailing '/'
  SelectedMaterial selected;
  StockOutState stock_out;
  WindowLayout layout;
  PrintInf print;
  int notice_ticks = 0;
  WorkbookState workbook;

  // program_dir + "/" + name.
  std::string PathOf(const std::string& name) const {
    return program_dir + "/" + name;
  }
};

}  // namespace matslip
