#pragma once
// The texts a spreadsheet shows for the values the readers find.
#include <string>
#include <string_view>

namespace matslip {

// Excel keeps at most this many characters in a cell; the readers keep at
// most this many bytes of a cell's text.
inline constexpr std::size_t kMaxCellBytes = 32767;

// A number without trailing zeros or exponent noise: 3, 2.5, 0.1.
std::string NumberCellText(double value);
// A date-time (days since 1899-12-30) as the program's date-time text.
std::string DateCellText(double date);
// An ISO 8601 date or date-time ("2026-03-01", "2026-03-01T09:05:07.000Z")
// as DateCellText; false for anything else.
bool IsoDateCellText(std::string_view iso, std::string* text);
// A text cell of a format that stores texts only (CSV, HTML): a number or
// a date-time written in it is read as a spreadsheet program reads it on
// opening the file and given as that value ("2.50" as 2.5, "1,481,400.00"
// as 1481400, "12.5%" as 0.125, sheet/typed_number.h; "2026-03-01
// 09:05:07" as a date-time text); anything else stays as it is.
std::string ShownText(std::string_view text);
// Appends `piece` to a cell's text, up to kMaxCellBytes in all (never
// cutting a UTF-8 sequence).
void AppendCellText(std::string_view piece, std::string* text);

}  // namespace matslip
