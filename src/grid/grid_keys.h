#pragma once
// Keyboard movement of a grid's cursor, as pure functions the widget calls.
// Key codes and modifier bits are those the grid's key event reports: the
// virtual-key numbers (67 for C) and 1 for Ctrl.
namespace matslip {

enum KeyCode : int {
  kKeyTab = 9,
  kKeyEnter = 13,
  kKeyPageUp = 33,
  kKeyPageDown = 34,
  kKeyEnd = 35,
  kKeyHome = 36,
  kKeyLeft = 37,
  kKeyUp = 38,
  kKeyRight = 39,
  kKeyDown = 40,
  kKeyC = 67,
};

enum KeyModifier : int {
  kModCtrl = 1,
  kModShift = 2,
  kModAlt = 4,
};

struct CellPos {
  int row = 0;
  int col = 0;
  bool operator==(const CellPos&) const = default;
};

// The part of a table the cursor may move over: the body, below the header
// rows and right of the header columns.
struct KeyArea {
  int rows = 0;
  int cols = 0;
  int header_rows = 0;
  int header_cols = 0;
};

// Whether `key` moves the cursor.
bool IsMoveKey(int key);

// Where `key` takes the cursor from `from`: arrows one cell; Page Up/Down
// `page_rows` rows; Home/End the first/last column of the row, with Ctrl the
// first/last cell of the table; Enter one row down (Shift: up); Tab one
// column right, on to the next row after the last column (Shift: back).
// The result lies in the body of `area` (a table without body rows or
// columns keeps the cursor on its last header row or column, 0 when empty).
// Other keys leave the cursor where it is (clamped).
CellPos MoveByKey(CellPos from, int key, int modifiers, const KeyArea& area,
                  int page_rows);

}  // namespace matslip
