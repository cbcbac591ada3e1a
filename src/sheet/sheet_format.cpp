#include "sheet/sheet_format.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace matslip {

SheetFormat SniffFormat(std::string_view start) {
  if (start.empty()) return SheetFormat::kEmpty;
  if (start.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
    return SheetFormat::kCompound;
  if (start.starts_with("PK\x03\x04") || start.starts_with("PK\x05\x06"))
    return SheetFormat::kZip;
  if (start.find('\0') != std::string_view::npos) return SheetFormat::kUnknown;
  std::string lower(start);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  std::string_view text(lower);
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  text.remove_prefix(std::min(text.find_first_not_of(" \t\r\n"), text.size()));
  // A flat OpenDocument file (its cells are in "<table:table>" elements,
  // which would pass for HTML). Its root element, which says which kind of
  // document it is, may begin after a few KiB of comments and namespace
  // declarations; the office namespace comes earlier.
  if (text.starts_with("<") &&
      text.find("urn:oasis:names:tc:opendocument:xmlns:office:1.0") !=
          std::string_view::npos)
    return SheetFormat::kFlatOds;
  if (text.starts_with("<") && (text.find("<html") != std::string_view::npos ||
                                text.find("<table") != std::string_view::npos))
    return SheetFormat::kHtml;
  // Another markup (an XML spreadsheet, say) is no CSV either.
  if (text.starts_with("<?xml")) return SheetFormat::kUnknown;
  return SheetFormat::kCsv;
}

}  // namespace matslip
