#pragma once
// "出库" of the stock-out window up to the booking: a slip whose quantity or
// price cells do not read as numbers is sent back before anything is
// written, and a slip that issues more than a material's stock is booked
// only when the user says so.
#include <optional>
#include <string>
#include <vector>

#include "base/dialogs.h"
#include "material/material_table.h"

namespace matslip {

class DataSrc;

// A slip line that leaves its material's stock below 0.
struct OverIssue {
  int line;  // 1 for the slip's first material line
  MaterialKey key;
  double issued;  // this line's quantity
  double stock;   // the stock before this line (earlier lines taken off)
};

// The message for the first material line whose 数量 or 单价 cell is not a
// number as a person types it (ParseTypedNumber; an empty cell counts 0),
// naming the line and the column; nothing when all read.
std::optional<std::string> SlipNumberProblem(const DataSrc& slip);

// With the material table current: the material lines of `slip` that issue
// more than the stock left, a material's earlier lines on the slip counted.
// `records` holds FindMaterialRecords of the keys of ReadSlip(slip)'s lines,
// in their order. Lines of materials not in the table are booked by nobody
// and left out.
std::vector<OverIssue> FindOverIssues(
    const DataSrc& slip, const std::vector<std::vector<int>>& records);

// The question naming every line of `over`.
std::string OverIssueQuestion(const std::vector<OverIssue>& over);

// The button: refuses a slip with a bad number, asks (No the default)
// before issuing more than the stock, then books the slip at `now` on the
// material table of `program_dir` (BookStockOut) and names the lines it
// refused. True when it was booked and the window may close.
bool StockOutClicked(const std::string& program_dir, const DataSrc& slip,
                     double now, Dialogs& dialogs);

}  // namespace matslip
