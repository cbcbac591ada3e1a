#pragma once
// The tab-separated text of the dump and load commands: one line per record,
// cells separated by tabs. Inside a cell a backslash, tab, CR and LF are
// written as \\, \t, \r and \n, so that a cell never holds a separator.
#include <string>
#include <string_view>
#include <vector>

namespace matslip::db_tool {

std::string EscapeCell(std::string_view text);
// Reverses EscapeCell; false on a backslash that does not start one of the
// four escapes (a lone backslash at the end included).
bool UnescapeCell(std::string_view cell, std::string* out);
// The cells of one line (without its line break); an empty line is one
// empty cell.
std::vector<std::string_view> SplitCells(std::string_view line);

}  // namespace matslip::db_tool
