#include "grid/key_codes_qt.h"

#include "grid/grid_keys.h"

namespace matslip {
namespace {

struct KeyPair {
  int qt_key;
  int virtual_key;
};

constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, 8},       {Qt::Key_Tab, kKeyTab},
    {Qt::Key_Backtab, kKeyTab},   {Qt::Key_Return, kKeyEnter},
    {Qt::Key_Enter, kKeyEnter},   {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17},        {Qt::Key_Alt, 18},
    {Qt::Key_Escape, 27},         {Qt::Key_Space, 32},
    {Qt::Key_PageUp, kKeyPageUp}, {Qt::Key_PageDown, kKeyPageDown},
    {Qt::Key_End, kKeyEnd},       {Qt::Key_Home, kKeyHome},
    {Qt::Key_Left, kKeyLeft},     {Qt::Key_Up, kKeyUp},
    {Qt::Key_Right, kKeyRight},   {Qt::Key_Down, kKeyDown},
    {Qt::Key_Insert, 45},         {Qt::Key_Delete, 46},
};

}  // namespace

int VirtualKeyOf(int qt_key) {
  // Letters and digits share their numbers with upper-case ASCII.
  if ((qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) ||
      (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9)) {
    return qt_key;
  }
  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24)
    return 112 + (qt_key - Qt::Key_F1);
  for (const KeyPair& pair : kKeys) {
    if (pair.qt_key == qt_key) return pair.virtual_key;
  }
  return 0;
}

int ModifierBitsOf(Qt::KeyboardModifiers modifiers) {
  int bits = 0;
  if (modifiers & Qt::ControlModifier) bits |= kModCtrl;
  if (modifiers & Qt::ShiftModifier) bits |= kModShift;
  if (modifiers & Qt::AltModifier) bits |= kModAlt;
  return bits;
}

}  // namespace matslip
