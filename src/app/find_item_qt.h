#pragma once
// The find item of a window (workbook "&Y.查找", main window "项目查找") as
// a menu action: its caption carries the step of the find cycle, and the
// window's 编辑 menu comes up at the screen centre after each step, so that
// the user can choose the next one at once. The cell found is scrolled into
// view.
#include "grid/cell_format.h"

class QAction;
class QMenu;

namespace matslip {

class DataSrc;
class Dialogs;
class GridWidget;
struct FindState;

// One use of `item` on `table` shown by `view`.
void UseFindItem(QAction* item, QMenu* edit_menu, Colour hit_colour,
                 FindState* state, DataSrc* table, GridWidget* view,
                 Dialogs& dialogs);

// A left press in the workbook's grid: the item reads "查找" again.
void ResetFindItem(QAction* item);

}  // namespace matslip
