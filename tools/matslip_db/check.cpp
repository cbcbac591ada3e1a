// matslip-db check FILE: the read-only consistency check of a table.
#include <iostream>

#include "commands.h"
#include "store/table_check.h"

namespace matslip::db_tool {

int RunCheck(const Args& args) {
  const std::vector<std::string> problems = CheckTable(args[0]);
  if (problems.empty()) {
    std::cout << "ok\n";
    return kExitOk;
  }
  for (const std::string& p : problems) std::cout << p << '\n';
  return kExitFailure;
}

}  // namespace matslip::db_tool
