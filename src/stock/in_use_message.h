#pragma once
// What the user is told when the material table is held by another
// program (a second window of this one, a program on another PC sharing the
// folder, a backup tool) longer than a step may wait: the file is in use,
// not damaged, and the step can simply be tried again.
#include <string>

namespace matslip {

inline constexpr char kTableInUse[] = " 正被另一个程序占用";
inline constexpr char kTableInUseStart[] = "材料数据表 ";
inline constexpr char kTableInUseEnd[] =
    "（可能是另一个窗口或另一台电脑上的本程序），请稍后再试。";

// The message for the table at `path`.
inline std::string TableInUseMessage(const std::string& path) {
  return kTableInUseStart + path + kTableInUse + kTableInUseEnd;
}

}  // namespace matslip
