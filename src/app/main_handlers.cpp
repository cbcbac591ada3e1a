#include "app/main_handlers.h"

#include "base/dialogs.h"
#include "grid/data_src.h"

namespace matslip {

SelectedMaterial SelectedFromRow(const DataSrc& stock_list, int row) {
  return {stock_list.GetCellText(row, 1), stock_list.GetCellText(row, 2)};
}

bool MayOpenStockOut(const StockOutState& stock_out, Dialogs& dialogs) {
  if (!stock_out.selection.empty()) return true;
  dialogs.Message(kNothingPickedMessage, kNothingPickedCaption);
  return false;
}

}  // namespace matslip
