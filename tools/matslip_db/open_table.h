#pragma once
// Opening a table for the read-only commands: never writes, never repairs.
#include <memory>
#include <string>

#include "store/table.h"

namespace matslip::db_tool {

// The table at `path` opened read-only; null, after telling why on stderr,
// when it cannot be opened.
std::unique_ptr<Table> OpenReadOnly(const std::string& path);

}  // namespace matslip::db_tool
