#include "stock/stock_out.h"

#include <utility>

#include "base/datetime.h"
#include "base/files.h"
#include "base/number.h"
#include "material/material_backup.h"
#include "material/material_lookup.h"
#include "material/booking_fields.h"
#include "material/period_totals.h"
#include "stock/in_use_message.h"
#include "store/db.h"
#include "store/file_io.h"

namespace matslip {
namespace {

using namespace material;

std::string StockOutLogLine(const SlipLine& line, const Slip& slip,
                            double now) {
  return "数量 " + line.quantity_text + " 金额 " + line.value_text + " 部门 " +
         slip.department + " 经手 " + slip.received_by + "  时间 " +
         DateTimeText(now) + "\r\n";
}

// One line on the current record, under its lock (DbUpdate): the backup of
// the records `records` of the line's material (the current one first), as
// they are under the lock, then every fixed field in one write, then the
// log line. False, nothing written, when the record no longer holds the
// line's material, or (`*backup_failed` set) when the backup could not be
// written.
bool BookLine(const SlipLine& line, const Slip& slip, double now,
              const std::string& folder, const std::vector<int>& records,
              bool* backup_failed) {
  if (DbRead(kName).str() != line.key.name ||
      DbRead(kModel).str() != line.key.model)
    return false;
  // No line without its backup: the undo would put back an older state.
  *backup_failed = !WriteMaterialBackup(folder, line.key, records);
  if (*backup_failed) return false;
  const double q = TypedNumber(line.quantity_text);
  const double a = TypedNumber(line.value_text);
  const PeriodTotals t =
      RollPeriodTotals(ReadPeriodTotals(kOutPeriodFields),
                       DbRead(kOutDate).ToNumber(), now, q, a);
  std::vector<std::pair<FieldRef, Value>> fields = {
      {kQuantity, RoundTo(DbRead(kQuantity).ToNumber() - q, 2)},
      {kValue, RoundTo(DbRead(kValue).ToNumber() - a, 2)},
      {kOutDate, Value::Date(now)}};
  for (const auto& [field, total] : TotalsByField(t, kOutPeriodFields))
    fields.push_back({field, total});
  return WriteBooking(fields, kOutLog, StockOutLogLine(line, slip, now));
}

}  // namespace

int BookStockOut(const std::string& program_dir, const Slip& slip, double now,
                 RefusedLines* refused,
                 const std::vector<std::vector<int>>* found) {
  DbOpen(ProgramFilePath(program_dir, kMaterialFile), kMaterialAlias);
  if (!DbSelect(kMaterialAlias)) return 0;
  const std::string folder =
      ProgramFilePath(program_dir, kStockOutBackupFolder);
  std::vector<MaterialKey> keys;
  for (const SlipLine& line : slip.lines) keys.push_back(line.key);
  // A booking neither adds nor removes records, so the numbers found once
  // hold for every line, unless another process deletes meanwhile.
  const BusyWatch busy;
  const std::vector<std::vector<int>> records =
      found ? *found : FindMaterialRecords(keys);
  int booked = 0;
  // A search that could not read the count found nothing: no backups then,
  // and no line booked.
  if (busy.busy()) {
    if (refused) refused->in_use = keys;
    return booked;
  }
  // Once the table is held by another program or cannot be followed, the
  // lines left are not booked.
  bool stopped = false;
  for (std::size_t i = 0; i < slip.lines.size(); ++i) {
    if (records[i].empty()) continue;
    // Another process may have deleted records or replaced the table since
    // the search: then the line's material is looked up again.
    constexpr int kAttempts = 3;
    std::vector<int> at = records[i];
    bool done = false;
    bool backup_failed = false;
    for (int attempt = 0; attempt < kAttempts && !at.empty() && !stopped;
         ++attempt) {
      if (DbGoTo(at.front()) && DbUpdate([&] {
            return BookLine(slip.lines[i], slip, now, folder, at,
                            &backup_failed);
          })) {
        done = true;
        break;
      }
      if (backup_failed) break;
      stopped = busy.busy() || !DbFollowPath();
      if (!stopped) at = FindMaterialRecords({slip.lines[i].key}).front();
    }
    if (done)
      ++booked;
    else if (refused)
      (busy.busy() ? refused->in_use : refused->unwritten)
          .push_back(slip.lines[i].key);
  }
  return booked;
}

std::string LinesRefusedMessage(const std::string& table,
                                const RefusedLines& refused) {
  std::string text;
  const auto list = [&text](const char* start,
                            const std::vector<MaterialKey>& keys) {
    if (keys.empty()) return;
    if (!text.empty()) text += "\n";
    text += start;
    for (const MaterialKey& key : keys)
      text += "\n" + key.name + " " + key.model;
  };
  list(kLinesRefused, refused.unwritten);
  list(kLinesNotBookedInUse, refused.in_use);
  if (!refused.in_use.empty()) text += "\n" + TableInUseMessage(table);
  return text;
}

}  // namespace matslip
