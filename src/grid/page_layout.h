#pragma once
// How a table falls onto printed pages. Lengths are tenths of a millimetre
// on the paper, after the print scale (PrintInf::scale percent, 100 when 0
// or less). The body rows are split by the printable height and the body
// columns by the printable width; the header rows repeat at the top of every
// page and the header columns at its left. Pages run down the rows first,
// then across to the next band of columns; when the columns take more than
// one band, each page's columns are centred between the side margins. A row
// or column larger than the printable area gets a page of its own and is
// cut there.
#include <string>
#include <vector>

#include "grid/print_inf.h"

namespace matslip {

class DataSrc;

struct PageRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PageRect&) const = default;
};

// One table row (or column) on a page: its 1-based number in the table and
// where it lies (top/height, or left/width).
struct PageSpan {
  int index = 0;
  int start = 0;
  int length = 0;
  bool operator==(const PageSpan&) const = default;
};

struct PageNumber {
  std::string text;   // "第 1 页 共 3 页"; empty without page numbers
  PageRect box;       // the top or bottom margin across the printable width
  int alignment = 0;  // alignment code of the text in the box (4, 5 or 6)
};

struct Page {
  std::vector<PageSpan> rows;  // header rows first
  std::vector<PageSpan> cols;  // header columns first
  PageNumber number;

  // The rectangle of the cell at rows[i], cols[j].
  PageRect CellRect(std::size_t i, std::size_t j) const {
    return {cols[j].start, rows[i].start, cols[j].length, rows[i].length};
  }
};

// The pages of `table` printed on `paper` (as it lies) with `settings`. An
// empty table gives no pages.
std::vector<Page> LayOutPages(const DataSrc& table, const PaperSize& paper,
                              const PrintInf& settings);

// The page-number text of page `page` (1-based) of `count`.
std::string PageNumberText(int page, int count);

}  // namespace matslip
