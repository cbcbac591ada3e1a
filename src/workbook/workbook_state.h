#pragma once
// What the grid workbook window remembers for the whole run.
#include <string>

#include "grid/column_find.h"

namespace matslip {

struct WorkbookState {
  std::string last_grid_file;  // the grid file last opened or saved
  // Set by a sort, cleared by the next loading: the window is then opened
  // again, on qd4.mzk instead of qd.mzk.
  bool sorted = false;
  // The cursor row at the last selection change or left press in the grid.
  int remembered_row = 0;
  int current_column = 0;
  FindState find;  // "&Y.查找"
};

}  // namespace matslip
