#pragma once
// The texts of a rectangular area of a worksheet, as a spreadsheet shows
// them. Rows and columns are 1-based (column 2 is "B").
#include <string>
#include <vector>

namespace matslip {

struct SheetArea {
  int first_row = 1, last_row = 1;
  int first_column = 1, last_column = 1;
  // Columns that hold texts (names, not amounts): in formats that store
  // texts only (CSV, HTML) their cells are kept as written, "0012" and
  // "1,200" not read as numbers. None unless set.
  int first_text_column = 0, last_text_column = -1;
  bool IsTextColumn(int column) const {
    return column >= first_text_column && column <= last_text_column;
  }
};

class SheetCells {
 public:
  SheetCells() = default;
  // An area with a last row or column before its first one holds no cell.
  explicit SheetCells(const SheetArea& area);

  const SheetArea& area() const { return area_; }
  bool Contains(int row, int column) const;
  // "" for an empty cell and for one outside the area.
  const std::string& Cell(int row, int column) const;
  // Cells outside the area are not kept.
  void Set(int row, int column, std::string text);
  std::string* Mutable(int row, int column);

 private:
  SheetArea area_;
  int width_ = 0;
  std::vector<std::string> cells_;
};

}  // namespace matslip
