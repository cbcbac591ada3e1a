#pragma once
// What the grid workbook window remembers for the whole run.
#include <string>
#include <vector>

namespace matslip {

struct WorkbookState {
  std::string last_grid_file;  // the grid file last opened or saved
  bool sorted = false;         // the window shows qd4.mzk, not qd.mzk
  int current_column = 0;
  std::string search_text;
  std::vector<int> search_hits;  // rows found
  int search_back_steps = 0;
};

}  // namespace matslip
