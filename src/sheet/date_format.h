#pragma once
// Whether an .xlsx cell's number format shows its number as a date or time.
#include <string_view>

namespace matslip {

// Formats 14-22, 27-36, 45-47 and 50-58 are built in as dates and times
// (the last two groups in the East Asian editions).
bool IsBuiltInDateFormat(int id);
// A custom format code that shows a date or time: it holds a y, m, d, h or
// s outside quoted texts, escapes and brackets (of its first section).
// "yyyy\"年\"m\"月\"d\"日\"" is one; "0.00", "General", "[Red]#,##0" are not.
bool IsDateFormatCode(std::string_view code);

}  // namespace matslip
