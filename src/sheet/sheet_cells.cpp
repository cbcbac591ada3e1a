#include "sheet/sheet_cells.h"

#include <utility>

namespace matslip {

SheetCells::SheetCells(const SheetArea& area) : area_(area) {
  const long long rows =
      static_cast<long long>(area.last_row) - area.first_row + 1;
  const long long columns =
      static_cast<long long>(area.last_column) - area.first_column + 1;
  if (area.first_row < 1 || area.first_column < 1 || rows < 1 || columns < 1) {
    area_ = SheetArea{1, 0, 1, 0};
    return;
  }
  width_ = static_cast<int>(columns);
  cells_.resize(static_cast<std::size_t>(rows * columns));
}

bool SheetCells::Contains(int row, int column) const {
  return row >= area_.first_row && row <= area_.last_row &&
         column >= area_.first_column && column <= area_.last_column;
}

const std::string& SheetCells::Cell(int row, int column) const {
  static const std::string kEmpty;
  if (!Contains(row, column)) return kEmpty;
  return cells_[static_cast<std::size_t>(row - area_.first_row) * width_ +
                (column - area_.first_column)];
}

std::string* SheetCells::Mutable(int row, int column) {
  if (!Contains(row, column)) return nullptr;
  return &cells_[static_cast<std::size_t>(row - area_.first_row) * width_ +
                 (column - area_.first_column)];
}

void SheetCells::Set(int row, int column, std::string text) {
  if (std::string* cell = Mutable(row, column)) *cell = std::move(text);
}

}  // namespace matslip
