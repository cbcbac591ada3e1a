#pragma once
// The workbook's sort: qd.mzk as the statistics wrote it, ordered on one of
// its fields into qd4.mzk, which the reopened window then shows.
#include <string>

namespace matslip {

struct WorkbookState;

// Sets the sorted flag (the window is reopened whatever happens), then
// writes qd4.mzk from qd.mzk ordered on the field named `field`. False when
// qd.mzk cannot be opened or has no such field; qd4.mzk then stays as it
// was.
bool SortResultTable(const std::string& program_dir, const std::string& field,
                     bool ascending, WorkbookState* state);

}  // namespace matslip
