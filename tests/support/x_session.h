#pragma once
// A private X display with a window manager (Xvfb and openbox) for tests
// that need real window frames; gone when the object goes.
#include <string>

#include "support/child_process.h"

namespace matslip::testing {

class XSession {
 public:
  // Starts Xvfb with one screen of `width` × `height` and openbox on it.
  // False, with the reason in `*why_not`, when either is not installed or
  // does not come up.
  bool Start(int width, int height, std::string* why_not);
  // ":N", for DISPLAY.
  const std::string& display() const { return display_; }

 private:
  ChildProcess server_;
  ChildProcess window_manager_;
  std::string display_;
};

}  // namespace matslip::testing
