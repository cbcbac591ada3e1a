#pragma once
// The table an OpenDocument spreadsheet opens on, zipped (.ods, from its
// content.xml) or flat (.fods, one XML file): the active table its view
// settings name, else the first; streamed up to the area's last row. Repeated
// rows and columns count as many as they say, up to kMaxSheetRows and
// kMaxSheetColumns.
#include <string>

#include "sheet/sheet_cells.h"
#include "sheet/zip_archive.h"

namespace matslip {

// What an OpenDocument spreadsheet says it is (a zip's "mimetype" part, a
// flat file's root element).
inline constexpr char kOdsMimeType[] =
    "application/vnd.oasis.opendocument.spreadsheet";

bool ReadOds(const ZipArchive& zip, SheetCells* cells, std::string* reason);

// A flat file whose root element is no spreadsheet document (a flat text
// document, say) is refused as no spreadsheet.
bool ReadFlatOds(const std::string& path, SheetCells* cells,
                 std::string* reason);

}  // namespace matslip
