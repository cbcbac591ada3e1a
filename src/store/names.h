#pragma once
// Comparison of table, alias and field names: without regard to ASCII case
// (Chinese names compare as exact bytes).
#include <string>
#include <string_view>

namespace matslip {

bool NamesEqual(std::string_view a, std::string_view b);

// The file name part of a path ("/a/b/Data.MZK" -> "Data.MZK").
std::string_view FileNameOf(std::string_view path);
// The memo file of a table: the extension replaced by ".edt" (added when
// there is none).
std::string MemoPathOf(std::string_view path);

}  // namespace matslip
