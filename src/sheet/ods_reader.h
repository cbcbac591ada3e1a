#pragma once
// The first table of an OpenDocument spreadsheet (.ods), streamed from its
// content.xml up to the area's last row. Repeated rows and columns count
// as many as they say, up to kMaxSheetRows and kMaxSheetColumns.
#include <string>

#include "sheet/sheet_cells.h"
#include "sheet/zip_archive.h"

namespace matslip {

bool ReadOds(const ZipArchive& zip, SheetCells* cells, std::string* reason);

}  // namespace matslip
