#pragma once
// File systems for tests that stand between the program and the disk.
//
// PowerCutRecorder records every change the program makes under a folder
// and can rebuild, for any moment, what a power cut then may leave on the
// disk: data flushed (fdatasync/fsync) is kept; bytes written since the last
// flush of a file are kept as any prefix, in write order, of each 4 KiB page
// they touch, and a truncation since then is kept or not; a new name (a
// created file or folder, a rename, an exchange, a link, a removal) is kept
// only when every folder it changed was flushed after it.
//
// FaultyFileSystem makes flushes fail, runs out of disk space after a
// number of bytes, or refuses every change inside one folder (as a folder
// that is read-only; tests run as root, where permissions cannot).
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "base/file_system.h"

namespace matslip::testing {

class PowerCutRecorder : public FileSystem {
 public:
  // Takes the files and folders under `root` as they are now as the state
  // on the disk, all of it flushed.
  explicit PowerCutRecorder(const std::string& root);

  // The changes recorded so far: a power cut may come after any of them.
  int changes() const;
  // Writes into the new folder `out` what a power cut after the first
  // `changes` changes may leave. Variant 0 keeps nothing unflushed, 1 keeps
  // every write, others pick pages and truncations by `variant` as seed.
  bool Rebuild(int changes, std::uint64_t variant,
               const std::string& out) const;

  int Open(const std::string& path, int flags, int mode) override;
  int Close(int fd) override;
  std::int64_t WriteAt(int fd, const void* buf, std::size_t size,
                       std::int64_t offset) override;
  std::int64_t CopyRange(int from, std::int64_t* from_at, int to,
                         std::int64_t* to_at, std::size_t size) override;
  int Truncate(int fd, std::int64_t size) override;
  int Sync(int fd, bool data_only) override;
  int Rename(const std::string& from, const std::string& to) override;
  int RenameNoReplace(const std::string& from, const std::string& to) override;
  int Exchange(const std::string& a, const std::string& b) override;
  int Link(const std::string& from, const std::string& to) override;
  int Unlink(const std::string& path) override;
  int MakeDirectory(const std::string& path, int mode) override;
  int SyncDirectory(const std::string& folder) override;

 private:
  struct Change {
    enum Kind {
      kWrite,
      kTruncate,
      kSync,  // on `file`
      kCreate,
      kMakeDir,
      kRename,
      kExchange,
      kLink,
      kUnlink,  // names
      kSyncFolder
    } kind;
    int file = -1;
    std::int64_t at = 0;  // write offset, truncated size
    std::string bytes;    // written bytes
    std::string a, b;     // names, relative to the root ("" is the root)
  };
  // The names of the root's folder tree: file name -> file, and folders.
  struct Names {
    std::map<std::string, int> files;
    std::set<std::string> folders;
    void Apply(const Change& c);
  };
  // `path` relative to the root; false for a path outside it.
  bool Relative(const std::string& path, std::string* rel) const;
  void Record(Change c) { changes_.push_back(std::move(c)); }
  // Records a rename that was made (mutex_ held).
  void RecordRename(const std::string& from, const std::string& to);

  std::string root_;
  mutable std::mutex mutex_;
  Names at_start_, now_;
  std::vector<std::string> start_bytes_;  // by file
  int files_ = 0;
  std::map<int, int> open_;  // descriptor -> file
  std::vector<Change> changes_;
};

class FaultyFileSystem : public FileSystem {
 public:
  // Flushes of files and folders fail with EIO; with `fail_folder_syncs`
  // those of folders only.
  bool fail_syncs = false;
  bool fail_folder_syncs = false;
  // Files grow by at most this many more bytes, then writes past their end
  // fail with ENOSPC (negative: no limit); what fits of a write is written.
  // Writes over a file's bytes take no new space.
  std::int64_t space_left = -1;
  // Every change inside this folder (or below it) fails with EROFS.
  std::string read_only_folder;

  int Open(const std::string& path, int flags, int mode) override;
  std::int64_t WriteAt(int fd, const void* buf, std::size_t size,
                       std::int64_t offset) override;
  std::int64_t CopyRange(int from, std::int64_t* from_at, int to,
                         std::int64_t* to_at, std::size_t size) override;
  int Sync(int fd, bool data_only) override;
  int SyncDirectory(const std::string& folder) override;
  int Rename(const std::string& from, const std::string& to) override;
  int RenameNoReplace(const std::string& from, const std::string& to) override;
  int Exchange(const std::string& a, const std::string& b) override;
  int Link(const std::string& from, const std::string& to) override;
  int Unlink(const std::string& path) override;
  int MakeDirectory(const std::string& path, int mode) override;

 private:
  bool ReadOnly(const std::string& path) const;
};

// Puts a file system in use for a scope.
class FileSystemScope {
 public:
  explicit FileSystemScope(FileSystem* fs) : before_(SetFileSystem(fs)) {}
  ~FileSystemScope() { SetFileSystem(before_); }
  FileSystemScope(const FileSystemScope&) = delete;
  FileSystemScope& operator=(const FileSystemScope&) = delete;

 private:
  FileSystem* before_;
};

}  // namespace matslip::testing
