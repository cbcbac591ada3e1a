#pragma once
// The text of one field value in a dump, and back for the load command.
// Fixed-size fields as FieldTextWriter writes them with ISO date-times
// ("YYYY-MM-DD HH:MM:SS"), texts and memo texts escaped as TSV cells, binary
// values in lowercase hex.
#include <string>
#include <string_view>

#include "store/schema.h"
#include "store/value.h"

namespace matslip::db_tool {

// The cell of a memo or binary field whose chain holds `bytes`.
std::string MemoCellText(const FieldDef& field, std::string_view bytes);

// Reads a cell of the dump form for `field`: an empty cell is an empty value.
// False, with the reason, when the cell does not fit the field: a number or
// date-time that does not parse, a text without a GBK form or longer than
// the field's width, a bad escape, or a type a dump cannot be read back into
// (boolean and binary).
bool ParseFieldValue(const FieldDef& field, std::string_view cell, Value* out,
                     std::string* why);

}  // namespace matslip::db_tool
