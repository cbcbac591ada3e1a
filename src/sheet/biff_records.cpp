#include "sheet/biff_records.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "base/gbk.h"
#include "base/utf8.h"
#include "sheet/date_format.h"
#include "sheet/sheet_errors.h"
#include "sheet/shown_text.h"

namespace matslip {
namespace {

constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kCodePage = 0x0042;
constexpr std::uint16_t kFormula = 0x0006;
constexpr std::uint16_t kString = 0x0207;
constexpr std::uint16_t kBiff8 = 0x0600;
constexpr std::uint16_t kFilePass = 0x002F;
constexpr std::uint16_t kDimension = 0x0200;
constexpr std::uint16_t kSst = 0x00FC;
constexpr std::uint16_t kFormat = 0x041E;
constexpr std::uint16_t kXf = 0x00E0;
constexpr std::uint16_t kDateMode = 0x0022;
constexpr std::uint16_t kWindow1 = 0x003D;
constexpr std::uint16_t kGbkCodePage = 936;
// Days between the 1900 and the 1904 date systems.
constexpr double k1904Offset = 1462;
// The smallest string of a string table: a length and a flags byte.
constexpr std::size_t kMinStringBytes = 3;

std::uint16_t U16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    static_cast<unsigned char>(b[at + 1]) << 8);
}

std::uint32_t U32(std::string_view b, std::size_t at) {
  return U16(b, at) | static_cast<std::uint32_t>(U16(b, at + 2)) << 16;
}

struct Record {
  std::uint16_t type;
  std::string_view data;
};

// The record at `*at`, moving `*at` past it; false at the end.
bool NextRecord(std::string_view stream, std::size_t* at, Record* record) {
  if (*at + 4 > stream.size()) return false;
  const std::size_t size = U16(stream, *at + 2);
  if (*at + 4 + size > stream.size()) return false;
  record->type = U16(stream, *at);
  record->data = stream.substr(*at + 4, size);
  *at += 4 + size;
  return true;
}

// Text in the workbook's code page (BIFF 5): GBK or else Latin-1.
std::string Decode8Bit(std::string_view bytes, std::uint16_t code_page) {
  if (code_page == kGbkCodePage) return GbkToUtf8(bytes);
  std::string out;
  for (unsigned char c : bytes) AppendUtf8(c, &out);
  return out;
}

// The text of a STRING record (and of a BIFF 8 FORMAT record's code).
std::string StringResult(std::string_view data, bool biff8,
                         std::uint16_t code_page) {
  if (data.size() < 2) return {};
  const std::size_t length = U16(data, 0);
  std::string out;
  if (!biff8) return Decode8Bit(data.substr(2, length), code_page);
  if (data.size() < 3) return {};
  const unsigned flags = static_cast<unsigned char>(data[2]);
  std::size_t at = 3;
  if (flags & 0x08) at += 2;  // rich-text run count
  if (flags & 0x04) at += 4;  // phonetic data size
  const bool wide = flags & 0x01;
  for (std::size_t i = 0; i < length; ++i) {
    if (wide) {
      if (at + 2 > data.size()) break;
      char32_t c = U16(data, at);
      at += 2;
      if (c >= 0xD800 && c < 0xDC00 && at + 2 <= data.size()) {
        const char32_t low = U16(data, at);
        if (low >= 0xDC00 && low < 0xE000) {
          c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
          at += 2;
          ++i;
        }
      }
      AppendUtf8(c, &out);
    } else {
      if (at >= data.size()) break;
      AppendUtf8(static_cast<unsigned char>(data[at++]), &out);
    }
  }
  return out;
}

const char* ErrorText(unsigned code) {
  switch (code) {
    case 0x00:
      return "#NULL!";
    case 0x07:
      return "#DIV/0!";
    case 0x0F:
      return "#VALUE!";
    case 0x17:
      return "#REF!";
    case 0x1D:
      return "#NAME?";
    case 0x24:
      return "#NUM!";
    default:
      return "#N/A";
  }
}

// What the globals of a workbook (its records up to their EOF) say about
// reading its sheets' formula results.
struct WorkbookGlobals {
  bool biff8 = false;
  std::uint16_t code_page = 0;
  std::vector<std::uint32_t> sheet_offsets;  // where each sheet begins
  // By cell format: whether it shows numbers as dates.
  std::vector<bool> date_cell_formats;
  double date_offset = 0;  // added to a date in the 1904 system
};

// Reads the globals from the workbook's start, leaving `*at` past them.
// False when the stream does not start with a BOF record.
bool ReadGlobals(std::string_view workbook, std::size_t* at,
                 WorkbookGlobals* globals) {
  Record record;
  if (!NextRecord(workbook, at, &record) || record.type != kBof ||
      record.data.size() < 2)
    return false;
  globals->biff8 = U16(record.data, 0) == kBiff8;
  // Number formats that show dates, built in and then the workbook's own.
  std::vector<bool> date_formats(1 << 16);
  for (int id = 0; id < (1 << 16); ++id)
    date_formats[id] = IsBuiltInDateFormat(id);
  while (NextRecord(workbook, at, &record) && record.type != kEof) {
    const std::string_view d = record.data;
    if (record.type == kCodePage && d.size() >= 2) {
      globals->code_page = U16(d, 0);
    } else if (record.type == kDateMode && d.size() >= 2) {
      globals->date_offset = U16(d, 0) == 1 ? k1904Offset : 0;
    } else if (record.type == kFormat && d.size() >= 3) {
      const std::string code =
          globals->biff8
              ? StringResult(d.substr(2), true, globals->code_page)
              : Decode8Bit(d.substr(3, static_cast<unsigned char>(d[2])),
                           globals->code_page);
      date_formats[U16(d, 0)] = IsDateFormatCode(code);
    } else if (record.type == kXf && d.size() >= 4) {
      globals->date_cell_formats.push_back(date_formats[U16(d, 2)]);
    } else if (record.type == kBoundSheet && d.size() >= 6) {
      globals->sheet_offsets.push_back(U32(d, 0));
    }
  }
  return true;
}

// The text a FORMULA record's cached result shows (the record at least 14
// bytes long). False for a text result, which is in the STRING record that
// follows.
bool FormulaResultText(std::string_view formula, const WorkbookGlobals& globals,
                       std::string* text) {
  const std::string_view result = formula.substr(6, 8);
  if (U16(result, 6) != 0xFFFF) {
    const std::uint64_t bits =
        U32(result, 0) | static_cast<std::uint64_t>(U32(result, 4)) << 32;
    const double value = std::bit_cast<double>(bits);
    const std::size_t format = U16(formula, 4);
    *text = format < globals.date_cell_formats.size() &&
                    globals.date_cell_formats[format]
                ? DateCellText(value + globals.date_offset)
                : NumberCellText(value);
    return true;
  }
  switch (static_cast<unsigned char>(result[0])) {
    case 0:
      return false;
    case 1:
      *text = result[2] ? "TRUE" : "FALSE";
      return true;
    case 2:
      *text = ErrorText(static_cast<unsigned char>(result[2]));
      return true;
    default:
      text->clear();
      return true;
  }
}

}  // namespace

const char* CheckBiffClaims(std::string_view workbook, long long max_cells) {
  std::size_t at = 0;
  Record record;
  long long cells = 0;
  while (NextRecord(workbook, &at, &record)) {
    const std::string_view d = record.data;
    if (record.type == kFilePass) return kSheetEncrypted;
    if (record.type == kSst && d.size() >= 8 &&
        std::max(U32(d, 0), U32(d, 4)) > workbook.size() / kMinStringBytes)
      return kSheetDamaged;
    if (record.type == kDimension) {
      // BIFF 8: rows as 32 bits; BIFF 5: as 16 bits. The last row and
      // column are given as one past them.
      long long rows = 0, columns = 0;
      if (d.size() >= 14) {
        rows = U32(d, 4), columns = U16(d, 10);
      } else if (d.size() >= 8) {
        rows = U16(d, 2), columns = U16(d, 6);
      }
      cells += rows * columns;
      if (cells > max_cells) return kSheetTooLarge;
    }
  }
  return nullptr;
}

int OpenedSheet(std::string_view workbook) {
  std::size_t at = 0;
  Record record;
  if (!NextRecord(workbook, &at, &record) || record.type != kBof) return -1;
  std::vector<bool> worksheets;  // of every sheet, in order
  int current = 0;
  while (NextRecord(workbook, &at, &record) && record.type != kEof) {
    if (record.type == kWindow1 && record.data.size() >= 12)
      current = U16(record.data, 10);
    else if (record.type == kBoundSheet && record.data.size() >= 6)
      worksheets.push_back(record.data[5] == 0);
  }
  if (static_cast<std::size_t>(current) < worksheets.size() &&
      worksheets[static_cast<std::size_t>(current)])
    return current;
  const auto first = std::find(worksheets.begin(), worksheets.end(), true);
  return first == worksheets.end()
             ? -1
             : static_cast<int>(first - worksheets.begin());
}

void ReadFormulaResults(std::string_view workbook, int sheet,
                        SheetCells* cells) {
  std::size_t at = 0;
  WorkbookGlobals globals;
  if (!ReadGlobals(workbook, &at, &globals) || sheet < 0 ||
      static_cast<std::size_t>(sheet) >= globals.sheet_offsets.size())
    return;
  at = globals.sheet_offsets[static_cast<std::size_t>(sheet)];
  Record record;
  int pending_row = 0, pending_column = 0;  // a formula awaiting its STRING
  while (NextRecord(workbook, &at, &record) && record.type != kEof) {
    if (record.type == kString && pending_row > 0) {
      cells->Set(pending_row, pending_column,
                 StringResult(record.data, globals.biff8, globals.code_page));
      pending_row = 0;
      continue;
    }
    pending_row = 0;
    if (record.type != kFormula || record.data.size() < 14) continue;
    const int row = U16(record.data, 0) + 1;
    const int column = U16(record.data, 2) + 1;
    if (!cells->Contains(row, column)) continue;
    std::string text;
    if (FormulaResultText(record.data, globals, &text)) {
      cells->Set(row, column, text);
    } else {
      pending_row = row;
      pending_column = column;
    }
  }
}

}  // namespace matslip
