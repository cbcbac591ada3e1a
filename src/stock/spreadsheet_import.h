#pragma once
// "从电子表读": a material list read from the worksheet a spreadsheet
// opens on (columns B..H from row 3) into the main window's stock list,
// then every named row added to the material table as a new material whose
// opening stock is its first stock-in, all rows in one change of the table.
#include <functional>
#include <string>
#include <vector>

#include "grid/cell_format.h"
#include "stock/stock_out_state.h"

namespace matslip {

class DataSrc;
class Dialogs;
struct FileDialogRequest;

inline constexpr char kImportDone[] = "添加完毕";
// After kImportDone: how many materials were added.
inline constexpr char kImportCountStart[] = "，共添加材料";
inline constexpr char kImportCountEnd[] = "项。";
// When named rows lay past the last row read: from which row on, the
// limit, and how to import the rest.
inline constexpr char kImportRowsLeftStart[] = "\n电子表格第";
inline constexpr char kImportRowsLeftLimit[] = "行起未读入（每次最多读入";
inline constexpr char kImportRowsLeftEnd[] =
    "行）；请将这些行移到第3行起再导入一次。";
inline constexpr char kImportUnreadable[] = "无法读取电子表格文件：";
inline constexpr char kImportUnstorable[] =
    "以下各行的文字无法存入数据库（不能用GBK编码，或超出字段宽度）：";
inline constexpr char kImportAskOthers[] =
    "是否添加其余各行？选“否”则一行也不添加。";
inline constexpr char kImportAddFailed[] =
    "材料未能加入数据库，数据库保持原样：";
inline constexpr Colour kImportBackground = 0x408080;
inline constexpr int kImportFirstSheetRow = 3;
inline constexpr int kImportMaxRows = 500;
// The reading stops at the empty name that makes this many.
inline constexpr int kImportEmptyNameStop = 6;

// The file dialog: the program directory, every readable format, the
// ".xls" entry first.
FileDialogRequest ImportFileRequest(const std::string& program_dir);

// Reads the spreadsheet at `path` into `table` (header row, then one row per
// spreadsheet row read, texts as the spreadsheet shows them, numbers as
// their values). `*first_unread_row` is the first spreadsheet row past the
// limit when the reading would have gone on to a named row there, else 0.
// False with the reason, `table` untouched, when the file cannot be read.
bool ReadImportSheet(const std::string& path, DataSrc* table,
                     int* first_unread_row, std::string* reason);

// What the user is told once `added` materials went in: kImportDone, their
// number, and the first unread row when there is one (not 0).
std::string ImportDoneMessage(std::size_t added, int first_unread_row);

struct ImportRow {
  MaterialEntry entry;
  int sheet_row = 0;  // where it was in the spreadsheet
};

// The rows of the list just read that carry a name, numbers converted
// (also those written formatted, "1,200" or "12.5%"; text that is not a
// number gives its leading number, or 0).
std::vector<ImportRow> ImportRows(const DataSrc& table);

// One line per row whose 品名, 规格型号 or 单位 the material table cannot
// store (no GBK form, or wider than its field), naming the spreadsheet row.
std::vector<std::string> UnstorableRows(const std::vector<ImportRow>& rows);

// Appends `entries` at `now` to <program_dir>/data.mzk, each with its
// period totals, date, log line and alarm quantity, as one change: the
// table ends with all of them or (false) as it was. On failure `*why` is
// the table's path, or the in-use message when another program held the
// table or the program folder past the wait limit.
bool AddImportedMaterials(const std::string& program_dir,
                          const std::vector<MaterialEntry>& entries, double now,
                          std::string* why);

// The log line of an imported material, CR LF included.
std::string ImportLogLine(const MaterialEntry& entry, double now);

enum class ImportOutcome {
  kCancelled,   // no file chosen
  kUnreadable,  // told why; the list must be rebuilt from the table
  kDeclined,    // rows that cannot be stored, and the user added none
  kAdded,       // ImportDoneMessage shown (possibly nothing added)
  kFailed,      // told why; the table as it was
};

// The whole command. `sheet_shown` runs once the spreadsheet's rows are in
// `table`, for the window to show them before anything is added. The
// stock-out selection is emptied: its list holds the entries.
ImportOutcome RunSpreadsheetImport(const std::string& program_dir,
                                   Dialogs& dialogs, StockOutState* stock_out,
                                   DataSrc* table,
                                   const std::function<void()>& sheet_shown);

}  // namespace matslip
