#pragma once
// The material table data.mzk: its 23 fields by position and name, the files
// the program derives from it, the key that identifies a material, the schema
// of a new file, and its creation when the program finds none.
#include <array>
#include <string>
#include <vector>

#include "store/schema.h"

namespace matslip {

// The files of the material table and those derived from it, by their names
// in the program directory.
inline constexpr char kMaterialFile[] = "data.mzk";  // memo file data.edt
inline constexpr char kMaterialAlias[] = "data";
inline constexpr char kStockListFile[] = "data2.mzk";  // the main window's list
inline constexpr char kResultFile[] = "qd.mzk";        // a statistics result
inline constexpr char kSortedResultFile[] = "qd4.mzk";  // its sorted copy
// Folders of the per-material backups before a stock-in or a stock-out, and
// of the whole-table backups.
inline constexpr char kStockInBackupFolder[] = "进库备份";
inline constexpr char kStockOutBackupFolder[] = "出库备份";
inline constexpr char kTableBackupFolder[] = "备份数据库";

// A material is identified by its 品名 and 规格型号, compared as exact texts;
// a lookup takes the first matching record in file order.
struct MaterialKey {
  std::string name;   // 品名
  std::string model;  // 规格型号
  bool operator==(const MaterialKey&) const = default;
};

}  // namespace matslip

namespace matslip::material {

// Field positions (1-based), in file order.
enum Field : int {
  kName = 1,               // 品名
  kModel = 2,              // 规格型号
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

// The seven fields of the stock list (data2.mzk, qd.mzk), in column order.
inline constexpr std::array<Field, 7> kStockListFieldOrder = {
    kName, kModel, kUnit, kQuantity, kPrice, kValue, kAlarm};
// Their names, in that order.
std::vector<std::string> StockListFields();
// The 1-based column of `field` in the stock list; 0 when it has none.
constexpr int StockListColumn(Field field) {
  for (std::size_t i = 0; i < kStockListFieldOrder.size(); ++i)
    if (kStockListFieldOrder[i] == field) return static_cast<int>(i) + 1;
  return 0;
}

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
