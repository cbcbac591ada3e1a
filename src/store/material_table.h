#pragma once
// The material table data.mzk: its 23 fields by position and name, the schema
// of a new file, and its creation when the program finds none.
#include <string>
#include <vector>

#include "store/schema.h"

namespace matslip::material {

// Field positions (1-based), in file order.
enum Field : int {
  kName = 1,               // 品名
  kSpec = 2,               // 规格型号
  kUnit = 3,               // 单位
  kQuantity = 4,           // 数量
  kPrice = 5,              // 单价
  kValue = 6,              // 金额
  kOutQuantity = 7,        // 出库数量
  kOutValue = 8,           // 出库金额
  kOutDate = 9,            // 出库日期
  kOutLog = 10,            // 出库记录
  kInQuantity = 11,        // 进库数量
  kInValue = 12,           // 进库金额
  kInDate = 13,            // 进库日期
  kInLog = 14,             // 进库记录
  kAlarm = 15,             // 报警数量
  kMonthOutQuantity = 16,  // 本月出库数量
  kMonthOutValue = 17,     // 本月出库金额
  kYearOutQuantity = 18,   // 本年出库数量
  kYearOutValue = 19,      // 本年出库金额
  kMonthInQuantity = 20,   // 本月进库数量
  kMonthInValue = 21,      // 本月进库金额
  kYearInQuantity = 22,    // 本年进库数量
  kYearInValue = 23,       // 本年进库金额
};
inline constexpr int kFieldCount = 23;

// The field names (UTF-8), indexed by position - 1.
extern const char* const kFieldNames[kFieldCount];

// The seven fields of the stock list (data2.mzk, qd.mzk), in order.
std::vector<std::string> StockListFields();

// Schema of a new material table: texts 品名 64, 规格型号 64, 单位 16 bytes,
// numbers as doubles, dates as date-times, the two logs as memo texts.
std::vector<FieldDef> Fields();

// Creates an empty material table (and its memo file) at `path`. False when
// it cannot be written; an existing file is replaced.
bool CreateEmptyTable(const std::string& path);
// Creates it only when neither `path` nor its memo file exists; true when the
// table exists afterwards. A memo file without its table (a half-copied
// installation) is left as it is and false returned: a new table would
// overwrite its logs.
bool EnsureTable(const std::string& path);

}  // namespace matslip::material
