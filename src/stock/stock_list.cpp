#include "stock/stock_list.h"

#include "base/files.h"
#include "base/number.h"
#include "dbgrid/db_provider.h"
#include "grid/data_src.h"
#include "grid/grid.h"
#include "material/material_table.h"
#include "stock/stock_list_source.h"
#include "stock/stock_out_state.h"

namespace matslip {

namespace {

// Stock at or below the alarm quantity, with the tolerance of the stored
// two-decimal values.
constexpr double kLowTolerance = -0.0000001;
constexpr double kNoStock = 0.0000001;
constexpr int kQuantityColumn = material::StockListColumn(material::kQuantity);
constexpr int kValueColumn = material::StockListColumn(material::kValue);
constexpr int kAlarmColumn = material::StockListColumn(material::kAlarm);
static_assert(material::kStockListFieldOrder.size() == kStockListColumns);

}  // namespace

const char* const kStockListHeaders[kStockListColumns] = {
    "材  料  品  名", "规  格  型  号", "单位",    "库存数量",
    "单价",           "库存金额",       "报警数量"};
const int kStockListWidths[kStockListColumns] = {850, 850, 150, 200,
                                                 200, 250, 250};

void ResetStockList(DataSrc* table) {
  table->SetDefaultFormat(kValueText, kBlack);
  table->ClearRange({1, 1, table->GetRowCount(), table->GetColumnCount()});
  table->SetTableSize(1, kStockListColumns);
  const CellRange header{1, 1, 1, kStockListColumns};
  table->SetAlignment(header, kAlignMiddleCentre);
  table->SetFontStyle(header, kStyleBold);
  for (int c = 1; c <= kStockListColumns; ++c)
    table->SetCellText(1, c, kStockListHeaders[c - 1]);
}

StockListBuild BuildStockList(const std::string& program_dir,
                              const std::vector<int>& marked_rows,
                              DataSrc* table, DbProvider* provider,
                              Grid* grid) {
  grid->SetDataSource(nullptr);
  ResetStockList(table);

  provider->set_file_name("");
  const std::string list_path = ProgramFilePath(program_dir, kStockListFile);
  const StockListSource source =
      CopyStockList(ProgramFilePath(program_dir, kMaterialFile), list_path);
  // A table that cannot be read shows the header row alone, never an older
  // list that would pass for the current stock.
  if (source.listed) {
    provider->set_file_name(list_path);
    table->ConnectProvider(*provider);
  }

  StockListBuild result;
  result.message = source.message;
  const int rows = table->GetRowCount();
  for (int r = 2; r <= rows; ++r) {
    double alarm = TextToNumber(table->GetCellText(r, kAlarmColumn));
    double quantity = TextToNumber(table->GetCellText(r, kQuantityColumn));
    if (alarm - quantity < kLowTolerance) continue;
    ++result.low_count;
    table->SetTextColour({r, 1, 1, kStockListColumns}, kLowStockColour);
    if (quantity <= kNoStock) {
      table->SetTextColour({r, kQuantityColumn}, kNoStockColour);
      table->SetTextColour({r, kValueColumn}, kNoStockColour);
    }
  }
  for (int r : marked_rows)
    table->SetTextColour({r, 1, 1, 2}, kMarkedRowColour);
  grid->SetDataSource(table);

  result.title = result.low_count >= 1
                     ? kLowStockTitle + std::to_string(result.low_count) +
                           kLowStockTitleEnd
                     : kMainTitle;
  for (int c = 1; c <= kStockListColumns; ++c)
    table->SetColumnWidths(c, 1, kStockListWidths[c - 1]);
  table->SetHeaderRows(1);
  return result;
}

StockListBuild RefreshStockList(const std::string& program_dir,
                                StockOutState* stock_out, DataSrc* table,
                                DbProvider* provider, Grid* grid) {
  stock_out->ClearPicks();
  return BuildStockList(program_dir, stock_out->marked_rows, table, provider,
                        grid);
}

void RemoveDerivedFiles(const std::string& program_dir, DbProvider* provider) {
  provider->set_file_name("");
  for (const char* name : {kStockListFile, kResultFile, kSortedResultFile})
    RemoveFile(ProgramFilePath(program_dir, name));
}

}  // namespace matslip
