#pragma once
// Which kind of spreadsheet a file holds, told by its first bytes.
#include <string_view>

namespace matslip {

enum class SheetFormat {
  kEmpty,     // no bytes at all
  kCompound,  // an OLE compound file: .xls (or an encrypted .xlsx)
  kZip,       // .xlsx or .ods
  kHtml,      // an HTML page
  kFlatOds,   // an OpenDocument file as one XML file (.fods)
  kCsv,       // any other text
  kUnknown,   // binary data of no known kind
};

// The decision needs the file's first kSniffBytes bytes (fewer when the
// file is shorter).
inline constexpr std::size_t kSniffBytes = 4096;
SheetFormat SniffFormat(std::string_view start);

}  // namespace matslip
