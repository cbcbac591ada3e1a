#include "store/table.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/files.h"
#include "base/gbk.h"
#include "store/format.h"
#include "store/names.h"
#include "store/record_codec.h"
#include "store/table_pair.h"

namespace matslip {

namespace {

// Share-mode marker bytes (see file_io.h): one byte per access kind and per
// denial, each held shared by every opener that has that access or denies it.
constexpr std::int64_t kHasRead = kShareLockBase + 1;
constexpr std::int64_t kHasWrite = kShareLockBase + 2;
constexpr std::int64_t kDeniesRead = kShareLockBase + 3;
constexpr std::int64_t kDeniesWrite = kShareLockBase + 4;

bool Fail(std::string* why, const std::string& reason) {
  if (why) *why = reason;
  return false;
}

// "20261207-120031" for now.
std::string DateStamp() {
  const CivilTime t = DateToCivil(Now());
  char b[32];
  std::snprintf(b, sizeof b, "%04d%02d%02d-%02d%02d%02d", t.year, t.month,
                t.day, t.hour, t.minute, t.second);
  return b;
}

// "<folder>/<name without extension>-damaged-<stamp>[-n]", free under both
// extensions.
std::string FreeDamagedBase(const std::string& path) {
  std::string name = BaseName(path);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  const std::string base =
      DirName(path) + "/" + name + "-damaged-" + DateStamp();
  std::string candidate = base;
  for (int n = 2; FileExists(candidate + kTableExtension) ||
                  FileExists(candidate + kMemoExtension);
       ++n)
    candidate = base + "-" + std::to_string(n);
  return candidate;
}

}  // namespace

Table::~Table() = default;

// Another process may replace the pair while this one opens it: when its
// journal is there after the open, or the table left its path meanwhile,
// the two files opened may not belong together, and the open starts again
// (after waiting for that replacement to be done).
std::unique_ptr<Table> Table::Open(const std::string& path,
                                   const OpenOptions& options,
                                   std::string* why) {
  constexpr int kAttempts = 3;
  for (int attempt = 1;; ++attempt) {
    if (!FinishPairReplacement(path, options.read_only, why)) return nullptr;
    std::unique_ptr<Table> t(new Table);
    const bool opened = t->OpenFiles(path, options, why);
    if (attempt < kAttempts &&
        (PairJournalExists(path) || (opened && !t->StillAtPath())))
      continue;
    return opened ? std::move(t) : nullptr;
  }
}

// Each opener first takes the marker bytes of what it has and what it
// denies, then looks for conflicting markers of others: of two openers racing
// both may fail, but never both succeed.
bool Table::TakeShareLocks(const OpenOptions& o) {
  bool wants_write = !o.read_only;
  bool denies_read = o.share_mode == 2 || o.share_mode == 4;
  bool denies_write = o.share_mode == 3 || o.share_mode == 4;
  bool taken = file_.Lock(kHasRead, 1, false) &&
               (!wants_write || file_.Lock(kHasWrite, 1, false)) &&
               (!denies_read || file_.Lock(kDeniesRead, 1, false)) &&
               (!denies_write || file_.Lock(kDeniesWrite, 1, false));
  bool conflict =
      !taken || file_.IsLockedByOther(kDeniesRead, 1, true) ||
      (wants_write && file_.IsLockedByOther(kDeniesWrite, 1, true)) ||
      (denies_read && file_.IsLockedByOther(kHasRead, 1, true)) ||
      (denies_write && file_.IsLockedByOther(kHasWrite, 1, true));
  if (conflict) file_.Unlock(kHasRead, 4);
  return !conflict;
}

bool Table::KeepDamagedOriginals(std::string* why) {
  if (repair_.repaired()) return true;
  const std::string base = FreeDamagedBase(path_);
  const std::string memo = MemoPathOf(path_);
  const bool with_memo = schema_.has_memo() && FileExists(memo);
  if (!CopyFile(path_, base + kTableExtension) ||
      (with_memo && !CopyFile(memo, base + kMemoExtension))) {
    RemoveFile(base + kTableExtension);
    RemoveFile(base + kMemoExtension);
    return Fail(why, "damaged table cannot be copied before its repair");
  }
  repair_.copy_path = base + kTableExtension;
  return true;
}

bool Table::StillAtPath() const {
  struct stat at_path, open;
  return ::stat(path_.c_str(), &at_path) == 0 &&
         ::fstat(file_.fd(), &open) == 0 && at_path.st_dev == open.st_dev &&
         at_path.st_ino == open.st_ino;
}

bool Table::OpenFiles(const std::string& path, const OpenOptions& options,
                      std::string* why) {
  path_ = path;
  options_ = options;
  read_only_ = options.read_only;
  if (!file_.Open(path, read_only_)) return Fail(why, "file cannot be opened");
  if (!TakeShareLocks(options)) {
    NoteFileBusy();
    return Fail(why, "file is in use by another program");
  }

  std::string fixed(fmt::kFixedHeaderSize, '\0');
  if (!file_.ReadAt(0, fixed.data(), fixed.size()))
    return Fail(why, "file shorter than its header");
  std::int64_t header_length = Schema::HeaderLengthOf(fixed);
  if (header_length < 0 || header_length > file_.Size()) {
    // Decode names the problem: magic, version, counts or field count.
    Schema::Decode(fixed, &schema_, why);
    return false;
  }
  std::string header(static_cast<std::size_t>(header_length), '\0');
  if (!file_.ReadAt(0, header.data(), header.size()))
    return Fail(why, "header cannot be read");
  if (!Schema::Decode(header, &schema_, why)) return false;
  version_ = GetI32(header.data() + fmt::kVersionOffset);
  created_ = GetF64(header.data() + fmt::kCreatedOffset);

  // Drop a record cut short by a crash; another writer's append in flight
  // holds this lock, so its record is never mistaken for one.
  RegionLock lock(&file_, fmt::kCountOffset, 1, !read_only_);
  if (!lock.ok()) return Fail(why, "file is in use by another program");
  std::int32_t count, next_id;
  if (!ReadCounts(&count, &next_id)) return Fail(why, "counts cannot be read");
  const std::int64_t size = file_.Size();
  const std::int64_t whole = (size - header_length) / schema_.record_length();
  if (whole < count) {
    if (read_only_)
      return Fail(why, "header counts " + std::to_string(count) +
                           " records, the file holds " + std::to_string(whole));
    // Counted records are gone: damage, not an append cut short.
    repair_.records_lost = count - static_cast<std::int32_t>(whole);
  }
  // The memo file is checked (and its own damage copied) before the main file
  // changes: a table that fails to open keeps its files as they were.
  if (schema_.has_memo()) {
    memo_ = std::make_unique<MemoFile>();
    const auto before_repair = [this, why](std::int32_t blocks_lost) {
      repair_.memo_blocks_lost = blocks_lost;
      return KeepDamagedOriginals(why);
    };
    if (!memo_->Open(MemoPathOf(path), read_only_, version_, &file_, why,
                     before_repair))
      return false;
  }
  if (repair_.records_lost > 0) {
    if (!KeepDamagedOriginals(why)) return false;
    count = static_cast<std::int32_t>(whole);
    char b[4];
    PutI32(b, count);
    if (!file_.WriteAt(fmt::kCountOffset, b, 4))
      return Fail(why, "repair cannot be written");
  }
  if (!read_only_ && size != RecordOffset(count) &&
      !file_.Truncate(RecordOffset(count)))
    return Fail(why, "repair cannot be written");
  known_count_ = count;
  held_records_ = count;
  cursor_ = 0;
  return true;
}

std::unique_ptr<Table> Table::Create(const std::string& path,
                                     const Schema& schema, std::string* why) {
  if (schema.field_count() == 0) {
    Fail(why, "a table needs at least one field");
    return nullptr;
  }
  std::string header;
  if (!schema.EncodeHeader(0, &header, why)) return nullptr;
  // A table without records: WriteTable only needs the schema.
  Table proto;
  proto.schema_ = schema;
  if (!proto.WriteTable(path, schema.AllIndices(),
                        [](const auto&) { return true; })) {
    Fail(why, "file cannot be written");
    return nullptr;
  }
  return Open(path, OpenOptions{}, why);
}

bool Table::ReadCounts(std::int32_t* count, std::int32_t* next_id) {
  char b[8];
  if (!file_.ReadAt(fmt::kCountOffset, b, sizeof b)) return false;
  *count = GetI32(b);
  *next_id = GetI32(b + 4);
  return *count >= 0;
}

int Table::RecordCount() {
  RegionLock lock(&file_, fmt::kCountOffset, 1, false, whole_locked_);
  std::int32_t count, next_id;
  if (!lock.ok() || !ReadCounts(&count, &next_id)) return 0;
  // Never trust a count the file cannot hold (the count is damaged, or
  // another program cut the file). The file's size is asked for again only
  // when the count goes past the records it held when last asked: no writer
  // of ours leaves a count above what the file holds, and a record read
  // past the end of a file cut by someone else fails on its own.
  if (count > held_records_) {
    held_records_ = std::max<std::int64_t>(
        0, (file_.Size() - schema_.header_length()) / schema_.record_length());
  }
  return static_cast<int>(std::min<std::int64_t>(held_records_, count));
}

bool Table::ReopenMain() {
  PosixFile fresh;
  if (!fresh.Open(path_, false)) return false;
  std::swap(file_, fresh);
  held_records_ = 0;
  const bool locked = TakeShareLocks(options_);
  // The old descriptor goes with its locks; its close frees the blocks of
  // the replaced file.
  CloseInBackground(std::move(fresh));
  return locked;
}

bool Table::ReopenFiles() {
  // The closes free the replaced files' blocks, which need not be waited for.
  CloseInBackground(std::move(file_));
  if (memo_) CloseInBackground(std::move(memo_->file()));
  memo_.reset();
  repair_ = RepairReport{};
  Invalidate();
  return OpenFiles(path_, options_, nullptr);
}

bool Table::WriteCounts(std::int32_t count, std::int32_t next_id) {
  char b[8];
  PutI32(b, count);
  PutI32(b + 4, next_id);
  return file_.WriteAt(fmt::kCountOffset, b, sizeof b);
}

bool Table::Flush(bool memo_too) {
  if (!DurableWrites()) return true;
  return file_.Sync() && (!memo_too || !memo_ || memo_->file().Sync());
}

int Table::RecordsPerBlock() const {
  return std::max(1, fmt::kBulkBytes / schema_.record_length());
}

bool Table::First() { return GoTo(1); }

bool Table::GoTo(int record_number) {
  Invalidate();
  std::int64_t k = std::int64_t{record_number} - 1;
  // The count is read again only for a record past the count last seen:
  // records are added at the end only. A table that another process emptied
  // or cut since leaves the cursor on no record, so reads and writes there
  // fail instead of meeting another record.
  if (k < 0 || k >= known_count_) known_count_ = RecordCount();
  cursor_ = static_cast<int>(
      std::clamp<std::int64_t>(k, 0, std::max(0, known_count_ - 1)));
  return true;
}

bool Table::Skip(int n) {
  if (n == 0) return true;
  known_count_ = RecordCount();
  if (known_count_ == 0) return false;
  Invalidate();
  if (n > 0) {
    if (cursor_ >= known_count_) return false;
    cursor_ = static_cast<int>(
        std::min<std::int64_t>(std::int64_t{cursor_} + n, known_count_));
  } else {
    if (cursor_ < 0) return false;
    cursor_ =
        static_cast<int>(std::max<std::int64_t>(std::int64_t{cursor_} + n, -1));
  }
  return true;
}

bool Table::LoadCurrent() {
  if (current_) return true;
  if (cursor_ < 0 || cursor_ >= known_count_) return false;
  record_.resize(static_cast<std::size_t>(schema_.record_length()));
  if (!file_.ReadAt(RecordOffset(cursor_), record_.data(), record_.size()))
    return false;
  current_ = record_.data();
  return true;
}

void Table::Present(int index, const char* record) {
  cursor_ = index;
  current_ = record;
}

bool Table::ReadId(std::int32_t* id) {
  if (!LoadCurrent()) return false;
  *id = GetI32(current_);
  return true;
}

bool Table::Read(int field, Value* out) {
  return LoadCurrent() && ReadFrom(current_, field, out);
}

bool Table::ReadFrom(const char* record, int field, Value* out) {
  if (field < 0 || field >= schema_.field_count()) return false;
  const FieldDef& f = schema_.field(field);
  if (!IsMemoType(f.type)) {
    *out = DecodeField(f, record);
    return true;
  }
  std::int32_t first = GetI32(record + f.offset);
  std::string bytes;
  if (first != 0 && (!memo_ || !memo_->ReadChain(first, &bytes))) return false;
  *out = DecodeMemo(f, std::move(bytes));
  return true;
}

bool Table::ReadTextFrom(const char* record, int field, std::string* out) {
  if (field < 0 || field >= schema_.field_count()) return false;
  const FieldDef& f = schema_.field(field);
  if (f.type == fmt::kText) {
    GbkToUtf8(TextFieldBytes(f, record), out);
    return true;
  }
  Value value;
  if (!ReadFrom(record, field, &value)) return false;
  *out = std::move(value).ToText();
  return true;
}

bool Table::Write(int field, const Value& value) {
  if (read_only_ || field < 0 || field >= schema_.field_count() ||
      !LoadCurrent())
    return false;
  const FieldDef& f = schema_.field(field);
  if (current_ != record_.data()) record_.assign(current_, record_.size());
  std::int64_t at = RecordOffset(cursor_);
  if (IsMemoType(f.type)) {
    std::string bytes;
    return memo_ && EncodeMemo(f, value, &bytes) && ChangeMemo(f, bytes, true);
  }
  std::string copy = record_;
  if (!EncodeField(f, value, copy.data())) return false;
  RegionLock lock(&file_, at, 1, true, SkipsLockAt(at));
  if (!lock.ok() || !StillAtPath() ||
      !file_.WriteAt(at + f.offset, copy.data() + f.offset,
                     static_cast<std::size_t>(FieldSize(f.type, f.width))))
    return false;
  record_.swap(copy);
  current_ = record_.data();
  return Flush(false);
}

// The record is read again under its lock: another opener may have written
// fields between ours since this one was loaded, and the span written here
// covers them.
bool Table::WriteFields(const std::vector<std::pair<int, Value>>& values) {
  if (read_only_ || cursor_ < 0 || cursor_ >= known_count_) return false;
  for (const auto& [field, value] : values) {
    if (field < 0 || field >= schema_.field_count() ||
        IsMemoType(schema_.field(field).type))
      return false;
  }
  const std::int64_t at = RecordOffset(cursor_);
  std::string before(static_cast<std::size_t>(schema_.record_length()), '\0');
  RegionLock lock(&file_, at, 1, true, SkipsLockAt(at));
  if (!lock.ok() || !StillAtPath() ||
      !file_.ReadAt(at, before.data(), before.size()))
    return false;
  std::string after = before;
  for (const auto& [field, value] : values) {
    if (!EncodeField(schema_.field(field), value, after.data(), false))
      return false;
  }
  const auto first = std::mismatch(before.begin(), before.end(), after.begin());
  if (first.first != before.end()) {
    const auto last =
        std::mismatch(before.rbegin(), before.rend(), after.rbegin());
    const std::size_t from = first.first - before.begin();
    const std::size_t to = before.size() - (last.first - before.rbegin());
    if (!file_.WriteAt(at + static_cast<std::int64_t>(from),
                       after.data() + from, to - from))
      return false;
  }
  record_ = std::move(after);
  current_ = record_.data();
  return Flush(false);
}

bool Table::UpdateCurrent(const std::function<bool()>& change) {
  if (read_only_ || cursor_ < 0 || cursor_ >= known_count_ ||
      locked_record_ >= 0)
    return false;
  const std::int64_t at = RecordOffset(cursor_);
  RegionLock lock(&file_, at, 1, true, whole_locked_);
  if (!lock.ok() || !StillAtPath()) return false;
  Invalidate();
  if (!LoadCurrent()) return false;
  locked_record_ = at;
  const bool ok = change();
  locked_record_ = -1;
  return ok;
}

// The record itself need not be read: the memo reference is read under the
// record's lock anyway.
bool Table::AppendMemo(int field, const Value& text) {
  if (read_only_ || field < 0 || field >= schema_.field_count() ||
      cursor_ < 0 || cursor_ >= known_count_)
    return false;
  const FieldDef& f = schema_.field(field);
  std::string bytes;
  return IsMemoType(f.type) && memo_ && EncodeMemo(f, text, &bytes) &&
         ChangeMemo(f, bytes, false);
}

// Replacing links the new chain first and then releases the old one, so a
// crash in between can only leak blocks.
bool Table::ChangeMemo(const FieldDef& f, std::string_view bytes,
                       bool replace) {
  const std::int64_t at = RecordOffset(cursor_) + f.offset;
  RegionLock lock(&file_, RecordOffset(cursor_), 1, true,
                  SkipsLockAt(RecordOffset(cursor_)));
  char b[4];
  // Read the reference under the lock: another writer may have started the
  // chain since the record in memory was read.
  if (!lock.ok() || !StillAtPath() || !file_.ReadAt(at, b, 4)) return false;
  const std::int32_t old_first = GetI32(b);
  std::int32_t first = replace ? 0 : old_first;
  const MemoFile::NewChainLink link{at, [&](std::int32_t block) {
                                      PutI32(b, block);
                                      return file_.WriteAt(at, b, 4);
                                    }};
  if (replace && bytes.empty()) {
    if (!link.write(0)) return false;
  } else if (!memo_->Append(&first, bytes, link)) {
    return false;
  }
  if (current_ != nullptr) {
    if (current_ != record_.data()) record_.assign(current_, record_.size());
    PutI32(record_.data() + f.offset, first);
    current_ = record_.data();
  }
  if (replace && old_first != 0) memo_->Release({old_first});
  // The text and its link are on the disk already (MemoFile::Append); what
  // is left is a released chain and the main file where the value was
  // replaced.
  if (!DurableWrites() || !replace) return true;
  return (old_first == 0 || memo_->file().Sync()) && file_.Sync();
}

bool Table::Append(const std::vector<Value>& values) {
  return AppendUnless(values, 0, nullptr, nullptr);
}

bool Table::AppendUnless(const std::vector<Value>& values, int first,
                         const RecordCondition& exists, bool* appended) {
  if (appended) *appended = false;
  if (read_only_) return false;
  std::string rec(static_cast<std::size_t>(schema_.record_length()), '\0');
  std::vector<int> memo_fields;
  std::size_t n = std::min<std::size_t>(values.size(), schema_.field_count());
  for (std::size_t i = 0; i < n; ++i) {
    const FieldDef& f = schema_.field(static_cast<int>(i));
    if (values[i].empty()) continue;
    if (IsMemoType(f.type)) {
      std::string probe;
      if (!EncodeMemo(f, values[i], &probe)) return false;
      if (!probe.empty()) memo_fields.push_back(static_cast<int>(i));
    } else if (!EncodeField(f, values[i], rec.data())) {
      return false;
    }
  }
  std::int32_t count, next_id;
  {
    RegionLock lock(&file_, fmt::kCountOffset, 1, true, whole_locked_);
    if (!lock.ok() || !StillAtPath() || !ReadCounts(&count, &next_id))
      return false;
    // The records added since the caller's search, read without the count
    // lock again (taking it shared would give up the one held).
    const int from = std::clamp(first, 0, count);
    bool found = false;
    const bool read = ForEachRecordIn(from, exists ? count - from : 0,
                                      [&](int index, const char* record) {
                                        Present(index, record);
                                        if (!exists()) return true;
                                        record_.assign(record, rec.size());
                                        Present(index, record_.data());
                                        found = true;
                                        return false;
                                      });
    if (found) {
      known_count_ = count;
      return true;
    }
    Invalidate();
    if (!read) return false;
    if (next_id <= 0) next_id = 1;
    if (count == INT32_MAX || next_id == INT32_MAX) return false;
    PutI32(rec.data(), next_id);
    // The record first, then the counts: until the counts are written the
    // record is not part of the table, and an open drops it. The record is
    // on the disk before the counts are written, so that a power cut never
    // leaves counts that take in a record that is not there.
    if (!file_.WriteAt(RecordOffset(count), rec) ||
        (DurableWrites() && !file_.Sync()) ||
        !WriteCounts(count + 1, next_id + 1))
      return false;
  }
  if (appended) *appended = true;
  known_count_ = count + 1;
  cursor_ = count;
  record_ = std::move(rec);
  current_ = record_.data();
  // Memo values go into the committed record, each as its own safe write.
  // One that cannot be written (a full disk) takes the record back: an
  // append is made whole or not at all.
  for (int i : memo_fields) {
    if (!AppendMemo(i, values[static_cast<std::size_t>(i)])) {
      TakeBackAppend(count);
      return false;
    }
  }
  return memo_fields.empty() ? Flush(false) : true;
}

bool Table::TakeBackAppend(std::int32_t index) {
  Invalidate();
  std::string rec(static_cast<std::size_t>(schema_.record_length()), '\0');
  {
    RegionLock lock(&file_, fmt::kCountOffset, 1, true, whole_locked_);
    std::int32_t count, next_id;
    if (!lock.ok() || !StillAtPath() || !ReadCounts(&count, &next_id) ||
        count != index + 1 ||
        !file_.ReadAt(RecordOffset(index), rec.data(), rec.size()) ||
        !WriteCounts(index, next_id) || !file_.Truncate(RecordOffset(index)))
      return false;
  }
  known_count_ = index;
  held_records_ = index;
  cursor_ = std::max(0, index - 1);
  // The chains of its memo values written so far go back to the free list.
  std::vector<std::int32_t> chains;
  AppendMemoChains(schema_, rec.data(), &chains);
  return (chains.empty() || memo_->Release(chains)) && Flush(true);
}

bool Table::Find(const RecordCondition& condition) {
  int saved = cursor_;
  known_count_ = RecordCount();
  int per_block = RecordsPerBlock();
  std::string block;
  for (int start = std::max(cursor_, 0); start < known_count_;
       start += per_block) {
    int n = std::min(per_block, known_count_ - start);
    block.resize(static_cast<std::size_t>(n) * schema_.record_length());
    if (!file_.ReadAt(RecordOffset(start), block.data(), block.size())) break;
    for (int i = 0; i < n; ++i) {
      const char* rec = block.data() + std::size_t(i) * schema_.record_length();
      Present(start + i, rec);
      if (condition && condition()) {
        record_.assign(rec, static_cast<std::size_t>(schema_.record_length()));
        Present(start + i, record_.data());
        return true;
      }
    }
  }
  cursor_ = saved;
  Invalidate();
  return false;
}

bool Table::DeleteCurrent() {
  if (read_only_ || !LoadCurrent()) return false;
  if (current_ != record_.data()) record_.assign(current_, record_.size());
  std::int64_t at = RecordOffset(cursor_);
  RegionLock lock(&file_, at, 1, true, SkipsLockAt(at));
  char b[4];
  if (!lock.ok() || !StillAtPath() || !file_.ReadAt(at, b, 4)) return false;
  std::int32_t id = GetI32(b);
  if (id > 0) {
    PutI32(b, -id);
    if (!file_.WriteAt(at, b, 4)) return false;
  }
  std::memcpy(record_.data(), b, 4);
  current_ = record_.data();
  return Flush(false);
}

bool Table::ForEachRecord(
    const std::function<bool(int index, const char* record)>& visit) {
  return ForEachRecordIn(0, RecordCount(), visit);
}

bool Table::ForEachRecordIn(
    int first, int count,
    const std::function<bool(int index, const char* record)>& visit) {
  const int per_block = RecordsPerBlock();
  const int end = first + count;
  std::string block;
  for (int start = first; start < end; start += per_block) {
    int n = std::min(per_block, end - start);
    block.resize(static_cast<std::size_t>(n) * schema_.record_length());
    if (!file_.ReadAt(RecordOffset(start), block.data(), block.size()))
      return false;
    for (int i = 0; i < n; ++i) {
      if (!visit(start + i,
                 block.data() + std::size_t(i) * schema_.record_length()))
        return false;
    }
  }
  return true;
}

}  // namespace matslip
