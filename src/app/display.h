#pragma once
// Whether the program can open a graphical display, checked before Qt tries
// (Qt aborts with a misleading advice when it cannot connect).
#include <string>

namespace matslip {

// Empty when a display can be reached, or when the environment names a Qt
// platform or a Wayland display (Qt then decides). Otherwise the message to
// print, in Chinese and English: no display named, or the X display named
// by DISPLAY cannot be opened.
std::string DisplayProblem();

}  // namespace matslip
