#pragma once
// A CSV file (comma-separated, fields in double quotes may hold commas,
// line breaks and doubled quotes), read up to the area's last row. The
// texts are UTF-8 (a byte-order mark is skipped) when every line read is
// valid UTF-8, else GBK.
#include <string>

#include "sheet/sheet_cells.h"

namespace matslip {

// A line (a record, with the line breaks inside its quotes) longer than
// this is refused.
inline constexpr std::size_t kMaxCsvLineBytes = 4 << 20;

bool ReadCsv(const std::string& path, SheetCells* cells, std::string* reason);

}  // namespace matslip
