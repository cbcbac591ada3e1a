#include "workbook/print_toolbar.h"

#include "base/dialogs.h"
#include "grid/data_src.h"
#include "grid/grid.h"
#include "workbook/print_page_setup.h"
#include "workbook/print_table.h"

namespace matslip {
namespace {

void ReplaceAll(std::string* text, std::string_view from, std::string_view to) {
  for (std::size_t at = text->find(from); at != std::string::npos;
       at = text->find(from, at + to.size())) {
    text->replace(at, from.size(), to);
  }
}

void ReplaceFirst(std::string* text, std::string_view from,
                  std::string_view to) {
  const std::size_t at = text->find(from);
  if (at != std::string::npos) text->replace(at, from.size(), to);
}

// One step of the date cycle; `step` is the press count modulo 4.
std::string NextDateFormat(std::string text, int step) {
  switch (step) {
    case 1:
      ReplaceAll(&text, "年", "-");
      ReplaceAll(&text, "月", "-");
      ReplaceAll(&text, "日", "");
      break;
    case 2:
      ReplaceAll(&text, "-", ".");
      break;
    case 3:
      ReplaceAll(&text, ".", "/");
      break;
    default:
      ReplaceFirst(&text, "/", "年");
      ReplaceFirst(&text, "/", "月");
      if (!text.empty()) text += "日";
      break;
  }
  return text;
}

// Rows from row 4 down, every column.
CellRange RowsFromFirstData(const DataSrc& table) {
  return {kPrintTableFirstDataRow, 1,
          table.GetRowCount() - kPrintTableFirstDataRow + 1,
          table.GetColumnCount()};
}

}  // namespace

void SetTitleFont(std::string_view name, DataSrc* table) {
  table->SetFontName({kPrintTableTitleRow, 1}, name);
  table->Refresh();
}

void SetTitleSize(int size, DataSrc* table) {
  table->SetFontSize({kPrintTableTitleRow, 1}, size);
  table->SetFontSize({kPrintTableDateRow, 1, 2, table->GetColumnCount()},
                     size - kSubtitleSizeDrop);
  table->Refresh();
}

void SetBodyFont(std::string_view name, DataSrc* table) {
  table->SetFontName({kPrintTableDateRow, 1, table->GetRowCount() - 1,
                      table->GetColumnCount()},
                     name);
  table->Refresh();
}

void SetPageNumberPosition(int position, DataSrc* table, PrintInf* print) {
  print->page_number_position = position;
  ApplyPrintSettings(table, print);
  table->Refresh();
}

std::string ChooseMoreFont(Dialogs* dialogs, DataSrc* table) {
  FontChoice font;
  font.name = kMoreFontsInitialFont;
  // A cancelled dialog leaves the initial font, which is then taken.
  dialogs->ChooseFont(&font);
  SetTitleFont(font.name, table);
  return font.name;
}

void StepRowHeights(int spinner_value, DataSrc* table) {
  const int size = table->GetFontSize(kPrintTableFirstDataRow, 1);
  const int height = table->GetRowHeight(kPrintTableFirstDataRow);
  const int step =
      spinner_value == kRowHeightSmaller ? -kRowHeightStep : kRowHeightStep;
  const CellRange rows = RowsFromFirstData(*table);
  table->SetRowHeights(rows.row, rows.rows, height + step);
  table->SetFontSize(rows, size + step);
  table->Refresh();
}

const char* CycleAlignment(int* presses, DataSrc* table) {
  ++*presses;
  // The data rows: the footer below them keeps its alignment.
  CellRange data = RowsFromFirstData(*table);
  --data.rows;
  struct Step {
    int alignment;
    const char* next_caption;
  };
  static constexpr Step kSteps[] = {
      {kAlignMiddleLeft, kAlignRightCaption},
      {kAlignMiddleRight, kAlignCentreCaption},
      {kAlignMiddleCentre, kAlignLeftCaption},
  };
  const Step& step = kSteps[*presses % 3];
  table->SetAlignment(data, step.alignment);
  table->Refresh();
  return step.next_caption;
}

bool CycleDateFormat(int* presses, DataSrc* table, Grid* grid) {
  ++*presses;
  const int col = grid->GetCursorColumn();
  if (table->GetCellText(kPrintTableFieldRow, col).find("日") ==
      std::string::npos) {
    *presses = 0;
    return false;
  }
  const int step = *presses % 4;
  for (int row = kPrintTableFirstDataRow; row <= table->GetRowCount(); ++row)
    table->SetCellText(row, col,
                       NextDateFormat(table->GetCellText(row, col), step));
  grid->SetCursor(kPrintTableFieldRow, col);
  return true;
}

}  // namespace matslip
