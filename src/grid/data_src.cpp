#include "grid/data_src.h"

#include <algorithm>
#include <utility>

#include "grid/range_marks.h"

namespace matslip {

DataSrc::DataSrc() { default_index_ = formats_.Intern(default_format_); }

DataSrc::~DataSrc() {
  Notify([](DataSrcListener* l) { l->DataSrcDestroyed(); });
}

template <typename Call>
void DataSrc::Notify(Call call) {
  // A listener may remove itself (or another) while it is called.
  const std::vector<DataSrcListener*> listeners = listeners_;
  for (DataSrcListener* l : listeners) {
    if (std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end())
      call(l);
  }
}

void DataSrc::AddListener(DataSrcListener* listener) {
  if (std::find(listeners_.begin(), listeners_.end(), listener) ==
      listeners_.end()) {
    listeners_.push_back(listener);
  }
}

void DataSrc::RemoveListener(DataSrcListener* listener) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener),
                   listeners_.end());
}

void DataSrc::Refresh() {
  Notify([](DataSrcListener* l) { l->StructureChanged(); });
}

void DataSrc::EndCellEdit() {
  Notify([](DataSrcListener* l) { l->EndCellEdit(); });
}

// --- Size.

void DataSrc::SetTableSize(int rows, int cols) {
  rows = std::max(rows, 0);
  cols = std::max(cols, 0);
  cells_.Resize(rows, cols, default_index_);
  row_heights_.resize(static_cast<std::size_t>(rows), kDefaultRowHeight);
  column_widths_.resize(static_cast<std::size_t>(cols), kDefaultColumnWidth);
  ClampCurrentRow();
  Refresh();
}

void DataSrc::AppendRows(int count) {
  if (count <= 0) return;
  cells_.AppendRows(count, default_index_);
  row_heights_.resize(row_heights_.size() + static_cast<std::size_t>(count),
                      kDefaultRowHeight);
  Refresh();
}

void DataSrc::InsertColumns(int col, int count) {
  if (count <= 0 || col < 1 || col > GetColumnCount() + 1) return;
  cells_.InsertColumns(col - 1, count, default_index_);
  column_widths_.insert(column_widths_.begin() + (col - 1),
                        static_cast<std::size_t>(count), kDefaultColumnWidth);
  Refresh();
}

void DataSrc::SetHeaderRows(int count) {
  header_rows_ = count < 0 ? kDefaultHeaderRows : count;
  Refresh();
}

void DataSrc::SetHeaderColumns(int count) {
  header_cols_ = count < 0 ? kDefaultHeaderColumns : count;
  Refresh();
}

int DataSrc::GetHeaderRows() const {
  return std::min(header_rows_, GetRowCount());
}
int DataSrc::GetHeaderColumns() const {
  return std::min(header_cols_, GetColumnCount());
}

// --- Texts.

std::string DataSrc::GetCellText(int row, int col) const {
  if (!Inside(row, col)) return {};
  return std::string(cells_.Text(row - 1, col - 1));
}

void DataSrc::SetCellText(int row, int col, std::string_view text) {
  if (!Inside(row, col) || !cells_.SetText(row - 1, col - 1, text)) return;
  const CellRange cell{row, col};
  Notify([&cell](DataSrcListener* l) { l->CellsChanged(cell); });
}

void DataSrc::ClearRange(const CellRange& range) {
  const CellRange r = Clip(range);
  if (r.empty()) return;
  for (int row = r.row; row <= r.last_row(); ++row) {
    for (int col = r.col; col <= r.last_col(); ++col)
      cells_.SetText(row - 1, col - 1, {});
  }
  Notify([&r](DataSrcListener* l) { l->CellsChanged(r); });
}

// --- Formats.

const CellFormat& DataSrc::GetCellFormat(int row, int col) const {
  if (!Inside(row, col)) return default_format_;
  return formats_.Get(cells_.Format(row - 1, col - 1));
}

void DataSrc::SetCellFormat(int row, int col, const CellFormat& format) {
  const CellFormat normal = Normalised(format);
  ChangeEachFormat({row, col}, [&normal](CellFormat* f) { *f = normal; });
}

void DataSrc::ChangeFormats(
    const CellRange& range,
    const std::function<void(int, int, CellFormat*)>& change) {
  if (range.empty()) return;
  for (int row = range.row; row <= range.last_row(); ++row) {
    for (int col = range.col; col <= range.last_col(); ++col) {
      CellFormat f = formats_.Get(cells_.Format(row - 1, col - 1));
      change(row, col, &f);
      cells_.SetFormat(row - 1, col - 1, formats_.Intern(f));
    }
  }
  Notify([&range](DataSrcListener* l) { l->CellsChanged(range); });
}

void DataSrc::ChangeEachFormat(const CellRange& range,
                               const std::function<void(CellFormat*)>& change) {
  const CellRange r = Clip(range);
  ChangeFormats(r, [&change](int, int, CellFormat* f) { change(f); });
}

void DataSrc::SetTextColour(const CellRange& range, Colour colour) {
  ChangeEachFormat(range, [colour](CellFormat* f) { f->text_colour = colour; });
}

void DataSrc::SetBackgroundColour(const CellRange& range, Colour colour) {
  ChangeEachFormat(range, [colour](CellFormat* f) { f->background = colour; });
}

void DataSrc::SetFontName(const CellRange& range, std::string_view name) {
  const std::string cut = CutToGbkBytes(name, kMaxFontNameBytes);
  ChangeEachFormat(range, [&cut](CellFormat* f) { f->font_name = cut; });
}

void DataSrc::SetFontSize(const CellRange& range, int size) {
  size = NormalFontSize(size);
  ChangeEachFormat(range, [size](CellFormat* f) { f->font_size = size; });
}

void DataSrc::SetFontStyle(const CellRange& range, int style) {
  ChangeEachFormat(range,
                   [style](CellFormat* f) { f->style = style & kStyleMask; });
}

void DataSrc::SetAlignment(const CellRange& range, int code) {
  code = NormalAlignment(code);
  ChangeEachFormat(range, [code](CellFormat* f) { f->alignment = code; });
}

void DataSrc::SetEdgeLines(const CellRange& range, int mask, int line_kind) {
  const CellRange r = Clip(range);
  if (r.empty()) return;
  line_kind = NormalLineKind(line_kind);
  // The range and its neighbours, whose facing sides lie on the outline.
  const CellRange around =
      CellRange{r.row - 1, r.col - 1, r.rows + 2, r.cols + 2}.ClippedTo(
          GetRowCount(), GetColumnCount());
  ChangeFormats(around, [&](int row, int col, CellFormat* f) {
    const int sides = SidesOnRangeLines(r, mask, row, col);
    for (int side = 0; side < 4; ++side) {
      if ((sides & (1 << side)) != 0) f->edges[side] = line_kind;
    }
  });
}

void DataSrc::MergeCells(const CellRange& range) {
  const CellRange r = Clip(range);
  if (r.empty() || (r.rows == 1 && r.cols == 1)) return;
  ChangeFormats(r, [&r](int row, int col, CellFormat* f) {
    f->merge = MergeMarksIn(r, row, col);
  });
}

CellRange DataSrc::GetMergedBlock(int row, int col) const {
  if (!Inside(row, col)) return {row, col};
  // Two cells belong together only when both marks point at each other.
  auto joined = [this](int r, int c, int mark, int dr, int dc, int back) {
    const int nr = r + dr, nc = c + dc;
    return (GetCellFormat(r, c).merge & mark) != 0 && Inside(nr, nc) &&
           (GetCellFormat(nr, nc).merge & back) != 0;
  };
  int top = row, bottom = row, left = col, right = col;
  while (joined(top, col, kMergeUp, -1, 0, kMergeDown)) --top;
  while (joined(bottom, col, kMergeDown, 1, 0, kMergeUp)) ++bottom;
  while (joined(row, left, kMergeLeft, 0, -1, kMergeRight)) --left;
  while (joined(row, right, kMergeRight, 0, 1, kMergeLeft)) ++right;
  return {top, left, bottom - top + 1, right - left + 1};
}

void DataSrc::SetDefaultFormat(int value_kind, Colour text_colour,
                               Colour background, std::string_view font_name,
                               int font_size, int style, int text_margin,
                               int alignment, int border_kind, bool wrap) {
  CellFormat f;
  f.value_code = ValueCodeOfKind(value_kind);
  f.text_colour = text_colour;
  f.background = background;
  f.font_name = std::string(font_name);
  f.font_size = font_size;
  f.style = style;
  f.text_margin = text_margin;
  f.alignment = alignment;
  f.edges.fill(border_kind);
  f.wrap = wrap;
  default_format_ = Normalised(std::move(f));
  default_index_ = formats_.Intern(default_format_);
}

// --- Lengths.

int DataSrc::GetRowHeight(int row) const {
  return row >= 1 && row <= GetRowCount() ? row_heights_[row - 1] : 0;
}

int DataSrc::GetColumnWidth(int col) const {
  return col >= 1 && col <= GetColumnCount() ? column_widths_[col - 1] : 0;
}

namespace {

// Sets lengths[first-1 .. first+count-2] (clipped) to `length`; false when
// nothing lies inside.
bool SetLengths(std::vector<int>* lengths, int first, int count, int length) {
  const CellRange r = CellRange{first, 1, count, 1}.ClippedTo(
      static_cast<int>(lengths->size()), 1);
  if (r.empty()) return false;
  std::fill_n(lengths->begin() + (r.row - 1), r.rows, std::max(length, 0));
  return true;
}

}  // namespace

void DataSrc::SetRowHeights(int first_row, int count, int height) {
  if (SetLengths(&row_heights_, first_row, count, height)) Refresh();
}

void DataSrc::SetColumnWidths(int first_col, int count, int width) {
  if (SetLengths(&column_widths_, first_col, count, width)) Refresh();
}

// --- Current row.

void DataSrc::SetCurrentRow(int row) {
  row = std::clamp(row, 0, GetRowCount());
  if (row == current_row_) return;
  current_row_ = row;
  Notify([row](DataSrcListener* l) { l->CurrentRowChanged(row); });
}

void DataSrc::MoveRows(int step) {
  SetCurrentRow(static_cast<int>(
      std::clamp<long long>(1LL * current_row_ + step, 0, GetRowCount())));
}

void DataSrc::ClampCurrentRow() {
  SetCurrentRow(std::min(current_row_, GetRowCount()));
}

// --- Providers.

void DataSrc::WidenTo(int cols) {
  if (cols <= GetColumnCount()) return;
  column_widths_.resize(static_cast<std::size_t>(cols), kDefaultColumnWidth);
  cells_.InsertColumns(GetColumnCount(), cols - GetColumnCount(),
                       default_index_);
}

bool DataSrc::ConnectProvider(const Provider& provider) {
  const int old_rows = GetRowCount(), old_cols = GetColumnCount();
  int provider_cols = 0;
  const bool ok = provider.ReadRows(
      [this](std::span<const std::string> texts) {
        const int cols = static_cast<int>(texts.size());
        WidenTo(cols);
        if (cells_.AppendRow(texts, default_index_))
          row_heights_.push_back(kDefaultRowHeight);
      },
      &provider_cols);
  if (!ok) {
    // A source that failed half-way leaves the table as it was.
    cells_.Resize(old_rows, old_cols, default_index_);
    row_heights_.resize(static_cast<std::size_t>(old_rows));
    column_widths_.resize(static_cast<std::size_t>(old_cols));
    return false;
  }
  WidenTo(provider_cols);
  Refresh();
  return true;
}

// --- Print settings.

void DataSrc::SetPrintSettings(const PrintInf& settings) {
  print_ = Clamped(settings);
}

PaperSize DataSrc::GetPaperSize() const {
  return paper_hook_ ? paper_hook_(print_) : PaperWithoutPrinter(print_);
}

int DataSrc::GetPrintableWidth() const {
  return GetPaperSize().width - print_.left_margin - print_.right_margin;
}

int DataSrc::GetPrintableHeight() const {
  return GetPaperSize().height - print_.top_margin - print_.bottom_margin;
}

void DataSrc::ReplaceTable(DataSrc&& other) {
  std::swap(cells_, other.cells_);
  std::swap(formats_, other.formats_);
  std::swap(row_heights_, other.row_heights_);
  std::swap(column_widths_, other.column_widths_);
  header_rows_ = other.header_rows_;
  header_cols_ = other.header_cols_;
  print_ = other.print_;
  default_index_ = formats_.Intern(default_format_);
  current_row_ = 0;  // so that FirstRow() always tells the views
  FirstRow();
  Refresh();
}

}  // namespace matslip
