#pragma once
// The record-database operations the whole program uses. They work on the
// open-database registry of the process: a list of open tables in opening
// order and one current table. Every operation reports success by its result
// (false, 0 or an empty value) and records it as the calling thread's last
// result; none shows a message or throws.
//
// Paths use '/' as the separator. A table's memo file has the same name with
// the extension ".edt".
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "store/repair_report.h"
#include "store/value.h"

namespace matslip {

// A field by 1-based position or by name (compared without regard to case).
class FieldRef {
 public:
  FieldRef(int position) : position_(position) {}
  FieldRef(const char* name) : name_(name) {}
  FieldRef(std::string name) : name_(std::move(name)) {}
  int position() const { return position_; }  // 0 when given by name
  const std::string& name() const { return name_; }

 private:
  int position_ = 0;
  std::string name_;
};

// A record condition: called with the examined record made current, it reads
// that record through DbRead / DbRecordNumber and says whether it qualifies.
using RecordCondition = std::function<bool()>;

// Share modes of DbOpen.
inline constexpr int kShareReadWrite = 1;  // others may read and write
inline constexpr int kShareDenyRead = 2;   // others may not read
inline constexpr int kShareDenyWrite = 3;  // others may not write
inline constexpr int kShareExclusive = 4;  // nobody else may open it

// What DbOpen found: why it failed, and what it repaired in a damaged table
// (see store/repair_report.h).
struct DbOpenReport {
  std::string why;
  RepairReport repair;
  bool reopened = false;  // an open entry was re-read from a new file
};

// Opens `path` for reading and writing under `alias` and makes it current.
// False when the path is empty, the file cannot be opened (missing, damaged,
// locked out by another opener's share mode) or the same full path is
// already open. In that last case the entry stays open and usable under its
// alias, and the current table stays as it was; but when the path now names
// another file than the one the entry has open (the table was replaced on
// disk), the entry is first opened anew from that file in place, or closed
// when that file cannot be opened.
bool DbOpen(const std::string& path, const std::string& alias,
            int share_mode = kShareReadWrite, DbOpenReport* report = nullptr);
// Makes the named open table current: aliases first, then file names, then
// full paths, newest first, without regard to case.
bool DbSelect(const std::string& name);
// Closes the named table, or the current one when `name` is empty.
void DbClose(const std::string& name = "");
void DbCloseAll();

int DbRecordCount();  // read from the file each time; 0 without a table
int DbFieldCount();
std::string DbFieldName(const FieldRef& field);
int DbFieldType(const FieldRef& field);  // type code 1..12, 0 when unknown
// The width in bytes of a text field; 0 for other fields or when unknown.
int DbFieldWidth(const FieldRef& field);

bool DbFirst();
bool DbSkip(int n = 1);
bool DbGoTo(int record_number);
int DbRecordNumber();  // cursor + 1; 0 without a table

Value DbRead(const FieldRef& field);
bool DbWrite(const FieldRef& field, const Value& value);
// Appends `text` to the memo field of the current record.
bool DbWriteMemo(const FieldRef& field, const std::string& text);
// Appends a record holding `values` in field order (missing ones empty) and
// makes it current.
bool DbAppend(const std::vector<Value>& values);
// Makes current the first record from `first_record` (1-based) on that
// meets `exists`, or appends `values` as DbAppend does when none does, in
// one step under the record count's lock: a search up to the count read
// before it, then this call from that count + 1, finds or creates a record
// once however many processes do the same. `*appended` says which. False
// with `*appended` true: the record was added, but its memo values could
// not be written and it was taken back where it still was the last one.
bool DbAppendUnless(const std::vector<Value>& values, int first_record,
                    const RecordCondition& exists, bool* appended);
// Runs `change` with the current record locked and read anew from the file:
// its DbRead, DbWriteFields and DbWriteMemo on that record are one step,
// which no other process's change of the record comes between. False,
// nothing run, when the lock cannot be had within the wait limit or the
// table was replaced on disk meanwhile (see DbFollowPath); else what
// `change` returns.
bool DbUpdate(const std::function<bool()>& change);
// Opens the current table anew, in place under its alias, when its path
// names another file now (another process replaced it: a restore, an undo);
// true when the entry is on the file at its path afterwards. The entry is
// closed when the new file cannot be opened.
bool DbFollowPath();

// Searches forward from the current record (included); on a miss the cursor
// goes back to where it was.
bool DbFind(const RecordCondition& condition);
// Marks the current record deleted, or every record meeting `condition`.
bool DbDelete(const RecordCondition& condition = nullptr);
bool DbPurge();
bool DbEmpty();

// Writes a new table at `target` (replacing it) with the listed fields (all
// when empty) and the records meeting `condition` (all when null).
bool DbCopyTo(const std::string& target,
              const RecordCondition& condition = nullptr,
              const std::vector<std::string>& fields = {});

struct SortKey {
  std::string field;
  bool ascending = true;
};
// Writes a copy of the current table ordered on `key`.
bool DbSortTo(const std::string& target, const std::string& key,
              bool ascending);
bool DbSortTo(const std::string& target, const std::vector<SortKey>& keys,
              const RecordCondition& condition = nullptr,
              const std::vector<std::string>& fields = {});

// Writes several fixed-size fields of the current record in one write of
// the record's bytes, so that a crash leaves all of them written or none.
// False, nothing written, when a field is a memo field, a value does not fit
// its field (a text longer than the field, a number that is not a whole
// number within an integer field's range), or there is no current record.
// The record is read again under its lock, so fields between those written
// keep what another opener wrote there meanwhile.
bool DbWriteFields(const std::vector<std::pair<FieldRef, Value>>& values);

// Writes a new table at `target` (replacing it and its memo file as a pair,
// see DbReplaceRecord) with all fields of the current table's records
// `first` .. `first` + `count` - 1 (1-based record numbers), memo texts
// included; `count` 0 gives a table without records. Reads only those
// records.
bool DbCopyRecordsTo(const std::string& target, int first, int count);
// The same for the records `record_numbers` (1-based, ascending, each once),
// which need not follow one another. Called inside DbUpdate, it copies the
// locked record as that lock holds it and the others as they are, without
// the whole-table lock (which is never waited for while a record is held).
bool DbCopyRecordsTo(const std::string& target,
                     const std::vector<int>& record_numbers);

// Replaces record `record_number` of the current table by the first
// `source_records` records (every record when negative) of the open table
// `source`, whose fields must be those of the current table
// (same names, types and widths, same order). The new table and memo file
// are written completely beside the old ones, flushed, and put in place
// together: a crash at any moment leaves the old pair or the new one, which
// the next open finishes. Afterwards the current table is open on the new
// files with its cursor on `record_number`, with the same alias and share
// mode. The other records keep their bytes; the source's records get new
// identifiers (from the table's next identifier on) and their memo texts
// new chains, and the replaced record's chains are freed. False, with the
// table unchanged, when the fields differ, `source` is not open or is the
// current table itself, the record number is out of range or a write
// fails. Also false, the table replaced, in the rare case that the new
// files cannot be opened once in place: the entry is then unusable until
// the table is opened again. `approve`, when given, is called under the
// table's exclusive lock, before anything is written, with record
// `record_number` current as it is then: false refuses the replacement,
// the table unchanged, so that no change another process made meanwhile is
// replaced unseen.
bool DbReplaceRecord(int record_number, const std::string& source,
                     int source_records = -1,
                     const RecordCondition& approve = nullptr);

// Appends every record of the open table `source`, whose fields must be
// those of the current table, as one change: the new pair of files is
// written beside the old one and put in place as DbReplaceRecord does, so a
// crash leaves the table without any of them or with all. The cursor ends
// on the last record. False, the table unchanged, as for DbReplaceRecord.
bool DbAppendRecordsFrom(const std::string& source);

// Appends every record of the named open table to the current one, pairing
// fields by name and compatible type.
bool DbAppendFrom(const std::string& name);

// The result of the calling thread's last operation.
bool DbLastResult();

}  // namespace matslip
