#pragma once
// A stock-in (receipt) booked on the material table: the item editor's
// "添  加(进库)". The backup of the material's record is in place before the
// record changes; the record's fixed fields are then written in one write and
// the log line appended after, so that a crash leaves the record as it was
// or fully booked (at worst without its log line).
#include <optional>
#include <string>

#include "material/material_table.h"

namespace matslip {

// The item editor's seven edits as typed.
struct StockInForm {
  std::string name;      // 品名
  std::string model;     // 规格型号
  std::string unit;      // 单位
  std::string price;     // 单价
  std::string quantity;  // 数量
  std::string value;     // 金额
  std::string alarm;     // 报警数量
  bool operator==(const StockInForm&) const = default;
};

// A text of the form that the material table cannot store as typed.
struct FormProblem {
  material::Field field;      // kName, kModel, kUnit; kPrice, kQuantity, ...
  int limit_bytes;            // the field's width in GBK bytes
  bool not_encodable;         // no GBK form at all (else: too long)
  bool not_a_number = false;  // a number field's text is no number
};

// The first text of `form` that cannot be stored: a key or unit without a
// GBK form or longer than its field in the current table (in a new table's
// layout when no table is current), then a 单价, 数量, 报警数量 or 金额 that
// ParseTypedNumber refuses. An empty number text stands for 0.
std::optional<FormProblem> CheckStockInForm(const StockInForm& form);

// The 金额 edit's text for the 单价 and 数量 edits: the rounded product, as
// text (text that is not a number counts as 0).
std::string AmountText(const std::string& price, const std::string& quantity);

// The edits for the current record of the current table: 品名, 规格型号,
// 单位, 单价, 数量 and 报警数量 as text; 金额 left empty (the editor computes
// it). Before the first or after the last record: empty texts and "0".
StockInForm ReadMaterialForm();

// The log line appended to 进库记录, CR LF included.
std::string StockInLogLine(const StockInForm& form, double price_after,
                           double quantity_after, double now);

struct StockInResult {
  bool booked = false;    // false: nothing was changed
  bool created = false;   // a new material was appended
  int record_number = 0;  // the booked material's record
};

// Books `form` at `now` on the table open as "data" (made current):
// backup into `backup_folder` (the program directory's 进库备份), then the
// existing material (first record with the form's key) gets quantity, value,
// average price (kept when the quantity becomes 0), period totals, date and
// alarm quantity in one write, or a new material is appended with all of
// them in one append; the log line follows. The receipt is whole or not
// made: a backup that cannot be written refuses it (and an older backup of
// the key is removed where it can be: it would undo more than this
// receipt); a log line that cannot be written takes the record back. The
// cursor ends on the booked material.
// The caller has checked the form with CheckStockInForm. Other processes
// may book on the table meanwhile: the record is backed up, read, computed
// and written with its log line under its lock (so the backup is the record
// just before this receipt), a new material is created once however
// many create it, and a table replaced on disk is opened anew. Not booked
// when the table stays locked by another program past the wait limit.
StockInResult BookStockIn(const std::string& backup_folder,
                          const StockInForm& form, double now);

}  // namespace matslip
