#pragma once
// Statistics results for the workbook's tests: a material table data.mzk
// with the given materials, left open and current under "data", and qd.mzk
// copied from it with the fields a 本月出库 run copies (or any others).
#include <string>
#include <vector>

#include "base/datetime.h"
#include "base/files.h"
#include "material/material_table.h"
#include "store/db.h"
#include "store/value.h"

namespace matslip::testing {

struct ResultRow {
  std::string name;
  std::string model;
  std::string unit;
  double price = 0;
  double quantity = 0;  // this month's issues
  double amount = 0;
  CivilTime out_date = {2026, 12, 7, 9, 30, 0};
};

// `count` materials 材料1, 材料2, ... (LGJ-1, ...) at 12.5 a metre, i
// issued, last on 10 September 2013 at midnight.
inline std::vector<ResultRow> NumberedRows(int count) {
  std::vector<ResultRow> rows;
  for (int i = 1; i <= count; ++i) {
    rows.push_back({"材料" + std::to_string(i), "LGJ-" + std::to_string(i),
                    "米", 12.5, static_cast<double>(i), 12.5 * i,
                    CivilTime{2013, 9, 10}});
  }
  return rows;
}

inline std::vector<std::string> MonthOutFields() {
  return {"品名",         "规格型号",     "单位",    "单价",
          "本月出库数量", "本月出库金额", "出库日期"};
}

// False when a file cannot be written. An empty `fields` copies all 23.
inline bool WriteResultFile(
    const std::string& dir, const std::vector<ResultRow>& rows,
    const std::vector<std::string>& fields = MonthOutFields()) {
  namespace m = material;
  const std::string data = ProgramFilePath(dir, kMaterialFile);
  if (!m::CreateEmptyTable(data) || !DbOpen(data, kMaterialAlias)) return false;
  for (const ResultRow& row : rows) {
    std::vector<Value> values(m::kFieldCount);
    values[m::kName - 1] = Value::Text(row.name);
    values[m::kModel - 1] = Value::Text(row.model);
    values[m::kUnit - 1] = Value::Text(row.unit);
    values[m::kPrice - 1] = Value::Number(row.price);
    values[m::kMonthOutQuantity - 1] = Value::Number(row.quantity);
    values[m::kMonthOutValue - 1] = Value::Number(row.amount);
    values[m::kOutDate - 1] = Value::Date(CivilToDate(row.out_date));
    if (!DbAppend(values)) return false;
  }
  return DbCopyTo(ProgramFilePath(dir, kResultFile), nullptr, fields);
}

}  // namespace matslip::testing
