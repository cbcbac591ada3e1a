#pragma once
// What a selection in the stock list or on the slip does: a selection that
// starts in the stock list's quantity, price or value column, and any
// selection on the slip, puts the sum of the selected numbers in the grid's
// hover tip; any other selection in the stock list picks its rows for the
// outbound slip, at most nine, each row once, and shows them in yellow.
#include <string>

#include "grid/cell_range.h"

namespace matslip {

class DataSrc;
class Dialogs;
class Grid;
struct StockOutState;

inline constexpr char kTooManyPickedMessage[] =
    "您的选择已达到或超过了9项,一张票据只能打印9行数,系统将打印前9项";
inline constexpr char kNothingPickedYetMessage[] =
    "请选择要打印的材料,您可以按下鼠标左键拖选";
inline constexpr char kSumTipPrefix[] = "合计 = ";
inline constexpr char kSumTipFont[] = "宋体";
inline constexpr int kSumTipFontPixels = 18;

// Appends the rows of `selection` (top row down) to the stock-out selection
// and the picked and marked rows, colouring each yellow; the heading row is
// passed over. A row picked before ends the pick at once, silently. Tells the
// user when more than nine rows were selected, or when nothing at all is
// picked.
void PickRows(const CellRange& selection, DataSrc* stock_list,
              StockOutState* stock_out, Dialogs& dialogs);

// The hover tip for `selection`: the text of a single cell, else "合计 = "
// and the sum of the numbers of a one-column or one-row selection (0 for a
// block).
std::string SumTip(const DataSrc& table, const CellRange& selection);

// The stock list's "selection changed": the sum tip for a selection that
// starts in columns 4 to 6, else PickRows.
void StockListSelectionChanged(Grid* grid, StockOutState* stock_out,
                               Dialogs& dialogs);
// The slip's "selection changed": the sum tip.
void ShowSumTip(Grid* grid);

// When the stock list's selection counts as the user's: a drag with the
// left button is one selection, taken when the button is released (each
// step of it would otherwise pick its first row and end there); the
// selection changes of a rebuild and of putting the cursor back after it
// are the program's own and pick nothing.
class StockListPicking {
 public:
  StockListPicking(Grid* grid, StockOutState* stock_out, Dialogs* dialogs)
      : grid_(grid), stock_out_(stock_out), dialogs_(dialogs) {}

  void set_rebuilding(bool rebuilding) { rebuilding_ = rebuilding; }
  void LeftPressed();
  void LeftReleased();
  void SelectionChanged();

 private:
  Grid* grid_;
  StockOutState* stock_out_;
  Dialogs* dialogs_;
  bool rebuilding_ = false;
  bool button_down_ = false;
  bool changed_while_down_ = false;
};

}  // namespace matslip
