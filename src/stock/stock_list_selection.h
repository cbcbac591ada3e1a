#pragma once
// What is selected in the stock list: the material of a row, and whether any
// rows are picked for the stock-out window.
#include "material/material_table.h"
#include "stock/stock_out_state.h"

namespace matslip {

class DataSrc;
class Dialogs;

inline constexpr char kNothingPickedMessage[] = "请先选中材料项目";
inline constexpr char kNothingPickedCaption[] = "^-^";

// The material of stock-list row `row` (name from column 1, 规格型号
// from column 2); empty texts outside the table.
MaterialKey SelectedFromRow(const DataSrc& stock_list, int row);

// "开票预览(材料出库)": true when the stock-out window may open; with nothing
// picked it tells the user so and answers false.
bool MayOpenStockOut(const StockOutState& stock_out, Dialogs& dialogs);

}  // namespace matslip
