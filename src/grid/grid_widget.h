#pragma once
// GridWidget: the scroll area that draws a Grid and the DataSrc it shows,
// and turns the user's mouse, keyboard and wheel into the Grid's methods
// (and so into its events). Where each cell lies, with the header rows and
// columns in place while the body scrolls, is the GridViewport's to say;
// only the rows and columns in view are drawn. Typing or a double click edits
// the cursor cell in place: Enter or Tab or a click elsewhere keeps the text,
// Esc drops it. Dragging the right edge of a column in the header rows (or the
// bottom edge of a row in the header columns) resizes it; Ctrl+wheel zooms.
//
// The Grid must outlive the widget.
#include <QAbstractScrollArea>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QTimer>

#include "grid/data_src_listener.h"
#include "grid/grid_painter_qt.h"
#include "grid/grid_viewport.h"

class QLineEdit;

namespace matslip {

class DataSrc;
class Grid;
struct CellPos;

class GridWidget : public QAbstractScrollArea, private DataSrcListener {
  Q_OBJECT

 public:
  explicit GridWidget(Grid* grid, QWidget* parent = nullptr);
  ~GridWidget() override;

  Grid* grid() const { return grid_; }
  // Cells drawn by the last paint, a merged block counting once.
  int last_painted_cells() const { return last_painted_cells_; }
  bool editing() const { return editing_; }
  // Where the cell (its merged block) lies on the viewport; empty when it
  // is not in view.
  QRect CellRect(int row, int col);
  // Scrolls so that the cell is in view.
  void ScrollToCell(int row, int col);
  // Starts editing the cursor cell with `text` in the editor.
  void BeginEdit(const QString& text);
  // Ends an edit in progress, keeping the text.
  void CommitEdit();
  void CancelEdit();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class Drag { kNone, kSelect, kColumnWidth, kRowHeight };

  // DataSrcListener.
  void CellsChanged(const CellRange&) override;
  void StructureChanged() override;
  void EndCellEdit() override;
  void DataSrcDestroyed() override;

  void GridChanged();
  void FollowSource();
  void UpdateScrollBars();
  double PixelsPerTenth() const;
  // The viewport as the widget is now: the table's lengths (measured again
  // when they changed), the scale, the size and the scroll bars.
  const GridViewport& View();
  TablePainter MakePainter(const GridViewport& view) const;
  CellHit HitTest(QPoint pos) { return View().HitTest(pos.x(), pos.y()); }
  int EdgeAt(Axis axis, QPoint pos) {
    return View().EdgeAt(axis, pos.x(), pos.y());
  }
  // The hover tip at `pos`: the grid's own tip, else the whole text of a
  // cell whose text is cut short there; empty for none.
  QString TipAt(QPoint pos);
  // The font of the grid's hover tip.
  QFont TipFont() const;
  int PageRows() { return View().PageRows(); }
  void AutoScroll();
  void DragTo(QPoint pos);
  void PaintSelection(QPainter* painter, const TablePainter& cells,
                      const TableArea& area);

  Grid* grid_;
  DataSrc* source_ = nullptr;
  GridViewport view_;
  bool lengths_stale_ = true;
  int last_painted_cells_ = 0;

  Drag drag_ = Drag::kNone;
  int drag_index_ = 0;   // the column or row being resized
  int drag_length_ = 0;  // its length when the drag started
  QPoint drag_start_;
  QPoint drag_pos_;
  QTimer auto_scroll_;

  QLineEdit* editor_;
  bool editing_ = false;
  int edit_row_ = 0;
  int edit_col_ = 0;
};

}  // namespace matslip
