#pragma once
// Whether putting a material's backup back would take away more than the
// one booking it was taken for. The backup holds the record just before that
// booking; every receipt and every issue appends one line to its own log, so
// the lines the current record's logs hold beyond the backup's tell what was
// booked since. Only exactly that one booking may be taken back: a later
// movement of either kind, a backup older than the last booking of its kind
// (one that could not be rewritten), or a record changed in any way a booking
// does not explain refuses the undo. Backups of every age are judged alike,
// from their record alone.
#include <optional>
#include <string>
#include <vector>

#include "material/material_table.h"
#include "store/value.h"

namespace matslip {

// Every field of a material record, memo texts included, in field order.
using MaterialRecord = std::vector<Value>;

// The current record of the current table, read whole.
MaterialRecord ReadMaterialRecord();

// The message that refuses undoing the last receipt (`receipt`) or issue of
// a material whose record is `current`, with `backup` the record its backup
// holds; nothing when the undo may go on. A record equal to its backup (the
// undo already done) may be restored again: that changes nothing.
std::optional<std::string> UndoRefusal(bool receipt,
                                       const MaterialRecord& backup,
                                       const MaterialRecord& current);

// With "data" current: the refusal of undoing its record `record_number`
// (material `key`) from the backup at `backup_path`. Nothing when the backup
// cannot be read, holds another material or has other fields: the rebuild
// then says so itself. "data" is current again afterwards.
std::optional<std::string> UndoRefusal(const std::string& backup_path,
                                       int record_number,
                                       const MaterialKey& key, bool receipt);

}  // namespace matslip
