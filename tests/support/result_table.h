#pragma once
// A report's result table (qd.mzk: 品名, 规格型号, 单位, 单价, 本月出库数量,
// 本月出库金额, 出库日期) written for a test, and the grid workbook's working
// table loaded from it: field names in row 1, one row per record, a total
// row. Header-only: only the test programs that link the engine include it.
#include <string>
#include <vector>

#include "base/datetime.h"
#include "grid/data_src.h"
#include "grid/db_provider.h"
#include "store/material_table.h"
#include "store/schema.h"
#include "store/table.h"

namespace matslip::testing {

struct ResultRecord {
  std::string name;
  std::string spec;
  std::string unit;
  double price = 0;
  double quantity = 0;
  double amount = 0;
  CivilTime date;
};

inline bool WriteResultTable(const std::string& path,
                             const std::vector<ResultRecord>& records) {
  namespace m = material;
  const std::vector<FieldDef> all = m::Fields();
  std::vector<FieldDef> fields;
  for (int position : {m::kName, m::kSpec, m::kUnit, m::kPrice,
                       m::kMonthOutQuantity, m::kMonthOutValue, m::kOutDate}) {
    fields.push_back(all[position - 1]);
  }
  auto table = Table::Create(path, Schema(fields));
  if (!table) return false;
  for (const ResultRecord& r : records) {
    if (!table->Append({r.name, r.spec, r.unit, r.price, r.quantity, r.amount,
                        Value::Date(CivilToDate(r.date))})) {
      return false;
    }
  }
  return true;
}

// `count` materials 材料1, 材料2, ... issued on 10 September 2013.
inline std::vector<ResultRecord> NumberedRecords(int count) {
  std::vector<ResultRecord> records;
  for (int i = 1; i <= count; ++i) {
    records.push_back({"材料" + std::to_string(i), "LGJ-" + std::to_string(i),
                       "米", 12.5, static_cast<double>(i), 12.5 * i,
                       CivilTime{2013, 9, 10}});
  }
  return records;
}

// The working table as the workbook loads it from `path`.
inline void LoadWorkingTable(const std::string& path, DataSrc* working) {
  auto table = Table::Open(path, OpenOptions{});
  const int n = table ? table->schema().field_count() : 0;
  working->SetTableSize(1, n);
  for (int i = 0; i < n; ++i)
    working->SetCellText(1, i + 1, table->schema().field(i).name);
  table.reset();
  DBProvider loader;
  loader.set_file_name(path);
  working->ConnectProvider(loader);
  working->AppendRows(1);
}

}  // namespace matslip::testing
