#include "stock/table_maintenance.h"

#include <memory>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/files.h"
#include "material/material_table.h"
#include "stock/in_use_message.h"
#include "stock/staging_files.h"
#include "store/db.h"
#include "store/file_io.h"
#include "store/names.h"
#include "store/schema.h"
#include "store/table.h"
#include "store/table_check.h"
#include "store/table_pair.h"

namespace matslip {
namespace {

constexpr char kBackupFailedStart[] = "备份失败!未能写入备份文件 ";
constexpr char kBackupFailedEnd[] = ",请检查磁盘空间和写入权限";
constexpr char kNoMemoStart[] = "恢复失败!备份文件 ";
constexpr char kNoMemoMiddle[] = " 缺少它的备注文件 ";
constexpr char kNotTableStart[] = "恢复失败!文件 ";
constexpr char kNotTableEnd[] = " 不是完好的材料数据表";
constexpr char kUnreadableEnd[] = " 无法读取或复制";
constexpr char kNotSavedStart[] = "恢复失败!未能先把当前数据库备份到 ";
constexpr char kReplaceFailed[] = "恢复失败!未能替换材料数据表";
constexpr char kStagingUnavailable[] = "恢复失败!无法使用程序文件夹 ";
constexpr char kNothingChanged[] = ",材料数据没有任何改动";
constexpr char kClearNotSavedStart[] = "未能先把数据库备份到 ";
constexpr char kClearNotSavedEnd[] = ",数据库没有清空";
constexpr char kClearFailed[] = "清空失败!材料数据表无法写入";

std::string MaterialTablePath(const std::string& program_dir) {
  return ProgramFilePath(program_dir, kMaterialFile);
}

// Opens the table in use (which completes or undoes what a killed writer
// left in it) and makes the backup folder; `*path` is the backup's path.
bool PrepareSave(const std::string& program_dir, std::string* path) {
  *path = TableBackupPath(program_dir, Now());
  // Harmless when the list build left it open, as it normally does.
  DbOpen(MaterialTablePath(program_dir), kMaterialAlias);
  return CreateDirectory(DirName(*path)) && DbSelect(kMaterialAlias);
}

// The table in use copied to TableBackupPath(Now()); `*path` says where.
bool SaveTable(const std::string& program_dir, std::string* path) {
  return PrepareSave(program_dir, path) && DbCopyTo(*path);
}

// Whether a field of type `type` serves where the program's new tables
// have `expected`: texts of any width, numbers of any numeric type; dates
// and logs as they are.
bool ServesAs(int type, int expected) {
  if (IsNumericType(expected)) return IsNumericType(type);
  return type == expected;
}

// Whether `path` with its memo file is a material table the program can
// work on: its 23 fields by name and kind, nothing damaged. A table of
// another installation (other text widths, numbers of another type) is
// one; so is a backup of a repaired table, whose memo file keeps the
// blocks of the records the repair lost.
bool IsSoundMaterialTable(const std::string& path) {
  if (!CheckTableDamage(path).empty()) return false;
  const std::unique_ptr<Table> table = Table::Open(path, OpenOptions{true, 1});
  if (!table) return false;
  const std::vector<FieldDef> expected = material::Fields();
  const std::vector<FieldDef>& fields = table->schema().fields();
  if (fields.size() != expected.size()) return false;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (!NamesEqual(fields[i].name, expected[i].name) ||
        !ServesAs(fields[i].type, expected[i].type))
      return false;
  }
  return true;
}

}  // namespace

std::string TableBackupPath(const std::string& program_dir, double now) {
  return ProgramFilePath(program_dir, kTableBackupFolder) + "/" +
         DateTimeText(now) + kTableExtension;
}

bool BackUpTable(const std::string& program_dir, Dialogs& dialogs) {
  std::string path;
  if (!SaveTable(program_dir, &path)) {
    dialogs.Message(kBackupFailedStart + path + kBackupFailedEnd);
    return false;
  }
  dialogs.Message(kBackedUpMessage);
  return true;
}

namespace {

// The restore of `chosen` while this process holds the program folder's
// staging; kRefused with `*refusal` the text to show once it is let go.
RestoreResult RestoreStaged(const std::string& program_dir,
                            const std::string& chosen, std::string* refusal) {
  const std::string table = MaterialTablePath(program_dir);
  const BusyWatch busy;
  auto refuse = [&](const std::string& text) {
    // A table another program holds is in use, whatever step met it.
    *refusal =
        (busy.busy() ? TableInUseMessage(table) : text) + kNothingChanged;
    return RestoreResult::kRefused;
  };
  // The memo file beside the chosen file, never one in another folder
  // whose name happens to hold the extension.
  const std::string chosen_memo = MemoPathOf(chosen);
  if (!FileExists(chosen))
    return refuse(kNotTableStart + chosen + kUnreadableEnd);
  if (!FileExists(chosen_memo))
    return refuse(kNoMemoStart + chosen + kNoMemoMiddle + chosen_memo);
  // One restore or import at a time; one killed before left its files.
  StagingScope staging(program_dir);
  if (!staging.ok()) return refuse(kStagingUnavailable + program_dir);
  // A copy, so that the backup the save below may replace (one of the same
  // second) is still what gets restored, and so that what is checked is
  // exactly what goes in place.
  const std::string copy = ProgramFilePath(program_dir, kRestoreCopyFile);
  if (!CopyTableFiles(chosen, copy)) {
    RemoveTableLeftovers(copy);
    return refuse(kNotTableStart + chosen + kUnreadableEnd);
  }
  if (!IsSoundMaterialTable(copy)) {
    RemoveTableLeftovers(copy);
    return refuse(kNotTableStart + chosen + kNotTableEnd);
  }
  // The table in use becomes the backup as it is replaced: its files are
  // linked into the backup folder, not copied. Where they cannot be linked,
  // they are copied.
  std::string saved;
  bool kept = false;
  if (FileExists(table)) {
    const bool prepared = PrepareSave(program_dir, &saved);
    DbClose(kMaterialAlias);
    kept = prepared && KeepTableAs(table, saved);
    if (!kept && (busy.busy() || !SaveTable(program_dir, &saved))) {
      RemoveTableLeftovers(copy);
      return refuse(kNotSavedStart + saved);
    }
  }
  DbClose(kMaterialAlias);
  bool decided = false;
  if (!ReplaceTableWith(table, copy, &decided) && !decided) {
    if (kept) DropKeptTable(saved);
    return refuse(kReplaceFailed);
  }
  // Once decided, the next open of the table completes the replacement.
  if (kept) KeptTableDone(saved);
  return RestoreResult::kRestored;
}

}  // namespace

RestoreResult RestoreTable(const std::string& program_dir, Dialogs& dialogs) {
  FileDialogRequest request;
  request.filter = kBackupFilter;
  request.directory = ProgramFilePath(program_dir, kTableBackupFolder);
  std::string chosen;
  if (!dialogs.ChooseFile(request, &chosen) || chosen.empty())
    return RestoreResult::kCancelled;
  std::string refusal;
  const RestoreResult result = RestoreStaged(program_dir, chosen, &refusal);
  if (result == RestoreResult::kRefused) dialogs.Message(refusal);
  return result;
}

bool ClearTable(const std::string& program_dir, Dialogs& dialogs) {
  const std::string table = MaterialTablePath(program_dir);
  // No table: nothing to save and nothing to empty.
  if (!FileExists(table)) {
    dialogs.Message(kClearedMessage);
    return true;
  }
  const BusyWatch busy;
  // A table another program holds is in use, whichever step met it.
  const auto in_use = [&] {
    return TableInUseMessage(table) + kClearNotSavedEnd;
  };
  std::string saved;
  if (!SaveTable(program_dir, &saved)) {
    dialogs.Message(busy.busy()
                        ? in_use()
                        : kClearNotSavedStart + saved + kClearNotSavedEnd);
    return false;
  }
  const bool emptied = DbSelect(kMaterialAlias) && DbEmpty();
  DbClose(kMaterialAlias);
  dialogs.Message(emptied       ? kClearedMessage
                  : busy.busy() ? in_use()
                                : kClearFailed);
  return emptied;
}

}  // namespace matslip
