#pragma once
// Copy and paste of blocks of cells. A copied block goes on the clipboard
// twice: in the program's own format (texts with their formats, as a grid
// file of just those cells) and as tab-separated text, rows by newline, for
// spreadsheets and text editors. Pasting prefers the program's format and
// falls back on plain text; either way it fills cells from the top-left
// cell of the selection and drops what falls outside the table.
#include <QMimeData>
#include <memory>

#include "grid/cell_range.h"

namespace matslip {

class DataSrc;
class Grid;

inline constexpr char kCellsMimeType[] = "application/x-matslip-cells";

// The clipboard contents for the cells of `range` (clipped to the table).
// Null when the range holds no cell.
std::unique_ptr<QMimeData> CellsMimeData(const DataSrc& table,
                                         const CellRange& range);
// Fills `table` from (row, col) with what `data` holds; false when it holds
// neither cells nor text.
bool PasteMimeData(const QMimeData& data, DataSrc* table, int row, int col);

// The two above on the system clipboard.
void CopyRange(const DataSrc& table, const CellRange& range);
bool Paste(Grid* grid);

}  // namespace matslip
