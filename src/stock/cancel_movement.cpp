#include "stock/cancel_movement.h"

#include <optional>

#include "base/datetime.h"
#include "base/files.h"
#include "material/material_backup.h"
#include "material/material_lookup.h"
#include "stock/in_use_message.h"
#include "stock/undo_guard.h"
#include "store/db.h"
#include "store/file_io.h"

namespace matslip {
namespace {

using namespace material;

// Shown when the backup cannot be read or the new table cannot be written;
// the material table is then as it was.
constexpr char kRestoreFailedMessage[] =
    "失败!备份数据未能恢复,材料数据没有任何改动";
constexpr char kQuestionStart[] = "注意:检测到备份文件为";
constexpr char kQuestionMaterial[] = ",您欲将项目 ";
constexpr char kQuestionMovement[] = " 的数据恢复到本次";
constexpr char kQuestionEnd[] = "以前状态? ＾＿＾";

// The backup is read under an alias of its own while "data" stays open.
constexpr char kBackupAlias[] = "xdgja";

// "data" open again, cursor on the record. Shared as every other open of
// it: the replacement held the table whole for its step only, and a second
// window or PC must not find the table "damaged" until this one closes it.
void ReopenMaterialTable(const std::string& program_dir, int record_number) {
  DbClose(kMaterialAlias);
  DbOpen(ProgramFilePath(program_dir, kMaterialFile), kMaterialAlias);
  DbGoTo(record_number);
}

std::string ModifiedTimeText(const std::string& path) {
  return DateTimeText(CivilToDate(LocalCivil(FileModifiedTime(path))));
}

}  // namespace

const MovementUndo kStockInUndo = {
    kStockInBackupFolder,
    "请先选中要取消进库的项目",
    "没有找到该项目的进库备份数据,同一项目如一天内进库两次,只能恢复到第二次"
    "进库前的状态",
    "进库",
    "失败!检测到进库备份的项目材料品名不符或者规格型号不符",
    true,
};

const MovementUndo kStockOutUndo = {
    kStockOutBackupFolder,
    "请先选中要取消出库的项目",
    "没有找到该项目的出库备份数据,同一项目如一天内出库两次,只能恢复到第二次"
    "出库前的状态",
    "出库",
    "失败!检测到出库备份的项目材料品名不符或者规格型号不符",
    false,
};

UndoResult CancelMovement(const std::string& program_dir,
                          const MaterialKey& selected, const MovementUndo& undo,
                          Dialogs& dialogs) {
  if (selected.name.empty()) {
    dialogs.Message(undo.no_selection);
    return UndoResult::kNoSelection;
  }
  DbOpen(ProgramFilePath(program_dir, kMaterialFile), kMaterialAlias);
  MaterialKey found;
  int n = 0;
  if (DbSelect(kMaterialAlias) && FindMaterial(selected)) {
    n = DbRecordNumber();
    found = {DbRead(kName).str(), DbRead(kModel).str()};
  }
  const std::string backup = MaterialBackupPath(
      ProgramFilePath(program_dir, undo.backup_folder), found);
  if (n == 0 || !FileExists(backup)) {
    dialogs.Message(undo.no_backup);
    return UndoResult::kNoBackup;
  }
  if (const auto refusal = UndoRefusal(backup, n, found, undo.receipt)) {
    dialogs.Message(*refusal, kInfoCaption, MessageIcon::kWarning);
    return UndoResult::kRefused;
  }
  if (!dialogs.Ask(kQuestionStart + ModifiedTimeText(backup) +
                       kQuestionMaterial + found.name + kQuestionMovement +
                       undo.movement + kQuestionEnd,
                   kQuestionCaption))
    return UndoResult::kDeclined;
  // Another window or program may have booked on the material while the
  // question was open: the rebuild asks the guard again under its lock.
  return RebuildWithBackup(program_dir, backup, n, found, undo, dialogs);
}

UndoResult RebuildWithBackup(const std::string& program_dir,
                             const std::string& backup_path, int record_number,
                             const MaterialKey& key, const MovementUndo& undo,
                             Dialogs& dialogs) {
  const std::string table = ProgramFilePath(program_dir, kMaterialFile);
  const BusyWatch busy;
  // Harmless when the table is open already, as it normally is; opened
  // anew when another process replaced it since. The material is looked up
  // again there: a record moved since the question only in a replaced
  // table, which the replacement below refuses under its lock.
  DbOpen(table, kMaterialAlias);
  // A material deleted meanwhile has no record left to put its backup in:
  // the number found before now names another material, or none.
  const bool found = DbSelect(kMaterialAlias) && FindMaterial(key);
  if (found) record_number = DbRecordNumber();
  if (!found || !DbOpen(backup_path, kBackupAlias)) {
    ReopenMaterialTable(program_dir, record_number);
    dialogs.Message(busy.busy() ? TableInUseMessage(table)
                                : kRestoreFailedMessage);
    return UndoResult::kFailed;
  }
  // An empty backup (the receipt created the material) has nothing to put
  // back: it belongs to no material.
  const bool matches = DbFirst() && DbRecordCount() > 0 &&
                       DbRead(kModel).str() == key.model &&
                       DbRead(kName).str() == key.name;
  const MaterialRecord backup =
      matches ? ReadMaterialRecord() : MaterialRecord();
  bool replaced = false;
  // The guard's last word is said under the lock the replacement holds: a
  // booking that another process made since the question is never wiped.
  std::optional<std::string> refusal;
  const auto still_only_that_movement = [&] {
    refusal = UndoRefusal(undo.receipt, backup, ReadMaterialRecord());
    return !refusal;
  };
  // A backup holds every record of the key, but a booking only ever
  // changes the first; the others are in the table as they were. Putting
  // them all in its place would add a copy of each at every undo.
  if (matches && DbSelect(kMaterialAlias))
    replaced = DbReplaceRecord(record_number, kBackupAlias, 1,
                               still_only_that_movement);
  DbClose(kBackupAlias);
  ReopenMaterialTable(program_dir, record_number);
  if (!matches) {
    dialogs.Message(undo.mismatch);
    return UndoResult::kMismatch;
  }
  if (refusal) {
    dialogs.Message(*refusal, kInfoCaption, MessageIcon::kWarning);
    return UndoResult::kRefused;
  }
  if (!replaced) {
    dialogs.Message(busy.busy() ? TableInUseMessage(table)
                                : kRestoreFailedMessage);
    return UndoResult::kFailed;
  }
  return UndoResult::kRestored;
}

}  // namespace matslip
