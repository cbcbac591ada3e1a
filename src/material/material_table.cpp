#include "material/material_table.h"

#include "base/files.h"
#include "store/format.h"
#include "store/names.h"
#include "store/table.h"

namespace matslip::material {

const char* const kFieldNames[kFieldCount] = {
    "品名",         "规格型号",     "单位",         "数量",
    "单价",         "金额",         "出库数量",     "出库金额",
    "出库日期",     "出库记录",     "进库数量",     "进库金额",
    "进库日期",     "进库记录",     "报警数量",     "本月出库数量",
    "本月出库金额", "本年出库数量", "本年出库金额", "本月进库数量",
    "本月进库金额", "本年进库数量", "本年进库金额"};

std::vector<std::string> StockListFields() {
  std::vector<std::string> names;
  for (Field f : kStockListFieldOrder) names.push_back(kFieldNames[f - 1]);
  return names;
}

std::vector<FieldDef> Fields() {
  std::vector<FieldDef> fields;
  for (int i = 1; i <= kFieldCount; ++i) {
    FieldDef f;
    f.name = kFieldNames[i - 1];
    switch (i) {
      case kName:
      case kModel:
        f.type = fmt::kText;
        f.width = 64;
        break;
      case kUnit:
        f.type = fmt::kText;
        f.width = 16;
        break;
      case kOutDate:
      case kInDate:
        f.type = fmt::kDateTime;
        break;
      case kOutLog:
      case kInLog:
        f.type = fmt::kMemo;
        break;
      default:
        f.type = fmt::kDouble;
    }
    fields.push_back(std::move(f));
  }
  return fields;
}

bool CreateEmptyTable(const std::string& path) {
  return Table::Create(path, matslip::Schema(Fields())) != nullptr;
}

bool EnsureTable(const std::string& path) {
  if (FileExists(path)) return true;
  return !FileExists(MemoPathOf(path)) && CreateEmptyTable(path);
}

}  // namespace matslip::material
