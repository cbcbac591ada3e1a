#include "stock/spreadsheet_import.h"

#include "base/clock.h"
#include "base/datetime.h"
#include "base/dialogs.h"
#include "base/files.h"
#include "base/number.h"
#include "grid/data_src.h"
#include "material/stock_in.h"
#include "sheet/sheet.h"
#include "sheet/typed_number.h"
#include "stock/in_use_message.h"
#include "stock/staging_files.h"
#include "stock/stock_list.h"
#include "store/db.h"
#include "store/file_io.h"
#include "store/table_pair.h"

namespace matslip {
namespace {

using namespace material;

// Spreadsheet columns B..H; the list's columns in the order the columns are
// read (B, C, D, F, E, G, H go to 1, 2, 3, 5, 4, 6, 7).
constexpr int kFirstSheetColumn = 2;
constexpr int kNameColumn = 1;
constexpr int kModelColumn = 2;
constexpr int kUnitColumn = 3;
constexpr int kQuantityColumn = 4;
constexpr int kPriceColumn = 5;
constexpr int kValueColumn = 6;
constexpr int kAlarmColumn = 7;

constexpr char kImportFilter[] =
    "*xls|*.xls|"
    "所有电子表格|*.xls;*.xlsx;*.ods;*.fods;*.csv;*.htm;*.html|"
    "*xlsx|*.xlsx|*ods|*.ods;*.fods|*csv|*.csv";

// The new records are gathered in kImportStagingFile before they join the
// table.
constexpr char kStagingAlias[] = "电子表导入";

constexpr char kRowText[] = "第";
constexpr char kRowTextEnd[] = "行";
constexpr char kFieldNotEncodable[] = "含有无法存储的字符";
constexpr char kFieldTooLong[] = "超过字节数上限";

std::vector<Value> ImportedRecord(const MaterialEntry& e, double now) {
  std::vector<Value> values(kFieldCount);
  values[kName - 1] = e.key.name;
  values[kModel - 1] = e.key.model;
  values[kUnit - 1] = e.unit;
  values[kQuantity - 1] = e.quantity;
  values[kPrice - 1] = e.price;
  values[kValue - 1] = e.value;
  // The opening stock is the material's first stock-in in every period.
  for (Field f : {kInQuantity, kMonthInQuantity, kYearInQuantity})
    values[f - 1] = e.quantity;
  for (Field f : {kInValue, kMonthInValue, kYearInValue})
    values[f - 1] = e.value;
  values[kInDate - 1] = Value::Date(now);
  values[kAlarm - 1] = e.alarm;
  return values;
}

std::optional<FormProblem> ProblemOf(const MaterialEntry& e) {
  StockInForm form;
  form.name = e.key.name;
  form.model = e.key.model;
  form.unit = e.unit;
  return CheckStockInForm(form);
}

// A number column's text: a number as typed into a spreadsheet, which a
// text cell may hold too ("1,200"); else its leading number, or 0.
double ImportedNumber(const std::string& text) {
  double value;
  return ReadTypedNumber(text, &value) ? value : TextToNumber(text);
}

void RemoveStaging(const std::string& program_dir) {
  DbClose(kStagingAlias);
  RemoveTableLeftovers(ProgramFilePath(program_dir, kImportStagingFile));
}

// The new records in a table of the material table's fields beside it.
bool WriteStaging(const std::string& program_dir,
                  const std::vector<MaterialEntry>& entries, double now) {
  const std::string staging = ProgramFilePath(program_dir, kImportStagingFile);
  if (!DbCopyRecordsTo(staging, 1, 0) || !DbOpen(staging, kStagingAlias))
    return false;
  for (const MaterialEntry& e : entries) {
    if (!DbAppend(ImportedRecord(e, now)) ||
        !DbWriteMemo(kInLog, ImportLogLine(e, now)))
      return false;
  }
  return true;
}

}  // namespace

FileDialogRequest ImportFileRequest(const std::string& program_dir) {
  FileDialogRequest request;
  request.filter = kImportFilter;
  request.directory = program_dir;
  return request;
}

bool ReadImportSheet(const std::string& path, DataSrc* table,
                     int* first_unread_row, std::string* reason) {
  const int last_read_row = kImportFirstSheetRow + kImportMaxRows - 1;
  SheetArea area;
  area.first_row = kImportFirstSheetRow;
  // Past the limit, the rows the reading would still have looked at.
  area.last_row = last_read_row + kImportEmptyNameStop;
  area.first_column = kFirstSheetColumn;
  area.last_column = kFirstSheetColumn + kStockListColumns - 1;
  area.first_text_column = kFirstSheetColumn;
  area.last_text_column = kFirstSheetColumn + kUnitColumn - 1;
  SheetCells cells;
  if (!ReadSheet(path, area, &cells, reason)) return false;

  ResetStockList(table);
  int empty_names = 0;
  *first_unread_row = 0;
  for (int sheet_row = kImportFirstSheetRow; sheet_row <= area.last_row;
       ++sheet_row) {
    const bool named = !cells.Cell(sheet_row, kFirstSheetColumn).empty();
    if (sheet_row > last_read_row) {
      if (named) {
        *first_unread_row = last_read_row + 1;
        break;
      }
    } else {
      table->AppendRows(1);
      const int list_row = table->GetRowCount();
      for (int c = 1; c <= kStockListColumns; ++c) {
        const std::string& text =
            cells.Cell(sheet_row, kFirstSheetColumn + c - 1);
        if (!text.empty()) table->SetCellText(list_row, c, text);
      }
    }
    if (!named && ++empty_names >= kImportEmptyNameStop) break;
  }
  table->SetColumnWidths(1, 2, 850);
  table->SetColumnWidths(3, 2, 140);
  table->SetHeaderRows(1);
  return true;
}

std::string ImportDoneMessage(std::size_t added, int first_unread_row) {
  std::string text = std::string(kImportDone) + kImportCountStart +
                     std::to_string(added) + kImportCountEnd;
  if (first_unread_row > 0)
    text += kImportRowsLeftStart + std::to_string(first_unread_row) +
            kImportRowsLeftLimit + std::to_string(kImportMaxRows) +
            kImportRowsLeftEnd;
  return text;
}

std::vector<ImportRow> ImportRows(const DataSrc& table) {
  std::vector<ImportRow> rows;
  for (int r = table.GetHeaderRows() + 1; r <= table.GetRowCount(); ++r) {
    ImportRow row;
    row.entry.key.name = table.GetCellText(r, kNameColumn);
    if (row.entry.key.name.empty()) continue;
    row.entry.key.model = table.GetCellText(r, kModelColumn);
    row.entry.unit = table.GetCellText(r, kUnitColumn);
    row.entry.price = ImportedNumber(table.GetCellText(r, kPriceColumn));
    row.entry.quantity = ImportedNumber(table.GetCellText(r, kQuantityColumn));
    row.entry.value = ImportedNumber(table.GetCellText(r, kValueColumn));
    row.entry.alarm = ImportedNumber(table.GetCellText(r, kAlarmColumn));
    row.sheet_row = r - 1 + kImportFirstSheetRow - 1;
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<std::string> UnstorableRows(const std::vector<ImportRow>& rows) {
  std::vector<std::string> lines;
  for (const ImportRow& row : rows) {
    const std::optional<FormProblem> problem = ProblemOf(row.entry);
    if (!problem) continue;
    lines.push_back(
        kRowText + std::to_string(row.sheet_row) + kRowTextEnd + " " +
        kFieldNames[problem->field - 1] +
        (problem->not_encodable
             ? std::string(kFieldNotEncodable)
             : kFieldTooLong + std::to_string(problem->limit_bytes)));
  }
  return lines;
}

std::string ImportLogLine(const MaterialEntry& e, double now) {
  return "数量 " + NumberToText(e.quantity) + " 单价 " + NumberToText(e.price) +
         " 金额 " + NumberToText(e.value) + " " + DateTimeText(now) + "\r\n";
}

bool AddImportedMaterials(const std::string& program_dir,
                          const std::vector<MaterialEntry>& entries, double now,
                          std::string* why) {
  if (entries.empty()) return true;
  const std::string data = ProgramFilePath(program_dir, kMaterialFile);
  const BusyWatch busy;
  // One restore or import at a time; one killed before left its files.
  StagingScope staging(program_dir);
  DbOpen(data, kMaterialAlias);
  const bool added = staging.ok() && DbSelect(kMaterialAlias) &&
                     WriteStaging(program_dir, entries, now) &&
                     DbSelect(kMaterialAlias) &&
                     DbAppendRecordsFrom(kStagingAlias);
  if (staging.ok()) RemoveStaging(program_dir);
  DbClose(kMaterialAlias);
  if (!added && why) *why = busy.busy() ? TableInUseMessage(data) : data;
  return added;
}

ImportOutcome RunSpreadsheetImport(const std::string& program_dir,
                                   Dialogs& dialogs, StockOutState* stock_out,
                                   DataSrc* table,
                                   const std::function<void()>& sheet_shown) {
  std::string path;
  if (!dialogs.ChooseFile(ImportFileRequest(program_dir), &path))
    return ImportOutcome::kCancelled;
  std::string reason;
  int first_unread_row = 0;
  if (!ReadImportSheet(path, table, &first_unread_row, &reason)) {
    dialogs.Message(kImportUnreadable + path + "\n" + reason, kInfoCaption,
                    MessageIcon::kWarning);
    return ImportOutcome::kUnreadable;
  }
  if (sheet_shown) sheet_shown();

  stock_out->selection.clear();
  const std::vector<ImportRow> rows = ImportRows(*table);
  const std::vector<std::string> unstorable = UnstorableRows(rows);
  if (!unstorable.empty()) {
    std::string text = kImportUnstorable;
    for (const std::string& line : unstorable) text += "\n" + line;
    if (!dialogs.Ask(text + "\n" + kImportAskOthers))
      return ImportOutcome::kDeclined;
  }
  for (const ImportRow& row : rows)
    if (!ProblemOf(row.entry)) stock_out->selection.push_back(row.entry);
  std::string why;
  if (!AddImportedMaterials(program_dir, stock_out->selection, Now(), &why)) {
    dialogs.Message(kImportAddFailed + why, kInfoCaption, MessageIcon::kError);
    return ImportOutcome::kFailed;
  }
  dialogs.Message(
      ImportDoneMessage(stock_out->selection.size(), first_unread_row));
  return ImportOutcome::kAdded;
}

}  // namespace matslip
