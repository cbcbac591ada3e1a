#include "stock/stock_out_pick.h"

#include <algorithm>
#include <utility>

#include "base/dialogs.h"
#include "base/number.h"
#include "grid/data_src.h"
#include "grid/grid.h"
#include "stock/stock_list.h"
#include "stock/stock_out_state.h"

namespace matslip {
namespace {

constexpr int kFirstSumColumn = 4;  // 库存数量, 单价, 库存金额
constexpr int kLastSumColumn = 6;

bool Contains(const std::vector<int>& rows, int row) {
  return std::find(rows.begin(), rows.end(), row) != rows.end();
}

MaterialEntry EntryOfRow(const DataSrc& list, int row) {
  using material::StockListColumn;
  MaterialEntry entry;
  entry.key = {list.GetCellText(row, StockListColumn(material::kName)),
               list.GetCellText(row, StockListColumn(material::kModel))};
  entry.unit = list.GetCellText(row, StockListColumn(material::kUnit));
  entry.price =
      TextToNumber(list.GetCellText(row, StockListColumn(material::kPrice)));
  entry.quantity =
      TextToNumber(list.GetCellText(row, StockListColumn(material::kQuantity)));
  entry.value =
      TextToNumber(list.GetCellText(row, StockListColumn(material::kValue)));
  return entry;
}

}  // namespace

void PickRows(const CellRange& selection, DataSrc* stock_list,
              StockOutState* stock_out, Dialogs& dialogs) {
  for (int i = 0; i < selection.rows; ++i) {
    if (stock_out->selection.size() >= kMaxSlipLines) break;
    const int row = selection.row + i;
    // The heading row is no material.
    if (row <= stock_list->GetHeaderRows() || row > stock_list->GetRowCount())
      continue;
    if (Contains(stock_out->picked_rows, row)) return;
    stock_out->picked_rows.push_back(row);
    stock_out->selection.push_back(EntryOfRow(*stock_list, row));
    stock_list->SetTextColour({row, 1, 1, kStockListColumns}, kMarkedRowColour);
    stock_out->marked_rows.push_back(row);
  }
  if (selection.rows > kMaxSlipLines) dialogs.Message(kTooManyPickedMessage);
  if (stock_out->selection.empty()) dialogs.Message(kNothingPickedYetMessage);
}

std::string SumTip(const DataSrc& table, const CellRange& selection) {
  if (selection.rows == 1 && selection.cols == 1)
    return table.GetCellText(selection.row, selection.col);
  double sum = 0;
  if (selection.cols == 1) {
    for (int i = 0; i < selection.rows; ++i)
      sum += TextToNumber(table.GetCellText(selection.row + i, selection.col));
  } else if (selection.rows == 1) {
    for (int i = 0; i < selection.cols; ++i)
      sum += TextToNumber(table.GetCellText(selection.row, selection.col + i));
  }
  return kSumTipPrefix + NumberToText(sum);
}

void ShowSumTip(Grid* grid) {
  if (grid->data_source() == nullptr) return;
  grid->set_tip(SumTip(*grid->data_source(), grid->Selection()));
  grid->set_tip_font(kSumTipFont, kSumTipFontPixels);
}

void StockListSelectionChanged(Grid* grid, StockOutState* stock_out,
                               Dialogs& dialogs) {
  if (grid->data_source() == nullptr) return;
  const CellRange selection = grid->Selection();
  if (selection.col >= kFirstSumColumn && selection.col <= kLastSumColumn) {
    ShowSumTip(grid);
    return;
  }
  PickRows(selection, grid->data_source(), stock_out, dialogs);
}

void StockListPicking::LeftPressed() {
  button_down_ = true;
  changed_while_down_ = false;
}

void StockListPicking::LeftReleased() {
  if (!button_down_) return;
  button_down_ = false;
  if (std::exchange(changed_while_down_, false))
    StockListSelectionChanged(grid_, stock_out_, *dialogs_);
}

void StockListPicking::SelectionChanged() {
  if (rebuilding_) return;
  if (button_down_) {
    changed_while_down_ = true;
    return;
  }
  StockListSelectionChanged(grid_, stock_out_, *dialogs_);
}

}  // namespace matslip
