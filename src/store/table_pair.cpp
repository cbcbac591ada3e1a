#include "store/table_pair.h"

#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <future>
#include <mutex>
#include <random>
#include <string_view>
#include <vector>

#include "base/file_system.h"
#include "base/files.h"
#include "store/durability.h"
#include "store/file_io.h"
#include "store/format.h"
#include "store/names.h"

namespace matslip {

namespace {

constexpr std::string_view kJournalMagic = "matslip table pair 3";
constexpr std::string_view kWithMemo = "memo ";
constexpr std::string_view kDropMemo = "drop ";
constexpr std::string_view kTable = "table ";
// A journal names two files; anything longer is not one of ours.
constexpr std::size_t kJournalMax = 4096;

bool Fail(std::string* why, const char* reason) {
  if (why) *why = reason;
  return false;
}

std::string JournalPath(const std::string& table) { return table + ".pair"; }

bool SyncFolderOf(const std::string& path) {
  return !DurableWrites() || SyncDirectoryOf(path);
}

bool PlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

// The pair id a file carries (fmt::kPairIdOffset in a table's header,
// fmt::kMemoPairIdOffset in a memo file's): the new files are known by it,
// so that a completion can tell whether a name already holds the new file
// or still the old one, on whatever PC and in whatever copy of the folder.
struct FileId {
  std::uint64_t pair = 0;
  bool operator==(const FileId&) const = default;
};

bool IdOf(const std::string& path, bool memo, FileId* id) {
  PosixFile f;
  char b[8];
  if (!f.Open(path, true) ||
      !f.ReadAt(memo ? fmt::kMemoPairIdOffset : fmt::kPairIdOffset, b, 8))
    return false;
  id->pair = static_cast<std::uint64_t>(GetI64(b));
  return id->pair != 0;
}

bool Holds(const std::string& path, bool memo, const FileId& id) {
  FileId at;
  return IdOf(path, memo, &at) && at == id;
}

std::string IdText(const FileId& id) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx",
                static_cast<unsigned long long>(id.pair));
  return text;
}

bool ParseId(std::string_view text, FileId* id) {
  if (text.size() != 16) return false;
  id->pair = 0;
  for (char c : text) {
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                             : -1;
    if (digit < 0) return false;
    id->pair = id->pair << 4 | static_cast<std::uint64_t>(digit);
  }
  return id->pair != 0;
}

// Puts the new file `tmp` at `target` by swapping the two names in one
// step, so the old file ends up under the temporary name. Renaming over an
// existing file would make the file system write the new file's data out
// before it returns (its guard for programs that never flush), which costs
// about as much as writing the whole table again. Plain rename where the
// target is missing or the file system cannot swap.
bool PutInPlace(const std::string& tmp, const std::string& target) {
  // Only a file is swapped out; anything else in the way fails the rename.
  struct stat st;
  if (::lstat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return false;
  if (Fs().Exchange(tmp, target) == 0) return true;
  return (errno == ENOENT || errno == EINVAL || errno == ENOSYS) &&
         RenameOver(tmp, target, false);
}

// `tmp` (identified by `id`) in place at `target` unless it is there
// already; what is left at `tmp` afterwards is the old file, or nothing.
bool Complete(const std::string& tmp, const std::string& target, bool memo,
              const FileId& id) {
  if (Holds(target, memo, id)) return true;
  return Holds(tmp, memo, id) && PutInPlace(tmp, target);
}

// The journal's text: a magic line, the table's file name and the memo
// file's, which is either replaced or (the new table has none) removed,
// each with the identity of its new file.
struct Journal {
  std::string table;
  std::string memo;
  bool with_memo = true;
  FileId table_id, memo_id;

  std::string Encode() const {
    std::string text(kJournalMagic);
    text += '\n';
    text.append(kTable).append(IdText(table_id)) += ' ';
    text.append(table) += '\n';
    text.append(with_memo ? kWithMemo : kDropMemo).append(IdText(memo_id)) +=
        ' ';
    text.append(memo) += '\n';
    return text;
  }

  // False for anything a replacement of `table_path` does not write: the
  // names must be the table's own and its memo file's, in its folder.
  bool Decode(std::string_view text, const std::string& table_path) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
      const std::size_t end = text.find('\n');
      if (end == std::string_view::npos) return false;
      lines.push_back(text.substr(0, end));
      text.remove_prefix(end + 1);
    }
    if (lines.size() != 3 || lines[0] != kJournalMagic ||
        !lines[1].starts_with(kTable))
      return false;
    with_memo = lines[2].starts_with(kWithMemo);
    if (!with_memo && !lines[2].starts_with(kDropMemo)) return false;
    // "<identity> <name>"
    auto split = [](std::string_view line, FileId* id, std::string* name) {
      const std::size_t space = line.find(' ');
      if (space == std::string_view::npos) return false;
      *name = std::string(line.substr(space + 1));
      return ParseId(line.substr(0, space), id);
    };
    if (!split(lines[1].substr(kTable.size()), &table_id, &table) ||
        !split(lines[2].substr(kWithMemo.size()), &memo_id, &memo))
      return false;
    return table == BaseName(table_path) && PlainName(memo) &&
           NamesEqual(memo, BaseName(MemoPathOf(table_path, false)));
  }
};

}  // namespace

std::uint64_t NewPairId() {
  static std::mutex mutex;
  static std::mt19937_64 random{std::random_device{}()};
  std::lock_guard lock(mutex);
  std::uint64_t id;
  do {
    id = random();
  } while (id == 0);
  return id;
}

std::string PairTempPath(const std::string& path) { return path + ".new"; }

bool RemoveTableLeftovers(const std::string& table) {
  const std::string memo = MemoPathOf(table, false);
  const std::string journal = JournalPath(table);
  bool ok = true;
  for (const std::string& path :
       {journal, PairTempPath(journal), PairTempPath(table), PairTempPath(memo),
        table, memo})
    ok = RemoveFile(path) && ok;
  return ok;
}

bool PairJournalExists(const std::string& table) {
  return FileExists(JournalPath(table));
}

bool ReplacePair(const std::string& table, const std::string& memo,
                 bool with_memo, bool* decided) {
  *decided = false;
  const std::string journal = JournalPath(table);
  const std::string journal_tmp = PairTempPath(journal);
  const std::string table_tmp = PairTempPath(table);
  const std::string memo_tmp = PairTempPath(memo);
  Journal j{BaseName(table), BaseName(memo), with_memo};
  if (!IdOf(table_tmp, false, &j.table_id) ||
      (with_memo &&
       (!IdOf(memo_tmp, true, &j.memo_id) || !(j.memo_id == j.table_id))))
    return false;
  if (!with_memo) j.memo_id = j.table_id;  // the line names no new file
  // The journal is locked before it appears under its name and stays locked
  // until it is gone: an opener that finds it waits for the renames.
  PosixFile f;
  if (!f.Create(journal_tmp) || !f.WriteAt(0, j.Encode()) ||
      (DurableWrites() && !f.Sync()) || !f.Lock(0, 1, true) ||
      !RenameOver(journal_tmp, journal, true)) {
    f.Close();
    RemoveFile(journal_tmp);
    return false;
  }
  *decided = true;
  if (!(with_memo ? PutInPlace(memo_tmp, memo) : RemoveFile(memo)) ||
      !PutInPlace(table_tmp, table))
    return false;
  // The new pair is in place: the change is made. Where the folder cannot
  // be flushed, the journal stays, and the next open makes sure of the
  // names. Its removal need not be flushed: a journal found again names
  // files in place already, and the next open just removes it.
  if (SyncFolderOf(table) && RemoveFile(journal)) {
    // The old files, now under the temporary names.
    RemoveFile(table_tmp);
    if (with_memo) RemoveFile(memo_tmp);
  }
  return true;
}

namespace {

// A whole file copied with the new pair id written at `id_at`.
bool CopyWhole(const std::string& from, const std::string& to,
               std::int64_t id_at, std::uint64_t pair_id) {
  PosixFile in, out;
  std::int64_t size;
  char id[8];
  PutI64(id, static_cast<std::int64_t>(pair_id));
  return in.Open(from, true) && (size = in.Size()) >= 0 && out.Create(to) &&
         CopyRange(in, 0, &out, 0, size) && out.WriteAt(id_at, id, 8) &&
         (!DurableWrites() || out.Sync());
}

}  // namespace

bool CopyTableFiles(const std::string& from, const std::string& to) {
  const std::string memo = MemoPathOf(from);
  const std::uint64_t pair_id = NewPairId();
  if (!FileExists(memo))
    return CopyWhole(from, to, fmt::kPairIdOffset, pair_id);
  // Both files at once, the memo file on a second thread: each copy waits
  // on the kernel, and there are two cores.
  std::future<bool> memo_copy = std::async(
      std::launch::async | std::launch::deferred,
      [&memo, memo_to = MemoPathOf(to, false), pair_id] {
        return CopyWhole(memo, memo_to, fmt::kMemoPairIdOffset, pair_id);
      });
  const bool table_copied = CopyWhole(from, to, fmt::kPairIdOffset, pair_id);
  return memo_copy.get() && table_copied;
}

bool ReplaceTableWith(const std::string& table, const std::string& new_table,
                      bool* decided) {
  *decided = false;
  const std::string memo = MemoPathOf(table);
  const std::string new_memo = MemoPathOf(new_table);
  const bool with_memo = FileExists(new_memo);
  const std::string table_tmp = PairTempPath(table);
  const std::string memo_tmp = PairTempPath(memo);
  const bool ok = MoveFile(new_table, table_tmp) &&
                  (!with_memo || MoveFile(new_memo, memo_tmp)) &&
                  ReplacePair(table, memo, with_memo, decided);
  if (!*decided) {
    RemoveFile(table_tmp);
    RemoveFile(memo_tmp);
    RemoveFile(new_table);
    RemoveFile(new_memo);
  }
  return ok;
}

bool FinishPairReplacement(const std::string& table, bool read_only,
                           std::string* why) {
  const std::string journal = JournalPath(table);
  if (!FileExists(journal)) return true;
  PosixFile f;
  struct stat st;
  if (!f.Open(journal, read_only) || !f.Lock(0, 1, !read_only) ||
      ::fstat(f.fd(), &st) != 0) {
    return read_only || RemoveFile(journal) ||
           Fail(why, "stray replacement journal cannot be removed");
  }
  if (st.st_nlink == 0) return true;  // completed while this one waited
  std::string text(kJournalMax + 1, '\0');
  const std::int64_t n = f.ReadUpTo(0, text.data(), text.size());
  Journal j;
  if (n < 0 || n > static_cast<std::int64_t>(kJournalMax) ||
      !j.Decode(std::string_view(text.data(), static_cast<std::size_t>(n)),
                table)) {
    return read_only || RemoveFile(journal) ||
           Fail(why, "stray replacement journal cannot be removed");
  }
  const std::string table_tmp = PairTempPath(table);
  const std::string memo = DirName(table) + "/" + j.memo;
  const std::string memo_tmp = PairTempPath(memo);
  const bool table_done = Holds(table, false, j.table_id);
  if (!table_done && !Holds(table_tmp, false, j.table_id)) {
    // The new table is nowhere: the journal is not about these files.
    return read_only || RemoveFile(journal) ||
           Fail(why, "stray replacement journal cannot be removed");
  }
  if (read_only &&
      !(table_done && (!j.with_memo || Holds(memo, true, j.memo_id))))
    return Fail(why,
                "an interrupted replacement of the table waits to be "
                "completed by a writer");
  if (read_only) return true;  // in place; only the journal is left
  // The new files were complete before the journal was written; the memo
  // file goes first, as in ReplacePair.
  const bool ok = (j.with_memo ? Complete(memo_tmp, memo, true, j.memo_id)
                               : RemoveFile(memo)) &&
                  Complete(table_tmp, table, false, j.table_id) &&
                  SyncFolderOf(table) && RemoveFile(journal) &&
                  SyncFolderOf(table);
  if (!ok) return Fail(why, "interrupted replacement cannot be completed");
  RemoveFile(table_tmp);
  if (j.with_memo) RemoveFile(memo_tmp);
  return true;
}

}  // namespace matslip
