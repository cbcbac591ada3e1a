#include "store/names.h"

namespace matslip {

namespace {
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::string_view FileNameOf(std::string_view path) {
  std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string MemoPathOf(std::string_view path) {
  std::string_view name = FileNameOf(path);
  std::size_t dot = name.rfind('.');
  std::size_t keep = dot == std::string_view::npos
                         ? path.size()
                         : path.size() - name.size() + dot;
  return std::string(path.substr(0, keep)) + ".edt";
}

}  // namespace matslip
