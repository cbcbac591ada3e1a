#include "sheet/zip_sheet.h"

#include <string_view>

#include "sheet/ods_reader.h"
#include "sheet/sheet_errors.h"
#include "sheet/xlsx_reader.h"
#include "sheet/zip_archive.h"

namespace matslip {

bool ReadZipSheet(const std::string& path, SheetCells* cells,
                  std::string* reason) {
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

}  // namespace matslip
