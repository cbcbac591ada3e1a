#include "store/table_pair.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <functional>
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
constexpr std::string_view kTemp = "temp ";
constexpr std::string_view kTempSuffix = ".new";
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

// Puts the journal written at `tmp` in place at `journal` unless a journal
// is there already (false, errno EEXIST). A link does it in one step; a
// folder whose file system has no links takes a rename that will not
// replace, or, where even that is missing, a rename after a look.
bool PlaceJournal(const std::string& tmp, const std::string& journal) {
  if (Fs().Link(tmp, journal) == 0) return true;
  if (errno == EEXIST) return false;
  if (Fs().RenameNoReplace(tmp, journal) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  if (FileExists(journal)) {
    errno = EEXIST;
    return false;
  }
  return Fs().Rename(tmp, journal) == 0;
}

// A token names its replacement's temporaries only: letters, digits, '-'.
bool ValidToken(std::string_view token) {
  if (token.empty() || token.size() > 80) return false;
  for (char c : token) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
          (c >= 'A' && c <= 'Z') || c == '-'))
      return false;
  }
  return true;
}

// The journal's text: a magic line, the table's file name and the memo
// file's, which is either replaced or (the new table has none) removed,
// each with the identity of its new file.
struct Journal {
  std::string table;
  std::string memo;
  bool with_memo = true;
  FileId table_id, memo_id;
  std::string token;  // of the temporaries' names (PairTempPath)

  std::string Encode() const {
    std::string text(kJournalMagic);
    text += '\n';
    text.append(kTable).append(IdText(table_id)) += ' ';
    text.append(table) += '\n';
    text.append(with_memo ? kWithMemo : kDropMemo).append(IdText(memo_id)) +=
        ' ';
    text.append(memo) += '\n';
    if (!token.empty()) text.append(kTemp).append(token) += '\n';
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
    // A journal of an older version has no "temp" line: its temporaries
    // had the one name for every replacement.
    token.clear();
    if (lines.size() == 4) {
      if (!lines[3].starts_with(kTemp)) return false;
      token = std::string(lines[3].substr(kTemp.size()));
      if (!ValidToken(token)) return false;
      lines.pop_back();
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

std::string PairTempPath(const std::string& path, const std::string& token) {
  return path + std::string(kTempSuffix) + (token.empty() ? "" : "-" + token);
}

std::string NewPairToken() {
  static std::atomic<unsigned> counter{0};
  char host[64] = {};
  if (::gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
  std::string token;
  for (const char* c = host; *c != '\0'; ++c) {
    if ((*c >= '0' && *c <= '9') || (*c >= 'a' && *c <= 'z') ||
        (*c >= 'A' && *c <= 'Z'))
      token += *c;
  }
  if (token.size() > 40) token.resize(40);
  return token + "-" + std::to_string(::getpid()) + "-" +
         std::to_string(counter++);
}

namespace {

// The temporaries of every replacement of `table` in its folder, whoever
// made them: the names of the table, its memo file and its journal with a
// temporary suffix. `owned_by` limits them to those whose token it accepts.
std::vector<std::string> TemporariesOf(
    const std::string& table,
    const std::function<bool(const std::string& token)>& owned_by) {
  std::vector<std::string> found;
  std::vector<std::string> prefixes;
  for (const std::string& path :
       {table, MemoPathOf(table, false), JournalPath(table)})
    prefixes.push_back(BaseName(path) + std::string(kTempSuffix));
  DIR* dir = ::opendir(DirName(table).c_str());
  if (dir == nullptr) return found;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    for (const std::string& prefix : prefixes) {
      if (!NamesEqual(name.substr(0, prefix.size()), prefix)) continue;
      const std::string rest = name.substr(prefix.size());
      const std::string token = rest.empty() ? rest : rest.substr(1);
      if ((rest.empty() || (rest[0] == '-' && ValidToken(token))) &&
          (!owned_by || owned_by(token)))
        found.push_back(DirName(table) + "/" + name);
      break;
    }
  }
  ::closedir(dir);
  return found;
}

}  // namespace

bool RemoveTableLeftovers(const std::string& table) {
  bool ok = true;
  for (const std::string& path : TemporariesOf(table, nullptr))
    ok = RemoveFile(path) && ok;
  for (const std::string& path :
       {JournalPath(table), table, MemoPathOf(table, false)})
    ok = RemoveFile(path) && ok;
  return ok;
}

namespace {

// Whether `token` names a process of this host that no longer runs: its
// temporaries are nobody's now.
class KilledHere {
 public:
  KilledHere() {
    const std::string mine = NewPairToken();
    host_ = mine.substr(0, mine.find('-') + 1);
  }
  bool operator()(const std::string& token) const {
    if (!token.starts_with(host_)) return false;
    const std::string rest = token.substr(host_.size());
    const pid_t pid = static_cast<pid_t>(std::atol(rest.c_str()));
    return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH;
  }

 private:
  std::string host_;
};

// Whether `name` is a table's, a memo file's or a journal's name of its
// own: what a temporary suffix follows.
bool PairFileName(std::string_view name) {
  constexpr std::string_view kEndings[] = {".mzk", ".edt", ".mzk.pair"};
  for (const std::string_view ending : kEndings) {
    if (name.size() > ending.size() &&
        NamesEqual(name.substr(name.size() - ending.size()), ending))
      return true;
  }
  return false;
}

}  // namespace

void RemoveStrayTemporaries(const std::string& table) {
  // A token names the host and the process that made the temporaries; the
  // one name of an older version's temporaries belongs to nobody now.
  const KilledHere killed;
  for (const std::string& path :
       TemporariesOf(table, [&killed](const std::string& token) {
         return token.empty() || killed(token);
       }))
    RemoveFile(path);
}

void RemoveStrayTemporariesIn(const std::string& folder) {
  const KilledHere killed;
  const std::string suffix = std::string(kTempSuffix) + "-";
  std::vector<std::string> stray;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    const std::size_t at = name.rfind(suffix);
    if (at == std::string_view::npos) continue;
    const std::string token(name.substr(at + suffix.size()));
    if (PairFileName(name.substr(0, at)) && ValidToken(token) && killed(token))
      stray.push_back(folder + "/" + std::string(name));
  }
  ::closedir(dir);
  for (const std::string& path : stray) RemoveFile(path);
}

bool PairJournalExists(const std::string& table) {
  return FileExists(JournalPath(table));
}

bool ReplacePair(const std::string& table, const std::string& memo,
                 bool with_memo, const std::string& token, bool* decided) {
  *decided = false;
  const std::string journal = JournalPath(table);
  const std::string journal_tmp = PairTempPath(journal, token);
  const std::string table_tmp = PairTempPath(table, token);
  const std::string memo_tmp = PairTempPath(memo, token);
  Journal j{BaseName(table), BaseName(memo), with_memo};
  j.token = token;
  if (!IdOf(table_tmp, false, &j.table_id) ||
      (with_memo &&
       (!IdOf(memo_tmp, true, &j.memo_id) || !(j.memo_id == j.table_id))))
    return false;
  if (!with_memo) j.memo_id = j.table_id;  // the line names no new file
  // The journal is locked before it appears under its name and stays locked
  // until it is gone: an opener that finds it waits for the renames. It is
  // linked in place, never renamed over another: while one replacement's
  // journal is there, another replacement of the table waits for it, so
  // only one at a time changes the names.
  PosixFile f;
  bool linked = false;
  if (f.Create(journal_tmp) && f.WriteAt(0, j.Encode()) &&
      (!DurableWrites() || f.Sync()) && f.Lock(0, 1, true)) {
    constexpr int kAttempts = 20;
    for (int attempt = 0; attempt < kAttempts && !linked; ++attempt) {
      linked = PlaceJournal(journal_tmp, journal);
      if (!linked &&
          (errno != EEXIST || !FinishPairReplacement(table, false, nullptr)))
        break;
    }
  }
  RemoveFile(journal_tmp);
  if (!linked || !SyncFolderOf(table)) {
    if (linked) RemoveFile(journal);
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
  const bool journal_gone = SyncFolderOf(table) && RemoveFile(journal);
  f.Close();
  if (journal_gone) {
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

// The whole-file lock of the table at a path, taken on the file the path
// names once the lock is held: a replacement may have put another file
// there while this one waited.
class TableLock {
 public:
  // True also when there is no table, or it is read-only (nobody books on
  // it then).
  bool Take(const std::string& table) {
    constexpr int kAttempts = 5;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      if (!file_.Open(table, false)) return !IsWritable(table);
      if (!file_.Lock(0, 0, true)) return false;
      struct stat open, at_path;
      if (::fstat(file_.fd(), &open) == 0 &&
          ::stat(table.c_str(), &at_path) == 0 &&
          open.st_dev == at_path.st_dev && open.st_ino == at_path.st_ino)
        return true;
      file_.Close();
    }
    return false;
  }

 private:
  PosixFile file_;
};

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
  const std::string token = NewPairToken();
  const std::string table_tmp = PairTempPath(table, token);
  const std::string memo_tmp = PairTempPath(memo, token);
  // The table in use stays locked while it is replaced: a booking of another
  // opener is either done before, or finds the new table at the path.
  TableLock held;
  const bool ok = held.Take(table) && MoveFile(new_table, table_tmp) &&
                  (!with_memo || MoveFile(new_memo, memo_tmp)) &&
                  ReplacePair(table, memo, with_memo, token, decided);
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
  if (!f.Open(journal, read_only)) {
    // Gone since it was seen: its replacement completed it. Whatever has
    // that name by now is another replacement's journal.
    if (errno == ENOENT) return true;
    return read_only || RemoveFile(journal) ||
           Fail(why, "stray replacement journal cannot be removed");
  }
  // Another process's replacement that outlasts the wait is left to it.
  if (!f.Lock(0, 1, !read_only))
    return Fail(why, "file is in use by another program");
  // Completed while this one waited when the name no longer leads to the
  // journal locked here (a killed replacement may have left a second name
  // of it, so it need not be unlinked): the name may hold the journal of a
  // replacement that goes on now, which is never removed from here.
  struct stat open, at_path;
  if (::fstat(f.fd(), &open) != 0) return Fail(why, "journal cannot be read");
  if (::stat(journal.c_str(), &at_path) != 0 || open.st_nlink == 0 ||
      open.st_dev != at_path.st_dev || open.st_ino != at_path.st_ino)
    return true;
  std::string text(kJournalMax + 1, '\0');
  const std::int64_t n = f.ReadUpTo(0, text.data(), text.size());
  Journal j;
  if (n < 0 || n > static_cast<std::int64_t>(kJournalMax) ||
      !j.Decode(std::string_view(text.data(), static_cast<std::size_t>(n)),
                table)) {
    return read_only || RemoveFile(journal) ||
           Fail(why, "stray replacement journal cannot be removed");
  }
  const std::string table_tmp = PairTempPath(table, j.token);
  const std::string memo = DirName(table) + "/" + j.memo;
  const std::string memo_tmp = PairTempPath(memo, j.token);
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
