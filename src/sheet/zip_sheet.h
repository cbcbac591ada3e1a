#pragma once
// A zipped workbook: .xlsx (it has xl/workbook.xml) or .ods (its mimetype
// says an OpenDocument spreadsheet); any other zip is no spreadsheet.
#include <string>

#include "sheet/sheet_cells.h"

namespace matslip {

bool ReadZipSheet(const std::string& path, SheetCells* cells,
                  std::string* reason);

}  // namespace matslip
