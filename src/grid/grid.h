#pragma once
// Grid: the state of one view of a DataSrc, without any drawing: the table
// it shows, the cursor and the rectangular selection, the display scale, the
// background colour and the hover tip, and the events a window connects to.
// The widget that draws it reports the user's actions through the methods
// below; each raises the matching event.
#include <functional>
#include <string>

#include "grid/cell_format.h"
#include "grid/cell_range.h"
#include "grid/data_src_listener.h"
#include "grid/grid_keys.h"

namespace matslip {

class DataSrc;

inline constexpr int kDefaultScale = 100;
inline constexpr int kMinScale = 20;
inline constexpr int kMaxScale = 1000;

struct MouseEvent {
  int x = 0;  // in the widget, pixels
  int y = 0;
  int modifiers = 0;  // KeyModifier bits
};

struct GridEvents {
  std::function<void()> selection_changed;
  std::function<void()> column_layout_changed;
  std::function<void(int row, int col, const std::string& text)> cell_edited;
  std::function<void(const MouseEvent&)> left_pressed;
  std::function<void(const MouseEvent&)> left_released;
  std::function<void(const MouseEvent&)> right_pressed;
  std::function<void(int key, int modifiers)> key_pressed;
};

class Grid : private DataSrcListener {
 public:
  Grid() = default;
  ~Grid() override;
  Grid(const Grid&) = delete;
  Grid& operator=(const Grid&) = delete;

  // The data source; null detaches (while the table is rebuilt). Attaching
  // puts the cursor on the table's first body cell.
  void SetDataSource(DataSrc* source);
  DataSrc* data_source() const { return source_; }

  GridEvents& events() { return events_; }
  // Called whenever something the drawing view shows changes here: the
  // data source, the selection, the scale or the background. For the view
  // alone; windows use events().
  void set_view_changed(std::function<void()> changed) {
    view_changed_ = std::move(changed);
  }

  // --- Cursor and selection. The anchor is where the selection started,
  // the end where the user dragged to; both lie in the table (0 when empty).
  int GetCursorRow() const { return std::min(anchor_.row, end_.row); }
  int GetCursorColumn() const { return std::min(anchor_.col, end_.col); }
  int GetSelectedRowCount() const;
  int GetSelectedColumnCount() const;
  CellRange Selection() const;
  CellPos anchor() const { return anchor_; }
  CellPos end() const { return end_; }
  void SetCursor(int row, int col);
  // The user clicked a cell: SetCursor, and selection_changed also when the
  // cursor already was on that one cell (the click still chose it).
  void ClickCell(int row, int col);
  void SelectRange(const CellRange& range);
  // Moves the end of the selection, keeping its anchor (drag, Shift+key).
  void ExtendSelection(int row, int col);

  // --- Display.
  int scale() const { return scale_; }
  void SetScale(int percent);  // clamped to 20..1000
  // Sets the scale so that all columns fit `client_width` (tenths of a
  // millimetre at 100 percent), at least 20 percent. No change when the
  // table has no width.
  void FitToWidth(int client_width);
  Colour background() const { return background_; }
  void set_background(Colour colour);
  const std::string& tip() const { return tip_; }
  void set_tip(std::string text) { tip_ = std::move(text); }
  // The hover tip's font: a font name and a pixel size; empty name and 0
  // for the toolkit's tip font.
  const std::string& tip_font_name() const { return tip_font_name_; }
  int tip_font_pixels() const { return tip_font_pixels_; }
  void set_tip_font(std::string name, int pixels) {
    tip_font_name_ = std::move(name);
    tip_font_pixels_ = pixels;
  }

  // --- What the widget reports.
  // The user typed `text` into a cell: stored in the table, then cell_edited.
  void EditCell(int row, int col, const std::string& text);
  // The user dragged a column's width.
  void ResizeColumn(int col, int width);
  void PressLeft(const MouseEvent& event);
  void ReleaseLeft(const MouseEvent& event);
  void PressRight(const MouseEvent& event);
  // Raises key_pressed, then moves the cursor for a move key (with Shift
  // the arrows, pages, Home and End extend the selection instead).
  // `page_rows` is how many rows the view shows.
  void PressKey(int key, int modifiers, int page_rows);

 private:
  void StructureChanged() override;
  void DataSrcDestroyed() override;
  CellPos Clamped(CellPos pos) const;
  void Select(CellPos anchor, CellPos end);
  KeyArea Area() const;

  DataSrc* source_ = nullptr;
  GridEvents events_;
  std::function<void()> view_changed_;
  CellPos anchor_;
  CellPos end_;
  int scale_ = kDefaultScale;
  Colour background_ = kWhite;
  std::string tip_;
  std::string tip_font_name_;
  int tip_font_pixels_ = 0;
};

}  // namespace matslip
