#include "grid/grid_widget.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QValidator>
#include <QWheelEvent>
#include <algorithm>
#include <utility>

#include "base/gbk.h"
#include "grid/data_src.h"
#include "grid/grid.h"
#include "grid/key_codes_qt.h"

namespace matslip {
namespace {

// Shown when a typed character has no GBK form and so could never be saved.
constexpr char kNoGbkFormText[] = "该字符无法保存(不在 GBK 字符集内)";

constexpr int kScalePerWheelStep = 10;  // percent per notch
constexpr int kAutoScrollMs = 50;

// Refuses input the table files could not hold.
class GbkValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    std::string gbk;
    return Utf8ToGbk(input.toStdString(), &gbk) ? Acceptable : Invalid;
  }
};

CellRange Intersection(const CellRange& a, const CellRange& b) {
  const int top = std::max(a.row, b.row);
  const int left = std::max(a.col, b.col);
  return {top, left, std::min(a.last_row(), b.last_row()) - top + 1,
          std::min(a.last_col(), b.last_col()) - left + 1};
}

}  // namespace

GridWidget::GridWidget(Grid* grid, QWidget* parent)
    : QAbstractScrollArea(parent), grid_(grid), editor_(new QLineEdit) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  editor_->setParent(viewport());
  editor_->setFrame(false);
  editor_->setValidator(new GbkValidator(editor_));
  editor_->hide();
  editor_->installEventFilter(this);
  connect(editor_, &QLineEdit::inputRejected, this, [this] {
    QToolTip::showText(editor_->mapToGlobal(QPoint(0, editor_->height())),
                       QString::fromUtf8(kNoGbkFormText), editor_);
  });
  auto_scroll_.setInterval(kAutoScrollMs);
  connect(&auto_scroll_, &QTimer::timeout, this, &GridWidget::AutoScroll);
  grid_->set_view_changed([this] { GridChanged(); });
  FollowSource();
}

GridWidget::~GridWidget() {
  grid_->set_view_changed(nullptr);
  if (source_ != nullptr) source_->RemoveListener(this);
}

// --- Following the grid and its table.

void GridWidget::FollowSource() {
  if (grid_->data_source() == source_) return;
  CancelEdit();
  if (source_ != nullptr) source_->RemoveListener(this);
  source_ = grid_->data_source();
  if (source_ != nullptr) source_->AddListener(this);
  lengths_stale_ = true;
  UpdateScrollBars();
}

void GridWidget::GridChanged() {
  FollowSource();
  UpdateScrollBars();
  viewport()->update();
}

void GridWidget::CellsChanged(const CellRange&) { viewport()->update(); }

void GridWidget::StructureChanged() {
  lengths_stale_ = true;
  UpdateScrollBars();
  viewport()->update();
}

void GridWidget::EndCellEdit() { CommitEdit(); }

void GridWidget::DataSrcDestroyed() {
  CancelEdit();
  source_ = nullptr;
  lengths_stale_ = true;
  UpdateScrollBars();
  viewport()->update();
}

// --- Geometry.

double GridWidget::PixelsPerTenth() const {
  return logicalDpiY() / 254.0 * grid_->scale() / 100.0;
}

const GridViewport& GridWidget::View() {
  if (lengths_stale_) {
    lengths_stale_ = false;
    if (source_ == nullptr) {
      view_.SetLengths(0, nullptr, 0, nullptr);
    } else {
      view_.SetLengths(
          source_->GetRowCount(),
          [this](int row) { return source_->GetRowHeight(row); },
          source_->GetColumnCount(),
          [this](int col) { return source_->GetColumnWidth(col); });
    }
  }
  view_.SetHeaders(source_ ? source_->GetHeaderRows() : 0,
                   source_ ? source_->GetHeaderColumns() : 0);
  view_.SetPixelsPerTenth(PixelsPerTenth());
  view_.SetSize(viewport()->width(), viewport()->height());
  view_.SetScroll(verticalScrollBar()->value(), horizontalScrollBar()->value());
  return view_;
}

void GridWidget::UpdateScrollBars() {
  const GridViewport& view = View();
  auto fit = [](QScrollBar* bar, ScrollRange range) {
    bar->setRange(0, range.max);
    bar->setSingleStep(1);
    bar->setPageStep(range.page_step);
  };
  fit(verticalScrollBar(), view.Range(Axis::kRows));
  fit(horizontalScrollBar(), view.Range(Axis::kColumns));
}

TablePainter GridWidget::MakePainter(const GridViewport& view) const {
  PaintOptions options;
  options.pixels_per_tenth = view.pixels_per_tenth();
  options.header_face = palette().color(QPalette::Button);
  options.body_face = palette().color(QPalette::Base);
  options.grid_lines = palette().color(QPalette::Mid);
  return TablePainter(*source_, view.rows(), view.cols(), options);
}

QRect GridWidget::CellRect(int row, int col) {
  if (source_ == nullptr) return {};
  const GridViewport& view = View();
  const CellRange block = source_->GetMergedBlock(row, col);
  const TablePainter cells = MakePainter(view);
  for (const TableArea& area : view.Areas()) {
    if (area.cells.Contains(row, col))
      return cells.BlockRect(area, block).toRect();
  }
  return {};
}

void GridWidget::ScrollToCell(int row, int col) {
  if (source_ == nullptr) return;
  const GridViewport& view = View();
  verticalScrollBar()->setValue(view.ScrollToShow(Axis::kRows, row));
  horizontalScrollBar()->setValue(view.ScrollToShow(Axis::kColumns, col));
}

// --- Painting.

void GridWidget::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void GridWidget::scrollContentsBy(int, int) {
  if (editing_) CommitEdit();
  viewport()->update();
}

void GridWidget::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), ToQColor(grid_->background()));
  last_painted_cells_ = 0;
  if (source_ == nullptr) return;
  const GridViewport& view = View();
  TablePainter cells = MakePainter(view);
  for (const TableArea& area : view.Areas()) {
    last_painted_cells_ += cells.Paint(&painter, area);
    PaintSelection(&painter, cells, area);
  }
}

void GridWidget::PaintSelection(QPainter* painter, const TablePainter& cells,
                                const TableArea& area) {
  if (area.cells.empty()) return;
  const CellRange in_area = Intersection(grid_->Selection(), area.cells);
  painter->save();
  painter->setClipRect(AreaBounds(area), Qt::IntersectClip);
  QColor highlight = palette().color(QPalette::Highlight);
  if (!in_area.empty()) {
    highlight.setAlpha(60);
    painter->fillRect(cells.BlockRect(area, in_area), highlight);
  }
  const CellPos anchor = grid_->anchor();
  if (area.cells.Contains(anchor.row, anchor.col)) {
    highlight.setAlpha(255);
    painter->setPen(QPen(highlight, 2));
    painter->setBrush(Qt::NoBrush);
    const QRectF rect =
        cells.BlockRect(area, source_->GetMergedBlock(anchor.row, anchor.col));
    painter->drawRect(rect.adjusted(1, 1, -1, -1));
  }
  painter->restore();
}

// --- Mouse.

void GridWidget::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const MouseEvent report{pos.x(), pos.y(), ModifierBitsOf(event->modifiers())};
  if (event->button() == Qt::RightButton) {
    grid_->PressRight(report);
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  CommitEdit();
  setFocus();
  grid_->PressLeft(report);
  if (source_ == nullptr) return;
  drag_start_ = drag_pos_ = pos;
  if (const int col = EdgeAt(Axis::kColumns, pos); col > 0) {
    drag_ = Drag::kColumnWidth;
    drag_index_ = col;
    drag_length_ = source_->GetColumnWidth(col);
    return;
  }
  if (const int row = EdgeAt(Axis::kRows, pos); row > 0) {
    drag_ = Drag::kRowHeight;
    drag_index_ = row;
    drag_length_ = source_->GetRowHeight(row);
    return;
  }
  const CellHit hit = HitTest(pos);
  if (hit.in_header_rows || hit.in_header_cols) {
    grid_->SelectRange(View().HeaderPick(hit));
    return;
  }
  if ((event->modifiers() & Qt::ShiftModifier) != 0) {
    grid_->ExtendSelection(hit.row, hit.col);
  } else {
    grid_->ClickCell(hit.row, hit.col);
  }
  drag_ = Drag::kSelect;
}

void GridWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (source_ == nullptr) return;
  switch (drag_) {
    case Drag::kNone:
      viewport()->setCursor(EdgeAt(Axis::kColumns, pos) > 0 ? Qt::SplitHCursor
                            : EdgeAt(Axis::kRows, pos) > 0  ? Qt::SplitVCursor
                                                            : Qt::ArrowCursor);
      return;
    case Drag::kColumnWidth:
      source_->SetColumnWidths(
          drag_index_, 1,
          View().DraggedLength(drag_length_, pos.x() - drag_start_.x()));
      return;
    case Drag::kRowHeight:
      source_->SetRowHeights(
          drag_index_, 1,
          View().DraggedLength(drag_length_, pos.y() - drag_start_.y()));
      return;
    case Drag::kSelect:
      DragTo(pos);
      return;
  }
}

void GridWidget::DragTo(QPoint pos) {
  drag_pos_ = pos;
  const CellHit hit = HitTest(pos);
  if (!hit.in_header_rows && !hit.in_header_cols)
    grid_->ExtendSelection(hit.row, hit.col);
  const bool outside = !viewport()->rect().contains(pos) ||
                       hit.in_header_rows || hit.in_header_cols;
  if (outside && !auto_scroll_.isActive()) {
    auto_scroll_.start();
  } else if (!outside) {
    auto_scroll_.stop();
  }
}

void GridWidget::AutoScroll() {
  const GridViewport& view = View();
  const int rows = view.DragScrollStep(Axis::kRows, drag_pos_.y());
  const int cols = view.DragScrollStep(Axis::kColumns, drag_pos_.x());
  QScrollBar* v = verticalScrollBar();
  QScrollBar* h = horizontalScrollBar();
  v->setValue(v->value() + rows);
  h->setValue(h->value() + cols);
  // Extend to the nearest body cell on the side the pointer left by, as
  // the view lies after the step.
  const CellHit hit = View().NearestBodyCell(drag_pos_.x(), drag_pos_.y());
  grid_->ExtendSelection(hit.row, hit.col);
}

void GridWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint pos = event->position().toPoint();
  auto_scroll_.stop();
  const Drag drag = std::exchange(drag_, Drag::kNone);
  if (drag == Drag::kColumnWidth && source_ != nullptr)
    grid_->ResizeColumn(drag_index_, source_->GetColumnWidth(drag_index_));
  grid_->ReleaseLeft({pos.x(), pos.y(), ModifierBitsOf(event->modifiers())});
}

void GridWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || source_ == nullptr) return;
  const CellHit hit = HitTest(event->position().toPoint());
  if (hit.in_header_rows || hit.in_header_cols) return;
  const CellPos anchor = grid_->anchor();
  BeginEdit(
      QString::fromStdString(source_->GetCellText(anchor.row, anchor.col)));
}

// --- Keyboard and wheel.

void GridWidget::keyPressEvent(QKeyEvent* event) {
  const int key = VirtualKeyOf(event->key());
  const int modifiers = ModifierBitsOf(event->modifiers());
  grid_->PressKey(key, modifiers, PageRows());
  if (IsMoveKey(key)) {
    ScrollToCell(grid_->end().row, grid_->end().col);
    return;
  }
  const bool typed = !event->text().isEmpty() && event->text()[0].isPrint() &&
                     (modifiers & (kModCtrl | kModAlt)) == 0;
  if (typed) {
    BeginEdit(event->text());
  } else if (event->key() == Qt::Key_F2 && source_ != nullptr) {
    const CellPos anchor = grid_->anchor();
    BeginEdit(
        QString::fromStdString(source_->GetCellText(anchor.row, anchor.col)));
  }
}

void GridWidget::wheelEvent(QWheelEvent* event) {
  if ((event->modifiers() & Qt::ControlModifier) == 0) {
    QAbstractScrollArea::wheelEvent(event);
    return;
  }
  const int steps = event->angleDelta().y() / QWheelEvent::DefaultDeltasPerStep;
  if (steps != 0) grid_->SetScale(grid_->scale() + steps * kScalePerWheelStep);
  event->accept();
}

bool GridWidget::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = TipAt(help->pos());
    if (tip.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::setFont(TipFont());
      QToolTip::showText(help->globalPos(), tip, viewport());
    }
    return true;
  }
  return QAbstractScrollArea::viewportEvent(event);
}

QFont GridWidget::TipFont() const {
  // One tip window serves every widget: a grid without a font of its own
  // must not show the last grid's.
  static const QFont toolkit_font = QToolTip::font();
  if (grid_->tip_font_name().empty() || grid_->tip_font_pixels() <= 0)
    return toolkit_font;
  QFont font(QString::fromStdString(grid_->tip_font_name()));
  font.setPixelSize(grid_->tip_font_pixels());
  return font;
}

QString GridWidget::TipAt(QPoint pos) {
  if (!grid_->tip().empty()) return QString::fromStdString(grid_->tip());
  if (source_ == nullptr || !viewport()->rect().contains(pos)) return {};
  const CellHit hit = HitTest(pos);
  const CellRange block = source_->GetMergedBlock(hit.row, hit.col);
  const QRect rect = CellRect(block.row, block.col);
  if (!rect.contains(pos)) return {};
  const CellText text = MakePainter(View()).TextOf(rect, block, viewport());
  return text.elided ? QString::fromStdString(
                           source_->GetCellText(block.row, block.col))
                     : QString();
}

// --- Editing in place.

void GridWidget::BeginEdit(const QString& text) {
  if (source_ == nullptr || editing_) return;
  const CellPos anchor = grid_->anchor();
  if (anchor.row < 1 || anchor.col < 1) return;
  const CellRange block = source_->GetMergedBlock(anchor.row, anchor.col);
  ScrollToCell(block.row, block.col);
  const QRect rect = CellRect(block.row, block.col);
  if (rect.isEmpty()) return;
  edit_row_ = block.row;
  edit_col_ = block.col;
  editing_ = true;
  editor_->setFont(
      MakePainter(View()).FontOf(source_->GetCellFormat(block.row, block.col)));
  editor_->setGeometry(rect.intersected(viewport()->rect()));
  editor_->setText(text);
  editor_->show();
  editor_->setFocus();
}

void GridWidget::CommitEdit() {
  if (!editing_) return;
  editing_ = false;
  const std::string text = editor_->text().toStdString();
  editor_->hide();
  setFocus();
  if (source_ != nullptr && text != source_->GetCellText(edit_row_, edit_col_))
    grid_->EditCell(edit_row_, edit_col_, text);
}

void GridWidget::CancelEdit() {
  if (!editing_) return;
  editing_ = false;
  editor_->hide();
  setFocus();
}

bool GridWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched != editor_)
    return QAbstractScrollArea::eventFilter(watched, event);
  if (event->type() == QEvent::FocusOut) {
    CommitEdit();
    return false;
  }
  if (event->type() != QEvent::KeyPress) return false;
  const auto* key_event = static_cast<QKeyEvent*>(event);
  const int key = VirtualKeyOf(key_event->key());
  if (key_event->key() == Qt::Key_Escape) {
    CancelEdit();
    return true;
  }
  if (key == kKeyEnter || key == kKeyTab) {
    CommitEdit();
    grid_->PressKey(key, ModifierBitsOf(key_event->modifiers()), PageRows());
    ScrollToCell(grid_->end().row, grid_->end().col);
    return true;
  }
  return false;
}

}  // namespace matslip
