#include "stock/staging_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>
#include <string_view>
#include <utility>

#include "base/file_system.h"
#include "base/files.h"
#include "material/material_table.h"
#include "store/durability.h"
#include "store/file_io.h"
#include "store/names.h"
#include "store/table_pair.h"

namespace matslip {
namespace {

constexpr std::string_view kKeptSuffix = ".kept";

std::string KeptPath(const std::string& path) {
  return path + std::string(kKeptSuffix);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The backup folder's kept links left by a killed restore: a pair whose
// table link still names the table in use was linked before the table was
// replaced and goes; one that does not keeps the table the restore
// replaced, and is named as the backup it was meant to be.
void ClearKeptLinks(const std::string& program_dir) {
  const std::string folder = ProgramFilePath(program_dir, kTableBackupFolder);
  const std::string table = ProgramFilePath(program_dir, kMaterialFile);
  // A replacement the kill interrupted is completed first: until then the
  // table in use may still be the one the links keep.
  if (!FinishPairReplacement(table, false, nullptr)) return;
  std::set<std::string> backups;  // the backup paths the links are for
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string_view name = entry->d_name;
      if (name.size() <= kKeptSuffix.size() || !name.ends_with(kKeptSuffix))
        continue;
      std::string backup =
          folder + "/" +
          std::string(name.substr(0, name.size() - kKeptSuffix.size()));
      // A memo file's link stands for the table it belongs to.
      constexpr std::string_view kMemoEnd = kMemoExtension;
      if (backup.ends_with(kMemoEnd))
        backup.replace(backup.size() - kMemoEnd.size(), kMemoEnd.size(),
                       kTableExtension);
      backups.insert(std::move(backup));
    }
    ::closedir(dir);
  }
  for (const std::string& backup : backups) {
    const std::string kept = KeptPath(backup);
    const bool before_replacement =
        FileExists(kept)
            ? SameFile(kept, table)
            : SameFile(KeptPath(MemoPathOf(backup, false)), MemoPathOf(table));
    if (before_replacement)
      DropKeptTable(backup);
    else
      KeptTableDone(backup);
  }
}

}  // namespace

StagingScope::StagingScope(const std::string& program_dir) {
  fd_ = ::open(program_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  // Another restore or import may hold it: waited for as any lock is.
  if (!WaitForLock([this] {
        return ::flock(fd_, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
      })) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  // No other process stages here now: what is there was left by a killed one.
  RemoveTableLeftovers(ProgramFilePath(program_dir, kImportStagingFile));
  RemoveTableLeftovers(ProgramFilePath(program_dir, kRestoreCopyFile));
  ClearKeptLinks(program_dir);
  RemoveStrayTemporaries(ProgramFilePath(program_dir, kMaterialFile));
  // Those of the backups too: a booking writes one without looking at the
  // others in a folder that may hold a backup of every material.
  for (const char* folder :
       {kStockInBackupFolder, kStockOutBackupFolder, kTableBackupFolder})
    RemoveStrayTemporariesIn(ProgramFilePath(program_dir, folder));
}

StagingScope::~StagingScope() {
  if (fd_ >= 0) ::close(fd_);  // releases the lock
}

bool KeepTableAs(const std::string& table, const std::string& backup) {
  const std::string memo = MemoPathOf(table);
  const std::string backup_memo = MemoPathOf(backup, false);
  // The backup's names must be free, or hold files the renames may replace.
  for (const std::string& name : {backup, backup_memo}) {
    struct stat st;
    if (::lstat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return false;
  }
  const std::string kept = KeptPath(backup);
  const std::string kept_memo = KeptPath(backup_memo);
  RemoveFile(kept);
  RemoveFile(kept_memo);
  // The links must outlive a power cut that the replacement survives.
  if (Fs().Link(table, kept) == 0 &&
      (!FileExists(memo) || Fs().Link(memo, kept_memo) == 0) &&
      (!DurableWrites() || SyncDirectoryOf(kept)))
    return true;
  DropKeptTable(backup);
  return false;
}

bool KeptTableDone(const std::string& backup) {
  const std::string memo = MemoPathOf(backup, false);
  const std::string kept_memo = KeptPath(memo);
  // The memo file first, a backup of the same second out of the way before
  // it: a table named as a backup always has its own memo file beside it.
  // Done again after a kill, the steps already taken are skipped. No flush:
  // renames a power cut undoes leave the links, which the next StagingScope
  // names again.
  const bool memo_ok =
      !FileExists(kept_memo) ||
      (RemoveFile(backup) && Fs().Rename(kept_memo, memo) == 0);
  return memo_ok && Fs().Rename(KeptPath(backup), backup) == 0;
}

void DropKeptTable(const std::string& backup) {
  RemoveFile(KeptPath(backup));
  RemoveFile(KeptPath(MemoPathOf(backup, false)));
}

}  // namespace matslip
