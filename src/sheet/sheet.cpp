#include "sheet/sheet.h"

#include <cstdio>
#include <string_view>

#include "sheet/csv_reader.h"
#include "sheet/html_reader.h"
#include "sheet/ods_reader.h"
#include "sheet/sheet_format.h"
#include "sheet/xls_reader.h"
#include "sheet/xlsx_reader.h"
#include "sheet/zip_archive.h"

namespace matslip {
namespace {

constexpr char kOdsMimeType[] =
    "application/vnd.oasis.opendocument.spreadsheet";

bool ReadZip(const std::string& path, SheetCells* cells, std::string* reason) {
  ZipArchive zip;
  if (!zip.Open(path, reason)) return false;
  if (zip.Has("xl/workbook.xml")) return ReadXlsx(zip, cells, reason);
  std::string text;
  if (!zip.Has("mimetype") ||
      !zip.ReadSmallPart("mimetype", 256, &text, reason) ||
      !std::string_view(text).starts_with(kOdsMimeType))
    return SheetFailure(reason, kSheetNotSpreadsheet);
  // The manifest tells of an encrypted content.xml.
  if (zip.ReadSmallPart("META-INF/manifest.xml", 1 << 20, &text, reason) &&
      text.find("encryption-data") != std::string::npos)
    return SheetFailure(reason, kSheetEncrypted);
  return ReadOds(zip, cells, reason);
}

}  // namespace

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
      return ReadZip(path, cells, reason);
    case SheetFormat::kHtml:
      return ReadHtml(path, cells, reason);
    case SheetFormat::kCsv:
      return ReadCsv(path, cells, reason);
    case SheetFormat::kUnknown:
      break;
  }
  return SheetFailure(reason, kSheetNotSpreadsheet);
}

}  // namespace matslip
