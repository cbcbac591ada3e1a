#pragma once
// "&W.转为电子表格": a report's result table written as a worksheet page
// (.xls) that spreadsheet programs open: the header template, a title row of
// field names, one row per record with numbers as numbers, GBK bytes, CR LF.
// Texts are escaped as HTML entities, so a "<" in a name reaches the
// spreadsheet as itself. Rows are streamed: memory stays flat in the count.
#include <functional>
#include <string>
#include <string_view>

namespace matslip {

class Dialogs;

inline constexpr char kExportPrompt[] =
    "电子表格文件将保存在本程序所在目录中,以下是系统默认的电子表格名称";
inline constexpr char kExportCaption[] = "请输入:欲保存的电子表格名称 ";
inline constexpr char kExportInitialName[] = "电子表格";
inline constexpr char kExportDone[] = "已转换电子表格";
inline constexpr char kExportWriteFailed[] = "保存电子表格文件失败！";
inline constexpr char kExportTableUnreadable[] = "无法打开报表数据";

// How many records are written between two calls of the progress callback.
inline constexpr int kExportBlockRows = 2000;

// Called with the records written so far and the total, before the first
// block and after every block; false cancels the export.
using ExportProgress = std::function<bool(int done, int total)>;

enum class ExportOutcome {
  kWritten,
  kNoTable,    // the result table cannot be opened; no file is left
  kCancelled,  // the progress callback said stop; no file is left
  kWriteFailed,
};

// The file the export of `typed` goes to, in `program_dir`: the typed name
// mapped as backup names are (SafeFileName: no '/', no "..", nothing a file
// name cannot hold), followed by the first number 1..1000 whose name + ".xls"
// does not exist yet; the mapped name alone when all of them do.
std::string ExportFilePath(const std::string& program_dir,
                           std::string_view typed);

// Writes the table at `table_path` to `out_path` (replacing it). Anything
// but kWritten leaves no file at `out_path`; `why` (when given) then says
// what went wrong, naming the file.
ExportOutcome ExportSpreadsheet(const std::string& table_path,
                                const std::string& out_path,
                                const ExportProgress& progress = nullptr,
                                std::string* why = nullptr);

// The whole command on the result table `table_path`: asks for the name,
// exports with `progress`, tells the user how it went (nothing on cancel).
ExportOutcome RunSpreadsheetExport(const std::string& program_dir,
                                   const std::string& table_path,
                                   Dialogs& dialogs,
                                   const ExportProgress& progress);

}  // namespace matslip
