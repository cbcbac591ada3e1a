#include "sheet/xlsx_reader.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

#include "base/number.h"
#include "sheet/date_format.h"
#include "sheet/sheet_errors.h"
#include "sheet/shown_text.h"
#include "sheet/xml_stream.h"

namespace matslip {
namespace {

constexpr char kRelationshipsNs[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr char kStrictRelationshipsNs[] =
    "http://purl.oclc.org/ooxml/officeDocument/relationships";
// Number formats and cell formats have small ids; a style sheet with more
// is not kept beyond these (those cells show their numbers plainly).
constexpr int kMaxFormatId = 1 << 16;
constexpr std::size_t kMaxCellFormats = 1 << 16;
// The smallest shared string, "<si/>".
constexpr std::uint64_t kMinSharedStringBytes = 5;
// Days between the 1900 and the 1904 date systems.
constexpr double k1904Offset = 1462;

bool ParseInt(std::string_view text, long long* value) {
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, *value);
  return ec == std::errc() && p == end;
}

// "B3" -> column 2, row 3. Either part may be missing ("B", "3").
bool ParseCellReference(std::string_view ref, long long* row,
                        long long* column) {
  std::size_t i = 0;
  long long col = 0;
  while (i < ref.size() && ((ref[i] | 0x20) >= 'a' && (ref[i] | 0x20) <= 'z')) {
    col = col * 26 + ((ref[i] | 0x20) - 'a' + 1);
    if (col > kMaxSheetColumns * 26LL) return false;
    ++i;
  }
  if (i < ref.size() && ref[i] == '$') ++i;
  *column = col;
  *row = 0;
  if (i < ref.size()) {
    const std::string_view digits = ref.substr(i);
    if (digits.size() > 12 || !ParseInt(digits, row)) return false;
  }
  return true;
}

std::string Resolve(std::string_view base_dir, std::string_view target) {
  std::string path = target.starts_with('/')
                         ? std::string(target.substr(1))
                         : std::string(base_dir) + std::string(target);
  // Fold "dir/../".
  for (std::size_t up; (up = path.find("/../")) != std::string::npos;) {
    const std::size_t start = path.rfind('/', up == 0 ? 0 : up - 1);
    path.erase(start == std::string::npos ? 0 : start + 1,
               up + 4 - (start == std::string::npos ? 0 : start + 1));
  }
  return path;
}

struct Workbook {
  std::string sheet_part;
  bool date1904 = false;
};

// The sheet a spreadsheet program opens on: the workbook view's active tab
// (0-based), the first sheet when there is none or no such sheet.
bool ReadWorkbook(const ZipArchive& zip, Workbook* book, std::string* reason) {
  std::string sheet_id;
  {
    XmlStream xml(zip, "xl/workbook.xml");
    long long active = -1, index = 0;
    while (xml.Next()) {
      if (!xml.IsStart()) continue;
      if (xml.Name() == "workbookPr") {
        const std::string v = xml.Attribute("date1904");
        book->date1904 = v == "1" || v == "true";
      } else if (xml.Name() == "workbookView" && active < 0) {
        if (!ParseInt(xml.Attribute("activeTab"), &active) || active < 0)
          active = 0;
      } else if (xml.Name() == "sheet") {
        std::string id = xml.AttributeNs("id", kRelationshipsNs);
        if (id.empty()) id = xml.AttributeNs("id", kStrictRelationshipsNs);
        if (index == 0 || index == active) sheet_id = std::move(id);
        if (index++ >= active) break;
      }
    }
    if (xml.Failed()) return SheetFailure(reason, xml.reason().c_str());
  }
  if (sheet_id.empty()) return SheetFailure(reason, kSheetEmptyWorkbook);
  XmlStream rels(zip, "xl/_rels/workbook.xml.rels");
  while (rels.Next()) {
    if (rels.IsStart() && rels.Name() == "Relationship" &&
        rels.Attribute("Id") == sheet_id) {
      book->sheet_part = Resolve("xl/", rels.Attribute("Target"));
      break;
    }
  }
  if (rels.Failed()) return SheetFailure(reason, rels.reason().c_str());
  if (book->sheet_part.empty() || !zip.Has(book->sheet_part))
    return SheetFailure(reason, kSheetDamaged);
  return true;
}

// For each cell format (the cells' s attribute), whether it shows dates.
bool ReadDateStyles(const ZipArchive& zip, std::vector<bool>* date_styles,
                    std::string* reason) {
  if (!zip.Has("xl/styles.xml")) return true;
  std::vector<bool> date_formats(kMaxFormatId);
  for (int id = 0; id < kMaxFormatId; ++id)
    date_formats[id] = IsBuiltInDateFormat(id);
  XmlStream xml(zip, "xl/styles.xml");
  bool in_cell_formats = false;
  while (xml.Next()) {
    if (xml.IsEnd() && xml.Name() == "cellXfs") break;
    if (!xml.IsStart()) continue;
    const std::string_view name = xml.Name();
    if (name == "numFmt") {
      long long id;
      if (ParseInt(xml.Attribute("numFmtId"), &id) && id >= 0 &&
          id < kMaxFormatId)
        date_formats[id] = IsDateFormatCode(xml.Attribute("formatCode"));
    } else if (name == "cellXfs") {
      in_cell_formats = true;
    } else if (in_cell_formats && name == "xf" &&
               date_styles->size() < kMaxCellFormats) {
      long long id;
      date_styles->push_back(ParseInt(xml.Attribute("numFmtId"), &id) &&
                             id >= 0 && id < kMaxFormatId && date_formats[id]);
    }
  }
  if (xml.Failed()) return SheetFailure(reason, xml.reason().c_str());
  return true;
}

// A cell of the area whose text is the shared string `index`.
struct SharedRef {
  long long index;
  int row, column;
};

class SheetReader {
 public:
  SheetReader(const Workbook& book, const std::vector<bool>& date_styles,
              SheetCells* cells)
      : book_(book), date_styles_(date_styles), cells_(cells) {}

  bool Read(const ZipArchive& zip, std::string* reason);
  std::vector<SharedRef>& shared() { return shared_; }

 private:
  bool StartCell(XmlStream& xml);
  bool FinishCell();

  const Workbook& book_;
  const std::vector<bool>& date_styles_;
  SheetCells* cells_;
  std::vector<SharedRef> shared_;

  long long row_ = 0, column_ = 0;
  bool in_cell_ = false, in_value_ = false, in_inline_text_ = false;
  int phonetic_depth_ = 0;
  std::string type_;
  long long style_ = 0;
  std::string value_, inline_text_;
};

bool SheetReader::StartCell(XmlStream& xml) {
  long long row = 0, column = 0;
  const std::string ref = xml.Attribute("r");
  if (!ref.empty() && !ParseCellReference(ref, &row, &column)) return false;
  column_ = column > 0 ? column : column_ + 1;
  if (row > 0 && row != row_) return false;
  if (column_ > kMaxSheetColumns) return false;
  type_ = xml.Attribute("t");
  if (!ParseInt(xml.Attribute("s"), &style_)) style_ = 0;
  value_.clear();
  inline_text_.clear();
  in_cell_ = !xml.IsEmptyElement();
  return true;
}

// False for a cell whose value cannot be what its type says.
bool SheetReader::FinishCell() {
  in_cell_ = false;
  const int row = static_cast<int>(row_), column = static_cast<int>(column_);
  if (!cells_->Contains(row, column)) return true;
  if (type_ == "s") {
    long long index;
    if (!ParseInt(value_, &index) || index < 0) return false;
    shared_.push_back({index, row, column});
  } else if (type_ == "inlineStr") {
    cells_->Set(row, column, std::move(inline_text_));
  } else if (type_ == "str" || type_ == "e") {
    cells_->Set(row, column, std::move(value_));
  } else if (type_ == "b") {
    cells_->Set(row, column, value_ == "1" ? "TRUE" : "FALSE");
  } else if (type_ == "d") {
    std::string text;
    cells_->Set(row, column, IsoDateCellText(value_, &text) ? text : value_);
  } else if (!value_.empty()) {
    double number;
    if (!ParseNumber(value_, &number)) return false;
    const bool date = style_ >= 0 &&
                      static_cast<std::size_t>(style_) < date_styles_.size() &&
                      date_styles_[style_];
    cells_->Set(row, column,
                date ? DateCellText(number + (book_.date1904 ? k1904Offset : 0))
                     : NumberCellText(number));
  }
  return true;
}

bool SheetReader::Read(const ZipArchive& zip, std::string* reason) {
  XmlStream xml(zip, book_.sheet_part);
  const int last_row = cells_->area().last_row;
  while (xml.Next()) {
    const std::string_view name = xml.Name();
    if (xml.IsStart()) {
      if (name == "dimension") {
        // "A1:H502": the used range's last cell claims the sheet's size.
        const std::string ref = xml.Attribute("ref");
        const std::size_t colon = ref.find(':');
        long long rows, columns;
        if (ParseCellReference(
                colon == std::string::npos ? ref : ref.substr(colon + 1), &rows,
                &columns) &&
            (rows > kMaxSheetRows || columns > kMaxSheetColumns))
          return SheetFailure(reason, kSheetTooLarge);
      } else if (name == "row") {
        long long row;
        if (!ParseInt(xml.Attribute("r"), &row)) row = row_ + 1;
        if (row <= row_) return SheetFailure(reason, kSheetDamaged);
        if (row > kMaxSheetRows) return SheetFailure(reason, kSheetTooLarge);
        // Rows come in order: the rest of the sheet is not needed.
        if (row > last_row) return true;
        row_ = row;
        column_ = 0;
      } else if (name == "c") {
        if (row_ == 0) row_ = 1;  // a cell outside any row element
        if (!StartCell(xml)) return SheetFailure(reason, kSheetDamaged);
        if (!in_cell_ && !FinishCell())
          return SheetFailure(reason, kSheetDamaged);
      } else if (in_cell_ && name == "v") {
        in_value_ = !xml.IsEmptyElement();
      } else if (in_cell_ && name == "rPh") {
        if (!xml.IsEmptyElement()) ++phonetic_depth_;
      } else if (in_cell_ && name == "t" && phonetic_depth_ == 0) {
        in_inline_text_ = !xml.IsEmptyElement();
      }
    } else if (xml.IsEnd()) {
      if (name == "c" && in_cell_) {
        if (!FinishCell()) return SheetFailure(reason, kSheetDamaged);
      } else if (name == "v") {
        in_value_ = false;
      } else if (name == "t") {
        in_inline_text_ = false;
      } else if (name == "rPh" && phonetic_depth_ > 0) {
        --phonetic_depth_;
      } else if (name == "sheetData") {
        return true;
      }
    } else if (xml.IsText() && in_cell_ &&
               cells_->Contains(static_cast<int>(row_),
                                static_cast<int>(column_))) {
      if (in_value_) AppendCellText(xml.Text(), &value_);
      if (in_inline_text_) AppendCellText(xml.Text(), &inline_text_);
    }
  }
  if (xml.Failed()) return SheetFailure(reason, xml.reason().c_str());
  return true;
}

// Puts the shared strings the area uses into its cells, reading the table
// only up to the last one needed.
bool ResolveSharedStrings(const ZipArchive& zip, std::vector<SharedRef> refs,
                          SheetCells* cells, std::string* reason) {
  if (refs.empty()) return true;
  std::sort(
      refs.begin(), refs.end(),
      [](const SharedRef& a, const SharedRef& b) { return a.index < b.index; });
  const std::string part = "xl/sharedStrings.xml";
  const std::uint64_t claimed = zip.ClaimedSize(part);
  XmlStream xml(zip, part);
  long long index = -1;
  std::size_t next = 0;  // first entry of refs not resolved yet
  bool in_text = false;
  int phonetic_depth = 0;
  std::string text;
  while (next < refs.size() && xml.Next()) {
    const std::string_view name = xml.Name();
    if (xml.IsStart()) {
      if (name == "sst") {
        // A count its part could not hold is a forgery.
        for (const char* attribute : {"count", "uniqueCount"}) {
          long long count;
          if (ParseInt(xml.Attribute(attribute), &count) &&
              (count < 0 ||
               static_cast<std::uint64_t>(count) >
                   std::min(claimed, kMaxPartBytes) / kMinSharedStringBytes))
            return SheetFailure(reason, kSheetDamaged);
        }
      } else if (name == "si") {
        ++index;
        text.clear();
        if (xml.IsEmptyElement()) {
          while (next < refs.size() && refs[next].index == index)
            cells->Set(refs[next].row, refs[next].column, ""), ++next;
        }
      } else if (name == "rPh") {
        if (!xml.IsEmptyElement()) ++phonetic_depth;
      } else if (name == "t" && phonetic_depth == 0) {
        in_text = !xml.IsEmptyElement();
      }
    } else if (xml.IsEnd()) {
      if (name == "si") {
        while (next < refs.size() && refs[next].index == index)
          cells->Set(refs[next].row, refs[next].column, text), ++next;
      } else if (name == "t") {
        in_text = false;
      } else if (name == "rPh" && phonetic_depth > 0) {
        --phonetic_depth;
      }
    } else if (xml.IsText() && in_text && refs[next].index == index) {
      AppendCellText(xml.Text(), &text);
    }
  }
  if (xml.Failed()) return SheetFailure(reason, xml.reason().c_str());
  // A cell that names a string the table does not have.
  if (next < refs.size()) return SheetFailure(reason, kSheetDamaged);
  return true;
}

}  // namespace

bool ReadXlsx(const ZipArchive& zip, SheetCells* cells, std::string* reason) {
  Workbook book;
  if (!ReadWorkbook(zip, &book, reason)) return false;
  std::vector<bool> date_styles;
  if (!ReadDateStyles(zip, &date_styles, reason)) return false;
  SheetReader sheet(book, date_styles, cells);
  if (!sheet.Read(zip, reason)) return false;
  return ResolveSharedStrings(zip, std::move(sheet.shared()), cells, reason);
}

}  // namespace matslip
