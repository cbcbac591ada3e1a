#include "tsv.h"

namespace matslip::db_tool {

std::string EscapeCell(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool UnescapeCell(std::string_view cell, std::string* out) {
  out->clear();
  for (std::size_t i = 0; i < cell.size(); ++i) {
    if (cell[i] != '\\') {
      *out += cell[i];
      continue;
    }
    if (++i == cell.size()) return false;
    switch (cell[i]) {
      case '\\':
        *out += '\\';
        break;
      case 't':
        *out += '\t';
        break;
      case 'r':
        *out += '\r';
        break;
      case 'n':
        *out += '\n';
        break;
      default:
        return false;
    }
  }
  return true;
}

std::vector<std::string_view> SplitCells(std::string_view line) {
  std::vector<std::string_view> cells;
  for (;;) {
    std::size_t tab = line.find('\t');
    cells.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return cells;
    line.remove_prefix(tab + 1);
  }
}

}  // namespace matslip::db_tool
