#pragma once
// The materials picked in the main window's stock list for the outbound
// slip, kept for the whole run. The spreadsheet import reuses the entry type
// as its buffer.
#include <string>
#include <vector>

#include "material/material_table.h"

namespace matslip {

struct MaterialEntry {
  MaterialKey key;      // 品名, 规格型号
  std::string unit;     // 单位
  double price = 0;     // 单价
  double quantity = 0;  // 数量
  double value = 0;     // 金额
  double alarm = 0;     // 报警数量
  bool operator==(const MaterialEntry&) const = default;
};

inline constexpr int kMaxSlipLines = 9;

struct StockOutState {
  std::vector<MaterialEntry> selection;  // at most kMaxSlipLines
  std::vector<int> picked_rows;          // stock-list rows picked
  std::vector<int> marked_rows;          // rows shown in yellow

  // What every activation of the main window drops.
  void ClearPicks() {
    selection.clear();
    picked_rows.clear();
  }
};

}  // namespace matslip
