#include "workbook/print_page_setup.h"

#include <algorithm>
#include <string>

#include "base/gbk.h"
#include "grid/data_src.h"
#include "workbook/print_table_rows.h"

namespace matslip {
namespace {

// The estimated printed height of a table: 59 per row and 112 besides.
constexpr int kEstimatedRowHeight = 59;
constexpr int kEstimatedExtraHeight = 112;
// The footer's spaces are removed or doubled from this many bytes before
// its end, so that its left part ("制表:") stays where it is.
constexpr int kFooterRefitReach = 20;

}  // namespace

void ApplyPrintSettings(DataSrc* table, PrintInf* print) {
  table->SetPrintSettings(*print);
  *print = table->GetPrintSettings();
}

int TotalColumnWidth(const DataSrc& table) {
  int width = 0;
  for (int col = 1; col <= table.GetColumnCount(); ++col)
    width += table.GetColumnWidth(col);
  return width;
}

void FitOrientation(int width, DataSrc* table, PrintInf* print) {
  if (print->paper_type != kPaperA4) return;
  const bool landscape = print->orientation == kLandscape;
  if (!landscape && width > kOrientationThreshold) {
    print->orientation = kLandscape;
  } else if (landscape && width < kOrientationThreshold) {
    print->orientation = kPortrait;
  } else {
    return;
  }
  ApplyPrintSettings(table, print);
}

void CentreHorizontally(int width, DataSrc* table, PrintInf* print) {
  print->left_margin = 0;
  print->right_margin = 0;
  ApplyPrintSettings(table, print);
  const int margin =
      std::min((table->GetPrintableWidth() - width) / 2, kMaxCentringMargin);
  print->left_margin = margin;
  print->right_margin = margin;
  ApplyPrintSettings(table, print);
}

void SetUpPrintTablePage(int last_data_row, DataSrc* table, PrintInf* print) {
  const int width = TotalColumnWidth(*table);
  print->left_margin = 0;
  print->right_margin = 0;
  print->top_margin = kPrintTableTopMargin;
  print->bottom_margin = kPrintTableBottomMargin;
  ApplyPrintSettings(table, print);
  FitOrientation(width, table, print);
  CentreHorizontally(width, table, print);
  const int estimated =
      kEstimatedRowHeight * last_data_row + kEstimatedExtraHeight;
  if (estimated > table->GetPrintableHeight())
    print->page_number_position = kPageNumberBottomCentre;
  ApplyPrintSettings(table, print);
}

void PrintTableLayoutChanged(DataSrc* table, PrintInf* print) {
  const int width = TotalColumnWidth(*table);
  FitOrientation(width, table, print);
  CentreHorizontally(width, table, print);
  RefitFooter(width, table);
  ApplyPrintSettings(table, print);
}

void RefitFooter(int width, DataSrc* table) {
  const int row = table->GetRowCount();
  if (row < 1) return;
  std::string text;
  if (!Utf8ToGbk(table->GetCellText(row, 1), &text)) return;
  const int size = table->GetFontSize(kPrintTableFirstDataRow, 1);
  const int length = static_cast<int>(text.size());
  const int excess = length - 2 * width / std::max(size, 1);
  // Byte position length - 20, counted from 1.
  const std::size_t from =
      static_cast<std::size_t>(std::max(length - kFooterRefitReach - 1, 0));
  if (excess > 0) {
    for (int i = 0; i < excess; ++i) {
      const std::size_t at = text.find(' ', from);
      if (at == std::string::npos) break;
      text.erase(at, 1);
    }
  } else if (excess < 0) {
    for (std::size_t at = text.find(' ', from); at != std::string::npos;
         at = text.find(' ', at + 2)) {
      text.insert(at, 1, ' ');
    }
  } else {
    return;
  }
  table->SetCellText(row, 1, GbkToUtf8(text));
}

}  // namespace matslip
