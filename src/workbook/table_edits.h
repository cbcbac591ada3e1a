#pragma once
// Edits of the workbook's 编辑 menu that work on the table as a whole.
namespace matslip {

class DataSrc;

// Copies the text of (row, col) into every cell below it in that column,
// down to the row above the total row (LastRowAboveTotal).
void FillDown(DataSrc* table, int row, int col);

// Gives every cell of the table the alignment `code`.
void AlignWholeTable(DataSrc* table, int code);

}  // namespace matslip
