#include "stock/undo_guard.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "material/material_table.h"
#include "store/db.h"

namespace matslip {
namespace {

using namespace material;

// One kind of movement: its name and the fields its booking writes.
struct MovementKind {
  const char* name;
  Field log;
  Field date;
  std::initializer_list<Field> written;
};

const MovementKind kReceipt = {
    "进库",
    kInLog,
    kInDate,
    {kQuantity, kPrice, kValue, kInQuantity, kInValue, kInDate, kInLog, kAlarm,
     kMonthInQuantity, kMonthInValue, kYearInQuantity, kYearInValue}};
const MovementKind kIssue = {
    "出库",
    kOutLog,
    kOutDate,
    {kQuantity, kValue, kOutQuantity, kOutValue, kOutDate, kOutLog,
     kMonthOutQuantity, kMonthOutValue, kYearOutQuantity, kYearOutValue}};

constexpr char kLineEnd[] = "\r\n";
// The backup is read under an alias of its own, "data" staying open.
constexpr char kGuardAlias[] = "xdgjc";

// "不能取消进库:该项目在此次进库之后又有出库 2 次(最近一次在 …),…"
constexpr char kRefusalStart[] = "不能取消";
constexpr char kLaterAfter[] = ":该项目在此次";
constexpr char kLaterHad[] = "之后又有";
constexpr char kTimes[] = " 次(最近一次在 ";
constexpr char kWouldWipe[] = "),恢复备份会把它们一并抹掉。";
// "不能取消进库:进库备份不是最近一次进库前的,它之后又有进库 5 次(…),…"
constexpr char kStaleBackup[] = "备份不是最近一次";
constexpr char kStaleLater[] = "前的,它之后又有";
// "不能取消进库:该项目的数据与进库备份对不上,…"
constexpr char kInDoubtStart[] = ":该项目的数据与";
constexpr char kInDoubtEnd[] =
    "备份对不上(此后被恢复、导入或改动过,或记录不全),恢复备份可能抹掉别的"
    "数据。";
// How to correct a booking that can no longer be undone.
constexpr char kCorrectReceipt[] = "如需更正,请按负数量再进库一次。";
constexpr char kCorrectIssue[] = "如需更正,请把多出库的数量再进库。";

const Value& FieldOf(const MaterialRecord& record, Field field) {
  static const Value kNone;
  const auto i = static_cast<std::size_t>(field - 1);
  return i < record.size() ? record[i] : kNone;
}

// The lines `after` holds beyond `before`; -1 when `after` does not begin
// with `before` or ends within a line.
int AddedLines(const std::string& before, const std::string& after) {
  if (after.compare(0, before.size(), before) != 0) return -1;
  const std::string_view added = std::string_view(after).substr(before.size());
  if (added.empty()) return 0;
  if (!added.ends_with(kLineEnd)) return -1;
  int lines = 0;
  for (std::size_t pos = added.find(kLineEnd); pos != std::string_view::npos;
       pos = added.find(kLineEnd, pos + 2))
    ++lines;
  return lines;
}

bool OnlyWrittenFieldsDiffer(const MovementKind& kind,
                             const MaterialRecord& backup,
                             const MaterialRecord& current) {
  if (backup.size() != current.size()) return false;
  for (int f = 1; f <= static_cast<int>(backup.size()); ++f) {
    const bool written = std::find(kind.written.begin(), kind.written.end(),
                                   f) != kind.written.end();
    if (!written && !(FieldOf(backup, Field(f)) == FieldOf(current, Field(f))))
      return false;
  }
  return true;
}

}  // namespace

MaterialRecord ReadMaterialRecord() {
  MaterialRecord record;
  for (int f = 1; f <= DbFieldCount(); ++f) record.push_back(DbRead(f));
  return record;
}

std::optional<std::string> UndoRefusal(bool receipt,
                                       const MaterialRecord& backup,
                                       const MaterialRecord& current) {
  if (backup == current) return std::nullopt;
  const MovementKind& own = receipt ? kReceipt : kIssue;
  const MovementKind& other = receipt ? kIssue : kReceipt;
  const int own_added = AddedLines(FieldOf(backup, own.log).str(),
                                   FieldOf(current, own.log).str());
  const int other_added = AddedLines(FieldOf(backup, other.log).str(),
                                     FieldOf(current, other.log).str());
  const std::string refusal = kRefusalStart + std::string(own.name);
  const std::string correct = receipt ? kCorrectReceipt : kCorrectIssue;
  if (other_added > 0) {
    return refusal + kLaterAfter + own.name + kLaterHad + other.name + " " +
           std::to_string(other_added) + kTimes +
           FieldOf(current, other.date).ToText() + kWouldWipe + correct;
  }
  if (own_added > 1) {
    return refusal + ":" + own.name + kStaleBackup + own.name + kStaleLater +
           own.name + " " + std::to_string(own_added - 1) + kTimes +
           FieldOf(current, own.date).ToText() + kWouldWipe + correct;
  }
  if (own_added == 1 && other_added == 0 &&
      OnlyWrittenFieldsDiffer(own, backup, current))
    return std::nullopt;
  return refusal + kInDoubtStart + own.name + kInDoubtEnd + correct;
}

std::optional<std::string> UndoRefusal(const std::string& backup_path,
                                       int record_number,
                                       const MaterialKey& key, bool receipt) {
  const int fields = DbFieldCount();
  if (!DbGoTo(record_number)) return std::nullopt;
  const MaterialRecord current = ReadMaterialRecord();
  if (!DbOpen(backup_path, kGuardAlias)) {
    DbSelect(kMaterialAlias);
    return std::nullopt;
  }
  std::optional<MaterialRecord> backup;
  if (DbFieldCount() == fields && DbFirst() && DbRecordCount() > 0 &&
      DbRead(kName).str() == key.name && DbRead(kModel).str() == key.model)
    backup = ReadMaterialRecord();
  DbClose(kGuardAlias);
  DbSelect(kMaterialAlias);
  if (!backup) return std::nullopt;
  return UndoRefusal(receipt, *backup, current);
}

}  // namespace matslip
