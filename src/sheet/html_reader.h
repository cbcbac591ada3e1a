#pragma once
// The first table of an HTML page (the worksheet many programs save as
// .xls), read with libxml2's HTML parser as a stream of tags up to the
// area's last row. Cells spanning rows or columns fill the cells they
// cover in the table's grid only at their top-left one, as a spreadsheet
// opening the page shows them. The page's encoding is the one its meta tag
// names (GBK for GB2312, its subset); without one, UTF-8 when its start is
// valid UTF-8, else GBK.
#include <string>

#include "sheet/sheet_cells.h"

namespace matslip {

// A page that has not given the area's rows by this many bytes is refused.
inline constexpr long long kMaxHtmlBytes = 64ll << 20;

bool ReadHtml(const std::string& path, SheetCells* cells, std::string* reason);

}  // namespace matslip
