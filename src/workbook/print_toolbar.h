#pragma once
// The commands of the print toolbar on a print table (print_table.h): the
// title and body fonts, the title size, the page-number position, the row
// height step and the alignment and date-format cycles. Each redraws the
// table's views once it has changed it.
#include <array>
#include <string>
#include <string_view>

#include "grid/print_inf.h"

namespace matslip {

class DataSrc;
class Dialogs;
class Grid;

// The fonts of the title-font and body-font lists.
inline constexpr std::array<const char*, 7> kPrintTableFonts = {
    "仿宋_GB2312", "楷体_GB2312", "黑体", "华文新魏",
    "华文行楷",    "宋体",        "隶书"};
inline constexpr std::array<int, 10> kTitleSizes = {100, 95, 90, 85, 80,
                                                    75,  70, 65, 60, 55};
// Rows 2 and 3 are this much smaller than the title.
inline constexpr int kSubtitleSizeDrop = 45;
// The page-number positions 0 to 6, as the 页号位置 list names them.
inline constexpr std::array<const char*, 7> kPageNumberPositionNames = {
    "无页号", "上左", "上中", "上右", "下左", "下中", "下右"};
// The font the "更多字体" dialog starts with.
inline constexpr char kMoreFontsInitialFont[] = "宋体";

// The alignment button names the step its next press takes.
inline constexpr char kAlignRightCaption[] = "右对齐";
inline constexpr char kAlignCentreCaption[] = "中对齐";
inline constexpr char kAlignLeftCaption[] = "左对齐";

inline constexpr char kNotADateColumn[] =
    "请先选择需要调整日期格式的日期列,光标放在该列的任一行即可";

// The row-height spinner's value for "smaller"; any other value is
// "larger". Each step changes heights and font sizes by 5.
inline constexpr int kRowHeightSmaller = 1;
inline constexpr int kRowHeightLarger = 2;
inline constexpr int kRowHeightStep = 5;

// Font of the title cell (1, 1).
void SetTitleFont(std::string_view name, DataSrc* table);
// The title cell's size to `size`, rows 2 and 3 to size - 45.
void SetTitleSize(int size, DataSrc* table);
// Font of every cell from row 2 down.
void SetBodyFont(std::string_view name, DataSrc* table);
// PrintInf field 7, applied to the table and read back into `print`.
void SetPageNumberPosition(int position, DataSrc* table, PrintInf* print);
// "更多字体": the font dialog, starting at 宋体, whatever the user answers;
// the title cell takes the font named there. Returns that name.
std::string ChooseMoreFont(Dialogs* dialogs, DataSrc* table);

// Every row from row 4 down gets the height of row 4 and the font size of
// cell (4, 1), one step smaller (kRowHeightSmaller) or larger.
void StepRowHeights(int spinner_value, DataSrc* table);

// The next alignment of the data rows (right, centre, left, right, ...);
// returns the button's new caption.
const char* CycleAlignment(int* presses, DataSrc* table);

// The next date format of the cursor column's data rows (2013年9月10日,
// 2013-9-10, 2013.9.10, 2013/9/10, back again); the cursor then moves to
// the column title. False, the cycle restarted and nothing changed, when
// that title has no "日" (the caller shows kNotADateColumn).
bool CycleDateFormat(int* presses, DataSrc* table, Grid* grid);

}  // namespace matslip
