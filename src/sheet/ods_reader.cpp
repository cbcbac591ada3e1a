#include "sheet/ods_reader.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <string_view>
#include <utility>

#include "base/number.h"
#include "sheet/byte_source.h"
#include "sheet/sheet_errors.h"
#include "sheet/shown_text.h"
#include "sheet/xlsx_reader.h"
#include "sheet/xml_stream.h"

namespace matslip {
namespace {

constexpr char kTableNs[] = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr char kOfficeNs[] = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr char kTextNs[] = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr char kConfigNs[] = "urn:oasis:names:tc:opendocument:xmlns:config:1.0";
// More spaces than a cell can hold are not written out.
constexpr long long kMaxSpaceRun = 1024;

long long Count(const std::string& text) {
  long long n = 1;
  if (text.empty()) return 1;
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, n);
  if (ec != std::errc() || p != end || n < 1) return -1;
  return n;
}

bool IsNs(const XmlStream& xml, const char* ns) {
  return xml.NamespaceUri() == ns;
}

// The text of a cell whose start tag the stream is on, from its value
// attributes or from its paragraphs; the stream ends on the cell's end.
bool CellText(XmlStream& xml, std::string* text) {
  text->clear();
  const std::string type = xml.AttributeNs("value-type", kOfficeNs);
  bool from_value = false;
  if (type == "float" || type == "percentage" || type == "currency") {
    double number;
    if (ParseNumber(xml.AttributeNs("value", kOfficeNs), &number)) {
      *text = NumberCellText(number);
      from_value = true;
    }
  } else if (type == "date") {
    from_value =
        IsoDateCellText(xml.AttributeNs("date-value", kOfficeNs), text);
  }
  if (xml.IsEmptyElement()) return true;
  const int depth = xml.Depth();
  int paragraphs = 0;
  // Text counts only inside a paragraph: what lies between the elements
  // (the indentation of a pretty-printed file) is none of the cell's.
  int paragraph_depth = -1;
  while (xml.Next()) {
    if (xml.IsEnd() && xml.Depth() == depth) return true;
    if (from_value) continue;
    if (xml.IsEnd() && xml.Depth() == paragraph_depth) {
      paragraph_depth = -1;
    } else if (xml.IsStart()) {
      const std::string_view name = xml.Name();
      if (name == "annotation" && IsNs(xml, kOfficeNs)) {
        xml.Skip();  // a comment's text is no cell text
      } else if (!IsNs(xml, kTextNs)) {
        continue;
      } else if (name == "p" || name == "h") {
        if (paragraphs++ > 0) AppendCellText("\n", text);
        if (!xml.IsEmptyElement()) paragraph_depth = xml.Depth();
      } else if (name == "s") {
        const long long n =
            std::min(Count(xml.AttributeNs("c", kTextNs)), kMaxSpaceRun);
        AppendCellText(std::string(std::max(n, 1LL), ' '), text);
      } else if (name == "tab") {
        AppendCellText("\t", text);
      } else if (name == "line-break") {
        AppendCellText("\n", text);
      }
    } else if (xml.IsText() && paragraph_depth >= 0) {
      AppendCellText(xml.Text(), text);
    }
  }
  return false;
}

// The name of the table a view of the document shows (the first view's),
// from the settings the stream is on; the stream ends on their end.
std::string ActiveTableOf(XmlStream& xml) {
  std::string name;
  const int depth = xml.Depth();
  bool in_item = false, found = false;
  while (xml.Next()) {
    if (xml.IsEnd() && xml.Depth() == depth) break;
    if (found) continue;
    if (xml.IsStart() && xml.Name() == "config-item" && IsNs(xml, kConfigNs) &&
        xml.AttributeNs("name", kConfigNs) == "ActiveTable") {
      in_item = !xml.IsEmptyElement();
      found = !in_item;
    } else if (in_item && xml.IsEnd()) {
      in_item = false;
      found = true;
    } else if (in_item && xml.IsText()) {
      AppendCellText(xml.Text(), &name);
    }
  }
  return name;
}

// The cells of the document's table named `wanted`, or of its first table
// when `wanted` is empty; `*found` tells whether there was such a table. A
// flat file's root element must say it is a spreadsheet; its settings,
// which come before its tables, name the table when `wanted` is null.
bool ReadTable(XmlStream& xml, bool flat, const std::string* wanted,
               bool* found, SheetCells* cells, std::string* reason) {
  const SheetArea& area = cells->area();
  std::string active;
  if (wanted) active = *wanted;
  bool skipped = false;  // a table not wanted
  *found = true;
  int table_depth = -1;
  long long next_row = 1;  // the row the next row element starts
  long long row_end = 0;   // rows [row_start, row_end] of the current one
  long long row_start = 1;
  long long column = 1;
  std::string text;
  while (xml.Next()) {
    if (flat && xml.IsStart() && xml.Depth() == 0 &&
        !(xml.Name() == "document" && IsNs(xml, kOfficeNs) &&
          xml.AttributeNs("mimetype", kOfficeNs) == kOdsMimeType))
      return SheetFailure(reason, kSheetNotSpreadsheet);
    if (table_depth < 0) {
      if (!xml.IsStart()) continue;
      if (!wanted && xml.Name() == "settings" && IsNs(xml, kOfficeNs)) {
        active = ActiveTableOf(xml);
      } else if (xml.Name() == "table" && IsNs(xml, kTableNs)) {
        if (!active.empty() && xml.AttributeNs("name", kTableNs) != active) {
          skipped = true;
          xml.Skip();
          continue;
        }
        if (xml.IsEmptyElement()) return true;
        table_depth = xml.Depth();
      }
      continue;
    }
    if (xml.IsEnd() && xml.Depth() == table_depth) return true;
    if (!xml.IsStart() || !IsNs(xml, kTableNs)) continue;
    const std::string_view name = xml.Name();
    if (name == "table") {
      // A table inside a cell's shape or chart; its rows are not the sheet's.
      xml.Skip();
    } else if (name == "table-row") {
      const long long repeat =
          Count(xml.AttributeNs("number-rows-repeated", kTableNs));
      if (repeat < 0) return SheetFailure(reason, kSheetDamaged);
      row_start = next_row;
      if (row_start > area.last_row) return true;
      row_end = row_start + repeat - 1;
      if (row_end > kMaxSheetRows) return SheetFailure(reason, kSheetTooLarge);
      next_row = row_end + 1;
      column = 1;
    } else if (name == "table-cell" || name == "covered-table-cell") {
      const long long repeat =
          Count(xml.AttributeNs("number-columns-repeated", kTableNs));
      if (repeat < 0) return SheetFailure(reason, kSheetDamaged);
      const long long first = column, last = column + repeat - 1;
      if (last > kMaxSheetColumns) return SheetFailure(reason, kSheetTooLarge);
      column = last + 1;
      const bool in_area =
          first <= area.last_column && last >= area.first_column &&
          row_start <= area.last_row && row_end >= area.first_row;
      if (!in_area) {
        xml.Skip();
        continue;
      }
      if (!CellText(xml, &text)) break;
      if (text.empty()) continue;
      for (long long r = std::max<long long>(row_start, area.first_row);
           r <= std::min<long long>(row_end, area.last_row); ++r) {
        for (long long c = std::max<long long>(first, area.first_column);
             c <= std::min<long long>(last, area.last_column); ++c)
          cells->Set(static_cast<int>(r), static_cast<int>(c), text);
      }
    }
  }
  if (xml.Failed()) return SheetFailure(reason, xml.reason().c_str());
  if (table_depth < 0 && skipped) {
    *found = false;
    return true;
  }
  // The document ended inside its table, or has no table.
  return SheetFailure(reason,
                      table_depth < 0 ? kSheetEmptyWorkbook : kSheetDamaged);
}

bool ReadSettings(const ZipArchive& zip, std::string* active) {
  if (!zip.Has("settings.xml")) return true;
  XmlStream xml(zip, "settings.xml");
  while (xml.Next()) {
    if (xml.IsStart() && xml.Name() == "settings" && IsNs(xml, kOfficeNs)) {
      *active = ActiveTableOf(xml);
      break;
    }
  }
  return !xml.Failed();
}

}  // namespace

bool ReadOds(const ZipArchive& zip, SheetCells* cells, std::string* reason) {
  std::string active;
  // Settings that cannot be read leave the first table to read.
  ReadSettings(zip, &active);
  bool found;
  {
    XmlStream xml(zip, "content.xml");
    if (!ReadTable(xml, false, &active, &found, cells, reason)) return false;
  }
  if (found) return true;
  const std::string first;
  XmlStream xml(zip, "content.xml");
  return ReadTable(xml, false, &first, &found, cells, reason);
}

bool ReadFlatOds(const std::string& path, SheetCells* cells,
                 std::string* reason) {
  bool found;
  {
    auto file = std::make_unique<FileSource>();
    if (!file->Open(path)) return SheetFailure(reason, kSheetCannotOpen);
    XmlStream xml(std::move(file), path);
    if (!ReadTable(xml, true, nullptr, &found, cells, reason)) return false;
  }
  if (found) return true;
  auto file = std::make_unique<FileSource>();
  if (!file->Open(path)) return SheetFailure(reason, kSheetCannotOpen);
  const std::string first;
  XmlStream xml(std::move(file), path);
  return ReadTable(xml, true, &first, &found, cells, reason);
}

}  // namespace matslip
