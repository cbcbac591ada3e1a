#pragma once
// The worksheet a binary .xls workbook (BIFF 5 or 8) opens on. The
// workbook stream is read here first: claims FreeXL would trust (string
// counts, sheet sizes) are checked, and formula cells get their cached
// results, which FreeXL leaves empty. FreeXL then reads the other cells in
// a child process whose memory is limited: it has read out of bounds on
// forged files, and such a crash only refuses the file.
#include <string>

#include "sheet/sheet_cells.h"

namespace matslip {

// FreeXL keeps every cell of every sheet in memory, 16 bytes a cell: a
// workbook claiming more cells than this is refused, and so is a larger
// file.
inline constexpr long long kMaxXlsCells = 2 << 20;
inline constexpr long long kMaxXlsBytes = 16 << 20;

bool ReadXls(const std::string& path, SheetCells* cells, std::string* reason);

}  // namespace matslip
