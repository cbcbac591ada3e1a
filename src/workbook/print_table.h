#pragma once
// The print table of a report ("&C.生成打印表格"): the title, the maker and
// date row, the column titles, one row per record and the signature footer,
// each column fitted to its texts, and the page set-up that goes with it.
//
// The field names come from the result table (qd.mzk); every column of the
// data rows comes from the workbook's working table (its rows 2 to N + 1,
// what the user sees, also after a sort), so that no printed row mixes two
// records.
#include <functional>
#include <string>
#include <string_view>

#include "grid/print_inf.h"
#include "workbook/print_table_rows.h"

namespace matslip {

class DataSrc;

inline constexpr char kPrintTableTitle[] = "四川澜栖供电有限责任公司材料出库单";
inline constexpr char kPrintTableMaker[] = "制表：财务室";
inline constexpr char kPrintTableDateLabel[] = "日期：";
// Four spaces, "制表:", fifty spaces, "报表审核:", six spaces.
inline constexpr char kPrintTableFooter[] =
    "    制表:                                                  报表审核:     "
    " ";
inline constexpr char kPrintTableTitleFont[] = "宋体";

inline constexpr int kPrintTableTitleSize = 85;
inline constexpr int kPrintTableTextMargin = 10;
// Rows handed to `between_blocks` at a time while the data rows are copied.
inline constexpr int kPrintTableBlockRows = 1000;

// Builds the print table of the result table at `result_path` from the
// working table `working` into `table` (emptied first), dated `now`, and
// leaves its page set-up in `print` (the program's print settings) and in
// the table. `between_blocks`, when given, is called between blocks of rows.
// False, `table` and `print` unchanged, when the result table cannot be
// opened.
bool BuildPrintTable(const std::string& result_path, const DataSrc& working,
                     double now, DataSrc* table, PrintInf* print,
                     const std::function<void()>& between_blocks = nullptr);

// Widens column `col` so that the text of cell (row, col) fits it, by its
// GBK byte length and the cell's font size; columns only grow.
void FitColumnToCell(DataSrc* table, int row, int col);
// The same for a cell's `text` and `font_size` at hand.
void FitColumnToText(std::string_view text, int font_size, int col,
                     DataSrc* table);

}  // namespace matslip
