#include "grid/cell_text_qt.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <algorithm>

#include "grid/cell_format.h"

namespace matslip {
namespace {

enum class Place { kStart, kMiddle, kEnd };

struct Placement {
  Place across;
  Place down;
};

Placement PlacementOf(int alignment) {
  static constexpr Place kPlaces[] = {Place::kStart, Place::kMiddle,
                                      Place::kEnd};
  // Codes 10..14 have no placement of their own and draw as top left.
  const int code = alignment >= kAlignTopLeft && alignment <= kAlignBottomRight
                       ? alignment - 1
                       : 0;
  return {kPlaces[code % 3], kPlaces[code / 3]};
}

// Where an extent of `length` starts in the span [low, high]; too long an
// extent is centred whatever the placement.
double StartIn(double low, double high, double length, Place place) {
  if (length > high - low || place == Place::kMiddle)
    return (low + high - length) / 2;
  return place == Place::kStart ? low : high - length;
}

// The glyph box of a line relative to the left end of its baseline: its
// advance by the font's ascent and descent, grown by any ink beyond them.
QRectF GlyphBox(const QFontMetricsF& metrics, const QString& line) {
  return metrics.boundingRect(line).united(
      QRectF(0, -metrics.ascent(), metrics.horizontalAdvance(line),
             metrics.ascent() + metrics.descent()));
}

// How much wider than `width` the widest line's glyph box is; 0 for none.
double Excess(const QFontMetricsF& metrics, const std::vector<QString>& lines,
              double width) {
  double excess = 0;
  for (const QString& line : lines)
    excess = std::max(excess, GlyphBox(metrics, line).width() - width);
  return excess;
}

std::vector<QString> WrappedLines(const QString& text, const QFont& font,
                                  double width, QPaintDevice* device) {
  QTextLayout layout(text, font, device);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  std::vector<QString> lines;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid();
       line = layout.createLine()) {
    line.setLineWidth(width);
    lines.push_back(text.mid(line.textStart(), line.textLength()).trimmed());
  }
  layout.endLayout();
  return lines;
}

// The lines of `text` broken to the room's width, the ink of their ends
// included.
std::vector<QString> Wrapped(const QString& text, const QFont& font,
                             const QFontMetricsF& metrics, double width,
                             QPaintDevice* device) {
  std::vector<QString> lines = WrappedLines(text, font, width, device);
  const double excess = Excess(metrics, lines, width);
  return excess > 0 ? WrappedLines(text, font, width - excess, device) : lines;
}

// `line` cut short with an ellipsis until its glyph box is at most `width`.
QString Elided(const QFontMetricsF& metrics, const QString& line,
               double width) {
  QString elided = line;
  double room = width;
  while (!elided.isEmpty() && GlyphBox(metrics, elided).width() > width) {
    if (room <= 0) return {};
    elided = metrics.elidedText(line, Qt::ElideRight, room);
    room -= std::max(1.0, GlyphBox(metrics, elided).width() - width);
  }
  return elided;
}

}  // namespace

CellText LayOutCellText(const QString& text, const QFont& font,
                        const QRectF& room, int alignment, bool wrap,
                        QPaintDevice* device) {
  CellText result;
  if (text.isEmpty() || room.width() <= 0) return result;
  const QFontMetricsF metrics =
      device != nullptr ? QFontMetricsF(font, device) : QFontMetricsF(font);
  std::vector<QString> lines;
  if (wrap) {
    lines = Wrapped(text, font, metrics, room.width(), device);
  } else {
    // One line: breaks read as spaces, as Qt's single-line drawing shows them.
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '));
    const QString elided = Elided(metrics, line, room.width());
    result.elided = elided != line;
    lines.push_back(elided);
  }
  // The glyph box of the block relative to the first baseline. Every line's
  // box holds the font's full ascent and descent, so neighbouring cells share
  // their baselines.
  const double spacing = metrics.lineSpacing();
  double top = 0;
  double bottom = 0;
  std::vector<QRectF> boxes;  // measured once: painting lays out every cell
  boxes.reserve(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const QRectF& box = boxes.emplace_back(GlyphBox(metrics, lines[i]));
    const double baseline = spacing * static_cast<double>(i);
    top = std::min(top, baseline + box.top());
    bottom = std::max(bottom, baseline + box.bottom());
  }
  const Placement placement = PlacementOf(alignment);
  const double first_baseline =
      StartIn(room.top(), room.bottom(), bottom - top, placement.down) - top;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].isEmpty()) continue;
    const QRectF& box = boxes[i];
    const double left =
        StartIn(room.left(), room.right(), box.width(), placement.across) -
        box.left();
    result.lines.push_back(
        {QPointF(left, first_baseline + spacing * static_cast<double>(i)),
         lines[i]});
  }
  return result;
}

}  // namespace matslip
