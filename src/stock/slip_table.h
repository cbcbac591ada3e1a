#pragma once
// The outbound slip in the stock-out window's table: built from the picked
// materials, the ten slip texts and the slip's print settings; amounts and
// total follow every edit; read back as the lines to book.
#include <string>

#include "grid/cell_format.h"
#include "grid/print_inf.h"
#include "stock/slip_texts.h"
#include "stock/stock_out.h"

namespace matslip {

class DataSrc;
class Grid;
struct StockOutState;

inline constexpr char kSlipTitle[] = "澜栖供电有限责任公司材料出库单";
inline constexpr char kSlipTotalLabel[] = "合       计";
inline constexpr int kSlipRows = 15;
inline constexpr int kSlipColumns = 6;
inline constexpr int kSlipHeadingRow = 4;
inline constexpr int kSlipFirstLine = 5;
inline constexpr int kSlipLastLine = 13;
inline constexpr int kSlipTotalRow = 14;
inline constexpr int kSlipSignatureRow = 15;
// Columns of a material line read outside the slip's own handling.
inline constexpr int kSlipNameColumn = 1;
inline constexpr int kSlipModelColumn = 2;
inline constexpr int kSlipQuantityColumn = 3;
inline constexpr int kSlipPriceColumn = 5;
inline constexpr int kSlipTitleFontSize = 70;
inline constexpr int kSlipTitleHeight = 100;
inline constexpr Colour kSlipBackground = 0xAE7400;

// Fills `slip` (shown by `grid`) with the slip of the materials picked in
// `stock_out`, whole stock as the quantity, dated `now`; then empties the
// selection and the picked rows, as the slip is from now on their only copy.
// The cursor ends on the 领料 name.
void BuildSlip(const SlipTexts& texts, const PrintInf& print, double now,
               StockOutState* stock_out, DataSrc* slip, Grid* grid);

// After an edit: every line's amount is its quantity times its price,
// rounded to cents (a zero amount leaves the cell empty), and the total
// their sum, written even when it is 0.
void RecomputeSlip(DataSrc* slip);

// The slip as "出库" books it: the lines with a 品名 or 规格型号, in order,
// with their quantity and amount texts as shown; the department and the
// receiving person as on the slip.
Slip ReadSlip(const DataSrc& slip);

}  // namespace matslip
