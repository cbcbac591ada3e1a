#pragma once
// Why a spreadsheet could not be read, as the user is told.
#include <string>

namespace matslip {

inline constexpr char kSheetCannotOpen[] = "无法打开文件";
inline constexpr char kSheetNotSpreadsheet[] = "不是电子表格文件";
inline constexpr char kSheetDamaged[] = "电子表格文件已损坏";
inline constexpr char kSheetEncrypted[] =
    "电子表格有密码保护，请先取消密码再读取";
inline constexpr char kSheetEmptyWorkbook[] = "工作簿中没有工作表";
inline constexpr char kSheetTooLarge[] = "电子表格过大，超出可读取的范围";
inline constexpr char kSheetAreaTooLarge[] = "要读取的单元格区域过大";

// Sets `*reason` (when given) and returns false, for one-line refusals.
inline bool SheetFailure(std::string* reason, const char* text) {
  if (reason) *reason = text;
  return false;
}

}  // namespace matslip
