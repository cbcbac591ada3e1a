#include "sheet/xls_reader.h"

#include <freexl.h>

#include <cstdio>
#include <string_view>

#include "base/datetime.h"
#include "base/files.h"
#include "base/number.h"
#include "sheet/biff_formulas.h"
#include "sheet/compound_file.h"
#include "sheet/sheet_errors.h"
#include "sheet/shown_text.h"

namespace matslip {
namespace {

// The smallest string of a BIFF8 string table: a length and a flags byte.
constexpr long long kMinStringBytes = 3;

class Workbook {
 public:
  ~Workbook() {
    if (handle_) freexl_close(handle_);
  }
  int Open(const std::string& path, bool info_only) {
    return info_only ? freexl_open_info(path.c_str(), &handle_)
                     : freexl_open(path.c_str(), &handle_);
  }
  const void* handle() const { return handle_; }

 private:
  const void* handle_ = nullptr;
};

long long FileSize(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  long long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
  std::fclose(f);
  return size;
}

// An encrypted .xlsx is a compound file like an .xls, holding the stream
// "EncryptedPackage" instead of a workbook.
bool HoldsEncryptedPackage(const std::string& path) {
  static constexpr char16_t kName[] = u"EncryptedPackage";
  std::string pattern;
  for (char16_t c : std::u16string_view(kName)) {
    pattern.push_back(static_cast<char>(c));
    pattern.push_back('\0');
  }
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::string window;
  char buffer[1 << 16];
  bool found = false;
  std::size_t n;
  while (!found && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    window.append(buffer, n);
    found = window.find(pattern) != std::string::npos;
    window.erase(0, window.size() - std::min(window.size(), pattern.size()));
  }
  std::fclose(f);
  return found;
}

const char* OpenFailure(int error, const std::string& path) {
  if (error == FREEXL_FILE_NOT_FOUND) return kSheetCannotOpen;
  if (error == FREEXL_INSUFFICIENT_MEMORY) return kSheetTooLarge;
  if (HoldsEncryptedPackage(path)) return kSheetEncrypted;
  return kSheetDamaged;
}

// Checks what the workbook claims before its cells are loaded.
bool CheckClaims(const std::string& path, std::string* reason) {
  Workbook book;
  const int error = book.Open(path, true);
  if (error != FREEXL_OK) return SheetFailure(reason, OpenFailure(error, path));
  unsigned int value = 0;
  if (freexl_get_info(book.handle(), FREEXL_BIFF_PASSWORD, &value) ==
          FREEXL_OK &&
      value == FREEXL_BIFF_OBFUSCATED)
    return SheetFailure(reason, kSheetEncrypted);
  if (freexl_get_info(book.handle(), FREEXL_BIFF_SHEET_COUNT, &value) !=
          FREEXL_OK ||
      value == 0)
    return SheetFailure(reason, kSheetEmptyWorkbook);
  // FreeXL may keep the cells of every sheet.
  long long cells = 0;
  for (unsigned sheet = 0; sheet < value; ++sheet) {
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(book.handle(), sheet) != FREEXL_OK ||
        freexl_worksheet_dimensions(book.handle(), &rows, &columns) !=
            FREEXL_OK)
      return SheetFailure(reason, kSheetDamaged);
    cells += static_cast<long long>(rows) * columns;
    if (cells > kMaxXlsCells) return SheetFailure(reason, kSheetTooLarge);
  }
  if (freexl_get_info(book.handle(), FREEXL_BIFF_STRING_COUNT, &value) ==
          FREEXL_OK &&
      static_cast<long long>(value) > FileSize(path) / kMinStringBytes)
    return SheetFailure(reason, kSheetDamaged);
  return true;
}

std::string CellText(const FreeXL_CellValue& cell) {
  switch (cell.type) {
    case FREEXL_CELL_INT:
      return IntegerToText(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
      return NumberCellText(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
      return cell.value.text_value ? cell.value.text_value : "";
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME: {
      std::string text;
      const char* iso = cell.value.text_value ? cell.value.text_value : "";
      return IsoDateCellText(iso, &text) ? text : iso;
    }
    case FREEXL_CELL_TIME: {
      // A time of day alone: on the zero date.
      std::string text;
      const std::string iso =
          std::string("1899-12-30 ") +
          (cell.value.text_value ? cell.value.text_value : "");
      return IsoDateCellText(iso, &text) ? text : iso.substr(11);
    }
    default:
      return {};
  }
}

// Formula results straight into the cells; FreeXL fills the others.
bool ReadFormulas(const std::string& path, SheetCells* cells,
                  std::string* reason) {
  std::string file, workbook;
  if (!ReadFile(path, &file)) return SheetFailure(reason, kSheetCannotOpen);
  if (!ReadCompoundStream(file, u"Workbook", &workbook) &&
      !ReadCompoundStream(file, u"Book", &workbook))
    return SheetFailure(reason, kSheetDamaged);
  ReadFormulaResults(workbook, cells);
  return true;
}

}  // namespace

bool ReadXls(const std::string& path, SheetCells* cells, std::string* reason) {
  const long long size = FileSize(path);
  if (size < 0) return SheetFailure(reason, kSheetCannotOpen);
  if (size > kMaxXlsBytes) return SheetFailure(reason, kSheetTooLarge);
  if (!CheckClaims(path, reason) || !ReadFormulas(path, cells, reason))
    return false;
  Workbook book;
  const int error = book.Open(path, false);
  if (error != FREEXL_OK) return SheetFailure(reason, OpenFailure(error, path));
  unsigned int rows = 0;
  unsigned short columns = 0;
  if (freexl_select_active_worksheet(book.handle(), 0) != FREEXL_OK ||
      freexl_worksheet_dimensions(book.handle(), &rows, &columns) != FREEXL_OK)
    return SheetFailure(reason, kSheetDamaged);
  const SheetArea& area = cells->area();
  for (long long r = area.first_row; r <= area.last_row && r <= rows; ++r) {
    for (long long c = area.first_column; c <= area.last_column && c <= columns;
         ++c) {
      FreeXL_CellValue cell;
      if (freexl_get_cell_value(book.handle(), static_cast<unsigned>(r - 1),
                                static_cast<unsigned short>(c - 1),
                                &cell) != FREEXL_OK)
        return SheetFailure(reason, kSheetDamaged);
      if (cell.type != FREEXL_CELL_NULL)
        cells->Set(static_cast<int>(r), static_cast<int>(c), CellText(cell));
    }
  }
  return true;
}

}  // namespace matslip
