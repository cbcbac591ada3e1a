#pragma once
// What opening a damaged table repaired. Before the engine changes a damaged
// table it keeps the original bytes of both files beside them under one
// dated base name ("data-damaged-20261207-120031.mzk" and ".edt"), so that
// the copy opens, and checks, as the table it was.
#include <string>

namespace matslip {

struct RepairReport {
  int records_lost = 0;      // counted records the main file no longer held
  int memo_blocks_lost = 0;  // counted memo blocks the memo file no longer held
  std::string copy_path;     // the copy's main file; empty: nothing repaired
  bool repaired() const { return !copy_path.empty(); }
};

}  // namespace matslip
