#include "stock/slip_booking.h"

#include <map>
#include <utility>

#include "base/files.h"
#include "base/number.h"
#include "grid/data_src.h"
#include "material/material_lookup.h"
#include "stock/item_editor.h"
#include "stock/slip_table.h"
#include "stock/stock_out.h"
#include "store/db.h"
#include "store/file_io.h"

namespace matslip {
namespace {

// "出库单第2行的数量不是数：…"
constexpr char kLineStart[] = "出库单第";
constexpr char kLineOf[] = "行的";
constexpr char kQuantityName[] = "数量";
constexpr char kPriceName[] = "单价";
// "以下各行的出库数量超过了库存…\n第1行 钢芯铝绞线 LGJ-95/20：出库
// …\n仍要出库吗？"
constexpr char kOverIssueStart[] =
    "以下各行的出库数量超过了库存，出库后库存将是负数：";
constexpr char kOverLineStart[] = "\n第";
constexpr char kOverLineRow[] = "行 ";
constexpr char kOverIssued[] = "：出库 ";
constexpr char kOverStock[] = "，库存 ";
constexpr char kOverIssueEnd[] = "\n仍要出库吗？";

MaterialKey LineKey(const DataSrc& slip, int row) {
  return {slip.GetCellText(row, kSlipNameColumn),
          slip.GetCellText(row, kSlipModelColumn)};
}

// The slip's material lines: the rows whose 品名 or 规格型号 is filled, as
// ReadSlip books them.
std::vector<int> MaterialRows(const DataSrc& slip) {
  std::vector<int> rows;
  for (int r = kSlipFirstLine; r <= kSlipLastLine; ++r) {
    const MaterialKey key = LineKey(slip, r);
    if (!key.name.empty() || !key.model.empty()) rows.push_back(r);
  }
  return rows;
}

}  // namespace

std::optional<std::string> SlipNumberProblem(const DataSrc& slip) {
  for (const int r : MaterialRows(slip)) {
    for (const auto& [column, name] :
         {std::pair{kSlipQuantityColumn, kQuantityName},
          std::pair{kSlipPriceColumn, kPriceName}}) {
      const std::string text = slip.GetCellText(r, column);
      double value;
      if (!text.empty() && !ParseTypedNumber(text, &value)) {
        return kLineStart + std::to_string(r - kSlipFirstLine + 1) + kLineOf +
               name + kNotANumber;
      }
    }
  }
  return std::nullopt;
}

std::vector<OverIssue> FindOverIssues(
    const DataSrc& slip, const std::vector<std::vector<int>>& records) {
  // The rows of ReadSlip's lines, in the same order.
  const std::vector<int> rows = MaterialRows(slip);
  // A material's stock as the lines before have left it.
  std::map<int, double> left;
  std::vector<OverIssue> over;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (records[i].empty()) continue;
    const int record = records[i].front();
    if (!left.contains(record)) {
      if (!DbGoTo(record)) continue;
      left[record] = DbRead(material::kQuantity).ToNumber();
    }
    const double issued =
        TypedNumber(slip.GetCellText(rows[i], kSlipQuantityColumn));
    const double stock = left[record];
    // The booking's own arithmetic decides what goes below 0.
    left[record] = RoundTo(stock - issued, 2);
    if (issued > 0 && left[record] < 0)
      over.push_back({rows[i] - kSlipFirstLine + 1, LineKey(slip, rows[i]),
                      issued, stock});
  }
  return over;
}

std::string OverIssueQuestion(const std::vector<OverIssue>& over) {
  std::string text = kOverIssueStart;
  for (const OverIssue& o : over) {
    text += kOverLineStart + std::to_string(o.line) + kOverLineRow + o.key.name;
    if (!o.key.model.empty()) text += " " + o.key.model;
    text += kOverIssued + NumberToText(o.issued) + kOverStock +
            NumberToText(o.stock);
  }
  return text + kOverIssueEnd;
}

bool StockOutClicked(const std::string& program_dir, const DataSrc& slip,
                     double now, Dialogs& dialogs) {
  if (const auto problem = SlipNumberProblem(slip)) {
    dialogs.Message(*problem, kInfoCaption, MessageIcon::kWarning);
    return false;
  }
  const Slip lines = ReadSlip(slip);
  // One search of the table serves the question and the booking (which
  // looks a line up again when its record no longer holds the material); a
  // search that met the table held by another program is left to the booking.
  DbOpen(ProgramFilePath(program_dir, kMaterialFile), kMaterialAlias);
  std::vector<std::vector<int>> records;
  bool searched = false;
  if (DbSelect(kMaterialAlias)) {
    std::vector<MaterialKey> keys;
    for (const SlipLine& line : lines.lines) keys.push_back(line.key);
    const BusyWatch busy;
    records = FindMaterialRecords(keys);
    searched = !busy.busy();
    const std::vector<OverIssue> over = FindOverIssues(slip, records);
    if (!over.empty() && !dialogs.Ask(OverIssueQuestion(over))) return false;
  }
  RefusedLines refused;
  BookStockOut(program_dir, lines, now, &refused,
               searched ? &records : nullptr);
  if (!refused.unwritten.empty() || !refused.in_use.empty())
    dialogs.Message(LinesRefusedMessage(
                        ProgramFilePath(program_dir, kMaterialFile), refused),
                    kInfoCaption, MessageIcon::kWarning);
  return true;
}

}  // namespace matslip
