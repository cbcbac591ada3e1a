#pragma once
// The first worksheet of a binary .xls workbook (BIFF 5 or 8), through
// FreeXL. The workbook is looked at first without its cells, so that one
// whose string table or first sheet claims more than its file could hold
// is refused before any cell is loaded; then only the area's cells are
// taken. Formula cells, which FreeXL leaves empty, get their cached results
// from the workbook stream itself.
#include <string>

#include "sheet/sheet_cells.h"

namespace matslip {

// FreeXL keeps every cell of the sheet in memory, 16 bytes a cell: a sheet
// of more cells than this is refused, and so is a larger file.
inline constexpr long long kMaxXlsCells = 2 << 20;
inline constexpr long long kMaxXlsBytes = 32 << 20;

bool ReadXls(const std::string& path, SheetCells* cells, std::string* reason);

}  // namespace matslip
