#pragma once
// The texts and format indexes of a table, kept compact: each row holds the
// texts of its cells back to back in one string and, per cell, the end of its
// text there and its format index (8 bytes a cell plus the text itself).
// Rows and columns are 0-based here; callers check the bounds.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace matslip {

class CellStore {
 public:
  int rows() const { return static_cast<int>(rows_.size()); }
  int cols() const { return cols_; }

  // Keeps the cells that stay inside; new cells are empty with `format`.
  void Resize(int rows, int cols, std::uint32_t format);
  void AppendRows(int count, std::uint32_t format);
  // Appends one row whose first columns hold `texts` (at most cols()) and
  // the rest nothing, every cell with `format`. False (nothing added) when
  // the texts pass 4 GB.
  bool AppendRow(std::span<const std::string> texts, std::uint32_t format);
  // Inserts `count` empty columns before column `at` (0..cols).
  void InsertColumns(int at, int count, std::uint32_t format);

  std::string_view Text(int row, int col) const;
  // False (and nothing changed) when the row's texts would pass 4 GB.
  bool SetText(int row, int col, std::string_view text);
  std::uint32_t Format(int row, int col) const {
    return rows_[row].cells[col].format;
  }
  void SetFormat(int row, int col, std::uint32_t format) {
    rows_[row].cells[col].format = format;
  }

 private:
  struct Cell {
    std::uint32_t format;
    std::uint32_t end;  // offset in Row::text just past this cell's text
  };
  struct Row {
    std::string text;
    std::vector<Cell> cells;
  };
  Row NewRow(std::uint32_t format) const;

  std::vector<Row> rows_;
  int cols_ = 0;
};

}  // namespace matslip
