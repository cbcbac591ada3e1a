#pragma once
// DataSrc: the table of formatted text cells behind every grid of the
// program. Rows and columns count from 1; a range's counts left out are 1.
// Reading outside the table gives empty text (and the default format);
// writing outside it does nothing. Operations that change several cells tell
// the listening views once, after the last cell.
//
// A fresh table has 0 rows and 0 columns, 1 header row, 0 header columns,
// rows 60 and columns 250 tenths of a millimetre, the default cell format
// (black text, automatic background, size 40, margin 9, top left) and the
// start-up print settings.
//
// DataSrc and the names of its operations are the warehouse system's own,
// kept as the system's users know them.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "grid/cell_format.h"
#include "grid/cell_range.h"
#include "grid/cell_store.h"
#include "grid/data_src_listener.h"
#include "grid/format_pool.h"
#include "grid/print_inf.h"
#include "grid/provider.h"

namespace matslip {

inline constexpr int kDefaultRowHeight = 60;
inline constexpr int kDefaultColumnWidth = 250;
inline constexpr int kDefaultHeaderRows = 1;
inline constexpr int kDefaultHeaderColumns = 0;
inline constexpr int kControlDefault = -1;  // SetHeaderRows/Columns

class DataSrc {
 public:
  DataSrc();
  ~DataSrc();
  DataSrc(const DataSrc&) = delete;
  DataSrc& operator=(const DataSrc&) = delete;

  // --- Size and header rows/columns.
  int GetRowCount() const { return cells_.rows(); }
  int GetColumnCount() const { return cells_.cols(); }
  // Negative counts become 0; cells that stay keep texts and formats.
  void SetTableSize(int rows = 1, int cols = 1);
  void AppendRows(int count = 1);
  // Inserts empty columns before `col` (1 .. column count + 1).
  void InsertColumns(int col, int count = 1);
  // Any negative count (kControlDefault) gives the default: 1 header row,
  // 0 header columns. The getters never answer more than the table has.
  void SetHeaderRows(int count = kControlDefault);
  void SetHeaderColumns(int count = kControlDefault);
  int GetHeaderRows() const;
  int GetHeaderColumns() const;

  // --- Texts. Texts are UTF-8, except in cells whose value code holds raw
  // bytes (HoldsRawBytes).
  std::string GetCellText(int row, int col) const;
  // The same without a copy, for passes over many cells; valid until the
  // table changes.
  std::string_view GetCellTextView(int row, int col) const {
    return Inside(row, col) ? cells_.Text(row - 1, col - 1)
                            : std::string_view();
  }
  void SetCellText(int row, int col, std::string_view text);
  void ClearRange(const CellRange& range);

  // --- Formats.
  // The format of a cell; the default format outside the table. The
  // reference lasts until the next change of any format.
  const CellFormat& GetCellFormat(int row, int col) const;
  void SetCellFormat(int row, int col, const CellFormat& format);
  void SetTextColour(const CellRange& range, Colour colour);
  void SetBackgroundColour(const CellRange& range, Colour colour);
  // Cut to 30 GBK bytes at a character boundary.
  void SetFontName(const CellRange& range, std::string_view name);
  void SetFontSize(const CellRange& range, int size = kDefaultFontSize);
  void SetFontStyle(const CellRange& range, int style);  // replaces the bits
  void SetAlignment(const CellRange& range, int code = kAlignTopLeft);
  int GetFontSize(int row, int col) const {
    return GetCellFormat(row, col).font_size;
  }
  // Gives the sides of the range chosen by `mask` (EdgeMask) the line kind
  // (0 removes them). The outline is also set on the facing sides of the
  // cells next to the range, so both cells at a line agree.
  void SetEdgeLines(const CellRange& range, int mask = kEdgeOutline,
                    int line_kind = kLineThin);
  // Joins the range into one displayed cell showing the top-left cell's text
  // and format. Clears the merge marks inside the range first; a single cell
  // changes nothing.
  void MergeCells(const CellRange& range);
  // The merged block that holds the cell (the cell alone when unmerged).
  CellRange GetMergedBlock(int row, int col) const;
  // The format of new cells: value kind 1..4 (ValueKind), border kind = the
  // line kind of all four sides (0..7; anything else none), wrap = break the
  // text into lines.
  void SetDefaultFormat(int value_kind, Colour text_colour,
                        Colour background = kAutoColour,
                        std::string_view font_name = "",
                        int font_size = kDefaultFontSize, int style = 0,
                        int text_margin = kDefaultTextMargin,
                        int alignment = kAlignTopLeft,
                        int border_kind = kLineNone, bool wrap = false);
  const CellFormat& GetDefaultFormat() const { return default_format_; }

  // --- Row heights and column widths (tenths of a millimetre, >= 0). The
  // getters answer 0 outside the table.
  int GetRowHeight(int row) const;
  void SetRowHeights(int first_row, int count, int height);
  int GetColumnWidth(int col) const;
  void SetColumnWidths(int first_col, int count, int width);

  // --- Current row: 0 (none) .. row count.
  int GetCurrentRow() const { return current_row_; }
  void SetCurrentRow(int row);
  void FirstRow() { SetCurrentRow(1); }
  void MoveRows(int step = 1);

  // Copies the provider's rows to the end of the table, adding columns when
  // the provider has more. False when the provider cannot be read.
  bool ConnectProvider(const Provider& provider);

  // --- Print settings. Stored clamped (see Clamped()).
  void SetPrintSettings(const PrintInf& settings);
  const PrintInf& GetPrintSettings() const { return print_; }
  // The paper as it lies for the current settings: from the hook the
  // printing layer installs, else PaperWithoutPrinter().
  using PaperHook = std::function<PaperSize(const PrintInf&)>;
  void SetPaperHook(PaperHook hook) { paper_hook_ = std::move(hook); }
  PaperSize GetPaperSize() const;
  int GetPrintableWidth() const;   // paper width less left and right margins
  int GetPrintableHeight() const;  // paper height less top and bottom margins

  // --- The whole table at once: takes the cells, formats, lengths, header
  // counts and print settings of `other` (a table read whole, as from a grid
  // file), makes row 1 current and redraws every view.
  void ReplaceTable(DataSrc&& other);

  // --- Views. A listener removes itself before it goes away.
  void AddListener(DataSrcListener* listener);
  void RemoveListener(DataSrcListener* listener);
  void Refresh();      // every view redraws everything
  void EndCellEdit();  // every view ends an edit in progress

 private:
  CellRange Clip(const CellRange& range) const {
    return range.ClippedTo(GetRowCount(), GetColumnCount());
  }
  bool Inside(int row, int col) const {
    return row >= 1 && row <= GetRowCount() && col >= 1 &&
           col <= GetColumnCount();
  }
  // Lets `change` edit the format of every cell of `range` (already
  // clipped), then tells the views once.
  void ChangeFormats(
      const CellRange& range,
      const std::function<void(int row, int col, CellFormat*)>& change);
  void ChangeEachFormat(const CellRange& range,
                        const std::function<void(CellFormat*)>& change);
  template <typename Call>
  void Notify(Call call);
  void ClampCurrentRow();
  // Adds empty columns at the right up to `cols`, telling nobody.
  void WidenTo(int cols);

  CellStore cells_;
  FormatPool formats_;
  CellFormat default_format_;
  std::uint32_t default_index_ = 0;
  std::vector<int> row_heights_;
  std::vector<int> column_widths_;
  int header_rows_ = kDefaultHeaderRows;
  int header_cols_ = kDefaultHeaderColumns;
  int current_row_ = 0;
  PrintInf print_;
  PaperHook paper_hook_;
  std::vector<DataSrcListener*> listeners_;
};

}  // namespace matslip
