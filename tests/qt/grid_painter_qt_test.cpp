#include "grid/grid_painter_qt.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <string>
#include <vector>

#include "grid/data_src.h"

namespace matslip {
namespace {

// A paint device that keeps the texts drawn on it, each with its font and
// the left end of its baseline.
class TextRecorder : public QPaintDevice {
 public:
  struct Item {
    QPointF baseline;
    QString text;
    QFont font;
  };

  ~TextRecorder() override = default;
  QPaintEngine* paintEngine() const override { return &engine_; }
  const std::vector<Item>& items() const { return engine_.items; }
  // The texts drawn, one after another.
  QString AllText() const {
    QString all;
    for (const Item& item : items()) all += item.text;
    return all;
  }

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth:
        return 2000;
      case PdmHeight:
        return 2000;
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY:
        return 96;
      case PdmDepth:
        return 32;
      case PdmDevicePixelRatio:
        return 1;
      case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
      default:
        return 0;
    }
  }

 private:
  class Engine : public QPaintEngine {
   public:
    Engine() : QPaintEngine(AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
      items.push_back({p, item.text(), item.font()});
    }
    Type type() const override { return User; }
    std::vector<Item> items;
  };
  mutable Engine engine_;
};

// Text is placed to 1/64 of a pixel.
constexpr double kPositionGrain = 1.0 / 64 + 1e-6;

class TablePainterTextTest : public ::testing::Test {
 protected:
  // One cell of `width` x `height` tenths of a millimetre holding `text`.
  void OneCell(const std::string& text, int width, int height,
               int alignment = kAlignTopLeft) {
    table_.SetTableSize(1, 1);
    table_.SetCellText(1, 1, text);
    table_.SetColumnWidths(1, 1, width);
    table_.SetRowHeights(1, 1, height);
    table_.SetAlignment({1, 1}, alignment);
  }

  // Paints the table at 96 dots per inch from (10, 10); the cell rectangle of
  // (1, 1).
  QRectF Paint() {
    rows_.Assign(table_.GetRowCount(),
                 [this](int row) { return table_.GetRowHeight(row); });
    cols_.Assign(table_.GetColumnCount(),
                 [this](int col) { return table_.GetColumnWidth(col); });
    TablePainter cells(table_, rows_, cols_, PaintOptions{});
    TableArea area;
    area.cells = {1, 1, table_.GetRowCount(), table_.GetColumnCount()};
    const double k = PaintOptions{}.pixels_per_tenth;
    for (int row = 1; row <= area.cells.rows + 1; ++row)
      area.row_edges.push_back(10 + rows_.Start(row) * k);
    for (int col = 1; col <= area.cells.cols + 1; ++col)
      area.col_edges.push_back(10 + cols_.Start(col) * k);
    QPainter painter(&device_);
    cells.Paint(&painter, area);
    return cells.BlockRect(area, {1, 1});
  }

  // The room of the cell less its margin.
  QRectF Room(const QRectF& cell) const {
    const double margin = table_.GetCellFormat(1, 1).text_margin *
                          PaintOptions{}.pixels_per_tenth;
    return cell.adjusted(margin, margin, -margin, -margin);
  }

  // Where each drawn text's glyph box lies on the device.
  std::vector<QRectF> GlyphBoxes() const {
    std::vector<QRectF> boxes;
    for (const TextRecorder::Item& item : device_.items()) {
      const QFontMetricsF metrics(item.font, &device_);
      boxes.push_back(
          metrics.boundingRect(item.text).translated(item.baseline));
    }
    return boxes;
  }

  DataSrc table_;
  AxisOffsets rows_;
  AxisOffsets cols_;
  TextRecorder device_;
};

TEST_F(TablePainterTextTest, GlyphsOfATopAlignedRowFitInsideTheMargins) {
  // 8 mm rows, 4 mm text: room enough for the whole glyph box.
  OneCell("钢芯铝绞线Jg", 800, 80);
  const QRectF room = Room(Paint());
  ASSERT_FALSE(device_.items().empty());
  for (const QRectF& box : GlyphBoxes()) {
    EXPECT_GE(box.top(), room.top() - kPositionGrain);
    EXPECT_LE(box.bottom(), room.bottom() + kPositionGrain);
  }
}

TEST_F(TablePainterTextTest, GlyphsOfABottomAlignedRowFitInsideTheMargins) {
  OneCell("钢芯铝绞线Jg", 800, 80, kAlignBottomRight);
  const QRectF room = Room(Paint());
  ASSERT_FALSE(device_.items().empty());
  for (const QRectF& box : GlyphBoxes()) {
    EXPECT_GE(box.top(), room.top() - kPositionGrain);
    EXPECT_LE(box.bottom(), room.bottom() + kPositionGrain);
    EXPECT_LE(box.right(), room.right() + kPositionGrain);
  }
}

TEST_F(TablePainterTextTest, TextTooTallForTheRowIsCentredInIt) {
  // The usual 6 mm row: less room inside the margins than the glyph box
  // needs, so the box is centred and no glyph reaches a row line.
  OneCell("米Jg", 800, 60);
  const QRectF cell = Paint();
  const QRectF room = Room(cell);
  ASSERT_FALSE(device_.items().empty());
  // The box of the line: the font's ascent and descent and the ink of its
  // pieces (Qt draws the ideograph and the Latin letters as two).
  double top = 1e9;
  double bottom = -1e9;
  for (const TextRecorder::Item& item : device_.items()) {
    const QFontMetricsF metrics(item.font, &device_);
    const QRectF ink = metrics.boundingRect(item.text);
    top = std::min({top, item.baseline.y() - metrics.ascent(),
                    item.baseline.y() + ink.top()});
    bottom = std::max({bottom, item.baseline.y() + metrics.descent(),
                       item.baseline.y() + ink.bottom()});
  }
  ASSERT_GT(bottom - top, room.height());
  EXPECT_NEAR((top + bottom) / 2, room.center().y(), kPositionGrain);
  for (const QRectF& box : GlyphBoxes()) {
    EXPECT_GE(box.top(), cell.top());
    EXPECT_LE(box.bottom(), cell.bottom());
  }
}

TEST_F(TablePainterTextTest, ANumberTooWideForItsColumnEndsInAnEllipsis) {
  OneCell("123456789.12", 150, 60, kAlignMiddleRight);
  const QRectF room = Room(Paint());
  const QString drawn = device_.AllText();
  ASSERT_FALSE(drawn.isEmpty());
  EXPECT_TRUE(drawn.endsWith(QChar(0x2026))) << drawn.toStdString();
  EXPECT_TRUE(QString("123456789.12").startsWith(drawn.chopped(1)));
  for (const TextRecorder::Item& item : device_.items()) {
    const QFontMetricsF metrics(item.font, &device_);
    EXPECT_GE(item.baseline.x(), room.left() - kPositionGrain);
    EXPECT_LE(item.baseline.x() + metrics.horizontalAdvance(item.text),
              room.right() + kPositionGrain);
  }
}

TEST_F(TablePainterTextTest, TextThatFitsIsDrawnWhole) {
  OneCell("123456789.12", 800, 60, kAlignMiddleRight);
  Paint();
  EXPECT_EQ(device_.AllText(), QString("123456789.12"));
}

TEST_F(TablePainterTextTest, WrappedTextBreaksIntoLinesInsideTheCell) {
  table_.SetDefaultFormat(kValueText, kBlack, kAutoColour, "", kDefaultFontSize,
                          0, kDefaultTextMargin, kAlignTopLeft, kLineNone,
                          /*wrap=*/true);
  OneCell("钢芯铝绞线 LGJ-95/20 钢芯铝绞线", 300, 300);
  const QRectF room = Room(Paint());
  ASSERT_GT(device_.items().size(), 1u);
  EXPECT_FALSE(device_.AllText().contains(QChar(0x2026)));
  for (const QRectF& box : GlyphBoxes()) {
    EXPECT_GE(box.left(), room.left() - kPositionGrain);
    EXPECT_LE(box.right(), room.right() + kPositionGrain);
  }
}

}  // namespace
}  // namespace matslip
