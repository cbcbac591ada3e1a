#include "grid/grid_viewport.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace matslip {
namespace {

// The edges of a run of items placed from `start`: count + 1 pixel
// positions.
std::vector<double> Edges(const AxisOffsets& offsets, int first, int count,
                          double start, double pixels_per_tenth) {
  std::vector<double> edges(static_cast<std::size_t>(count) + 1);
  const std::int64_t origin = offsets.Start(first);
  for (int i = 0; i <= count; ++i) {
    edges[static_cast<std::size_t>(i)] = std::round(
        start + (offsets.Start(first + i) - origin) * pixels_per_tenth);
  }
  return edges;
}

// The first item from which the items up to `last` take at most `room`
// tenths of a millimetre (`last` itself when it alone is larger).
int FirstToFit(const AxisOffsets& offsets, int last, std::int64_t room) {
  const std::int64_t from = offsets.Start(last + 1) - room;
  return std::min(from <= 0 ? 1 : offsets.IndexAt(from - 1) + 1, last);
}

int BodyFirst(int headers) { return headers + 1; }

Axis Across(Axis axis) {
  return axis == Axis::kRows ? Axis::kColumns : Axis::kRows;
}

}  // namespace

void GridViewport::SetLengths(int row_count, const Length& row_height,
                              int col_count, const Length& col_width) {
  rows_.Assign(row_count, row_height);
  cols_.Assign(col_count, col_width);
}

void GridViewport::SetHeaders(int header_rows, int header_cols) {
  header_rows_ = header_rows;
  header_cols_ = header_cols;
}

void GridViewport::SetPixelsPerTenth(double pixels_per_tenth) {
  pixels_per_tenth_ = pixels_per_tenth;
}

void GridViewport::SetSize(int width, int height) {
  width_ = width;
  height_ = height;
}

void GridViewport::SetScroll(int body_rows_above, int body_cols_left) {
  scroll_rows_ = body_rows_above;
  scroll_cols_ = body_cols_left;
}

double GridViewport::HeaderPixels(Axis axis) const {
  return std::round(Offsets(axis).Start(BodyFirst(Headers(axis))) *
                    pixels_per_tenth_);
}

ScrollRange GridViewport::Range(Axis axis) const {
  const AxisOffsets& offsets = Offsets(axis);
  const int count = offsets.count();
  const int first = BodyFirst(Headers(axis));
  if (first > count) return {};
  const auto room = static_cast<std::int64_t>(
      std::max(0.0, Extent(axis) / pixels_per_tenth_ -
                        static_cast<double>(offsets.Start(first))));
  const int last_top = std::max(FirstToFit(offsets, count, room), first);
  return {last_top - first, std::max(1, count - last_top + 1)};
}

int GridViewport::LastShown(Axis axis, int first, double pixels) const {
  const AxisOffsets& offsets = Offsets(axis);
  if (first > offsets.count() || pixels <= 0) return first - 1;
  const double room = pixels / pixels_per_tenth_;
  const int last = offsets.IndexAt(
      offsets.Start(first) + static_cast<std::int64_t>(std::ceil(room)) - 1);
  return std::min(last, offsets.count());
}

ViewFrame GridViewport::Frame() const {
  ViewFrame f;
  f.header_rows = header_rows_;
  f.header_cols = header_cols_;
  f.header_height = HeaderPixels(Axis::kRows);
  f.header_width = HeaderPixels(Axis::kColumns);
  f.top_row = BodyFirst(header_rows_) + scroll_rows_;
  f.left_col = BodyFirst(header_cols_) + scroll_cols_;
  f.bottom_row = LastShown(Axis::kRows, f.top_row, height_ - f.header_height);
  f.right_col = LastShown(Axis::kColumns, f.left_col, width_ - f.header_width);
  return f;
}

TableArea GridViewport::MakeArea(const CellRange& cells, double x,
                                 double y) const {
  TableArea area;
  area.cells = cells.empty() ? CellRange{cells.row, cells.col, 0, 0} : cells;
  if (area.cells.empty()) return area;
  area.row_edges = Edges(rows_, cells.row, cells.rows, y, pixels_per_tenth_);
  area.col_edges = Edges(cols_, cells.col, cells.cols, x, pixels_per_tenth_);
  return area;
}

std::array<TableArea, 4> GridViewport::Areas() const {
  const ViewFrame f = Frame();
  const int body_rows = std::max(0, f.bottom_row - f.top_row + 1);
  const int body_cols = std::max(0, f.right_col - f.left_col + 1);
  std::array<TableArea, 4> areas = {
      MakeArea({1, 1, f.header_rows, f.header_cols}, 0, 0),
      MakeArea({1, f.left_col, f.header_rows, body_cols}, f.header_width, 0),
      MakeArea({f.top_row, 1, body_rows, f.header_cols}, 0, f.header_height),
      MakeArea({f.top_row, f.left_col, body_rows, body_cols}, f.header_width,
               f.header_height),
  };
  areas[1].col_before = areas[3].col_before = f.header_cols;
  areas[2].row_before = areas[3].row_before = f.header_rows;
  return areas;
}

CellHit GridViewport::HitTest(int x, int y) const {
  const ViewFrame f = Frame();
  const double k = pixels_per_tenth_;
  auto locate = [k](const AxisOffsets& offsets, int headers, int first,
                    double header_pixels, double at, bool* in_header) {
    *in_header = headers > 0 && at < header_pixels;
    const int index =
        *in_header ? offsets.IndexAt(static_cast<std::int64_t>(at / k))
                   : offsets.IndexAt(offsets.Start(first) +
                                     static_cast<std::int64_t>(
                                         std::floor((at - header_pixels) / k)));
    return *in_header
               ? std::clamp(index, 1, headers)
               : std::clamp(index, std::min(headers + 1, offsets.count()),
                            offsets.count());
  };
  CellHit hit;
  hit.row = locate(rows_, f.header_rows, f.top_row, f.header_height, y,
                   &hit.in_header_rows);
  hit.col = locate(cols_, f.header_cols, f.left_col, f.header_width, x,
                   &hit.in_header_cols);
  return hit;
}

int GridViewport::EdgeAt(Axis axis, int x, int y) const {
  // Columns are resized in the header rows, rows in the header columns.
  const Axis other = Across(axis);
  const bool rows = axis == Axis::kRows;
  const int across = rows ? x : y;
  const int along = rows ? y : x;
  if (Headers(other) == 0 || across >= HeaderPixels(other)) return 0;
  for (const TableArea& area : Areas()) {
    if (area.cells.empty() || area.First(other) != 1) continue;
    const std::vector<double>& edges = area.Edges(axis);
    for (std::size_t i = 1; i < edges.size(); ++i) {
      if (std::abs(edges[i] - along) <= kEdgeGrip)
        return area.First(axis) + static_cast<int>(i) - 1;
    }
  }
  return 0;
}

int GridViewport::PageRows() const {
  const ViewFrame f = Frame();
  if (f.bottom_row < f.top_row) return 1;
  // Rows wholly in view.
  const double bottom = f.header_height + (rows_.Start(f.bottom_row + 1) -
                                           rows_.Start(f.top_row)) *
                                              pixels_per_tenth_;
  const int full = f.bottom_row - f.top_row + (bottom <= height_);
  return std::max(full, 1);
}

int GridViewport::ScrollToShow(Axis axis, int index) const {
  const AxisOffsets& offsets = Offsets(axis);
  const int headers = Headers(axis);
  const int scroll = Scroll(axis);
  if (index <= headers || index > offsets.count()) return scroll;
  const int first = BodyFirst(headers);
  const int first_shown = first + scroll;
  const auto room = static_cast<std::int64_t>(
      std::max(0.0, (Extent(axis) - HeaderPixels(axis)) / pixels_per_tenth_));
  if (index < first_shown) return index - first;
  if (offsets.Start(index + 1) - offsets.Start(first_shown) > room)
    return std::max(FirstToFit(offsets, index, room), first) - first;
  return scroll;
}

int GridViewport::DragScrollStep(Axis axis, int at) const {
  return at < HeaderPixels(axis) ? -1 : at >= Extent(axis) ? 1 : 0;
}

CellHit GridViewport::NearestBodyCell(int x, int y) const {
  auto inside = [this](Axis axis, int at) {
    const int header = static_cast<int>(HeaderPixels(axis));
    return std::clamp(at, header, std::max(header, Extent(axis) - 1));
  };
  return HitTest(inside(Axis::kColumns, x), inside(Axis::kRows, y));
}

CellRange GridViewport::HeaderPick(const CellHit& hit) const {
  return {hit.in_header_rows ? BodyFirst(header_rows_) : hit.row,
          hit.in_header_cols ? BodyFirst(header_cols_) : hit.col,
          hit.in_header_rows ? rows_.count() - header_rows_ : 1,
          hit.in_header_cols ? cols_.count() - header_cols_ : 1};
}

int GridViewport::DraggedLength(int length, int pixels) const {
  return std::max(
      0, length + static_cast<int>(std::lround(pixels / pixels_per_tenth_)));
}

}  // namespace matslip
