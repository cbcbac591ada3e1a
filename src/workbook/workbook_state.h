#pragma once
// What the grid workbook window remembers for the whole run.
#include <string>

#include "workbook/find_procedure.h"

namespace matslip {

struct WorkbookState {
  std::string last_grid_file;  // the grid file last opened or saved
  bool sorted = false;         // the window shows qd4.mzk, not qd.mzk
  int current_column = 0;
  FindState find;  // "&Y.查找"
};

}  // namespace matslip
