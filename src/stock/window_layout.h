#pragma once
// How the item editor, stock-out and slip parameters windows keep their
// controls in proportion: when a window is created we note its outer
// rectangle and where each child control sits; on every resize each child is
// placed again, scaled by how much the window grew or shrank since then. One
// record serves all three, as only one of them (they are modal) is open.
#include <cstdint>
#include <vector>

namespace matslip {

struct LayoutRect {
  int left = 0, top = 0, width = 0, height = 0;
};

struct WindowLayout {
  std::uintptr_t window = 0;  // the window under layout; 0 when none
  LayoutRect frame;           // its outer rectangle when noted, screen pixels
  std::vector<LayoutRect> children;  // child rectangles then, client pixels
};

}  // namespace matslip
