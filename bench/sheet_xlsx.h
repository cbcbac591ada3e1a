#pragma once
// A 500-row (or larger) .xlsx material list generated as a spreadsheet
// program writes it (shared strings, one row element per row): two heading
// rows, then `rows` materials in columns B..H. Made once per run in the
// temporary folder; its path.
#include <string>

namespace matslip {

std::string MakeXlsx(int rows);

}  // namespace matslip
