#pragma once
// Qt's key and modifier values turned into those the grid's events report:
// the virtual-key numbers (65..90 for A..Z, 13 Enter, 37..40 the arrows) and
// the KeyModifier bits (1 Ctrl, 2 Shift, 4 Alt).
#include <Qt>

namespace matslip {

// 0 for keys without a virtual-key number.
int VirtualKeyOf(int qt_key);
int ModifierBitsOf(Qt::KeyboardModifiers modifiers);

}  // namespace matslip
