#include "stock/slip_table.h"

#include <cmath>
#include <string>

#include "base/datetime.h"
#include "base/number.h"
#include "grid/data_src.h"
#include "grid/grid.h"
#include "stock/stock_out_state.h"

namespace matslip {
namespace {

// Columns of a material line.
constexpr int kNameColumn = kSlipNameColumn;
constexpr int kModelColumn = kSlipModelColumn;
constexpr int kQuantityColumn = kSlipQuantityColumn;
constexpr int kUnitColumn = 4;
constexpr int kPriceColumn = kSlipPriceColumn;
constexpr int kAmountColumn = 6;
// Where the header texts and the date go.
constexpr int kFirstHeaderRow = 2;
constexpr int kSecondHeaderRow = 3;
constexpr int kLeftHeaderColumn = 1;
constexpr int kRightHeaderColumn = 3;
constexpr int kDateColumn = 6;

constexpr int kAmountPlaces = 2;
// An amount below this is no amount: its cell stays empty.
constexpr double kNoAmount = 1e-7;

constexpr const char* kHeadings[kSlipColumns] = {"品  名", "规  格", "数  量",
                                                 "单  位", "单  价", "金  额"};
constexpr int kWidths[kSlipColumns] = {500, 500, 200, 200, 200, 350};

std::string DateText(double now) {
  const CivilTime t = DateToCivil(now);
  return std::to_string(t.year) + "年" + std::to_string(t.month) + "月" +
         std::to_string(t.day) + "日";
}

double LineAmount(double quantity, double price) {
  return RoundTo(quantity * price, kAmountPlaces);
}

void WriteHeader(const SlipTexts& texts, double now, DataSrc* slip) {
  for (int row : {kFirstHeaderRow, kSecondHeaderRow}) {
    slip->MergeCells({row, kLeftHeaderColumn, 1, 2});
    slip->MergeCells({row, kRightHeaderColumn, 1, 3});
  }
  slip->SetCellText(kFirstHeaderRow, kLeftHeaderColumn, texts.warehouse);
  slip->SetCellText(kSecondHeaderRow, kLeftHeaderColumn, texts.purpose);
  slip->SetCellText(kFirstHeaderRow, kRightHeaderColumn,
                    texts.receiving_department);
  slip->SetCellText(kSecondHeaderRow, kRightHeaderColumn, texts.project);
  slip->SetCellText(kSecondHeaderRow, kDateColumn, DateText(now));
}

// Writes the picked materials' lines; their total.
double WriteLines(const std::vector<MaterialEntry>& picked, DataSrc* slip) {
  double total = 0;
  int row = kSlipFirstLine;
  for (const MaterialEntry& m : picked) {
    if (row > kSlipLastLine) break;
    const double amount = LineAmount(m.quantity, m.price);
    total += amount;
    slip->SetCellText(row, kNameColumn, m.key.name);
    slip->SetCellText(row, kModelColumn, m.key.model);
    slip->SetCellText(row, kQuantityColumn, NumberToText(m.quantity));
    slip->SetCellText(row, kUnitColumn, m.unit);
    slip->SetCellText(row, kPriceColumn, NumberToText(m.price));
    slip->SetCellText(row, kAmountColumn, NumberToText(amount));
    ++row;
  }
  return total;
}

void EmptyIfZero(DataSrc* slip, int row, int col) {
  if (slip->GetCellText(row, col) == "0") slip->SetCellText(row, col, "");
}

}  // namespace

void BuildSlip(const SlipTexts& texts, const PrintInf& print, double now,
               StockOutState* stock_out, DataSrc* slip, Grid* grid) {
  grid->SetDataSource(nullptr);
  slip->ClearRange({1, 1, slip->GetRowCount(), slip->GetColumnCount()});
  slip->SetTableSize(kSlipRows, kSlipColumns);
  // The title is part of the paper, not a grey heading.
  slip->SetHeaderRows(0);
  grid->set_background(kSlipBackground);

  slip->SetRowHeights(1, 1, kSlipTitleHeight);
  slip->SetAlignment({1, 1, kSlipRows, kSlipColumns}, kAlignMiddleCentre);
  slip->MergeCells({1, 1, 1, kSlipColumns});
  slip->SetCellText(1, 1, kSlipTitle);
  slip->SetFontSize({1, 1, 1, kSlipColumns}, kSlipTitleFontSize);

  WriteHeader(texts, now, slip);
  for (int c = 1; c <= kSlipColumns; ++c) {
    slip->SetCellText(kSlipHeadingRow, c, kHeadings[c - 1]);
    slip->SetColumnWidths(c, 1, kWidths[c - 1]);
  }
  const double total = WriteLines(stock_out->selection, slip);

  for (int r = kSlipHeadingRow; r <= kSlipTotalRow; ++r) {
    for (int c = 1; c <= kSlipColumns; ++c) {
      slip->SetEdgeLines({r, c}, kEdgeOutline, kLineThin);
      EmptyIfZero(slip, r, c);
    }
  }
  slip->SetPrintSettings(print);

  slip->SetCellText(kSlipTotalRow, 1, kSlipTotalLabel);
  slip->SetCellText(kSlipTotalRow, kAmountColumn, NumberToText(total));
  EmptyIfZero(slip, kSlipTotalRow, kAmountColumn);

  const std::string* signatures[kSlipColumns] = {
      &texts.approved_by, &texts.financial_review, &texts.technical_department,
      &texts.written_by,  &texts.storekeeper,      &texts.received_by};
  for (int c = 1; c <= kSlipColumns; ++c)
    slip->SetCellText(kSlipSignatureRow, c, *signatures[c - 1]);

  grid->SetDataSource(slip);
  grid->SetCursor(kSlipSignatureRow, kSlipColumns);
  stock_out->ClearPicks();
}

void RecomputeSlip(DataSrc* slip) {
  double total = 0;
  for (int r = kSlipFirstLine; r <= kSlipLastLine; ++r) {
    const double amount =
        LineAmount(TypedNumber(slip->GetCellText(r, kQuantityColumn)),
                   TypedNumber(slip->GetCellText(r, kPriceColumn)));
    total += amount;
    // A line edited down to nothing must not keep its old amount: the
    // booking reads the amount cell, and the total no longer holds it.
    slip->SetCellText(
        r, kAmountColumn,
        std::fabs(amount) > kNoAmount ? NumberToText(amount) : "");
  }
  slip->SetCellText(kSlipTotalRow, kAmountColumn, NumberToText(total));
}

Slip ReadSlip(const DataSrc& slip) {
  Slip result;
  for (int r = kSlipFirstLine; r <= kSlipLastLine; ++r) {
    SlipLine line{
        {slip.GetCellText(r, kNameColumn), slip.GetCellText(r, kModelColumn)},
        slip.GetCellText(r, kQuantityColumn),
        slip.GetCellText(r, kAmountColumn)};
    if (line.key.name.empty() && line.key.model.empty()) continue;
    result.lines.push_back(std::move(line));
  }
  result.department = slip.GetCellText(kFirstHeaderRow, kRightHeaderColumn);
  result.received_by = slip.GetCellText(kSlipSignatureRow, kSlipColumns);
  return result;
}

}  // namespace matslip
