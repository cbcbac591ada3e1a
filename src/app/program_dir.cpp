#include "app/program_dir.h"

#include <cstdlib>
#include <filesystem>

#include "base/files.h"
#include "stock/stock_list_source.h"

namespace matslip {

namespace {

constexpr char kNotAFolderText[] = "给出的不是文件夹，而是一个文件：\n";
constexpr char kFolderAdviceText[] =
    "\n\n请在启动程序时给出 data.mzk 所在的文件夹。";

constexpr char kInstalledFolderName[] = "bin";
constexpr char kDataFolderName[] = "matslip";
constexpr char kDefaultDataHome[] = "/.local/share";

bool IsInstalledIn(const std::string& executable_dir) {
  return std::filesystem::path(executable_dir).filename() ==
             kInstalledFolderName ||
         !IsWritable(executable_dir);
}

// The user's data folder; a relative XDG_DATA_HOME counts as unset. Left to
// ProgramDirectoryProblem to report when it cannot be made.
std::string UserDataDirectory() {
  const char* data_home = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  const std::string base =
      data_home != nullptr && data_home[0] == '/'
          ? data_home
          : std::string(home != nullptr ? home : "") + kDefaultDataHome;
  const std::string dir = base + "/" + kDataFolderName;
  CreateDirectory(dir);
  return dir;
}

}  // namespace

std::string ProgramDirectory(int argc, const char* const* argv,
                             const std::string& executable_dir) {
  std::string dir = argc >= 2 && argv[1][0] != '\0' ? argv[1]
                    : IsInstalledIn(executable_dir) ? UserDataDirectory()
                                                    : executable_dir;
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(dir, ec);
  std::string out = ec ? dir : p.lexically_normal().string();
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string ProgramDirectoryProblem(const std::string& dir) {
  if (DirectoryExists(dir)) return "";
  return (FileExists(dir) ? kNotAFolderText : kNoFolderText) + dir +
         kFolderAdviceText;
}

}  // namespace matslip
