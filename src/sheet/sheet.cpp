#include "sheet/sheet.h"

#include <cstdio>
#include <string_view>

#include "sheet/csv_reader.h"
#include "sheet/html_reader.h"
#include "sheet/ods_reader.h"
#include "sheet/sheet_format.h"
#include "sheet/xls_reader.h"
#include "sheet/zip_sheet.h"

namespace matslip {
bool ReadSheet(const std::string& path, const SheetArea& area,
               SheetCells* cells, std::string* reason) {
  const long long rows =
      static_cast<long long>(area.last_row) - area.first_row + 1;
  const long long columns =
      static_cast<long long>(area.last_column) - area.first_column + 1;
  if (rows > 0 && columns > 0 && rows * columns > kMaxAreaCells)
    return SheetFailure(reason, kSheetAreaTooLarge);
  *cells = SheetCells(area);

  std::string start(kSniffBytes, '\0');
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return SheetFailure(reason, kSheetCannotOpen);
  start.resize(std::fread(start.data(), 1, start.size(), file));
  const bool failed = std::ferror(file);
  std::fclose(file);
  if (failed) return SheetFailure(reason, kSheetCannotOpen);

  switch (SniffFormat(start)) {
    case SheetFormat::kEmpty:
      return SheetFailure(reason, kSheetEmptyWorkbook);
    case SheetFormat::kCompound:
      return ReadXls(path, cells, reason);
    case SheetFormat::kZip:
      return ReadZipSheet(path, cells, reason);
    case SheetFormat::kHtml:
      return ReadHtml(path, cells, reason);
    case SheetFormat::kFlatOds:
      return ReadFlatOds(path, cells, reason);
    case SheetFormat::kCsv:
      return ReadCsv(path, cells, reason);
    case SheetFormat::kUnknown:
      break;
  }
  return SheetFailure(reason, kSheetNotSpreadsheet);
}

}  // namespace matslip
