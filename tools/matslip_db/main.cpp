// matslip-db: the record-database engine on the command line, for looking
// into tables, checking them and making tables from text. Output is UTF-8.
#include <iostream>
#include <string_view>

#include "commands.h"

namespace {

using matslip::db_tool::Args;

struct Command {
  std::string_view name;
  std::string_view arguments;
  std::size_t min_args, max_args;
  int (*run)(const Args&);
};

constexpr Command kCommands[] = {
    {"info", "FILE", 1, 1, matslip::db_tool::RunInfo},
    {"dump", "FILE", 1, 1, matslip::db_tool::RunDump},
    {"check", "FILE", 1, 1, matslip::db_tool::RunCheck},
    {"load", "FILE TSV [--force]", 2, 3, matslip::db_tool::RunLoad},
    {"demo", "DIR", 1, 1, matslip::db_tool::RunDemo},
};

int Usage() {
  std::cerr << "usage:\n";
  for (const Command& c : kCommands)
    std::cerr << "  matslip-db " << c.name << ' ' << c.arguments << '\n';
  return matslip::db_tool::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string_view name = argv[1];
  for (const Command& c : kCommands) {
    if (c.name != name) continue;
    const Args args(argv + 2, argv + argc);
    if (args.size() < c.min_args || args.size() > c.max_args) return Usage();
    const int rc = c.run(args);
    return rc == matslip::db_tool::kExitUsage ? Usage() : rc;
  }
  std::cerr << "matslip-db: unknown command \"" << name << "\"\n";
  return Usage();
}
