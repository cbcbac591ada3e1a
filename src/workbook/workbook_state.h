#pragma once
// What the grid workbook window remembers for the whole run.
#include <string>
#include <vector>

namespace matslip {

struct WorkbookState {
  std::string last_grid_file;  // the grid file last opened or saved
  // Set by a sort, cleared by the next loading: the window is then opened
  // again, on qd4.mzk instead of qd.mzk.
  bool sorted = false;
  // The cursor row at the last selection change or left press in the grid.
  int remembered_row = 0;
  int current_column = 0;
  std::string search_text;
  std::vector<int> search_hits;  // rows found
  int search_back_steps = 0;
};

}  // namespace matslip
