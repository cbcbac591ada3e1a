// The operations of Table that work on many records at once: they hold the
// whole-file lock and move records in blocks of at most fmt::kBulkBytes.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "base/clock.h"
#include "base/files.h"
#include "base/gbk.h"
#include "store/format.h"
#include "store/record_codec.h"
#include "store/record_order.h"
#include "store/table.h"
#include "store/table_target.h"

namespace matslip {

namespace {

// Marks a table as holding its whole-file lock for a scope, so that the
// record and count locks inside are skipped.
class WholeFileLock {
 public:
  WholeFileLock(PosixFile* file, bool* flag, bool exclusive)
      : lock_(file, 0, 0, exclusive, *flag), flag_(flag), was_(*flag) {
    *flag_ = true;
  }
  ~WholeFileLock() { *flag_ = was_; }
  bool ok() const { return lock_.ok(); }

 private:
  RegionLock lock_;
  bool* flag_;
  bool was_;
};

// Memo chains read through a read-ahead window for a scope; only while the
// whole-file lock is held, so that nobody changes a chain meanwhile.
class MemoReadAhead {
 public:
  explicit MemoReadAhead(MemoFile* memo) : memo_(memo) {
    if (memo_) memo_->SetReadAhead(true);
  }
  ~MemoReadAhead() {
    if (memo_) memo_->SetReadAhead(false);
  }

 private:
  MemoFile* memo_;
};

// Whether the two may be one file: they are, or one cannot be looked at.
bool MaybeSameFile(const PosixFile& a, const PosixFile& b) {
  struct stat sa, sb;
  return ::fstat(a.fd(), &sa) != 0 || ::fstat(b.fd(), &sb) != 0 ||
         (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino);
}

// The fields of `target` that `source` has by name, with a type that
// converts: the same type, or numbers both.
struct FieldPair {
  const FieldDef* target;
  const FieldDef* source;
};

std::vector<FieldPair> MatchingFields(const Schema& target,
                                      const Schema& source) {
  std::vector<FieldPair> pairs;
  for (const FieldDef& t : target.fields()) {
    const int s = source.IndexOf(t.name);
    if (s < 0) continue;
    const FieldDef& sf = source.field(s);
    if (sf.type == t.type || (IsNumericType(sf.type) && IsNumericType(t.type)))
      pairs.push_back({&t, &sf});
  }
  return pairs;
}

// A field other than a memo from a record of the source schema into one of
// the target's: a text cut to whole characters of the target's width, the
// same type byte for byte, other numbers converted.
bool CopyPlainField(const FieldDef& t, const FieldDef& s, const char* src,
                    char* dst) {
  if (t.type == fmt::kText) {
    const std::string_view text = TextFieldBytes(s, src);
    std::memcpy(dst + t.offset, text.data(),
                GbkCutLength(text, static_cast<std::size_t>(t.width)));
    return true;
  }
  if (t.type == s.type) {
    std::memcpy(dst + t.offset, src + s.offset,
                static_cast<std::size_t>(FieldSize(t.type, t.width)));
    return true;
  }
  return EncodeField(t, DecodeField(s, src), dst);
}

}  // namespace

bool Table::Scan(bool exclusive,
                 const std::function<bool(int index, char* record)>& visit,
                 bool* modified_block) {
  WholeFileLock lock(&file_, &whole_locked_, exclusive);
  if (!lock.ok() || (exclusive && !StillAtPath())) return false;
  MemoReadAhead read_ahead(memo_.get());
  int count = RecordCount();
  int per_block = RecordsPerBlock();
  std::size_t reclen = static_cast<std::size_t>(schema_.record_length());
  std::string block;
  for (int start = 0; start < count; start += per_block) {
    int n = std::min(per_block, count - start);
    block.resize(static_cast<std::size_t>(n) * reclen);
    if (!file_.ReadAt(RecordOffset(start), block.data(), block.size()))
      return false;
    if (modified_block) *modified_block = false;
    for (int i = 0; i < n; ++i) {
      char* rec = block.data() + std::size_t(i) * reclen;
      Present(start + i, rec);
      if (!visit(start + i, rec)) return false;
    }
    if (modified_block && *modified_block &&
        !file_.WriteAt(RecordOffset(start), block))
      return false;
  }
  return true;
}

bool Table::DeleteWhere(const RecordCondition& condition) {
  if (read_only_) return false;
  int saved = cursor_;
  bool modified = false;
  bool ok = Scan(
      true,
      [&](int, char* rec) {
        std::int32_t id = GetI32(rec);
        if (id > 0 && condition && condition()) {
          PutI32(rec, -id);
          modified = true;
        }
        return true;
      },
      &modified);
  cursor_ = saved;
  Invalidate();
  return ok && Flush(false);
}

// The records that stay are written to a new pair of files beside the
// table, with a copy of the memo file in which the chains of the dropped
// records are released, and the pair is put in place at once: a crash at any
// moment leaves the old pair or the purged one, and no block leaks.
bool Table::Purge() {
  if (read_only_) return false;
  {
    WholeFileLock lock(&file_, &whole_locked_, true);
    std::int32_t stored_count, next_id;
    if (!lock.ok() || !StillAtPath() || !ReadCounts(&stored_count, &next_id))
      return false;
    // Nobody else writes a memo chain while the whole-file lock is held;
    // a write whose writer died is dealt with first.
    if (memo_ && !memo_->Recover()) return false;
    const int count = RecordCount();
    TargetFiles out(path_, schema_);
    if (!out.Create(created_, memo_.get())) return false;
    const int per_block = RecordsPerBlock();
    const std::size_t reclen =
        static_cast<std::size_t>(schema_.record_length());
    std::vector<std::int32_t> released;
    std::int64_t kept = 0;
    std::string block;
    for (int start = 0; start < count; start += per_block) {
      const int n = std::min(per_block, count - start);
      block.resize(static_cast<std::size_t>(n) * reclen);
      if (!file_.ReadAt(RecordOffset(start), block.data(), block.size()))
        return false;
      for (int i = 0; i < n; ++i) {
        const char* rec = block.data() + std::size_t(i) * reclen;
        if (GetI32(rec) >= 0) {
          char* dst = out.records().Next(reclen);
          if (dst == nullptr) return false;
          std::memcpy(dst, rec, reclen);
          ++kept;
          continue;
        }
        AppendMemoChains(schema_, rec, &released);
      }
    }
    if (memo_ && !out.AdoptMemoCopy()) return false;
    // Chains that are broken or shared are left as they are; what was
    // valid of them is freed.
    if (!released.empty()) out.memo().Release(released);
    if (!out.Finish(kept, next_id > 0 ? next_id : 1) || !out.Commit())
      return false;
  }
  return ReopenFiles();
}

// An empty pair (the header with the next identifier kept, an empty memo
// file) written beside the table and put in place as every other
// whole-table change is: a crash leaves the old pair or the empty one,
// never a table emptied with its memo file not, or the other way round.
bool Table::Empty() {
  if (read_only_) return false;
  {
    WholeFileLock lock(&file_, &whole_locked_, true);
    std::int32_t count, next_id;
    if (!lock.ok() || !StillAtPath() || !ReadCounts(&count, &next_id))
      return false;
    TargetFiles out(path_, schema_);
    if (!out.Create(created_, nullptr) ||
        !out.Finish(0, next_id > 0 ? next_id : 1) || !out.Commit())
      return false;
  }
  return ReopenFiles();
}

bool Table::SharesMemo(const std::vector<int>& fields) const {
  if (!memo_) return false;
  for (int i = 0; i < schema_.field_count(); ++i) {
    if (IsMemoType(schema_.field(i).type) &&
        std::count(fields.begin(), fields.end(), i) != 1)
      return false;
  }
  return true;
}

bool Table::WriteTable(const std::string& target,
                       const std::vector<int>& fields,
                       const std::function<bool(const EmitRecord&)>& produce,
                       bool share_memo) {
  std::vector<FieldDef> defs;
  for (int i : fields) defs.push_back(schema_.field(i));
  const Schema ts(std::move(defs));
  // A memo file taken whole is copied by a second thread while this one
  // writes the records. Not when another process's write is pending in it:
  // then its chains are copied one by one.
  if (share_memo && memo_->HasPendingWrite()) share_memo = false;
  TargetFiles out(target, ts);
  if (!out.Create(Now(), share_memo ? memo_.get() : nullptr)) return false;
  RecordCopier copier(schema_, fields, ts, share_memo, memo_.get(),
                      &out.memo());
  const std::size_t reclen = static_cast<std::size_t>(ts.record_length());
  std::int64_t written = 0;
  auto emit = [&](const char* src, const std::string* memo_texts) {
    if (written >= INT32_MAX - 1) return false;
    char* dst = out.records().Next(reclen);
    if (dst == nullptr || !copier.Copy(src, memo_texts, dst)) return false;
    PutI32(dst, static_cast<std::int32_t>(++written));
    return true;
  };
  return produce(emit) && out.Finish(written) && out.Commit();
}

bool Table::CopyTo(const std::string& target, const RecordCondition& condition,
                   const std::vector<int>& fields) {
  const std::vector<int> chosen =
      fields.empty() ? schema_.AllIndices() : fields;
  int saved = cursor_;
  // One lock over the whole copy, so that a memo file taken whole matches
  // the records read.
  WholeFileLock lock(&file_, &whole_locked_, false);
  if (!lock.ok()) return false;
  bool ok = WriteTable(
      target, chosen,
      [&](const auto& emit) {
        return Scan(
            false,
            [&](int, char* rec) {
              return (condition && !condition()) || emit(rec, nullptr);
            },
            nullptr);
      },
      !condition && SharesMemo(chosen));
  cursor_ = saved;
  Invalidate();
  return ok;
}

bool Table::CopyRecordsTo(const std::string& target,
                          const std::vector<int>& indices) {
  // Inside UpdateCurrent the record's own lock holds what matters: the
  // whole-file lock would take the place of that lock (the locks of one
  // descriptor merge) and let go of it at the end, and it must not be
  // waited for while a record is held. Records do not move while this file
  // is at the path, which UpdateCurrent checked.
  const bool in_update = locked_record_ >= 0;
  std::optional<WholeFileLock> lock;
  if (!in_update) {
    lock.emplace(&file_, &whole_locked_, false);
    if (!lock->ok()) return false;
  }
  const int count = RecordCount();
  for (std::size_t k = 0; k < indices.size(); ++k) {
    if (indices[k] < 0 || indices[k] >= count ||
        (k > 0 && indices[k] <= indices[k - 1]))
      return false;
  }
  // Chains read ahead only while nobody can change them.
  MemoReadAhead read_ahead(in_update ? nullptr : memo_.get());
  return WriteTable(target, schema_.AllIndices(), [&](const EmitRecord& emit) {
    // Neighbouring records are read together, a run at a time.
    for (std::size_t k = 0; k < indices.size();) {
      std::size_t end = k + 1;
      while (end < indices.size() && indices[end] == indices[end - 1] + 1)
        ++end;
      if (!ForEachRecordIn(
              indices[k], static_cast<int>(end - k),
              [&](int, const char* rec) { return emit(rec, nullptr); }))
        return false;
      k = end;
    }
    return true;
  });
}

// The new table takes this one's memo file whole (copied on a second thread
// while the records are written) and its records' bytes as they are; in the
// copy the replaced record's chains are released and the source's texts
// added as new chains, so nothing leaks. Source records get new identifiers.
bool Table::ReplaceRecordWith(int index, Table& source, int source_records,
                              const RecordCondition& approve) {
  return Splice(index, 1, source, source_records, approve);
}

bool Table::AppendRecordsFrom(Table& source) {
  return Splice(-1, 0, source, -1, nullptr);
}

bool Table::Splice(int index, int removed, Table& source, int source_records,
                   const RecordCondition& approve) {
  // The source open on this very file would wait for this table's lock.
  if (read_only_ || !schema_.SameFields(source.schema_) ||
      MaybeSameFile(file_, source.file_))
    return false;
  {
    WholeFileLock lock(&file_, &whole_locked_, true);
    if (!lock.ok() || !StillAtPath()) return false;
    WholeFileLock source_lock(&source.file_, &source.whole_locked_, false);
    std::int32_t stored_count, next_id;
    if (!source_lock.ok() || !ReadCounts(&stored_count, &next_id)) return false;
    if (next_id <= 0) next_id = 1;
    const int count = RecordCount();
    if (index < 0) index = count;  // after the last record, as it is now
    const int in_source = source.RecordCount();
    const int added =
        source_records < 0 ? in_source : std::min(source_records, in_source);
    if (index < 0 || index + removed > count ||
        std::int64_t{count} - removed + added >= INT32_MAX ||
        std::int64_t{next_id} + added >= INT32_MAX)
      return false;
    // The record as it is now that nobody else can change it.
    if (approve) {
      cursor_ = index;
      known_count_ = count;
      Invalidate();
      if (!approve()) return false;
    }
    // Nobody else writes a memo chain while the whole-file lock is held;
    // a write whose writer died is dealt with first.
    if (memo_ && !memo_->Recover()) return false;
    TargetFiles out(path_, schema_);
    if (!out.Create(created_, memo_.get()) ||
        !CopyAroundSplice(&out, index, removed, count, added) ||
        !CopySpliceSource(&out, index, source, added, next_id) ||
        !out.Finish(std::int64_t{count} - removed + added,
                    std::int64_t{next_id} + added) ||
        !out.Commit())
      return false;
  }
  if (!ReopenFiles()) return false;
  // An append leaves the cursor on the last record, as Append does.
  const int at = removed > 0 ? index + 1 : RecordCount();
  return at == 0 || GoTo(at);
}

bool Table::CopyAroundSplice(TargetFiles* out, int index, int removed,
                             int count, int added) {
  const std::size_t reclen = static_cast<std::size_t>(schema_.record_length());
  std::string replaced(reclen * removed, '\0');
  if ((removed > 0 &&
       !file_.ReadAt(RecordOffset(index), replaced.data(), reclen)) ||
      !out->CopyRecords(file_, RecordOffset(0), 0, index) ||
      !out->CopyRecords(file_, RecordOffset(index + removed),
                        std::int64_t{index} + added, count - index - removed) ||
      (memo_ && !out->AdoptMemoCopy()))
    return false;
  std::vector<std::int32_t> replaced_chains;
  if (removed > 0) AppendMemoChains(schema_, replaced.data(), &replaced_chains);
  return replaced_chains.empty() || out->memo().Release(replaced_chains);
}

bool Table::CopySpliceSource(TargetFiles* out, int index, Table& source,
                             int added, std::int32_t next_id) {
  const std::size_t reclen = static_cast<std::size_t>(schema_.record_length());
  RecordCopier copier(source.schema_, source.schema_.AllIndices(), schema_,
                      false, source.memo_.get(), &out->memo());
  PieceWriter inserted = out->RecordsFrom(index);
  return source.ForEachRecordIn(0, added, [&](int k, const char* rec) {
    char* dst = inserted.Next(reclen);
    if (dst == nullptr || !copier.Copy(rec, nullptr, dst)) return false;
    PutI32(dst, (GetI32(rec) < 0 ? -1 : 1) * (next_id + k));
    return true;
  }) && inserted.Flush();
}

bool Table::ReadRecords(const RecordCondition& condition,
                        const std::vector<int>& memo_fields,
                        std::string* records,
                        std::vector<std::string>* memo_texts) {
  const std::size_t reclen = static_cast<std::size_t>(schema_.record_length());
  if (!condition && memo_fields.empty()) {  // the records in one read
    records->resize(static_cast<std::size_t>(RecordCount()) * reclen);
    return file_.ReadAt(RecordOffset(0), records->data(), records->size());
  }
  return Scan(
      false,
      [&](int, char* rec) {
        if (condition && !condition()) return true;
        records->append(rec, reclen);
        for (int f : memo_fields) {
          std::string& text = memo_texts->emplace_back();
          std::int32_t ref = GetI32(rec + schema_.field(f).offset);
          if (ref != 0 && !memo_->ReadChain(ref, &text)) return false;
        }
        return true;
      },
      nullptr);
}

bool Table::SortTo(const std::string& target,
                   const std::vector<SortField>& keys,
                   const RecordCondition& condition,
                   const std::vector<int>& fields) {
  for (const SortField& k : keys)
    if (k.field < 0 || k.field >= schema_.field_count()) return false;
  const std::vector<int> chosen =
      fields.empty() ? schema_.AllIndices() : fields;
  // A sort of every record takes the memo file whole (under one lock with
  // the records); otherwise the memo texts are read in file order with the
  // records, since the target is written in key order, which would read the
  // memo file at random.
  WholeFileLock lock(&file_, &whole_locked_, false);
  if (!lock.ok()) return false;
  const bool share_memo = !condition && SharesMemo(chosen);
  std::vector<int> memo_fields;
  for (int f : chosen)
    if (!share_memo && IsMemoType(schema_.field(f).type))
      memo_fields.push_back(f);

  std::vector<OrderField> order_keys;
  for (const SortField& k : keys)
    order_keys.push_back({&schema_.field(k.field), k.ascending});
  const std::size_t reclen = static_cast<std::size_t>(schema_.record_length());
  int saved = cursor_;
  // The records are read and sorted inside WriteTable, while a memo file
  // taken whole is being copied.
  bool ok = WriteTable(
      target, chosen,
      [&](const EmitRecord& emit) {
        std::string all;
        std::vector<std::string> memo_texts;
        if (!ReadRecords(condition, memo_fields, &all, &memo_texts))
          return false;
        const char* base = all.data();
        const std::size_t per_record = memo_fields.size();
        for (std::uint32_t i :
             OrderRecords(base, all.size() / reclen, reclen, order_keys)) {
          const std::string* texts =
              per_record ? &memo_texts[i * per_record] : nullptr;
          if (!emit(base + i * reclen, texts)) return false;
        }
        return true;
      },
      share_memo);
  cursor_ = saved;
  Invalidate();
  return ok;
}

bool Table::AppendFrom(Table& source) {
  if (read_only_) return false;
  const std::vector<FieldPair> pairs = MatchingFields(schema_, source.schema_);
  const std::size_t reclen = static_cast<std::size_t>(schema_.record_length());
  std::int64_t added = 0;
  {
    WholeFileLock lock(&file_, &whole_locked_, true);
    if (!lock.ok() || !StillAtPath()) return false;
    std::int32_t count, next_id;
    if (!ReadCounts(&count, &next_id)) return false;
    if (next_id <= 0) next_id = 1;
    std::unique_ptr<WholeFileLock> source_lock;
    if (&source != this) {
      source_lock = std::make_unique<WholeFileLock>(
          &source.file_, &source.whole_locked_, false);
      if (!source_lock->ok()) return false;
    }
    std::string memo_text;
    PieceWriter records(&file_, RecordOffset(count), fmt::kBulkBytes);
    const int source_count = source.RecordCount();
    bool ok = source.ForEachRecord([&](int index, const char* src) {
      if (index >= source_count) return true;
      if (std::int64_t{count} + added >= INT32_MAX - 1 ||
          std::int64_t{next_id} + added >= INT32_MAX - 1)
        return false;
      char* dst = records.Next(reclen);
      if (dst == nullptr) return false;
      PutI32(dst, static_cast<std::int32_t>(next_id + added));
      for (const FieldPair& p : pairs) {
        if (IsMemoType(p.target->type)
                ? !CopyMemoField(source, *p.target, *p.source, src,
                                 count + added, dst, &memo_text)
                : !CopyPlainField(*p.target, *p.source, src, dst))
          return false;
      }
      ++added;
      return true;
    });
    if (!ok || !records.Flush() ||
        !WriteCounts(static_cast<std::int32_t>(count + added),
                     static_cast<std::int32_t>(next_id + added)))
      return false;
  }
  Invalidate();
  return Flush(true);
}

bool Table::CopyMemoField(Table& source, const FieldDef& t, const FieldDef& s,
                          const char* src, std::int64_t index, char* dst,
                          std::string* text) {
  const std::int32_t ref = GetI32(src + s.offset);
  if (ref == 0) return true;
  if (!source.memo_ || !memo_ || !source.memo_->ReadChain(ref, text))
    return false;
  std::int32_t first = 0;
  MemoFile::NewChainLink link{RecordOffset(index) + t.offset,
                              [&](std::int32_t block) {
                                PutI32(dst + t.offset, block);
                                return true;
                              }};
  return memo_->Append(&first, *text, link);
}

}  // namespace matslip
