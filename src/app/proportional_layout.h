#pragma once
// How the item editor, stock-out and slip parameters windows keep their
// controls in proportion: when a window is created we note its size and where
// each child control sits; on every resize each child is placed again,
// scaled by how much the window grew or shrank since then. One record serves
// all three, as only one of them (they are modal) is open.
//
// Everything is in client coordinates: the window's client area and the
// children's places within it. (Screen rectangles of a framed window would
// need the frame's width and the caption's height taken off first; the
// windowing toolkit reports client geometry directly.)
#include <cstdint>
#include <vector>

namespace matslip {

struct LayoutRect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const LayoutRect&) const = default;
};

struct LayoutChild {
  std::uintptr_t handle = 0;  // identifies the control within its window
  LayoutRect rect;            // its place when noted
};

struct WindowLayout {
  std::uintptr_t window = 0;          // the window under layout; 0 when none
  LayoutRect frame;                   // its client rectangle when noted
  std::vector<LayoutChild> children;  // in the toolkit's enumeration order
};

// `rect` scaled by sx and sy, each product truncated toward zero.
LayoutRect Scaled(const LayoutRect& rect, double sx, double sy);

// Where each child of `layout` goes, in list order, when the window's client
// area is `width` x `height`. A captured size of 0 scales by 1 on that axis.
std::vector<LayoutRect> Relayout(const WindowLayout& layout, int width,
                                 int height);

}  // namespace matslip
