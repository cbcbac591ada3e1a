#pragma once
// Whole-table maintenance of the material table: a dated backup into the
// backup folder, the restore of such a backup, and emptying the table. Each
// change first saves the table in use as a backup, so it can be undone.
#include <string>

#include "base/dialogs.h"

namespace matslip {

inline constexpr char kBackedUpMessage[] = "数据库已备份";
inline constexpr char kClearedMessage[] = "数据库已清空";
// The restore's file dialog filter: one entry, the text ".mzk".
inline constexpr char kBackupFilter[] = ".mzk|*.mzk";

// Where a backup taken at `now` (a day count) goes: the backup folder of
// `program_dir`, the date-time text, ".mzk".
std::string TableBackupPath(const std::string& program_dir, double now);

// "备份数据库": copies the material table of `program_dir` (opened as
// "data" when it is not yet) with its memo file to TableBackupPath(Now()),
// replacing a backup of the same second, and says whether it was written.
bool BackUpTable(const std::string& program_dir, Dialogs& dialogs);

enum class RestoreResult {
  kCancelled,  // nothing chosen
  kRefused,    // message shown, nothing changed
  kRestored,   // the table is the backup; "data" is closed
};

// "导入  备份 ": lets the user pick a backup, checks a copy of it (and of
// its memo file) is a sound material table, saves the table in use as a
// backup, then puts the copy in place of the table and its memo file as a
// pair. The caller refreshes its list after kRestored and kRefused.
RestoreResult RestoreTable(const std::string& program_dir, Dialogs& dialogs);

// "清空数据库": saves the table as a backup, then removes every material.
// When the backup cannot be written nothing is emptied and the user is told
// (that the table is in use, when another program held it past the wait).
// "data" is closed afterwards. True when the table was emptied, or when
// there was no table (then it says "数据库已清空" as well).
bool ClearTable(const std::string& program_dir, Dialogs& dialogs);

}  // namespace matslip
