#pragma once
// One stream of an OLE compound file (the container of .xls workbooks),
// read from the file's bytes with every sector number and chain checked:
// a damaged or forged file gives false, never a read out of bounds or an
// endless chain.
#include <string>
#include <string_view>

namespace matslip {

// The stream's bytes; false when the file is no sound compound file or has
// no stream of that name (exact names, "Workbook", "Book").
bool ReadCompoundStream(std::string_view file, std::u16string_view name,
                        std::string* stream);

}  // namespace matslip
