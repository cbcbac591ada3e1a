#pragma once
// Writing a new table at a target path: its files under temporary names
// beside the target until they are complete, then put in place as a pair
// (store/table_pair.h), and the copying of source records (with their memo
// texts) into target records.
#include <cstdint>
#include <future>
#include <string>
#include <vector>

#include "store/file_io.h"
#include "store/format.h"
#include "store/memo_file.h"
#include "store/schema.h"

namespace matslip {

// The table and memo files of a new table while they are written. Whatever
// is not committed is removed when the object goes.
class TargetFiles {
 public:
  TargetFiles(const std::string& target, const Schema& schema);
  ~TargetFiles();
  TargetFiles(const TargetFiles&) = delete;
  TargetFiles& operator=(const TargetFiles&) = delete;

  // Creates the table file with its header and, when the schema has memo
  // fields, the memo file: a copy of `shared` made by a second thread while
  // the records are written, or (without `shared`) an empty file that takes
  // chains one by one through memo().
  bool Create(double created, MemoFile* shared);
  // Where the records go, one after another from the end of the header.
  PieceWriter& records() { return records_; }
  // Where records go from record `index` (0-based) on, for records written
  // out of order; flushed by the caller.
  PieceWriter RecordsFrom(std::int64_t index) {
    return PieceWriter(
        &table_, schema_.header_length() + index * schema_.record_length(),
        fmt::kBulkBytes);
  }
  // Copies the bytes of `count` records from `source` at byte `source_at`
  // as they are to record `index` (0-based) on, in the kernel.
  bool CopyRecords(const PosixFile& source, std::int64_t source_at,
                   std::int64_t index, std::int64_t count) {
    return CopyRange(source, source_at, &table_,
                     schema_.header_length() + index * schema_.record_length(),
                     count * schema_.record_length());
  }
  MemoFile& memo() { return memo_; }
  // Waits for the copy of the shared memo file and takes it as memo(), for
  // chains to be released and added in it.
  bool AdoptMemoCopy();
  // Writes the gathered records and the counts for `written` records (the
  // next identifier `next_id`, or written + 1 when 0), completes and
  // flushes both files.
  bool Finish(std::int64_t written, std::int64_t next_id = 0);
  // Puts both files in place of the target's as a pair (ReplacePair); a
  // table without memo fields removes the target's old memo file.
  bool Commit();

 private:
  void Discard();

  const Schema& schema_;
  const std::string token_, target_, table_tmp_, memo_target_, memo_tmp_;
  PosixFile table_;
  PieceWriter records_;
  MemoFile memo_;
  std::future<bool> memo_copy_;
  bool bulk_memo_ = false;
  bool committed_ = false;
};

// Fills target records from source records: the chosen fields' bytes as they
// are, in runs where neighbouring fields stay neighbours, and memo fields
// either with their references as they are (the memo file is shared) or with
// their texts appended to the target's memo file.
class RecordCopier {
 public:
  // `fields` are the source's field indexes in the target's order.
  RecordCopier(const Schema& source, const std::vector<int>& fields,
               const Schema& target, bool share_memo, MemoFile* source_memo,
               MemoFile* target_memo);

  // Copies `src` into the zeroed target record `dst` (identifier aside).
  // `memo_texts` are the texts of the copied memo fields in their order,
  // or null to read them from the source's memo file.
  bool Copy(const char* src, const std::string* memo_texts, char* dst);

 private:
  struct Run {
    std::size_t from, to, size;
  };
  struct Chained {
    std::size_t from, to;
  };

  std::vector<Run> runs_;
  std::vector<Chained> chained_;
  MemoFile* source_memo_;
  MemoFile* target_memo_;
  std::string text_;  // a memo text read from the source
};

}  // namespace matslip
