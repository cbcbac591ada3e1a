#include "workbook/spreadsheet_export.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/datetime.h"
#include "base/dialogs.h"
#include "base/files.h"
#include "base/gbk.h"
#include "store/format.h"
#include "store/record_codec.h"
#include "store/table.h"
#include "workbook/worksheet_header.h"

namespace matslip {
namespace {

constexpr int kMaxNumber = 1000;
constexpr char kExtension[] = ".xls";
// Rows are gathered into writes of about this size.
constexpr std::size_t kWriteBytes = 256 * 1024;

constexpr std::string_view kColEnd = " style='width:54pt'>\r\n\r\n";
constexpr std::string_view kTitleRowStart =
    " <tr height=21 style='mso-height-source:userset;height:15.75pt'>\r\n";
constexpr std::string_view kFirstTitleCell =
    "  <td height=21 width=72 style='height:15.75pt;width:54pt'>";
constexpr std::string_view kTitleCell = "  <td width=72 style='width:54pt'>";
constexpr std::string_view kRowStart =
    " <tr height=21 style='height:15.75pt'>\r\n";
constexpr std::string_view kCellEnd = "</td>\r\n";
constexpr std::string_view kRowEnd = " </tr>\r\n";
constexpr std::string_view kClosing = "</table>\r\n</body>\r\n</html>\r\n";

constexpr std::string_view kFirstTextCell =
    "  <td height=21 class=xl24 style='height:15.75pt'>";
constexpr std::string_view kTextCell = "  <td class=xl24>";
constexpr std::string_view kFirstNumberCell =
    "  <td height=21 class=xl24 align=right style='height:15.75pt' x:num>";
constexpr std::string_view kNumberCell = "  <td class=xl24 align=right x:num>";

// Booleans, date-times, texts and memo fields are shown as texts; the
// number types and the 4-byte type as right-aligned numbers.
bool ShownAsText(int type) {
  return type == fmt::kBoolean || type == fmt::kDateTime ||
         type == fmt::kText || type == fmt::kBinary || type == fmt::kMemo;
}

std::string_view CellOpening(int type, bool first) {
  if (ShownAsText(type)) return first ? kFirstTextCell : kTextCell;
  return first ? kFirstNumberCell : kNumberCell;
}

// Whether a byte is one of the markup characters that must be escaped.
constexpr std::array<bool, 256> kMarkup = [] {
  std::array<bool, 256> markup{};
  for (const unsigned char c : {'<', '>', '&', '"', '\''}) markup[c] = true;
  return markup;
}();

// Appends GBK bytes with the markup characters as entities. In GBK the
// second byte of a character is at least 0x40, so these ASCII bytes are
// always characters of their own.
void AppendEscaped(std::string_view gbk, std::string* out) {
  std::size_t from = 0;
  for (std::size_t at = 0; at < gbk.size(); ++at) {
    const char c = gbk[at];
    if (!kMarkup[static_cast<unsigned char>(c)]) continue;
    out->append(gbk.data() + from, at - from);
    from = at + 1;
    switch (c) {
      case '<':
        out->append("&lt;");
        break;
      case '>':
        out->append("&gt;");
        break;
      case '&':
        out->append("&amp;");
        break;
      case '"':
        out->append("&quot;");
        break;
      default:
        out->append("&#39;");
        break;
    }
  }
  out->append(gbk.data() + from, gbk.size() - from);
}

// The output file, written through one buffer at increasing offsets.
class SheetFile {
 public:
  bool Create(const std::string& path) { return file_.Create(path); }
  std::string& buffer() { return buffer_; }
  bool FlushIfFull() { return buffer_.size() < kWriteBytes || Flush(); }
  bool Flush() {
    if (!file_.WriteAt(written_, buffer_)) return false;
    written_ += static_cast<std::int64_t>(buffer_.size());
    buffer_.clear();
    return true;
  }
  void Close() { file_.Close(); }

 private:
  PosixFile file_;
  std::string buffer_;
  std::int64_t written_ = 0;
};

class Exporter {
 public:
  Exporter(Table* table, SheetFile* out) : table_(table), out_(out) {
    const Schema& schema = table_->schema();
    for (int f = 0; f < schema.field_count(); ++f) {
      std::string& before = before_.emplace_back(f == 0 ? kRowStart : kCellEnd);
      before.append(CellOpening(schema.field(f).type, f == 0));
    }
    row_end_ = std::string(schema.field_count() > 0 ? kCellEnd : kRowStart) +
               std::string(kRowEnd);
  }

  // The header and the title row; false when a name has no GBK form.
  bool WriteHead() {
    const Schema& schema = table_->schema();
    std::string& b = out_->buffer();
    b.reserve(kWriteBytes + kWriteBytes / 4);
    b.append(WorksheetHeader());
    b.append(std::to_string(schema.field_count()));
    b.append(kColEnd);
    b.append(kTitleRowStart);
    for (int f = 0; f < schema.field_count(); ++f) {
      if (!Utf8ToGbk(schema.field(f).name, &gbk_)) return false;
      b.append(f == 0 ? kFirstTitleCell : kTitleCell);
      AppendEscaped(gbk_, &b);
      b.append(kCellEnd);
    }
    b.append(kRowEnd);
    return true;
  }

  // The rows of the records [first, first + count).
  bool WriteRows(int first, int count) {
    return table_->ForEachRecordIn(first, count, [&](int, const char* rec) {
      return WriteRow(rec) && out_->FlushIfFull();
    });
  }

 private:
  bool WriteRow(const char* rec) {
    const Schema& schema = table_->schema();
    std::string& b = out_->buffer();
    for (int f = 0; f < schema.field_count(); ++f) {
      b.append(before_[f]);
      if (!AppendValue(schema.field(f), f, rec, &b)) return false;
    }
    b.append(row_end_);
    return true;
  }

  // The field's value as text, in GBK, escaped where it may hold markup.
  bool AppendValue(const FieldDef& def, int f, const char* rec,
                   std::string* b) {
    if (def.type == fmt::kText) {
      // Stored as GBK already: no round trip through UTF-8.
      AppendEscaped(TextFieldBytes(def, rec), b);
      return true;
    }
    if (IsMemoType(def.type)) {
      if (!table_->ReadTextFrom(rec, f, &text_)) return false;
      // Binary data goes out as the bytes it is, memo texts in GBK.
      if (def.type == fmt::kBinary) {
        AppendEscaped(text_, b);
      } else {
        if (!Utf8ToGbk(text_, &gbk_)) return false;
        AppendEscaped(gbk_, b);
      }
      return true;
    }
    const Value value = DecodeField(def, rec);
    if (value.kind() == Value::Kind::kDate) {
      // The zero date is no date: an empty cell, as everywhere.
      if (value.ToNumber() != 0) AppendDateTimeTextGbk(value.ToNumber(), b);
      return true;
    }
    // Numbers and booleans: digits, signs and letters of ASCII only.
    b->append(value.ToText());
    return true;
  }

  Table* table_;
  SheetFile* out_;
  // What goes before each field's value: the end of the previous cell (or
  // the start of the row) and the field's cell opening, in one piece; and
  // what ends the row.
  std::vector<std::string> before_;
  std::string row_end_;
  std::string text_, gbk_;
};

ExportOutcome Fail(ExportOutcome outcome, const std::string& out_path,
                   const std::string& reason, std::string* why) {
  RemoveFile(out_path);
  if (why != nullptr) *why = reason;
  return outcome;
}

}  // namespace

std::string ExportFilePath(const std::string& program_dir,
                           std::string_view typed) {
  const std::string base = SafeFileName(typed);
  for (int i = 1; i <= kMaxNumber; ++i) {
    const std::string name = base + std::to_string(i) + kExtension;
    if (!FileExists(ProgramFilePath(program_dir, name)))
      return program_dir + "/" + name;
  }
  return program_dir + "/" + base;
}

ExportOutcome ExportSpreadsheet(const std::string& table_path,
                                const std::string& out_path,
                                const ExportProgress& progress,
                                std::string* why) {
  OpenOptions options;
  options.read_only = true;
  std::string open_why;
  std::unique_ptr<Table> table = Table::Open(table_path, options, &open_why);
  if (!table) {
    return Fail(ExportOutcome::kNoTable, out_path,
                std::string(kExportTableUnreadable) + "：" + table_path + "\n" +
                    open_why,
                why);
  }
  const std::string write_failed =
      std::string(kExportWriteFailed) + "\n" + out_path;
  SheetFile out;
  if (!out.Create(out_path))
    return Fail(ExportOutcome::kWriteFailed, out_path, write_failed, why);
  Exporter exporter(table.get(), &out);
  const int total = table->RecordCount();
  bool ok = exporter.WriteHead();
  for (int done = 0; ok; done += kExportBlockRows) {
    if (progress && !progress(std::min(done, total), total)) {
      out.Close();
      return Fail(ExportOutcome::kCancelled, out_path, "", why);
    }
    if (done >= total) break;
    ok = exporter.WriteRows(done, std::min(kExportBlockRows, total - done));
  }
  if (ok) {
    out.buffer().append(kClosing);
    ok = out.Flush();
  }
  out.Close();
  if (!ok)
    return Fail(ExportOutcome::kWriteFailed, out_path, write_failed, why);
  return ExportOutcome::kWritten;
}

ExportOutcome RunSpreadsheetExport(const std::string& program_dir,
                                   const std::string& table_path,
                                   Dialogs& dialogs,
                                   const ExportProgress& progress) {
  std::string name = kExportInitialName;
  if (!dialogs.InputText(kExportPrompt, kExportCaption, &name))
    return ExportOutcome::kCancelled;
  std::string why;
  const ExportOutcome outcome = ExportSpreadsheet(
      table_path, ExportFilePath(program_dir, name), progress, &why);
  switch (outcome) {
    case ExportOutcome::kWritten:
      dialogs.Message(kExportDone);
      break;
    case ExportOutcome::kNoTable:
    case ExportOutcome::kWriteFailed:
      dialogs.Message(why, kInfoCaption, MessageIcon::kWarning);
      break;
    case ExportOutcome::kCancelled:
      break;
  }
  return outcome;
}

}  // namespace matslip
