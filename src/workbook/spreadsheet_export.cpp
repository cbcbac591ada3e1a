#include "workbook/spreadsheet_export.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/dialogs.h"
#include "base/files.h"
#include "base/gbk.h"
#include "store/field_text_writer.h"
#include "store/format.h"
#include "store/record_codec.h"
#include "store/table.h"
#include "workbook/overlapped_file.h"
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
constexpr std::array<bool, 256> kSpecial = [] {
  std::array<bool, 256> special{};
  for (const unsigned char c : {'<', '>', '&', '"', '\''}) special[c] = true;
  return special;
}();

// The longest entity a byte becomes: the room an escaped text needs is at
// most this many times its length.
constexpr std::size_t kEscapeGrowth = 6;

char* Put(std::string_view bytes, char* out) {
  return std::copy(bytes.begin(), bytes.end(), out);
}

// Writes GBK bytes with the markup characters as entities at `out`, which
// has room for kEscapeGrowth times their length. In GBK the second byte of a
// character is at least 0x40, so these ASCII bytes are always characters of
// their own.
char* WriteEscaped(std::string_view gbk, char* out) {
  for (const char c : gbk) {
    if (!kSpecial[static_cast<unsigned char>(c)]) {
      *out++ = c;
      continue;
    }
    switch (c) {
      case '<':
        out = Put("&lt;", out);
        break;
      case '>':
        out = Put("&gt;", out);
        break;
      case '&':
        out = Put("&amp;", out);
        break;
      case '"':
        out = Put("&quot;", out);
        break;
      case '\'':
        out = Put("&#39;", out);
        break;
    }
  }
  return out;
}

// One field as a row writes it: what goes before its value (the end of the
// previous cell, or the start of the row, and the field's cell opening, in
// one piece) and where its bytes are in the record.
struct Column {
  std::string before;
  FieldDef def;
  int index;
  bool memo;
};

// The most bytes a fixed-size field's value becomes in a cell; memo and
// binary fields are measured when read.
std::size_t ValueRoom(const FieldDef& def) {
  return def.type == fmt::kText
             ? kEscapeGrowth * static_cast<std::size_t>(def.width)
             : FieldTextWriter::Room(def);
}

class Exporter {
 public:
  Exporter(Table* table, OverlappedFile* out) : table_(table), out_(out) {
    const Schema& schema = table_->schema();
    for (int f = 0; f < schema.field_count(); ++f) {
      const FieldDef& def = schema.field(f);
      Column& column = columns_.emplace_back(
          Column{std::string(f == 0 ? kRowStart : kCellEnd), def, f,
                 IsMemoType(def.type)});
      column.before.append(CellOpening(column.def.type, f == 0));
      row_room_ += column.before.size() + ValueRoom(column.def);
    }
    row_end_ = std::string(schema.field_count() > 0 ? kCellEnd : kRowStart) +
               std::string(kRowEnd);
    row_room_ += row_end_.size();
  }

  // The header and the title row; false when a name has no GBK form.
  bool WriteHead() {
    const Schema& schema = table_->schema();
    out_->Room(kWriteBytes + row_room_);
    out_->Append(WorksheetHeader());
    out_->Append(std::to_string(schema.field_count()));
    out_->Append(kColEnd);
    out_->Append(kTitleRowStart);
    for (int f = 0; f < schema.field_count(); ++f) {
      if (!Utf8ToGbk(schema.field(f).name, &gbk_)) return false;
      out_->Append(f == 0 ? kFirstTitleCell : kTitleCell);
      out_->Commit(WriteEscaped(gbk_, out_->Room(kEscapeGrowth * gbk_.size())));
      out_->Append(kCellEnd);
    }
    out_->Append(kRowEnd);
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
    char* p = out_->Room(row_room_);
    for (const Column& column : columns_) {
      p = Put(column.before, p);
      if (column.memo) {
        out_->Commit(p);
        if (!ReadMemo(column, rec)) return false;
        p = WriteEscaped(memo_,
                         out_->Room(kEscapeGrowth * memo_.size() + row_room_));
      } else {
        p = WriteValue(column.def, rec, p);
      }
    }
    out_->Commit(Put(row_end_, p));
    return true;
  }

  // A memo field's bytes for the cell, before escaping: binary data as the
  // bytes it is, memo texts in GBK.
  bool ReadMemo(const Column& column, const char* rec) {
    if (!table_->ReadTextFrom(rec, column.index, &text_)) return false;
    if (column.def.type == fmt::kBinary) {
      memo_.swap(text_);
      return true;
    }
    return Utf8ToGbk(text_, &memo_);
  }

  // A fixed-size field's value as text: texts (stored as GBK already)
  // escaped, numbers and booleans in ASCII, date-times in GBK.
  char* WriteValue(const FieldDef& def, const char* rec, char* out) {
    if (def.type == fmt::kText)
      return WriteEscaped(TextFieldBytes(def, rec), out);
    return values_.Write(def, rec, out);
  }

  Table* table_;
  OverlappedFile* out_;
  std::vector<Column> columns_;
  std::string row_end_;
  // The most bytes a row takes without its memo fields' contents.
  std::size_t row_room_ = 0;
  std::string text_, gbk_, memo_;
  FieldTextWriter values_{DateTextForm::kShown};
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
  OverlappedFile out(kWriteBytes);
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
    out.Append(kClosing);
    ok = out.Finish();
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
