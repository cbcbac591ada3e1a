#include "workbook/table_edits.h"

#include <string>

#include "grid/data_src.h"
#include "workbook/result_loading.h"

namespace matslip {

void FillDown(DataSrc* table, int row, int col) {
  const std::string text = table->GetCellText(row, col);
  const int last = LastRowAboveTotal(*table);
  for (int r = row + 1; r <= last; ++r) table->SetCellText(r, col, text);
}

void AlignWholeTable(DataSrc* table, int code) {
  table->SetAlignment({1, 1, table->GetRowCount(), table->GetColumnCount()},
                      code);
}

}  // namespace matslip
