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
#include <cmath>
#include <utility>

#include "base/gbk.h"
#include "grid/data_src.h"
#include "grid/grid.h"
#include "grid/key_codes_qt.h"

namespace matslip {
namespace {

// Shown when a typed character has no GBK form and so could never be saved.
constexpr char kNoGbkFormText[] = "该字符无法保存(不在 GBK 字符集内)";

constexpr int kEdgeGrip = 3;            // pixels either side of an edge
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

int BodyFirst(int header) { return header + 1; }

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
  offsets_stale_ = true;
  UpdateScrollBars();
}

void GridWidget::GridChanged() {
  FollowSource();
  UpdateScrollBars();
  viewport()->update();
}

void GridWidget::CellsChanged(const CellRange&) { viewport()->update(); }

void GridWidget::StructureChanged() {
  offsets_stale_ = true;
  UpdateScrollBars();
  viewport()->update();
}

void GridWidget::EndCellEdit() { CommitEdit(); }

void GridWidget::DataSrcDestroyed() {
  CancelEdit();
  source_ = nullptr;
  offsets_stale_ = true;
  UpdateScrollBars();
  viewport()->update();
}

void GridWidget::EnsureOffsets() {
  if (!offsets_stale_) return;
  offsets_stale_ = false;
  if (source_ == nullptr) {
    row_offsets_.Assign(0, nullptr);
    col_offsets_.Assign(0, nullptr);
    return;
  }
  row_offsets_.Assign(source_->GetRowCount(),
                      [this](int row) { return source_->GetRowHeight(row); });
  col_offsets_.Assign(source_->GetColumnCount(),
                      [this](int col) { return source_->GetColumnWidth(col); });
}

// --- Geometry.

double GridWidget::PixelsPerTenth() const {
  return logicalDpiY() / 254.0 * grid_->scale() / 100.0;
}

void GridWidget::UpdateScrollBars() {
  EnsureOffsets();
  const double k = PixelsPerTenth();
  auto fit = [k](QScrollBar* bar, const AxisOffsets& offsets, int header,
                 int viewport_pixels) {
    const int count = offsets.count();
    const int first = BodyFirst(header);
    if (first > count) {
      bar->setRange(0, 0);
      return;
    }
    const auto room = static_cast<std::int64_t>(std::max(
        0.0, viewport_pixels / k - static_cast<double>(offsets.Start(first))));
    const int last_top = std::max(FirstToFit(offsets, count, room), first);
    bar->setRange(0, last_top - first);
    bar->setSingleStep(1);
    bar->setPageStep(std::max(1, count - last_top + 1));
  };
  const int header_rows = source_ ? source_->GetHeaderRows() : 0;
  const int header_cols = source_ ? source_->GetHeaderColumns() : 0;
  fit(verticalScrollBar(), row_offsets_, header_rows, viewport()->height());
  fit(horizontalScrollBar(), col_offsets_, header_cols, viewport()->width());
}

GridWidget::Frame GridWidget::CurrentFrame() {
  EnsureOffsets();
  Frame f;
  f.pixels_per_tenth = PixelsPerTenth();
  if (source_ == nullptr) return f;
  f.header_rows = source_->GetHeaderRows();
  f.header_cols = source_->GetHeaderColumns();
  f.header_height = std::round(row_offsets_.Start(BodyFirst(f.header_rows)) *
                               f.pixels_per_tenth);
  f.header_width = std::round(col_offsets_.Start(BodyFirst(f.header_cols)) *
                              f.pixels_per_tenth);
  f.top_row = BodyFirst(f.header_rows) + verticalScrollBar()->value();
  f.left_col = BodyFirst(f.header_cols) + horizontalScrollBar()->value();
  // The last items whose leading edge lies inside the viewport.
  auto last_shown = [&f](const AxisOffsets& offsets, int first, double pixels) {
    if (first > offsets.count() || pixels <= 0) return first - 1;
    const double room = pixels / f.pixels_per_tenth;
    const int last = offsets.IndexAt(
        offsets.Start(first) + static_cast<std::int64_t>(std::ceil(room)) - 1);
    return std::min(last, offsets.count());
  };
  f.bottom_row = last_shown(row_offsets_, f.top_row,
                            viewport()->height() - f.header_height);
  f.right_col = last_shown(col_offsets_, f.left_col,
                           viewport()->width() - f.header_width);
  return f;
}

TableArea GridWidget::MakeArea(const Frame& frame, const CellRange& cells,
                               double x, double y) const {
  TableArea area;
  area.cells = cells.empty() ? CellRange{cells.row, cells.col, 0, 0} : cells;
  if (area.cells.empty()) return area;
  area.row_edges =
      Edges(row_offsets_, cells.row, cells.rows, y, frame.pixels_per_tenth);
  area.col_edges =
      Edges(col_offsets_, cells.col, cells.cols, x, frame.pixels_per_tenth);
  return area;
}

std::array<TableArea, 4> GridWidget::Areas(const Frame& f) {
  const int body_rows = std::max(0, f.bottom_row - f.top_row + 1);
  const int body_cols = std::max(0, f.right_col - f.left_col + 1);
  std::array<TableArea, 4> areas = {
      MakeArea(f, {1, 1, f.header_rows, f.header_cols}, 0, 0),
      MakeArea(f, {1, f.left_col, f.header_rows, body_cols}, f.header_width, 0),
      MakeArea(f, {f.top_row, 1, body_rows, f.header_cols}, 0, f.header_height),
      MakeArea(f, {f.top_row, f.left_col, body_rows, body_cols}, f.header_width,
               f.header_height),
  };
  areas[1].col_before = areas[3].col_before = f.header_cols;
  areas[2].row_before = areas[3].row_before = f.header_rows;
  return areas;
}

TablePainter GridWidget::MakePainter(const Frame& frame) const {
  PaintOptions options;
  options.pixels_per_tenth = frame.pixels_per_tenth;
  options.header_face = palette().color(QPalette::Button);
  options.body_face = palette().color(QPalette::Base);
  options.grid_lines = palette().color(QPalette::Mid);
  return TablePainter(*source_, row_offsets_, col_offsets_, options);
}

QRect GridWidget::CellRect(int row, int col) {
  if (source_ == nullptr) return {};
  const Frame frame = CurrentFrame();
  const CellRange block = source_->GetMergedBlock(row, col);
  const TablePainter cells = MakePainter(frame);
  for (const TableArea& area : Areas(frame)) {
    if (area.cells.Contains(row, col))
      return cells.BlockRect(area, block).toRect();
  }
  return {};
}

GridWidget::Hit GridWidget::HitTest(QPoint pos) {
  const Frame f = CurrentFrame();
  Hit hit;
  if (source_ == nullptr) return hit;
  const double k = f.pixels_per_tenth;
  auto locate = [k](const AxisOffsets& offsets, int header, int first,
                    double header_pixels, double at, bool* in_header) {
    *in_header = header > 0 && at < header_pixels;
    const int index =
        *in_header ? offsets.IndexAt(static_cast<std::int64_t>(at / k))
                   : offsets.IndexAt(offsets.Start(first) +
                                     static_cast<std::int64_t>(
                                         std::floor((at - header_pixels) / k)));
    return *in_header ? std::clamp(index, 1, header)
                      : std::clamp(index, std::min(header + 1, offsets.count()),
                                   offsets.count());
  };
  hit.row = locate(row_offsets_, f.header_rows, f.top_row, f.header_height,
                   pos.y(), &hit.in_header_rows);
  hit.col = locate(col_offsets_, f.header_cols, f.left_col, f.header_width,
                   pos.x(), &hit.in_header_cols);
  return hit;
}

int GridWidget::EdgeAt(Axis axis, QPoint pos) {
  const Frame f = CurrentFrame();
  const bool rows = axis == Axis::kRows;
  // Columns are resized in the header rows, rows in the header columns.
  const int headers = rows ? f.header_cols : f.header_rows;
  const double header_extent = rows ? f.header_width : f.header_height;
  const int across = rows ? pos.x() : pos.y();
  const int along = rows ? pos.y() : pos.x();
  if (source_ == nullptr || headers == 0 || across >= header_extent) return 0;
  const Axis other = rows ? Axis::kColumns : Axis::kRows;
  for (const TableArea& area : Areas(f)) {
    if (area.cells.empty() || area.First(other) != 1) continue;
    const std::vector<double>& edges = area.Edges(axis);
    for (std::size_t i = 1; i < edges.size(); ++i) {
      if (std::abs(edges[i] - along) <= kEdgeGrip)
        return area.First(axis) + static_cast<int>(i) - 1;
    }
  }
  return 0;
}

int GridWidget::PageRows() {
  const Frame f = CurrentFrame();
  if (f.bottom_row < f.top_row) return 1;
  // Rows wholly in view.
  const double bottom =
      f.header_height +
      (row_offsets_.Start(f.bottom_row + 1) - row_offsets_.Start(f.top_row)) *
          f.pixels_per_tenth;
  const int full = f.bottom_row - f.top_row + (bottom <= viewport()->height());
  return std::max(full, 1);
}

void GridWidget::ScrollToCell(int row, int col) {
  if (source_ == nullptr) return;
  const Frame f = CurrentFrame();
  const double k = f.pixels_per_tenth;
  auto scroll = [k](QScrollBar* bar, const AxisOffsets& offsets, int header,
                    int first_shown, int index, double room_pixels) {
    if (index <= header || index > offsets.count()) return;
    const int first = BodyFirst(header);
    const auto room = static_cast<std::int64_t>(std::max(0.0, room_pixels / k));
    if (index < first_shown) {
      bar->setValue(index - first);
    } else if (offsets.Start(index + 1) - offsets.Start(first_shown) > room) {
      bar->setValue(std::max(FirstToFit(offsets, index, room), first) - first);
    }
  };
  scroll(verticalScrollBar(), row_offsets_, f.header_rows, f.top_row, row,
         viewport()->height() - f.header_height);
  scroll(horizontalScrollBar(), col_offsets_, f.header_cols, f.left_col, col,
         viewport()->width() - f.header_width);
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
  const Frame frame = CurrentFrame();
  TablePainter cells = MakePainter(frame);
  for (const TableArea& area : Areas(frame)) {
    last_painted_cells_ += cells.Paint(&painter, area);
    PaintSelection(&painter, cells, area);
  }
}

void GridWidget::PaintSelection(QPainter* painter, const TablePainter& cells,
                                const TableArea& area) {
  if (area.cells.empty()) return;
  const CellRange in_area = Intersection(grid_->Selection(), area.cells);
  painter->save();
  painter->setClipRect(area.Bounds(), Qt::IntersectClip);
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
  const Hit hit = HitTest(pos);
  const int header_rows = source_->GetHeaderRows();
  const int header_cols = source_->GetHeaderColumns();
  const int body_rows = source_->GetRowCount() - header_rows;
  const int body_cols = source_->GetColumnCount() - header_cols;
  // A header cell picks its whole column (row) of the body.
  if (hit.in_header_rows || hit.in_header_cols) {
    grid_->SelectRange({hit.in_header_rows ? header_rows + 1 : hit.row,
                        hit.in_header_cols ? header_cols + 1 : hit.col,
                        hit.in_header_rows ? body_rows : 1,
                        hit.in_header_cols ? body_cols : 1});
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
  const double k = PixelsPerTenth();
  switch (drag_) {
    case Drag::kNone:
      viewport()->setCursor(EdgeAt(Axis::kColumns, pos) > 0 ? Qt::SplitHCursor
                            : EdgeAt(Axis::kRows, pos) > 0  ? Qt::SplitVCursor
                                                            : Qt::ArrowCursor);
      return;
    case Drag::kColumnWidth:
      source_->SetColumnWidths(
          drag_index_, 1,
          std::max(0, drag_length_ + static_cast<int>(std::lround(
                                         (pos.x() - drag_start_.x()) / k))));
      return;
    case Drag::kRowHeight:
      source_->SetRowHeights(
          drag_index_, 1,
          std::max(0, drag_length_ + static_cast<int>(std::lround(
                                         (pos.y() - drag_start_.y()) / k))));
      return;
    case Drag::kSelect:
      DragTo(pos);
      return;
  }
}

void GridWidget::DragTo(QPoint pos) {
  drag_pos_ = pos;
  const Hit hit = HitTest(pos);
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
  const Frame f = CurrentFrame();
  auto step = [](int at, double low, int high) {
    return at < low ? -1 : at >= high ? 1 : 0;
  };
  QScrollBar* v = verticalScrollBar();
  QScrollBar* h = horizontalScrollBar();
  v->setValue(v->value() +
              step(drag_pos_.y(), f.header_height, viewport()->height()));
  h->setValue(h->value() +
              step(drag_pos_.x(), f.header_width, viewport()->width()));
  // Extend to the nearest body cell on the side the pointer left by.
  const QPoint inside(
      std::clamp(
          drag_pos_.x(), static_cast<int>(f.header_width),
          std::max(static_cast<int>(f.header_width), viewport()->width() - 1)),
      std::clamp(drag_pos_.y(), static_cast<int>(f.header_height),
                 std::max(static_cast<int>(f.header_height),
                          viewport()->height() - 1)));
  const Hit hit = HitTest(inside);
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
  const Hit hit = HitTest(event->position().toPoint());
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
  const Hit hit = HitTest(pos);
  const CellRange block = source_->GetMergedBlock(hit.row, hit.col);
  const QRect rect = CellRect(block.row, block.col);
  if (!rect.contains(pos)) return {};
  const CellText text =
      MakePainter(CurrentFrame()).TextOf(rect, block, viewport());
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
  editor_->setFont(MakePainter(CurrentFrame())
                       .FontOf(source_->GetCellFormat(block.row, block.col)));
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
