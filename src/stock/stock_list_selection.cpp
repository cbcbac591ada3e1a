#include "stock/stock_list_selection.h"

#include "base/dialogs.h"
#include "grid/data_src.h"

namespace matslip {

MaterialKey SelectedFromRow(const DataSrc& stock_list, int row) {
  return {
      stock_list.GetCellText(row, material::StockListColumn(material::kName)),
      stock_list.GetCellText(row, material::StockListColumn(material::kModel))};
}

bool MayOpenStockOut(const StockOutState& stock_out, Dialogs& dialogs) {
  if (!stock_out.selection.empty()) return true;
  dialogs.Message(kNothingPickedMessage, kNothingPickedCaption);
  return false;
}

}  // namespace matslip
