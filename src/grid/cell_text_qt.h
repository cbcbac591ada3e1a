#pragma once
// Where the lines of a cell's text go: inside the cell less its margin, with
// the whole glyph box of every line (the font's ascent and descent and the
// ink of the text) in the room, centred vertically when the room is too low
// for it. A single line too wide for the room ends in an ellipsis; wrapped
// text breaks at words, or anywhere inside a word wider than the room.
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <vector>

class QPaintDevice;

namespace matslip {

struct PlacedLine {
  QPointF baseline;  // left end of the line's baseline
  QString text;
};

struct CellText {
  std::vector<PlacedLine> lines;
  bool elided = false;  // the text shown is not the whole text
};

// `alignment` is a cell alignment code; `device` (may be null) is the one the
// text is measured for.
CellText LayOutCellText(const QString& text, const QFont& font,
                        const QRectF& room, int alignment, bool wrap,
                        QPaintDevice* device);

}  // namespace matslip
