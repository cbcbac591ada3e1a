#include "grid/grid.h"

#include <algorithm>
#include <cstdlib>

#include "grid/data_src.h"

namespace matslip {
namespace {

template <typename Event, typename... Args>
void Raise(const Event& event, Args&&... args) {
  if (event) event(std::forward<Args>(args)...);
}

}  // namespace

Grid::~Grid() {
  if (source_ != nullptr) source_->RemoveListener(this);
}

void Grid::SetDataSource(DataSrc* source) {
  if (source == source_) return;
  if (source_ != nullptr) source_->RemoveListener(this);
  source_ = source;
  if (source_ != nullptr) source_->AddListener(this);
  const CellPos first = MoveByKey({}, kKeyHome, kModCtrl, Area(), 1);
  Select(first, first);
  Raise(view_changed_);
}

KeyArea Grid::Area() const {
  if (source_ == nullptr) return {};
  return {source_->GetRowCount(), source_->GetColumnCount(),
          source_->GetHeaderRows(), source_->GetHeaderColumns()};
}

CellPos Grid::Clamped(CellPos pos) const {
  const KeyArea a = Area();
  return {std::clamp(pos.row, std::min(1, a.rows), a.rows),
          std::clamp(pos.col, std::min(1, a.cols), a.cols)};
}

void Grid::Select(CellPos anchor, CellPos end) {
  anchor = Clamped(anchor);
  end = Clamped(end);
  if (anchor == anchor_ && end == end_) return;
  anchor_ = anchor;
  end_ = end;
  Raise(view_changed_);
  Raise(events_.selection_changed);
}

int Grid::GetSelectedRowCount() const {
  return std::abs(anchor_.row - end_.row) + 1;
}
int Grid::GetSelectedColumnCount() const {
  return std::abs(anchor_.col - end_.col) + 1;
}

CellRange Grid::Selection() const {
  return {GetCursorRow(), GetCursorColumn(), GetSelectedRowCount(),
          GetSelectedColumnCount()};
}

void Grid::SetCursor(int row, int col) { Select({row, col}, {row, col}); }

void Grid::ClickCell(int row, int col) {
  const CellPos pos = Clamped({row, col});
  if (anchor_ == pos && end_ == pos) {
    Raise(events_.selection_changed);
    return;
  }
  SetCursor(row, col);
}

void Grid::SelectRange(const CellRange& range) {
  if (range.empty()) return;
  Select({range.row, range.col}, {range.last_row(), range.last_col()});
}

void Grid::ExtendSelection(int row, int col) { Select(anchor_, {row, col}); }

void Grid::SetScale(int percent) {
  scale_ = std::clamp(percent, kMinScale, kMaxScale);
  Raise(view_changed_);
}

void Grid::set_background(Colour colour) {
  background_ = colour;
  Raise(view_changed_);
}

void Grid::FitToWidth(int client_width) {
  if (source_ == nullptr) return;
  long long total = 0;
  for (int c = 1; c <= source_->GetColumnCount(); ++c)
    total += source_->GetColumnWidth(c);
  if (total <= 0) return;
  SetScale(static_cast<int>(
      std::clamp<long long>(100LL * client_width / total, 0, kMaxScale)));
}

void Grid::EditCell(int row, int col, const std::string& text) {
  if (source_ == nullptr) return;
  source_->SetCellText(row, col, text);
  Raise(events_.cell_edited, row, col, text);
}

void Grid::ResizeColumn(int col, int width) {
  if (source_ == nullptr) return;
  source_->SetColumnWidths(col, 1, width);
  Raise(events_.column_layout_changed);
}

void Grid::PressLeft(const MouseEvent& event) {
  Raise(events_.left_pressed, event);
}
void Grid::ReleaseLeft(const MouseEvent& event) {
  Raise(events_.left_released, event);
}
void Grid::PressRight(const MouseEvent& event) {
  Raise(events_.right_pressed, event);
}

void Grid::PressKey(int key, int modifiers, int page_rows) {
  Raise(events_.key_pressed, key, modifiers);
  if (!IsMoveKey(key)) return;
  const bool extend =
      (modifiers & kModShift) != 0 && key != kKeyEnter && key != kKeyTab;
  const CellPos to =
      MoveByKey(extend ? end_ : anchor_, key, modifiers, Area(), page_rows);
  if (extend) {
    Select(anchor_, to);
  } else {
    Select(to, to);
  }
}

void Grid::StructureChanged() { Select(anchor_, end_); }

void Grid::DataSrcDestroyed() {
  source_ = nullptr;
  Select({}, {});
}

}  // namespace matslip
