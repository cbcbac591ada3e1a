#pragma once
// The main window's stock list: built from data.mzk through its seven-field
// copy data2.mzk, with the low-stock rows coloured, and rebuilt on every
// activation of the window.
#include <string>
#include <vector>

#include "grid/cell_format.h"

namespace matslip {

class DataSrc;
class DbProvider;
class Grid;
struct StockOutState;

inline constexpr char kMainTitle[] = "澜栖供电有限责任公司材料出库单打印系统";
inline constexpr char kLowStockTitle[] =
    "澜栖供电有限责任公司材料出库单打印系统---"
    "表中红色文本项目表示库存数量低于报警数量.共";
inline constexpr char kLowStockTitleEnd[] = "项";
inline constexpr Colour kLowStockColour = 0x800080;  // purple
inline constexpr Colour kNoStockColour = 255;        // red
inline constexpr Colour kMarkedRowColour = 0xFFFF;   // yellow
inline constexpr Colour kStockListBackground = 0xAE7400;
inline constexpr int kStockListColumns = 7;

// The header texts of the seven columns, and their widths.
extern const char* const kStockListHeaders[kStockListColumns];
extern const int kStockListWidths[kStockListColumns];

// Empties `table` down to the header row: the seven header texts, bold and
// centred. Both the list of the table and a spreadsheet's list start so.
void ResetStockList(DataSrc* table);

struct StockListBuild {
  int low_count = 0;    // rows at or below their alarm quantity
  std::string title;    // the main window's title for this list
  std::string message;  // what the user must be told (stock_list_source.h)
};

// Rebuilds `table` for `grid`: detaches the grid, writes the header row,
// copies the seven fields of <program_dir>/data.mzk, open as "data", to
// data2.mzk (CopyStockList), connects `provider` to it, colours the
// low-stock rows and the marked rows, re-attaches the grid and sets the
// widths and the header row. A material table that cannot be read leaves the
// header row alone, and the message says why.
StockListBuild BuildStockList(const std::string& program_dir,
                              const std::vector<int>& marked_rows,
                              DataSrc* table, DbProvider* provider, Grid* grid);

// Every activation of the main window: the unfinished stock-out selection
// and the picked rows go, the list is built again.
StockListBuild RefreshStockList(const std::string& program_dir,
                                StockOutState* stock_out, DataSrc* table,
                                DbProvider* provider, Grid* grid);

// Deletes the files derived from the material table (data2.mzk, qd.mzk,
// qd4.mzk) when the main window closes; missing files are no error.
void RemoveDerivedFiles(const std::string& program_dir, DbProvider* provider);

}  // namespace matslip
