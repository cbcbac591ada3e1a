#pragma once
// The item editor's handlers over the material table open as "data": opening
// on the selected material, stepping through the records, deleting the
// current one and booking a stock-in. The window only reads and fills its
// edits around these calls.
#include <string>

#include "base/dialogs.h"
#include "material/material_table.h"
#include "material/stock_in.h"

namespace matslip {

inline constexpr char kDeletedMessage[] = "项目已删除";
// "确实要删除项目 <品名> <规格型号> 吗？…"
inline constexpr char kDeleteQuestionStart[] = "确实要删除项目 ";
inline constexpr char kDeleteQuestionEnd[] =
    " 吗？它的库存和全部进出库记录将一并删除，不能恢复。";
inline constexpr char kStockInDone[] = "添加成功返回主界面后刷新可显示";
inline constexpr char kStockInFailed[] =
    "进库没有完成：材料表写不进去，材料表没有改动。";
// "<field>不能超过<n>个字节（按GBK计）" and "<field>中有GBK编码以外的字符..."
inline constexpr char kTooLongMiddle[] = "不能超过";
inline constexpr char kTooLongEnd[] = "个字节（按GBK计）";
inline constexpr char kNotEncodable[] = "中有GBK编码以外的字符，材料表存不下";
// "<field>不是数：…"
inline constexpr char kNotANumber[] =
    "不是数：只能有数字、正负号、一个小数点和每三位一个的千位逗号"
    "（如 1,200.50 或 -3）";

inline constexpr char kNoMaterialTable[] =
    "材料表 data.mzk 打不开（缺失、损坏或被别的程序占用），不能编辑项目。";

enum class OpenedOn {
  kNoTable,   // the material table cannot be opened: nothing to work on
  kNotFound,  // open and current, `selected` is not in it
  kFound,     // open and current, the cursor on `selected`
};

// Opens the material table of `program_dir` as "data" (an open table stays
// open), makes it current and looks for `selected` from the first record.
OpenedOn OpenOnMaterial(const std::string& program_dir,
                        const MaterialKey& selected);

// One step of "下一项" (+1) or "上一项" (-1). Returns whether the button
// stays enabled, decided before the step: false when the cursor already
// stood on the last record (or after it), or on the first (or before it).
bool StepMaterial(int direction);

// "删除": asks first, naming the current material (No the default); on Yes
// removes its record for good, shows kDeletedMessage and moves to the record
// before it (the first record when it was the first). With the cursor on no
// record there is nothing to name: nothing is asked, nothing removed, and
// kDeletedMessage shown as before. False when the user answered No.
bool DeleteCurrentMaterial(Dialogs& dialogs);

// "添  加(进库)": refuses a form the table cannot store, with a message
// naming the field and its limit; otherwise books it at `now` with its
// backup in `backup_folder` and tells whether it was booked.
void StockIn(const std::string& backup_folder, const StockInForm& form,
             double now, Dialogs& dialogs);

// The message for a text of the form that cannot be stored.
std::string FormProblemMessage(const FormProblem& problem);

}  // namespace matslip
