#include "workbook/print_table.h"

#include <memory>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "base/gbk.h"
#include "grid/data_src.h"
#include "store/table.h"
#include "workbook/print_page_setup.h"

namespace matslip {
namespace {

constexpr int kTitleRowHeight = 160;
constexpr int kHeaderRowHeight = 80;  // rows 2 and 3
constexpr int kFieldTitleSize = 40;
// The working table's first data row: its row 1 holds the field names.
constexpr int kWorkingFirstDataRow = 2;

std::string DateText(double now) {
  const CivilTime t = DateToCivil(now);
  return std::string(kPrintTableDateLabel) + std::to_string(t.year) + "年" +
         std::to_string(t.month) + "月" + std::to_string(t.day) + "日";
}

// Rows 1 to 3: the title, the maker and the date, the column titles.
void WriteHeaderRows(const std::vector<std::string>& names, double now,
                     DataSrc* table) {
  const int n = static_cast<int>(names.size());
  const CellRange title{kPrintTableTitleRow, 1, 1, n};
  table->MergeCells(title);
  table->SetRowHeights(kPrintTableTitleRow, 1, kTitleRowHeight);
  table->SetAlignment(title, kAlignMiddleCentre);
  table->SetFontName(title, kPrintTableTitleFont);
  table->SetFontSize(title, kPrintTableTitleSize);
  table->SetFontStyle(title, kStyleBold);
  table->SetCellText(kPrintTableTitleRow, 1, kPrintTableTitle);

  // The maker takes the smaller half of an odd count of columns.
  const int half = n / 2;
  const CellRange maker{kPrintTableDateRow, 1, 1, half};
  const CellRange date{kPrintTableDateRow, half + 1, 1, n - half};
  table->MergeCells(maker);
  table->SetAlignment(maker, kAlignMiddleLeft);
  table->MergeCells(date);
  table->SetAlignment(date, kAlignMiddleRight);
  table->SetRowHeights(kPrintTableDateRow, 1, kHeaderRowHeight);
  table->SetFontStyle({kPrintTableDateRow, 1, 1, n}, kStyleBold);
  table->SetCellText(kPrintTableDateRow, 1, kPrintTableMaker);
  table->SetCellText(kPrintTableDateRow, half + 1, DateText(now));

  const CellRange fields{kPrintTableFieldRow, 1, 1, n};
  table->SetRowHeights(kPrintTableFieldRow, 1, kHeaderRowHeight);
  table->SetFontSize(fields, kFieldTitleSize);
  table->SetFontStyle(fields, kStyleBold);
  for (int i = 1; i <= n; ++i) {
    table->SetCellText(kPrintTableFieldRow, i, names[i - 1]);
    table->SetColumnWidths(i, 1, 0);
  }
  for (int i = 1; i <= n; ++i) FitColumnToCell(table, kPrintTableFieldRow, i);
  table->SetAlignment(fields, kAlignMiddleCentre);
}

// Rows 4 to N + 3 from the working table's rows 2 to N + 1, every column
// fitted to each text.
void CopyDataRows(const DataSrc& working, int records, int n, DataSrc* table,
                  const std::function<void()>& between_blocks) {
  table->AppendRows(records);
  for (int k = 1; k <= records; ++k) {
    const int row = kPrintTableFieldRow + k;
    for (int j = 1; j <= n; ++j) {
      const std::string_view text =
          working.GetCellTextView(kWorkingFirstDataRow + k - 1, j);
      table->SetCellText(row, j, text);
      FitColumnToText(text, table->GetFontSize(row, j), j, table);
    }
    if (between_blocks && k % kPrintTableBlockRows == 0) between_blocks();
  }
}

// The ruled body, the footer under it and the page set-up.
void Finish(int n, DataSrc* table, PrintInf* print) {
  const int last = table->GetRowCount();
  table->SetEdgeLines(
      {kPrintTableFieldRow, 1, last - kPrintTableFieldRow + 1, n}, kEdgeAll);
  table->AppendRows(1);
  const int footer = last + 1;
  table->MergeCells({footer, 1, 1, n});
  table->SetAlignment({footer, 1}, kAlignMiddleLeft);
  table->SetCellText(footer, 1, kPrintTableFooter);
  table->SetHeaderRows(kPrintTableHeaderRows);
  SetUpPrintTablePage(last, table, print);
}

}  // namespace

bool BuildPrintTable(const std::string& result_path, const DataSrc& working,
                     double now, DataSrc* table, PrintInf* print,
                     const std::function<void()>& between_blocks) {
  OpenOptions options;
  options.read_only = true;
  const std::unique_ptr<Table> result = Table::Open(result_path, options);
  if (!result) return false;
  std::vector<std::string> names;
  for (const FieldDef& field : result->schema().fields())
    names.push_back(field.name);
  const int records = result->RecordCount();
  const int n = static_cast<int>(names.size());

  table->SetDefaultFormat(kValueText, kBlack, kAutoColour, "", kDefaultFontSize,
                          0, kPrintTableTextMargin);
  table->SetTableSize(0, 0);
  table->AppendRows(kPrintTableHeaderRows);
  table->InsertColumns(1, n);
  WriteHeaderRows(names, now, table);
  print->paper_type = kPaperA4;
  print->orientation = kLandscape;
  CopyDataRows(working, records, n, table, between_blocks);
  Finish(n, table, print);
  return true;
}

void FitColumnToCell(DataSrc* table, int row, int col) {
  FitColumnToText(table->GetCellText(row, col), table->GetFontSize(row, col),
                  col, table);
}

void FitColumnToText(std::string_view text, int font_size, int col,
                     DataSrc* table) {
  const int length = static_cast<int>(GbkLength(text));
  const int e = font_size * length / 2;
  const double needed = e + e * 0.56 + 36;
  if (table->GetColumnWidth(col) < needed)
    table->SetColumnWidths(col, 1, static_cast<int>(needed));
}

}  // namespace matslip
