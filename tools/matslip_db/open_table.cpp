#include "open_table.h"

#include <iostream>

namespace matslip::db_tool {

std::unique_ptr<Table> OpenReadOnly(const std::string& path) {
  OpenOptions options;
  options.read_only = true;
  std::string why;
  std::unique_ptr<Table> table = Table::Open(path, options, &why);
  if (!table) std::cerr << "matslip-db: " << path << ": " << why << '\n';
  return table;
}

}  // namespace matslip::db_tool
