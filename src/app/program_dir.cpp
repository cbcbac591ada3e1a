#include "app/program_dir.h"

#include <filesystem>

#include "base/files.h"

namespace matslip {

namespace {

constexpr char kNoSuchFolderText[] = "数据文件夹不存在：\n";
constexpr char kNotAFolderText[] = "给出的不是文件夹，而是一个文件：\n";
constexpr char kFolderAdviceText[] =
    "\n\n请在启动程序时给出 data.mzk 所在的文件夹。";

}  // namespace

std::string ProgramDirectory(int argc, const char* const* argv,
                             const std::string& executable_dir) {
  std::string dir = argc >= 2 && argv[1][0] != '\0' ? argv[1] : executable_dir;
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(dir, ec);
  std::string out = ec ? dir : p.lexically_normal().string();
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string ProgramDirectoryProblem(const std::string& dir) {
  if (DirectoryExists(dir)) return "";
  return (FileExists(dir) ? kNotAFolderText : kNoSuchFolderText) + dir +
         kFolderAdviceText;
}

}  // namespace matslip
