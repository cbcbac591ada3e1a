#pragma once
// "进出库簿": the movement ledger of one material, the whole text of its
// stock-in log and of its stock-out log under a heading line each.
#include <string>

#include "base/dialogs.h"
#include "material/material_table.h"

namespace matslip {

inline constexpr char kNoLedgerSelection[] = "请先选中要查阅的项目";

// "进出库簿": true when the ledger window may open; with no material
// selected it tells the user so and answers false.
bool MayOpenLedger(const MaterialKey& selected, Dialogs& dialogs);

// Searches the material table of `program_dir` (opened as "data" when it is
// not open, and made current) from its first record for `key` and returns
// the ledger text of the first match, which stays the current record. Lines
// end in CR LF; the logs are given as stored. Empty when no record matches
// or the table cannot be opened.
std::string MaterialLedger(const std::string& program_dir,
                           const MaterialKey& key);

}  // namespace matslip
