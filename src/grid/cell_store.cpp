#include "grid/cell_store.h"

#include <algorithm>
#include <limits>

namespace matslip {

CellStore::Row CellStore::NewRow(std::uint32_t format) const {
  Row row;
  row.cells.assign(static_cast<std::size_t>(cols_), Cell{format, 0});
  return row;
}

void CellStore::Resize(int rows, int cols, std::uint32_t format) {
  if (rows < static_cast<int>(rows_.size()))
    rows_.resize(static_cast<std::size_t>(rows));
  if (cols < cols_) {
    for (Row& row : rows_) {
      row.text.resize(cols > 0 ? row.cells[cols - 1].end : 0);
      row.cells.resize(static_cast<std::size_t>(cols));
      row.cells.shrink_to_fit();
    }
    cols_ = cols;
  } else if (cols > cols_) {
    InsertColumns(cols_, cols - cols_, format);
  }
  AppendRows(rows - static_cast<int>(rows_.size()), format);
}

void CellStore::AppendRows(int count, std::uint32_t format) {
  if (count <= 0) return;
  // Grow geometrically: a provider appends its rows one at a time.
  const std::size_t needed = rows_.size() + static_cast<std::size_t>(count);
  if (needed > rows_.capacity())
    rows_.reserve(std::max(needed, 2 * rows_.capacity()));
  for (int i = 0; i < count; ++i) rows_.push_back(NewRow(format));
}

bool CellStore::AppendRow(std::span<const std::string> texts,
                          std::uint32_t format) {
  std::size_t size = 0;
  for (const std::string& t : texts) size += t.size();
  if (size > std::numeric_limits<std::uint32_t>::max()) return false;
  Row row = NewRow(format);
  row.text.reserve(size);
  for (std::size_t c = 0; c < row.cells.size(); ++c) {
    if (c < texts.size()) row.text += texts[c];
    row.cells[c].end = static_cast<std::uint32_t>(row.text.size());
  }
  rows_.push_back(std::move(row));
  return true;
}

void CellStore::InsertColumns(int at, int count, std::uint32_t format) {
  if (count <= 0) return;
  for (Row& row : rows_) {
    const std::uint32_t end = at > 0 ? row.cells[at - 1].end : 0;
    std::vector<Cell> cells;
    cells.reserve(row.cells.size() + static_cast<std::size_t>(count));
    cells.insert(cells.end(), row.cells.begin(), row.cells.begin() + at);
    cells.insert(cells.end(), static_cast<std::size_t>(count),
                 Cell{format, end});
    cells.insert(cells.end(), row.cells.begin() + at, row.cells.end());
    row.cells = std::move(cells);
  }
  cols_ += count;
}

std::string_view CellStore::Text(int row, int col) const {
  const Row& r = rows_[row];
  const std::uint32_t begin = col > 0 ? r.cells[col - 1].end : 0;
  return std::string_view(r.text).substr(begin, r.cells[col].end - begin);
}

bool CellStore::SetText(int row, int col, std::string_view text) {
  Row& r = rows_[row];
  const std::uint32_t begin = col > 0 ? r.cells[col - 1].end : 0;
  const std::uint32_t old_length = r.cells[col].end - begin;
  const std::size_t new_size = r.text.size() - old_length + text.size();
  if (new_size > std::numeric_limits<std::uint32_t>::max()) return false;
  r.text.replace(begin, old_length, text);
  const std::uint32_t delta =
      static_cast<std::uint32_t>(text.size()) - old_length;
  // Unsigned wrap-around makes the same addition shrink the offsets.
  for (std::size_t c = static_cast<std::size_t>(col); c < r.cells.size(); ++c) {
    r.cells[c].end += delta;
  }
  return true;
}

}  // namespace matslip
