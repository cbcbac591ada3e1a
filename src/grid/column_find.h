#pragma once
// The find item of the workbook window ("&Y.查找") and of the main window
// ("项目查找"). Each use of the item runs one step of a cycle that the
// item's caption tells: with "查找" it asks for a search text and finds the
// first row whose cell in the cursor column holds it, with "下一个" the next
// such row, and after the last row, with "上一个", it steps back through
// the rows found. Found rows take the window's hit colour.
#include <string>
#include <vector>

#include "grid/cell_format.h"

namespace matslip {

class DataSrc;
class Dialogs;
class Grid;

inline constexpr char kFindWord[] = "查找";
inline constexpr char kFindNextWord[] = "下一个";
inline constexpr char kFindBackWord[] = "上一个";
inline constexpr char kFindPrompt[] = "如果想在哪一列中查找,请将光标放到哪一列";
inline constexpr char kFindInputCaption[] = "请输入您想要查找的内容";
inline constexpr char kFindNoMoreMessage[] = "对不起，没有啦！";
inline constexpr char kFindNothingMessage[] = "对不起，没有找到！";
inline constexpr char kFindReportCaption[] = "报告！";

// A window's search; it lives for the whole run and is reset only when a new
// search text is confirmed.
struct FindState {
  std::string text;       // empty once a search reached the last row
  std::vector<int> hits;  // rows found, in the order found
  int back_steps = 0;     // hits stepped back over with "上一个"
};

inline constexpr Colour kWorkbookHitColour = 0x800080;  // purple
inline constexpr Colour kStockListHitColour = 0xFFFF;   // yellow

enum class FindAnswer {
  kDone,
  kPopUpEditMenu,  // show the window's 编辑 menu at the screen centre now
};

// One use of the find item on `table` shown by `grid`. `caption` is the
// item's caption, changed here as the cycle moves on; `hit_colour` the text
// colour a found row takes, every cell of it.
FindAnswer RunFind(Colour hit_colour, FindState* state, std::string* caption,
                   DataSrc* table, Grid* grid, Dialogs& dialogs);

// A left press in the workbook's grid: the caption reads "查找" again; the
// search text and the hits stay.
void ResetFindCaption(std::string* caption);

// Gives the rows found their hit colour again, for a table that was rebuilt
// since; rows no longer in the table are passed over.
void ColourFindHits(const FindState& state, Colour hit_colour, DataSrc* table);

}  // namespace matslip
