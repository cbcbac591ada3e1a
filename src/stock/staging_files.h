#pragma once
// The files the import and the restore write beside the material table for
// the span of one operation. One process at a time stages in a program
// folder, and whatever a killed one left is cleared before the next begins.
#include <string>

namespace matslip {

// The import's new records, appended to the material table at once.
inline constexpr char kImportStagingFile[] = "电子表导入.mzk";
// The restored backup's copy while it is checked.
inline constexpr char kRestoreCopyFile[] = "data.restore.mzk";

// Holds the staging of `program_dir` for this process while it lives,
// waiting (within the lock wait limit) while another process holds it (the
// lock goes with a killed process), and clears what a killed one left: the
// staging tables, a restore's kept links (see KeepTableAs) and the
// temporaries of killed replacements of the material table and of the
// backups (per material and whole).
class StagingScope {
 public:
  explicit StagingScope(const std::string& program_dir);
  ~StagingScope();
  StagingScope(const StagingScope&) = delete;
  StagingScope& operator=(const StagingScope&) = delete;
  // False when the folder could not be held; nothing was cleared then.
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Keeps the table `table` and its memo file, as they are, under the backup
// path `backup` and its memo path, without copying a byte: both are linked
// under their backup names with a suffix first, then named as the backup by
// KeptTableDone once the table has been replaced. The links of a process
// killed in between are cleared by the next StagingScope: removed while they
// still name the table in use, named as the backup once they no longer do.
// False when the files cannot be linked (another file system, say) or the
// backup's names are taken by something that is no file; nothing is left
// then.
bool KeepTableAs(const std::string& table, const std::string& backup);
// The kept links named as the backup.
bool KeptTableDone(const std::string& backup);
// The kept links removed: the table was not replaced.
void DropKeptTable(const std::string& backup);

}  // namespace matslip
