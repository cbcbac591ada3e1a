#pragma once
// One open record-database table: its main file, its memo file and a cursor.
// This is the engine behind the Db* operations (db.h); tools and tests may
// use it directly. Not thread-safe: one thread per Table.
//
// Every operation returns false on failure and leaves the files intact:
// single-record changes are written in an order that a crash cannot turn
// into a damaged file (see docs/file-format.md), bulk operations hold the
// whole-file lock.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "store/durability.h"
#include "store/file_io.h"
#include "store/memo_file.h"
#include "store/repair_report.h"
#include "store/schema.h"
#include "store/value.h"

namespace matslip {

struct SortKey;
class TargetFiles;
using RecordCondition = std::function<bool()>;

struct OpenOptions {
  bool read_only = false;  // never writes; a damaged file then fails to open
  int share_mode = 1;  // 1 share all, 2 deny read, 3 deny write, 4 exclusive
};

class Table {
 public:
  ~Table();

  // Opens and checks a table and its memo file; repairs a file cut short by
  // a crash unless read-only (see repair()), after completing a replacement
  // of the pair that a crash interrupted (store/table_pair.h). Null, with a
  // reason, when it cannot, also when the copy of the damaged files cannot
  // be written, and for a reader while an interrupted replacement waits.
  static std::unique_ptr<Table> Open(const std::string& path,
                                     const OpenOptions& options,
                                     std::string* why = nullptr);
  // Writes a new empty table (and memo file when a field needs one) at
  // `path`, replacing any file there, and opens it.
  static std::unique_ptr<Table> Create(const std::string& path,
                                       const Schema& schema,
                                       std::string* why = nullptr);

  const std::string& path() const { return path_; }
  const OpenOptions& options() const { return options_; }
  // What the open repaired.
  const RepairReport& repair() const { return repair_; }
  // Whether the path still names the file this table has open (same device
  // and inode): false once another file was put in its place, or removed.
  // Every change checks it under its lock: writing on would go into a file
  // nobody sees (a replaced table lives on as a backup's link, say).
  bool StillAtPath() const;
  const Schema& schema() const { return schema_; }
  std::int32_t version() const { return version_; }
  double created() const { return created_; }
  MemoFile* memo() { return memo_.get(); }
  PosixFile& file() { return file_; }

  // Record count and next identifier, read from the file; false on error.
  bool ReadCounts(std::int32_t* count, std::int32_t* next_id);
  int RecordCount();  // 0 when it cannot be read

  // The cursor: -1 before the first record, RecordCount() past the last.
  int cursor() const { return cursor_; }
  bool First();
  bool Skip(int n);
  bool GoTo(int record_number);

  // Field access on the current record; `field` is a 0-based index.
  bool Read(int field, Value* out);
  // The value of a field of `record`, the bytes of one of this table's
  // records (as ForEachRecord hands them over); memo values from the memo
  // file.
  bool ReadFrom(const char* record, int field, Value* out);
  // The same value in the program's text form (Value::ToText), into `out`,
  // reusing its storage.
  bool ReadTextFrom(const char* record, int field, std::string* out);
  bool Write(int field, const Value& value);
  bool AppendMemo(int field, const Value& text);
  bool Append(const std::vector<Value>& values);
  // Appends `values` as Append does unless one of the records from `first`
  // (0-based) on meets `exists`: the look-up and the append are one step
  // under the count's lock, so two openers adding the same record leave one.
  // The record found or appended is current; `*appended` says which.
  bool AppendUnless(const std::vector<Value>& values, int first,
                    const RecordCondition& exists, bool* appended);
  // Runs `change` with the current record locked all the while and read
  // anew once the lock is held, so that what it reads, computes and writes
  // back (WriteFields, AppendMemo on that record) is one step no other
  // opener's change comes between. False, nothing run, when the lock cannot
  // be had or the table was replaced at its path; else what `change` says.
  bool UpdateCurrent(const std::function<bool()>& change);
  // `values` (field index, value) written into the current record in one
  // write; see DbWriteFields.
  bool WriteFields(const std::vector<std::pair<int, Value>>& values);
  // The current record's identifier (negative when marked deleted).
  bool ReadId(std::int32_t* id);

  bool Find(const RecordCondition& condition);
  bool DeleteCurrent();
  bool DeleteWhere(const RecordCondition& condition);
  bool Purge();
  bool Empty();

  // `fields` are 0-based indices into this table's schema (all when empty).
  bool CopyTo(const std::string& target, const RecordCondition& condition,
              const std::vector<int>& fields);
  struct SortField {
    int field;
    bool ascending;
  };
  bool SortTo(const std::string& target, const std::vector<SortField>& keys,
              const RecordCondition& condition, const std::vector<int>& fields);
  bool AppendFrom(Table& source);
  // The records at `indices` (0-based, ascending) with all fields; see
  // DbCopyRecordsTo.
  bool CopyRecordsTo(const std::string& target,
                     const std::vector<int>& indices);
  // Record `index` (0-based) replaced by the first `source_records` records
  // of `source` (all when negative), when `approve` (if given) says yes of
  // that record under the exclusive lock; see DbReplaceRecord. This table
  // is open on the new files afterwards.
  bool ReplaceRecordWith(int index, Table& source, int source_records = -1,
                         const RecordCondition& approve = nullptr);
  // Every record of `source` appended in one replacement of the files, as
  // ReplaceRecordWith puts its records in; see DbAppendRecordsFrom.
  bool AppendRecordsFrom(Table& source);

  // Visits every record's bytes in file order, in blocks; for tools.
  bool ForEachRecord(
      const std::function<bool(int index, const char* record)>& visit);
  // The same for the records [first, first + count), which must exist.
  bool ForEachRecordIn(
      int first, int count,
      const std::function<bool(int index, const char* record)>& visit);

 private:
  Table() = default;
  bool OpenFiles(const std::string& path, const OpenOptions& options,
                 std::string* why);
  bool TakeShareLocks(const OpenOptions& options);
  // Copies both files, as they are, to a dated name beside them (once per
  // open); false, with nothing left behind, when that fails.
  bool KeepDamagedOriginals(std::string* why);
  std::int64_t RecordOffset(std::int64_t index) const {
    return schema_.header_length() + index * schema_.record_length();
  }
  int RecordsPerBlock() const;
  bool LoadCurrent();
  void Present(int index, const char* record);
  void Invalidate() { current_ = nullptr; }
  bool WriteCounts(std::int32_t count, std::int32_t next_id);
  // Removes the record appended at `index` (0-based) when it is still the
  // last one, its identifier not given again; false when it is not.
  bool TakeBackAppend(std::int32_t index);
  // Appends `bytes` to the current record's memo field `f`, or replaces its
  // value, under the record's lock.
  bool ChangeMemo(const FieldDef& f, std::string_view bytes, bool replace);
  // Whether a lock of the record at byte `at` must be taken: not inside a
  // whole-file lock, nor inside UpdateCurrent of that record.
  bool SkipsLockAt(std::int64_t at) const {
    return whole_locked_ || at == locked_record_;
  }
  // Opens the main file anew (after it was replaced) with this table's share
  // mode.
  bool ReopenMain();
  // Opens both files anew at the same path with the same options (after
  // this table replaced them), the cursor on the first record.
  bool ReopenFiles();
  bool Flush(bool memo_too);
  // Scans the records [0, count) in blocks under a whole-file lock, making
  // each current in turn; `visit` returns false to stop with failure.
  bool Scan(bool exclusive,
            const std::function<bool(int index, char* record)>& visit,
            bool* modified_block);
  // Reads the records that meet `condition` (all when it is empty) into
  // `records`, one after another, and the texts of their `memo_fields` into
  // `memo_texts`, record by record.
  bool ReadRecords(const RecordCondition& condition,
                   const std::vector<int>& memo_fields, std::string* records,
                   std::vector<std::string>* memo_texts);
  // Writes a new table of `fields` at `target` (through a temporary file
  // renamed over it). `produce` hands over the source records in order
  // through its argument, each with the texts of its memo fields among
  // `fields` (in their order) when it has them at hand, else null and they
  // are read from the memo file.
  using EmitRecord =
      std::function<bool(const char* record, const std::string* memo_texts)>;
  // Records [index, index + removed) (index -1: after the last) replaced by the
  // first `source_records` records of `source` in a new pair of files put in
  // place at once, once `approve` (if given) said yes of record `index`.
  bool Splice(int index, int removed, Table& source, int source_records,
              const RecordCondition& approve);
  // Splice's steps into `out`, of `count` records now: the records before
  // `index` and from `index + removed` on where they go with `added` new ones
  // between, with this memo file's copy less the removed records' chains;
  // then the first `added` records of `source` at `index`, numbered from
  // `next_id`, their memo texts written as new chains.
  bool CopyAroundSplice(TargetFiles* out, int index, int removed, int count,
                        int added);
  bool CopySpliceSource(TargetFiles* out, int index, Table& source, int added,
                        std::int32_t next_id);
  // AppendFrom's step for a memo field: the chain of source field `s` in the
  // source record `src` appended to this memo file as a new chain linked from
  // field `t` of record `index`, which is `dst` in memory. `text` is a buffer.
  bool CopyMemoField(Table& source, const FieldDef& t, const FieldDef& s,
                     const char* src, std::int64_t index, char* dst,
                     std::string* text);
  // With `share_memo`, the target's memo file is a copy of this one and the
  // records keep their memo references (see SharesMemo).
  bool WriteTable(const std::string& target, const std::vector<int>& fields,
                  const std::function<bool(const EmitRecord&)>& produce,
                  bool share_memo = false);
  // Whether a copy of every record with `fields` may take this table's memo
  // file whole: every memo field is among them exactly once.
  bool SharesMemo(const std::vector<int>& fields) const;

  std::string path_;
  Schema schema_;
  std::int32_t version_ = 0;
  double created_ = 0;
  PosixFile file_;
  std::unique_ptr<MemoFile> memo_;
  bool read_only_ = false;
  OpenOptions options_;
  RepairReport repair_;
  bool whole_locked_ = false;  // a bulk operation holds the whole-file lock
  std::int64_t locked_record_ = -1;  // the record UpdateCurrent holds locked

  int cursor_ = 0;
  int known_count_ = 0;            // record count seen at the last cursor move
  std::int64_t held_records_ = 0;  // whole records the file held when its
                                   // size was last read
  std::string record_;             // bytes of the current record when loaded
  const char* current_ = nullptr;  // current record bytes, or null
};

}  // namespace matslip
