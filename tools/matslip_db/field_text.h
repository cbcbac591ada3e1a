#pragma once
// The text of one field value in a dump, and back for the load command.
// Numbers in the program's number-to-text form (doubles "%.13g", singles
// "%.6g", integers plain), date-times "YYYY-MM-DD HH:MM:SS" (empty for the
// zero date), booleans 0/1, texts and memo texts escaped as TSV cells,
// binary values in lowercase hex.
#include <string>
#include <string_view>

#include "store/schema.h"
#include "store/value.h"

namespace matslip::db_tool {

std::string FieldValueText(const FieldDef& field, const Value& value);

// Reads a cell of the dump form for `field`: an empty cell is an empty value.
// False, with the reason, when the cell does not fit the field: a number or
// date-time that does not parse, a text without a GBK form or longer than
// the field's width, a bad escape, or a type a dump cannot be read back into
// (boolean and binary).
bool ParseFieldValue(const FieldDef& field, std::string_view cell, Value* out,
                     std::string* why);

}  // namespace matslip::db_tool
