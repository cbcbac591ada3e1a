#pragma once
// Reads an area of a spreadsheet file without any spreadsheet program, from
// the worksheet a spreadsheet program opens it on: the one saved as active,
// else the first. The format is told by the file's content, not its
// name: binary .xls (BIFF 5 and 8), .xlsx, .ods and flat .fods, an HTML table
// saved as .xls, and .csv (UTF-8 with or without byte-order mark, or GBK). Each
// cell comes back as the text a spreadsheet shows (sheet/shown_text.h).
//
// Hostile files are bounded: the reading stops after the area's last row,
// no zip part is inflated (nor flat file read) beyond kMaxPartBytes, and no
// reader holds more than about 100 MB.
#include <string>

#include "sheet/sheet_cells.h"
#include "sheet/sheet_errors.h"

namespace matslip {

// The most cells one read may ask for.
inline constexpr long long kMaxAreaCells = 1 << 18;

// True with the area's texts in `cells`; false with a reason for the user
// (one of sheet/sheet_errors.h) in `reason`.
bool ReadSheet(const std::string& path, const SheetArea& area,
               SheetCells* cells, std::string* reason);

}  // namespace matslip
