#include "workbook/result_loading.h"

#include <vector>

#include "base/files.h"
#include "base/number.h"
#include "dbgrid/db_provider.h"
#include "grid/data_src.h"
#include "material/material_table.h"
#include "store/db.h"
#include "workbook/cell_sums.h"
#include "workbook/workbook_state.h"

namespace matslip {
namespace {

constexpr char kResultAlias[] = "qd";

// The field names of the table at `path`, read through the record-database
// registry under the result's alias; none when it cannot be opened.
std::vector<std::string> FieldNamesOf(const std::string& path) {
  std::vector<std::string> names;
  // A failed open leaves another table current: its fields are not ours.
  if (!DbOpen(path, kResultAlias)) return names;
  const int count = DbFieldCount();
  for (int i = 1; i <= count; ++i) names.push_back(DbFieldName(i));
  DbClose(kResultAlias);
  return names;
}

}  // namespace

std::string ResultTablePath(const std::string& program_dir,
                            const WorkbookState& state) {
  return ProgramFilePath(program_dir,
                         state.sorted ? kSortedResultFile : kResultFile);
}

void LoadResultTable(const std::string& program_dir, WorkbookState* state,
                     DataSrc* table, DbProvider* loader) {
  const std::string path = ResultTablePath(program_dir, *state);
  const std::vector<std::string> names = FieldNamesOf(path);
  const int cols = static_cast<int>(names.size());
  table->SetTableSize(1, cols);
  for (int c = 1; c <= cols; ++c) table->SetCellText(1, c, names[c - 1]);
  table->SetColumnWidths(
      1, cols, cols > kManyColumns ? kNarrowColumnWidth : kColumnWidth);

  loader->set_file_name(path);
  table->ConnectProvider(*loader);
  table->SetHeaderRows(1);
  table->AppendRows(1);
  const int total_row = table->GetRowCount();
  loader->set_file_name("");

  const double total = ColumnTotal(*table, kTotalColumn, 1, total_row - 1);
  table->SetCellText(total_row, kTotalColumn, NumberToText(RoundTo(total, 2)));
  table->SetCellText(total_row, 1, kTotalRowLabel);
  state->sorted = false;
}

int LastRowAboveTotal(const DataSrc& table) {
  const int rows = table.GetRowCount();
  return rows > 0 && table.GetCellTextView(rows, 1) == kTotalRowLabel ? rows - 1
                                                                      : rows;
}

}  // namespace matslip
