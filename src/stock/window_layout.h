#pragma once
// The proportional layout of the item editor, stock-out and slip parameters
// windows: the window's size when its layout was captured and the rectangles
// of its child controls then, so a resize can scale every control.
#include <vector>

namespace matslip {

struct LayoutRect {
  int left = 0, top = 0, width = 0, height = 0;
};

struct WindowLayout {
  int values[5] = {0, 0, 0, 0, 0};
  std::vector<LayoutRect> children;
};

}  // namespace matslip
