#include "grid/grid_painter_qt.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "grid/data_src.h"
#include "grid/pdf_text_map_qt.h"

namespace matslip {
namespace {

// Line widths in tenths of a millimetre; never thinner than one pixel.
constexpr double kThinLine = 2;
constexpr double kMediumLine = 5;
constexpr double kThickLine = 8;

// On/off lengths of the broken line kinds, in line widths.
constexpr int kDashed[] = {6, 3};
constexpr int kDotted[] = {1, 1};
constexpr int kDashDot[] = {6, 2, 1, 2};

// A straight line along one axis, as whole device pixels.
struct LineRun {
  bool vertical;
  double at;    // the cell edge it lies on
  double from;  // along the line
  double to;
  QRectF bounds;  // the area it must stay in
};

// How a line kind looks at a resolution: its width in pixels, on/off
// lengths in widths for a broken line (empty for solid), and for a double
// line two strokes of a third of the width with a gap between.
struct LineLook {
  double width = 0;
  std::span<const int> pattern;
  bool twin = false;
};

LineLook LookOf(int kind, double pixels_per_tenth) {
  const double thin = std::max(1.0, std::round(kThinLine * pixels_per_tenth));
  auto wider = [&](double tenths) {
    return std::max(thin, std::round(tenths * pixels_per_tenth));
  };
  switch (kind) {
    case kLineThin:
      return {thin, {}, false};
    case kLineMedium:
      return {wider(kMediumLine), {}, false};
    case kLineThick:
      return {wider(kThickLine), {}, false};
    case kLineDashed:
      return {thin, kDashed, false};
    case kLineDotted:
      return {thin, kDotted, false};
    case kLineDashDot:
      return {thin, kDashDot, false};
    case kLineDouble:
      return {3 * thin, {}, true};
    default:
      return {};
  }
}

// Fills the line's pixels next to the edge, on the side of the cell before
// it, moved inside the bounds when the edge is the area's own edge.
void DrawEdge(QPainter* painter, const LineRun& run, int kind,
              double pixels_per_tenth, const QColor& colour) {
  const LineLook look = LookOf(kind, pixels_per_tenth);
  if (look.width <= 0) return;
  const double low = run.vertical ? run.bounds.left() : run.bounds.top();
  const double high = run.vertical ? run.bounds.right() : run.bounds.bottom();
  const double edge = std::round(run.at);
  // The edges of blocks reaching beyond the area are not the area's to draw.
  if (edge < low || edge > high) return;
  const double start = std::clamp(edge - std::ceil(look.width / 2), low,
                                  std::max(low, high - look.width));
  auto fill = [&](double from, double to) {
    auto stroke = [&](double at, double width) {
      const QRectF rect = run.vertical ? QRectF(at, from, width, to - from)
                                       : QRectF(from, at, to - from, width);
      painter->fillRect(rect.intersected(run.bounds), colour);
    };
    if (!look.twin) return stroke(start, look.width);
    stroke(start, look.width / 3);
    stroke(start + 2 * look.width / 3, look.width / 3);
  };
  if (look.pattern.empty()) return fill(run.from, run.to);
  std::size_t i = 0;
  for (double pos = run.from; pos < run.to; ++i) {
    const double length = look.pattern[i % look.pattern.size()] * look.width;
    if (i % 2 == 0) fill(pos, std::min(pos + length, run.to));
    pos += length;
  }
}

}  // namespace

QColor ToQColor(Colour colour) {
  return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

QRectF AreaBounds(const TableArea& area) {
  return QRectF(QPointF(area.col_edges.front(), area.row_edges.front()),
                QPointF(area.col_edges.back(), area.row_edges.back()));
}

TablePainter::TablePainter(const DataSrc& table, const AxisOffsets& rows,
                           const AxisOffsets& cols, PaintOptions options)
    : table_(table), rows_(rows), cols_(cols), options_(std::move(options)) {}

double TablePainter::Edge(const TableArea& area, Axis axis, int index) const {
  const AxisOffsets& offsets = axis == Axis::kRows ? rows_ : cols_;
  const std::vector<double>& edges = area.Edges(axis);
  const int first = area.First(axis);
  const int past = first + static_cast<int>(edges.size()) - 1;
  if (index < first) {
    return edges.front() - (offsets.Start(first) - offsets.Start(index)) *
                               options_.pixels_per_tenth;
  }
  if (index > past) {
    return edges.back() + (offsets.Start(index) - offsets.Start(past)) *
                              options_.pixels_per_tenth;
  }
  return edges[static_cast<std::size_t>(index - first)];
}

QRectF TablePainter::BlockRect(const TableArea& area,
                               const CellRange& block) const {
  return QRectF(QPointF(Edge(area, Axis::kColumns, block.col),
                        Edge(area, Axis::kRows, block.row)),
                QPointF(Edge(area, Axis::kColumns, block.last_col() + 1),
                        Edge(area, Axis::kRows, block.last_row() + 1)));
}

QFont TablePainter::FontOf(const CellFormat& format) const {
  QFont font(
      format.font_name.empty()
          ? options_.default_font
          : QString::fromUtf8(format.font_name.data(),
                              static_cast<int>(format.font_name.size())));
  font.setPixelSize(std::max(
      1, static_cast<int>(
             std::lround(format.font_size * options_.pixels_per_tenth))));
  font.setBold((format.style & kStyleBold) != 0);
  font.setItalic((format.style & kStyleItalic) != 0);
  font.setUnderline((format.style & kStyleUnderline) != 0);
  font.setStrikeOut((format.style & kStyleStrikeOut) != 0);
  // Shaping may swap in glyphs no character maps to (the CJK fonts' digits
  // among Latin letters), whose text a PDF then loses.
  font.setStyleStrategy(QFont::PreferNoShaping);
  return font;
}

CellText TablePainter::TextOf(const QRectF& rect, const CellRange& block,
                              QPaintDevice* device) const {
  const CellFormat& format = table_.GetCellFormat(block.row, block.col);
  if (HoldsRawBytes(format.value_code)) return {};
  const std::string text = table_.GetCellText(block.row, block.col);
  const double margin = format.text_margin * options_.pixels_per_tenth;
  return LayOutCellText(
      QString::fromUtf8(text.data(), static_cast<int>(text.size())),
      FontOf(format), rect.adjusted(margin, margin, -margin, -margin),
      format.alignment, format.wrap, device);
}

std::vector<CellRange> TablePainter::BlocksIn(const TableArea& area) const {
  std::vector<CellRange> blocks;
  const CellRange& cells = area.cells;
  for (int row = cells.row; row <= cells.last_row(); ++row) {
    for (int col = cells.col; col <= cells.last_col(); ++col) {
      if (table_.GetCellFormat(row, col).merge == 0) {
        blocks.push_back({row, col});
        continue;
      }
      // A merged block is drawn from its first cell inside the area.
      const CellRange block = table_.GetMergedBlock(row, col);
      if (row == std::max(block.row, cells.row) &&
          col == std::max(block.col, cells.col)) {
        blocks.push_back(block);
      }
    }
  }
  return blocks;
}

void TablePainter::PaintFace(QPainter* painter, const QRectF& rect,
                             const QRectF& bounds, const CellRange& block) {
  const CellFormat& format = table_.GetCellFormat(block.row, block.col);
  const QRectF shown = rect.intersected(bounds);
  // Text taller than the room inside the margins may use the margins.
  painter->setClipRect(shown);
  if (format.background != kAutoColour) {
    painter->fillRect(rect, ToQColor(format.background));
  } else {
    const bool header = block.row <= table_.GetHeaderRows() ||
                        block.col <= table_.GetHeaderColumns();
    const QColor& face = header ? options_.header_face : options_.body_face;
    if (face.isValid()) painter->fillRect(rect, face);
  }
  const CellText text = TextOf(rect, block, painter->device());
  if (text.lines.empty()) return;
  const QFont font = FontOf(format);
  painter->setFont(font);
  painter->setPen(ToQColor(format.text_colour));
  for (const PlacedLine& line : text.lines) {
    painter->drawText(line.baseline, line.text);
    if (options_.text_log != nullptr) options_.text_log->Add(font, line.text);
  }
}

void TablePainter::PaintGridLines(QPainter* painter, const QRectF& rect) {
  const QColor& colour = options_.grid_lines;
  painter->fillRect(QRectF(rect.right() - 1, rect.top(), 1, rect.height()),
                    colour);
  painter->fillRect(QRectF(rect.left(), rect.bottom() - 1, rect.width(), 1),
                    colour);
}

void TablePainter::PaintBorders(QPainter* painter, const TableArea& area,
                                const CellRange& block) {
  const QRectF bounds = AreaBounds(area);
  const double k = options_.pixels_per_tenth;
  // Each side of the block, cell by cell, over the part the area shows.
  const CellRange shown =
      block.ClippedTo(area.cells.last_row(), area.cells.last_col());
  const int first_row = std::max(shown.row, area.cells.row);
  const int first_col = std::max(shown.col, area.cells.col);
  const QRectF rect = BlockRect(area, block);
  // A line on the area's leading edge that the cell drawn just before it
  // also has is drawn once, by that cell (a header's bottom line and the
  // first body row's top line make one line).
  auto kind = [&](int row, int col, int side) {
    const int own = table_.GetCellFormat(row, col).edges[side];
    if (side == kSideLeft && col == area.cells.col && area.col_before > 0 &&
        table_.GetCellFormat(row, area.col_before).edges[kSideRight] == own) {
      return static_cast<int>(kLineNone);
    }
    if (side == kSideTop && row == area.cells.row && area.row_before > 0 &&
        table_.GetCellFormat(area.row_before, col).edges[kSideBottom] == own) {
      return static_cast<int>(kLineNone);
    }
    return own;
  };
  for (int row = first_row; row <= shown.last_row(); ++row) {
    const double top = Edge(area, Axis::kRows, row);
    const double bottom = Edge(area, Axis::kRows, row + 1);
    const auto& left = table_.GetCellFormat(row, block.col).edges;
    const auto& right = table_.GetCellFormat(row, block.last_col()).edges;
    DrawEdge(painter, {true, rect.left(), top, bottom, bounds}, left[kSideLeft],
             k, Qt::black);
    DrawEdge(painter, {true, rect.right(), top, bottom, bounds},
             right[kSideRight], k, Qt::black);
  }
  for (int col = first_col; col <= shown.last_col(); ++col) {
    const double left = Edge(area, Axis::kColumns, col);
    const double right = Edge(area, Axis::kColumns, col + 1);
    DrawEdge(painter, {false, rect.top(), left, right, bounds},
             kind(block.row, col, kSideTop), k, Qt::black);
    DrawEdge(painter, {false, rect.bottom(), left, right, bounds},
             kind(block.last_row(), col, kSideBottom), k, Qt::black);
  }
}

int TablePainter::Paint(QPainter* painter, const TableArea& area) {
  if (area.cells.empty()) return 0;
  const std::vector<CellRange> blocks = BlocksIn(area);
  const QRectF bounds = AreaBounds(area);
  painter->save();
  // Faces first, lines after, so that no face covers a neighbour's line.
  for (const CellRange& block : blocks)
    PaintFace(painter, BlockRect(area, block), bounds, block);
  painter->setClipRect(bounds);
  if (options_.grid_lines.isValid()) {
    for (const CellRange& block : blocks)
      PaintGridLines(painter, BlockRect(area, block));
  }
  for (const CellRange& block : blocks) PaintBorders(painter, area, block);
  painter->restore();
  return static_cast<int>(blocks.size());
}

}  // namespace matslip
