#include "store/table_pair.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <future>
#include <string_view>
#include <vector>

#include "base/files.h"
#include "store/durability.h"
#include "store/file_io.h"
#include "store/names.h"

namespace matslip {

namespace {

constexpr std::string_view kJournalMagic = "matslip table pair 2";
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

// A file by its identity, whatever its name: the new files are known by
// it, so that a completion can tell whether a name already holds the new
// file or still the old one.
struct FileId {
  std::uint64_t dev = 0, ino = 0;
  bool operator==(const FileId&) const = default;
};

bool IdOf(const std::string& path, FileId* id) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  *id = {static_cast<std::uint64_t>(st.st_dev),
         static_cast<std::uint64_t>(st.st_ino)};
  return true;
}

bool Holds(const std::string& path, const FileId& id) {
  FileId at;
  return IdOf(path, &at) && at == id;
}

std::string IdText(const FileId& id) {
  return std::to_string(id.dev) + ":" + std::to_string(id.ino);
}

bool ParseId(std::string_view text, FileId* id) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  auto number = [](std::string_view digits, std::uint64_t* out) {
    if (digits.empty() || digits.size() > 20) return false;
    *out = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return false;
      *out = *out * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
  };
  return number(text.substr(0, colon), &id->dev) &&
         number(text.substr(colon + 1), &id->ino);
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
  if (::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, target.c_str(),
                  RENAME_EXCHANGE) == 0)
    return true;
  return (errno == ENOENT || errno == EINVAL || errno == ENOSYS) &&
         RenameOver(tmp, target, false);
}

// `tmp` (identified by `id`) in place at `target` unless it is there
// already; what is left at `tmp` afterwards is the old file, or nothing.
bool Complete(const std::string& tmp, const std::string& target,
              const FileId& id) {
  if (Holds(target, id)) return true;
  return Holds(tmp, id) && PutInPlace(tmp, target);
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
  if (!IdOf(table_tmp, &j.table_id) ||
      (with_memo && !IdOf(memo_tmp, &j.memo_id)))
    return false;
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
      !PutInPlace(table_tmp, table) || !SyncFolderOf(table) ||
      !RemoveFile(journal) || !SyncFolderOf(table))
    return false;
  // The old files, now under the temporary names.
  RemoveFile(table_tmp);
  if (with_memo) RemoveFile(memo_tmp);
  return true;
}

namespace {

bool CopyWhole(const std::string& from, const std::string& to) {
  PosixFile in, out;
  std::int64_t size;
  return in.Open(from, true) && (size = in.Size()) >= 0 && out.Create(to) &&
         CopyRange(in, 0, &out, 0, size) && (!DurableWrites() || out.Sync());
}

}  // namespace

bool CopyTableFiles(const std::string& from, const std::string& to) {
  const std::string memo = MemoPathOf(from);
  if (!FileExists(memo)) return CopyWhole(from, to);
  // Both files at once, the memo file on a second thread: each copy waits
  // on the kernel, and there are two cores.
  std::future<bool> memo_copy =
      std::async(std::launch::async | std::launch::deferred,
                 [&memo, memo_to = MemoPathOf(to, false)] {
                   return CopyWhole(memo, memo_to);
                 });
  const bool table_copied = CopyWhole(from, to);
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
  const bool table_done = Holds(table, j.table_id);
  if (!table_done && !Holds(table_tmp, j.table_id)) {
    // The new table is nowhere: the journal is not about these files.
    return read_only || RemoveFile(journal) ||
           Fail(why, "stray replacement journal cannot be removed");
  }
  if (read_only && !(table_done && (!j.with_memo || Holds(memo, j.memo_id))))
    return Fail(why,
                "an interrupted replacement of the table waits to be "
                "completed by a writer");
  if (read_only) return true;  // in place; only the journal is left
  // The new files were complete before the journal was written; the memo
  // file goes first, as in ReplacePair.
  const bool ok =
      (j.with_memo
           ? Holds(memo, j.memo_id) || Complete(memo_tmp, memo, j.memo_id)
           : RemoveFile(memo)) &&
      Complete(table_tmp, table, j.table_id) && SyncFolderOf(table) &&
      RemoveFile(journal) && SyncFolderOf(table);
  if (!ok) return Fail(why, "interrupted replacement cannot be completed");
  RemoveFile(table_tmp);
  if (j.with_memo) RemoveFile(memo_tmp);
  return true;
}

}  // namespace matslip
