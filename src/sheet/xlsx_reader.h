#pragma once
// The worksheet an .xlsx workbook (Office Open XML) opens on, its workbook
// view's active tab (else the first), streamed: the sheet's rows up to the
// area's last one, then only the shared strings those rows use.
#include <string>

#include "sheet/sheet_cells.h"
#include "sheet/zip_archive.h"

namespace matslip {

// The most rows and columns a worksheet can have.
inline constexpr int kMaxSheetRows = 1 << 20;
inline constexpr int kMaxSheetColumns = 1 << 14;

bool ReadXlsx(const ZipArchive& zip, SheetCells* cells, std::string* reason);

}  // namespace matslip
