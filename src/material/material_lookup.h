#pragma once
// Finding materials by key in the current table: one key, or several keys
// in one pass, so that a slip of nine lines reads the table once rather than
// eighteen times.
#include <vector>

#include "material/material_table.h"

namespace matslip {

// For each of `keys`, the record numbers (1-based, in file order) of the
// current table's records with that 品名 and 规格型号, compared as exact
// texts. One pass over the table; the cursor goes back to the record it
// stood on.
std::vector<std::vector<int>> FindMaterialRecords(
    const std::vector<MaterialKey>& keys);

// Searches the current table from its first record for the first record
// with `key`'s 品名 and 规格型号 (exact texts) and makes it current; false
// when there is none, the cursor then where DbFind leaves it.
bool FindMaterial(const MaterialKey& key);

}  // namespace matslip
