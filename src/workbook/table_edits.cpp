#include "workbook/table_edits.h"

#include <string>

#include "grid/data_src.h"

namespace matslip {

void FillDown(DataSrc* table, int row, int col) {
  const std::string text = table->GetCellText(row, col);
  for (int r = row + 1; r <= table->GetRowCount(); ++r)
    table->SetCellText(r, col, text);
}

void AlignWholeTable(DataSrc* table, int code) {
  table->SetAlignment({1, 1, table->GetRowCount(), table->GetColumnCount()},
                      code);
}

}  // namespace matslip
