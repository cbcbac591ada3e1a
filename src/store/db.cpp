// The process's open-database registry behind the Db* operations.
#include "store/db.h"

#include <cstdint>
#include <filesystem>
#include <memory>

#include "store/format.h"
#include "store/names.h"
#include "store/table.h"

namespace matslip {

namespace {

struct Entry {
  std::string alias;
  std::string full_path;
  std::unique_ptr<Table> table;
};

struct Registry {
  std::vector<Entry> entries;  // in opening order
  int current = -1;
};

Registry& Reg() {
  static Registry* registry = new Registry;  // lives until the process ends
  return *registry;
}

thread_local bool last_result = false;

bool Result(bool ok) {
  last_result = ok;
  return ok;
}

Table* Current() {
  Registry& r = Reg();
  return r.current >= 0
             ? r.entries[static_cast<std::size_t>(r.current)].table.get()
             : nullptr;
}

std::string FullPath(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(path, ec);
  if (ec) return path;
  return p.lexically_normal().string();
}

// Index of the open table `name` refers to: aliases, then file names, then
// full paths, each searched from the newest entry; -1 when none.
int Lookup(const std::string& name) {
  const auto& e = Reg().entries;
  const int n = static_cast<int>(e.size());
  for (int i = n - 1; i >= 0; --i)
    if (!e[i].alias.empty() && NamesEqual(e[i].alias, name)) return i;
  for (int i = n - 1; i >= 0; --i)
    if (NamesEqual(FileNameOf(e[i].full_path), name)) return i;
  std::string full = FullPath(name);
  for (int i = n - 1; i >= 0; --i)
    if (NamesEqual(e[i].full_path, full) || NamesEqual(e[i].full_path, name))
      return i;
  return -1;
}

int FieldIndex(const Table& t, const FieldRef& field) {
  if (field.position() > 0)
    return field.position() <= t.schema().field_count() ? field.position() - 1
                                                        : -1;
  return field.name().empty() ? -1 : t.schema().IndexOf(field.name());
}

void CloseAt(int index) {
  Registry& r = Reg();
  r.entries.erase(r.entries.begin() + index);
  if (r.current == index) {
    r.current = -1;
  } else if (r.current > index) {
    --r.current;
  }
}

// Whoever keeps a table open across user actions must not go on reading a
// file that was replaced or removed under it: the entry follows its path.
void FollowPath(int index, const std::string& path, DbOpenReport* report) {
  Entry& e = Reg().entries[static_cast<std::size_t>(index)];
  if (e.table->StillAtPath()) return;
  std::unique_ptr<Table> fresh =
      Table::Open(path, e.table->options(), &report->why);
  if (!fresh) {
    CloseAt(index);
    return;
  }
  report->repair = fresh->repair();
  report->reopened = true;
  e.table = std::move(fresh);
}

}  // namespace

bool DbOpen(const std::string& path, const std::string& alias, int share_mode,
            DbOpenReport* report) {
  DbOpenReport ignored;
  if (report == nullptr) report = &ignored;
  *report = DbOpenReport{};
  if (path.empty()) return Result(false);
  std::string full = FullPath(path);
  const auto& entries = Reg().entries;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!NamesEqual(entries[i].full_path, full)) continue;
    report->why = "already open";
    FollowPath(static_cast<int>(i), path, report);
    return Result(false);
  }
  OpenOptions options;
  options.share_mode = share_mode;
  std::unique_ptr<Table> t = Table::Open(path, options, &report->why);
  if (!t) return Result(false);
  report->repair = t->repair();
  Registry& r = Reg();
  r.entries.push_back(Entry{alias, full, std::move(t)});
  r.current = static_cast<int>(r.entries.size()) - 1;
  return Result(true);
}

bool DbSelect(const std::string& name) {
  int i = Lookup(name);
  if (i < 0) return Result(false);
  Reg().current = i;
  return Result(true);
}

void DbClose(const std::string& name) {
  Registry& r = Reg();
  int i = name.empty() ? r.current : Lookup(name);
  if (i >= 0) CloseAt(i);
  Result(i >= 0);
}

void DbCloseAll() {
  Registry& r = Reg();
  r.entries.clear();
  r.current = -1;
  Result(true);
}

int DbRecordCount() {
  Table* t = Current();
  int n = t ? t->RecordCount() : 0;
  Result(t != nullptr);
  return n;
}

int DbFieldCount() {
  Table* t = Current();
  Result(t != nullptr);
  return t ? t->schema().field_count() : 0;
}

std::string DbFieldName(const FieldRef& field) {
  Table* t = Current();
  int i = t ? FieldIndex(*t, field) : -1;
  Result(i >= 0);
  return i >= 0 ? t->schema().field(i).name : std::string();
}

int DbFieldType(const FieldRef& field) {
  Table* t = Current();
  int i = t ? FieldIndex(*t, field) : -1;
  Result(i >= 0);
  return i >= 0 ? t->schema().field(i).type : 0;
}

int DbFieldWidth(const FieldRef& field) {
  Table* t = Current();
  int i = t ? FieldIndex(*t, field) : -1;
  Result(i >= 0);
  return i >= 0 && t->schema().field(i).type == fmt::kText
             ? t->schema().field(i).width
             : 0;
}

bool DbFirst() {
  Table* t = Current();
  return Result(t && t->First());
}

bool DbSkip(int n) {
  Table* t = Current();
  return Result(t && t->Skip(n));
}

bool DbGoTo(int record_number) {
  Table* t = Current();
  return Result(t && t->GoTo(record_number));
}

int DbRecordNumber() {
  Table* t = Current();
  Result(t != nullptr);
  return t ? t->cursor() + 1 : 0;
}

Value DbRead(const FieldRef& field) {
  Table* t = Current();
  int i = t ? FieldIndex(*t, field) : -1;
  Value v;
  Result(i >= 0 && t->Read(i, &v));
  return v;
}

bool DbWrite(const FieldRef& field, const Value& value) {
  Table* t = Current();
  int i = t ? FieldIndex(*t, field) : -1;
  return Result(i >= 0 && t->Write(i, value));
}

bool DbWriteMemo(const FieldRef& field, const std::string& text) {
  Table* t = Current();
  int i = t ? FieldIndex(*t, field) : -1;
  return Result(i >= 0 && t->AppendMemo(i, Value::Text(text)));
}

bool DbAppend(const std::vector<Value>& values) {
  Table* t = Current();
  return Result(t && t->Append(values));
}

bool DbAppendUnless(const std::vector<Value>& values, int first_record,
                    const RecordCondition& exists, bool* appended) {
  Table* t = Current();
  return Result(t && exists &&
                t->AppendUnless(values, first_record - 1, exists, appended));
}

bool DbUpdate(const std::function<bool()>& change) {
  Table* t = Current();
  return Result(t && change && t->UpdateCurrent(change));
}

bool DbFollowPath() {
  const int i = Reg().current;
  if (i < 0) return Result(false);
  DbOpenReport report;
  FollowPath(i, Reg().entries[static_cast<std::size_t>(i)].full_path, &report);
  return Result(Reg().current == i);
}

bool DbFind(const RecordCondition& condition) {
  Table* t = Current();
  return Result(t && condition && t->Find(condition));
}

bool DbDelete(const RecordCondition& condition) {
  Table* t = Current();
  if (!t) return Result(false);
  return Result(condition ? t->DeleteWhere(condition) : t->DeleteCurrent());
}

bool DbPurge() {
  Table* t = Current();
  return Result(t && t->Purge());
}

bool DbEmpty() {
  Table* t = Current();
  return Result(t && t->Empty());
}

bool DbCopyTo(const std::string& target, const RecordCondition& condition,
              const std::vector<std::string>& fields) {
  Table* t = Current();
  std::vector<int> indices;
  if (!t || target.empty() || !t->schema().IndicesOf(fields, &indices))
    return Result(false);
  return Result(t->CopyTo(target, condition, indices));
}

bool DbSortTo(const std::string& target, const std::string& key,
              bool ascending) {
  return DbSortTo(target, {SortKey{key, ascending}});
}

bool DbSortTo(const std::string& target, const std::vector<SortKey>& keys,
              const RecordCondition& condition,
              const std::vector<std::string>& fields) {
  Table* t = Current();
  std::vector<int> indices;
  if (!t || target.empty() || keys.empty() ||
      !t->schema().IndicesOf(fields, &indices))
    return Result(false);
  std::vector<Table::SortField> sort_fields;
  for (const SortKey& k : keys) {
    int i = t->schema().IndexOf(k.field);
    if (i < 0) return Result(false);
    sort_fields.push_back({i, k.ascending});
  }
  return Result(t->SortTo(target, sort_fields, condition, indices));
}

bool DbWriteFields(const std::vector<std::pair<FieldRef, Value>>& values) {
  Table* t = Current();
  if (!t) return Result(false);
  std::vector<std::pair<int, Value>> indexed;
  indexed.reserve(values.size());
  for (const auto& [field, value] : values) {
    const int i = FieldIndex(*t, field);
    if (i < 0) return Result(false);
    indexed.emplace_back(i, value);
  }
  return Result(t->WriteFields(indexed));
}

bool DbCopyRecordsTo(const std::string& target, int first, int count) {
  if (first < 1 || count < 0 || std::int64_t{first} + count - 1 > INT32_MAX)
    return Result(false);
  std::vector<int> numbers(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k)
    numbers[static_cast<std::size_t>(k)] = first + k;
  // A run of no records still names where it starts, which must exist or
  // follow the last record.
  Table* t = Current();
  if (t && count == 0 && first > t->RecordCount() + 1) return Result(false);
  return DbCopyRecordsTo(target, numbers);
}

bool DbCopyRecordsTo(const std::string& target,
                     const std::vector<int>& record_numbers) {
  Table* t = Current();
  std::vector<int> indices;
  indices.reserve(record_numbers.size());
  for (int n : record_numbers) indices.push_back(n - 1);
  return Result(t && !target.empty() && t->CopyRecordsTo(target, indices));
}

bool DbReplaceRecord(int record_number, const std::string& source,
                     int source_records, const RecordCondition& approve) {
  Table* t = Current();
  const int i = Lookup(source);
  return Result(
      t && i >= 0 &&
      t->ReplaceRecordWith(record_number - 1,
                           *Reg().entries[static_cast<std::size_t>(i)].table,
                           source_records, approve));
}

bool DbAppendRecordsFrom(const std::string& source) {
  Table* t = Current();
  const int i = Lookup(source);
  return Result(
      t && i >= 0 &&
      t->AppendRecordsFrom(*Reg().entries[static_cast<std::size_t>(i)].table));
}

bool DbAppendFrom(const std::string& name) {
  Table* t = Current();
  int i = Lookup(name);
  if (!t || i < 0) return Result(false);
  return Result(
      t->AppendFrom(*Reg().entries[static_cast<std::size_t>(i)].table));
}

bool DbLastResult() { return last_result; }

}  // namespace matslip
