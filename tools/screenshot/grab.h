#pragma once
// Grabbing a shown window once the window manager has framed it.
#include <QWidget>
#include <functional>

namespace matslip::screenshot {

// Shows `window`, waits until it is framed and active (a frameless window:
// active), does `then` (when given), lets it paint, and saves the screen as
// a PNG to `out`: the whole screen, or only the window with its frame. False
// with a message on standard error on failure.
bool Grab(QWidget* window, bool whole_screen, const char* out,
          const std::function<void()>& then = {});

}  // namespace matslip::screenshot
