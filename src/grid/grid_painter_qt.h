#pragma once
// TablePainter: draws the cells of a DataSrc with their formats onto any
// QPainter (the screen, the print preview and the printer alike). A table
// is drawn in areas: a rectangle of cells whose row and column edges the
// caller has placed in device pixels. A merged block is drawn once, in its
// full size with the text and format of its top-left cell, clipped to the
// area; blocks reaching outside the area are placed by the table's lengths.
// Texts are placed by LayOutCellText: whole glyphs inside the cell less its
// margin, an ellipsis at the end of a line too wide.
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRectF>
#include <vector>

#include "grid/axis_offsets.h"
#include "grid/cell_format.h"
#include "grid/cell_range.h"
#include "grid/cell_text_qt.h"
#include "grid/table_area.h"

namespace matslip {

class DataSrc;
class PdfTextLog;

// Colours are blue-green-red with red in the low byte.
QColor ToQColor(Colour colour);

// The device rectangle an area covers.
QRectF AreaBounds(const TableArea& area);

struct PaintOptions {
  // Device pixels per tenth of a millimetre: the device's dots per inch
  // / 254, times the display or print scale.
  double pixels_per_tenth = 96.0 / 254.0;
  // The automatic background of header cells, and of the other cells.
  // Invalid colours leave the automatic background unpainted.
  QColor header_face;
  QColor body_face;
  // Thin lines around cells that have no border line; invalid for none.
  QColor grid_lines;
  // The font of cells whose format names none.
  QString default_font = QStringLiteral("宋体");
  // Where the texts drawn go, with their fonts, when they go into a PDF.
  PdfTextLog* text_log = nullptr;
};

class TablePainter {
 public:
  // `rows` and `cols` hold the table's current heights and widths.
  TablePainter(const DataSrc& table, const AxisOffsets& rows,
               const AxisOffsets& cols, PaintOptions options);

  // Draws the cells of `area`, clipped to its bounds; the number of cells
  // drawn (a merged block counts once).
  int Paint(QPainter* painter, const TableArea& area);

  // Where the cells of `block` lie when the area's cells lie as it says;
  // rows and columns outside the area are placed by their lengths.
  QRectF BlockRect(const TableArea& area, const CellRange& block) const;

  // The font a cell format draws with at the options' resolution. It draws
  // every character with the glyph the font maps it to, so that the text of
  // a PDF page gives back the characters drawn.
  QFont FontOf(const CellFormat& format) const;

  // The text of `block` as drawn into `rect` on `device`; no lines for cells
  // holding raw bytes.
  CellText TextOf(const QRectF& rect, const CellRange& block,
                  QPaintDevice* device) const;

 private:
  // The device position of the leading edge of row (column) `index`.
  double Edge(const TableArea& area, Axis axis, int index) const;
  // The blocks of `area`, each once, in the order they are drawn.
  std::vector<CellRange> BlocksIn(const TableArea& area) const;
  // Background and text of a block, clipped to the block within `bounds`.
  void PaintFace(QPainter* painter, const QRectF& rect, const QRectF& bounds,
                 const CellRange& block);
  void PaintGridLines(QPainter* painter, const QRectF& rect);
  void PaintBorders(QPainter* painter, const TableArea& area,
                    const CellRange& block);

  const DataSrc& table_;
  const AxisOffsets& rows_;
  const AxisOffsets& cols_;
  PaintOptions options_;
};

}  // namespace matslip
