#pragma once
// The header every exported worksheet starts with (GBK, CR LF line ends):
// the page's document properties, styles and workbook settings, ending in
// the unfinished line " <col width=72 span=" that the export completes.
#include <string_view>

namespace matslip {

std::string_view WorksheetHeader();

}  // namespace matslip
