#include "store/table_pair.h"

#include <sys/stat.h>

#include <string_view>
#include <vector>

#include "base/files.h"
#include "store/durability.h"
#include "store/file_io.h"
#include "store/names.h"

namespace matslip {

namespace {

constexpr std::string_view kJournalMagic = "matslip table pair 1";
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

// The journal's text: a magic line, the table's file name and the memo
// file's, which is either replaced or (the new table has none) removed.
struct Journal {
  std::string table;
  std::string memo;
  bool with_memo = true;

  std::string Encode() const {
    std::string text(kJournalMagic);
    text += '\n';
    text.append(kTable).append(table) += '\n';
    text.append(with_memo ? kWithMemo : kDropMemo).append(memo) += '\n';
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
    table = lines[1].substr(kTable.size());
    with_memo = lines[2].starts_with(kWithMemo);
    if (!with_memo && !lines[2].starts_with(kDropMemo)) return false;
    memo = lines[2].substr(kWithMemo.size());
    return table == BaseName(table_path) && PlainName(memo) &&
           NamesEqual(memo, BaseName(MemoPathOf(table_path, false)));
  }
};

}  // namespace

std::string PairTempPath(const std::string& path) { return path + ".new"; }

bool PairJournalExists(const std::string& table) {
  return FileExists(JournalPath(table));
}

bool ReplacePair(const std::string& table, const std::string& memo,
                 bool with_memo, bool* decided) {
  *decided = false;
  const std::string journal = JournalPath(table);
  const std::string journal_tmp = PairTempPath(journal);
  const Journal j{BaseName(table), BaseName(memo), with_memo};
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
  return (with_memo ? RenameOver(PairTempPath(memo), memo, false)
                    : RemoveFile(memo)) &&
         RenameOver(PairTempPath(table), table, true) && RemoveFile(journal) &&
         SyncFolderOf(table);
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
  if (!FileExists(table_tmp)) {
    // Both files were in place already: only the journal was left.
    return read_only || (RemoveFile(journal) && SyncFolderOf(table)) ||
           Fail(why, "replacement journal cannot be removed");
  }
  if (read_only)
    return Fail(why,
                "an interrupted replacement of the table waits to be "
                "completed by a writer");
  // The temporaries were complete before the journal was written.
  const std::string memo = DirName(table) + "/" + j.memo;
  const std::string memo_tmp = PairTempPath(memo);
  const bool ok =
      (j.with_memo ? !FileExists(memo_tmp) || RenameOver(memo_tmp, memo, false)
                   : RemoveFile(memo)) &&
      RenameOver(table_tmp, table, true) && RemoveFile(journal) &&
      SyncFolderOf(table);
  return ok || Fail(why, "interrupted replacement cannot be completed");
}

}  // namespace matslip
