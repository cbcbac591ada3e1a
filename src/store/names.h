#pragma once
// Names of tables and their files. Table, alias and field names compare
// through NamesEqual: without regard to ASCII case, Chinese names as exact
// bytes.
#include <string>
#include <string_view>

#include "base/files.h"  // NamesEqual

namespace matslip {

// The extensions of a table's main file and of its memo file.
inline constexpr char kTableExtension[] = ".mzk";
inline constexpr char kMemoExtension[] = ".edt";

// The file name part of a path ("/a/b/Data.MZK" -> "Data.MZK").
std::string_view FileNameOf(std::string_view path);
// The memo file of a table: the extension replaced by ".edt" (added when
// there is none). With `find_existing`, the file of that name in other
// letter case when one is already there ("DATA.MZK" -> "DATA.EDT"); that
// costs a look through the folder when there is none, which a new table
// need not pay.
std::string MemoPathOf(std::string_view path, bool find_existing = true);

}  // namespace matslip
