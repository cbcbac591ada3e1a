#pragma once
// The commands of matslip-db. Each takes the arguments after its name and
// returns the process exit code; main() prints the usage on kExitUsage.
#include <string>
#include <vector>

namespace matslip::db_tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // failure, or problems found
inline constexpr int kExitUsage = 2;

using Args = std::vector<std::string>;

int RunInfo(const Args& args);   // FILE
int RunDump(const Args& args);   // FILE
int RunCheck(const Args& args);  // FILE
int RunLoad(const Args& args);   // FILE TSV [--force]
int RunDemo(const Args& args);   // DIR

}  // namespace matslip::db_tool
