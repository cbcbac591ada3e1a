#include "app/program_dir.h"

#include <filesystem>

namespace matslip {

std::string ProgramDirectory(int argc, const char* const* argv,
                             const std::string& executable_dir) {
  std::string dir = argc >= 2 && argv[1][0] != '\0' ? argv[1] : executable_dir;
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(dir, ec);
  std::string out = ec ? dir : p.lexically_normal().string();
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

}  // namespace matslip
