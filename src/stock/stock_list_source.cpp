#include "stock/stock_list_source.h"

#include <memory>

#include "base/files.h"
#include "material/material_table.h"
#include "stock/in_use_message.h"
#include "store/db.h"
#include "store/file_io.h"
#include "store/names.h"
#include "store/table.h"

namespace matslip {

namespace {

constexpr char kRestoreAdvice[] =
    "请用 matslip-db check 检查这个文件，或从备份恢复 data.mzk 和 data.edt。";
constexpr char kNotEmptyWarehouse[] =
    "材料列表无法显示（这不表示仓库里没有材料）。\n";

constexpr char kRepairedText[] = "材料数据表已损坏，程序已将其修复：\n";
constexpr char kRecordsLostText[] = "\n丢失了 %1 条材料记录";
constexpr char kBlocksLostText[] = "和 %1 块进出库记录";
constexpr char kCopyKeptText[] = "。\n修复前的原文件已另存为：\n";
constexpr char kCheckStockText[] = "\n请核对库存；必要时从备份恢复。";
constexpr char kMissingWithMemoText[] =
    "找不到材料数据表 data.mzk，但文件夹中有它的记录文件：\n";
constexpr char kMemoKeptText[] =
    "\n这可能是没有复制完整的安装。程序没有改动这个文件，也没有新建数据表。\n"
    "请把原来的 data.mzk 复制到这个文件夹中，然后刷新显示。";
constexpr char kMissingText[] = "找不到材料数据表：\n";
constexpr char kDamagedText[] = "材料数据表已损坏，无法读取：\n";
constexpr char kMemoDamagedText[] = "材料数据表的记录文件缺失或已损坏：\n";
constexpr char kReadOnlyText[] = "材料数据表是只读的：\n";
constexpr char kReadOnlyAdvice[] =
    "\n列表照常显示，但进库、出库等改动都无法保存。"
    "请检查这个文件和它所在文件夹的写权限。";
constexpr char kFolderReadOnlyText[] =
    "无法在数据文件夹中写入列表文件 data2.mzk：\n";
constexpr char kFolderReadOnlyAdvice[] =
    "\n文件夹只读或磁盘已满：材料列表无法显示，备份和取消进出库也无法进行。"
    "请检查这个文件夹的写权限和剩余空间。";
constexpr char kCopyFailedText[] = "读取材料数据表时出错：\n";

// `text` with "%1" replaced by `n`.
std::string WithNumber(const char* text, int n) {
  std::string s = text;
  s.replace(s.find("%1"), 2, std::to_string(n));
  return s;
}

std::string RepairedMessage(const std::string& data_path,
                            const RepairReport& r) {
  std::string s =
      kRepairedText + data_path + WithNumber(kRecordsLostText, r.records_lost);
  if (r.memo_blocks_lost > 0)
    s += WithNumber(kBlocksLostText, r.memo_blocks_lost);
  return s + kCopyKeptText + r.copy_path + "\n" + MemoPathOf(r.copy_path) +
         kCheckStockText;
}

// The engine's reason, for whoever checks the file.
std::string Detail(const std::string& why) {
  return why.empty() ? "" : "\n（" + why + "）";
}

// The table opened read-only, its list fields copied; false when it cannot
// be opened or copied.
bool CopyReadOnly(const std::string& data_path, const std::string& list_path,
                  std::string* why) {
  OpenOptions options;
  options.read_only = true;
  std::unique_ptr<Table> table = Table::Open(data_path, options, why);
  if (!table) return false;
  std::vector<int> fields;
  return table->schema().IndicesOf(material::StockListFields(), &fields) &&
         table->CopyTo(list_path, nullptr, fields);
}

// Why the table could not be opened, in the user's words; may still list a
// table that can only be read.
StockListSource Unopened(const std::string& data_path,
                         const std::string& list_path, std::string why) {
  StockListSource out;
  const std::string memo = MemoPathOf(data_path);
  if (!FileExists(data_path)) {
    out.message = FileExists(memo) ? kMissingWithMemoText + memo + kMemoKeptText
                                   : kMissingText + data_path + "\n" +
                                         kNotEmptyWarehouse + kRestoreAdvice;
  } else if (!IsWritable(data_path)) {
    out.listed = CopyReadOnly(data_path, list_path, &why);
    out.message = out.listed ? kReadOnlyText + data_path + kReadOnlyAdvice
                             : kDamagedText + data_path + Detail(why) + "\n" +
                                   kNotEmptyWarehouse + kRestoreAdvice;
  } else if (!FileExists(memo) || why.find("memo") != std::string::npos) {
    out.message = kMemoDamagedText + memo + Detail(why) + "\n" +
                  kNotEmptyWarehouse + kRestoreAdvice;
  } else {
    out.message = kDamagedText + data_path + Detail(why) + "\n" +
                  kNotEmptyWarehouse + kRestoreAdvice;
  }
  return out;
}

}  // namespace

StockListSource CopyStockList(const std::string& data_path,
                              const std::string& list_path) {
  const std::string dir = DirName(data_path);
  if (!DirectoryExists(dir))
    return {false, kNoFolderText + dir + "\n" + kNotEmptyWarehouse};
  const BusyWatch busy;
  DbOpenReport report;
  DbOpen(data_path, kMaterialAlias, kShareReadWrite, &report);
  StockListSource out;
  if (busy.busy()) {
    // Held by another program, not damaged: the list comes back once it
    // lets go.
    out.message = TableInUseMessage(data_path) + "\n" + kNotEmptyWarehouse;
  } else if (!DbSelect(kMaterialAlias)) {
    out = Unopened(data_path, list_path, report.why);
  } else if (DbCopyTo(list_path, nullptr, material::StockListFields())) {
    out.listed = true;
  } else if (busy.busy()) {
    out.message = TableInUseMessage(data_path) + "\n" + kNotEmptyWarehouse;
  } else {
    out.message = IsWritable(dir)
                      ? kCopyFailedText + data_path + "\n" +
                            kNotEmptyWarehouse + kRestoreAdvice
                      : kFolderReadOnlyText + dir + kFolderReadOnlyAdvice;
  }
  // A repair is told even when the repaired table then failed.
  if (report.repair.repaired())
    out.message = RepairedMessage(data_path, report.repair) +
                  (out.message.empty() ? "" : "\n\n" + out.message);
  return out;
}

}  // namespace matslip
