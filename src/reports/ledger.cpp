#include "reports/ledger.h"

#include "base/files.h"
#include "material/material_lookup.h"
#include "store/db.h"

namespace matslip {
namespace {

constexpr char kHeadingStart[] = "以下是";
constexpr char kStockInHeadingEnd[] = "进库记录:";
constexpr char kStockOutHeadingEnd[] = "出库记录:";
constexpr char kLineEnd[] = "\r\n";
// After the stock-in log, whose lines end in CR LF of their own.
constexpr char kLogGap[] = "\r\n\r\n\r\n\r\n";

}  // namespace

bool MayOpenLedger(const MaterialKey& selected, Dialogs& dialogs) {
  if (!selected.name.empty()) return true;
  dialogs.Message(kNoLedgerSelection);
  return false;
}

std::string MaterialLedger(const std::string& program_dir,
                           const MaterialKey& key) {
  // Fails harmlessly when the main window keeps it open.
  DbOpen(ProgramFilePath(program_dir, kMaterialFile), kMaterialAlias);
  if (!DbSelect(kMaterialAlias) || !FindMaterial(key)) return "";
  // The headings carry the name alone, as the storekeeper reads it.
  return kHeadingStart + key.name + kStockInHeadingEnd + kLineEnd +
         DbRead(material::kInLog).ToText() + kLogGap + kHeadingStart +
         key.name + kStockOutHeadingEnd + kLineEnd +
         DbRead(material::kOutLog).ToText();
}

}  // namespace matslip
