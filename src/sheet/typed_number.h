#pragma once
// A number as a person types it into a spreadsheet cell, and as a
// spreadsheet program writes a formatted number out to CSV or HTML: "1200",
// "1,200", "1,481,400.00", "-3.5", "1e3", "12.5%", "¥1,200.00".
#include <string_view>

namespace matslip {

// True, with the value, when the whole text (blanks around it allowed) is
// such a number: an optional sign and currency sign (¥ or ￥, either
// first), digits in groups of three after the first one to three when
// commas separate them, a decimal point with digits, an exponent (not
// with groups), or a closing percent sign (the value is a hundredth).
bool ReadTypedNumber(std::string_view text, double* value);

}  // namespace matslip
