#pragma once
// What the print toolbar remembers for the whole run: how often its
// alignment and date-format buttons were pressed, so that each press takes
// the next step of its cycle, also in a print table built later.
namespace matslip {

struct PrintTableState {
  int alignment_presses = 0;
  int date_format_presses = 0;
};

}  // namespace matslip
