#pragma once
// The per-material backups taken just before a stock-in or a stock-out
// changes a material's record: a table of the material table's fields, with
// its memo file, in the folder of its kind (进库备份, 出库备份), one per key.
#include <string>
#include <vector>

#include "material/material_table.h"

namespace matslip {

// The backup file of `key` in `folder`: 品名 followed by 规格型号, mapped by
// SafeFileName, plus ".mzk". A name that would pass the file system's
// 255-byte limit (with ".mzk" and the temporary suffixes) is shortened at a
// character boundary and followed by a hash of the whole key, the same way
// every time. Always a file directly inside `folder`; an existing file whose
// name differs only in letter case is found (ExistingPathIgnoringCase).
std::string MaterialBackupPath(const std::string& folder,
                               const MaterialKey& key);

// Writes the records `record_numbers` (1-based, ascending: every record of
// the current table with `key`, see FindMaterialRecords), all fields and
// memo texts, as the backup of `key` in `folder` (created when missing),
// replacing an older backup of the key. No records give a backup without
// records (the booking creates the material). The files are written under
// temporary names inside the folder, flushed and renamed into place as a
// pair; nothing is written elsewhere. False when it could not be written;
// an older backup of the key is then removed, since it would undo more than
// the booking about to be made.
bool WriteMaterialBackup(const std::string& folder, const MaterialKey& key,
                         const std::vector<int>& record_numbers);

}  // namespace matslip
