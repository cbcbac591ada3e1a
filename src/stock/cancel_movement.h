#pragma once
// Undoing the last stock-in or stock-out of a material: its backup record
// (see material/material_backup.h) is put back in place of its current record.
// One procedure for both; they differ in the backup folder and the texts.
#include <string>

#include "base/dialogs.h"
#include "material/material_table.h"

namespace matslip {

struct MovementUndo {
  const char* backup_folder;  // kStockInBackupFolder or kStockOutBackupFolder
  const char* no_selection;   // nothing selected in the main window
  const char* no_backup;      // no backup file for the material
  const char* movement;       // "进库" or "出库", in the question
  const char* mismatch;       // the backup holds another material or none
  bool receipt;               // undoes a stock-in (else a stock-out)
};

extern const MovementUndo kStockInUndo;
extern const MovementUndo kStockOutUndo;

enum class UndoResult {
  kNoSelection,  // message shown; the caller does not refresh
  kNoBackup,     // message shown
  kDeclined,     // the user answered No
  kMismatch,     // message shown, table unchanged
  kRestored,
  kFailed,   // a write failed; message shown, table unchanged
  kRefused,  // more than that movement would be undone; message shown
};

// The menu command: finds `selected` in the material table of `program_dir`
// (opened as "data"), refuses when restoring its backup would take away
// more than the movement it was taken for (UndoRefusal), asks whether to
// restore it (showing the backup's modification time) and runs
// RebuildWithBackup. Every result but kNoSelection asks the caller to
// refresh the main window's list.
UndoResult CancelMovement(const std::string& program_dir,
                          const MaterialKey& selected, const MovementUndo& undo,
                          Dialogs& dialogs);

// Replaces record `record_number` of "data" by the first record of the
// backup at `backup_path` when it has `key`; otherwise shows
// `undo.mismatch` and changes nothing. The new table and memo file are
// put in place together (DbReplaceRecord): a crash leaves the old pair or the
// new one. Under the lock of that replacement the record is judged once
// more (UndoRefusal): a movement booked since (by another window or PC)
// refuses the undo with the guard's message (kRefused). A material no
// longer in the table (another window deleted it), a backup that cannot be
// read, or a replacement that fails, gets a message of its own (kFailed;
// the table in use by another program is said so). The table is as it was
// unless kRestored. "data" is left open, shared, with its cursor on the
// material's record.
UndoResult RebuildWithBackup(const std::string& program_dir,
                             const std::string& backup_path, int record_number,
                             const MaterialKey& key, const MovementUndo& undo,
                             Dialogs& dialogs);

}  // namespace matslip
