#include "store/names.h"

namespace matslip {

std::string_view FileNameOf(std::string_view path) {
  std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string MemoPathOf(std::string_view path, bool find_existing) {
  std::string_view name = FileNameOf(path);
  std::size_t dot = name.rfind('.');
  std::size_t keep = dot == std::string_view::npos
                         ? path.size()
                         : path.size() - name.size() + dot;
  std::string memo = std::string(path.substr(0, keep)) + kMemoExtension;
  return find_existing ? ExistingPathIgnoringCase(memo) : memo;
}

}  // namespace matslip
