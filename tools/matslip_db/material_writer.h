#pragma once
// Writes a whole new material table in one step, for the load and demo
// commands: the table is built beside the target under a temporary name,
// flushed, and renamed over it (memo file first), so that a failure never
// leaves half a table behind and an existing table is replaced whole.
#include <string>
#include <vector>

#include "store/value.h"

namespace matslip::db_tool {

// `rows` hold values in the material table's field order (missing ones
// empty). False, with the reason, when the table cannot be written; the
// target is then untouched.
bool WriteMaterialTable(const std::string& path,
                        const std::vector<std::vector<Value>>& rows,
                        std::string* why);

}  // namespace matslip::db_tool
