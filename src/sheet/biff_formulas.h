#pragma once
// The cached results of the formula cells of a BIFF workbook's first
// worksheet (FreeXL leaves formula cells empty). Numbers come as numbers,
// texts, booleans and errors as the spreadsheet shows them.
#include <string_view>

#include "sheet/sheet_cells.h"

namespace matslip {

// Sets the formula cells of `cells`' area from a workbook stream ("Workbook"
// of BIFF 8, "Book" of BIFF 5); records cut short end the reading.
void ReadFormulaResults(std::string_view workbook, SheetCells* cells);

}  // namespace matslip
