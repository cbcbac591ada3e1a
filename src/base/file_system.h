#pragma once
// The one place where the program's file operations meet the operating
// system (the store's Env). Every open, read, write, flush, rename, link,
// removal, truncation and folder creation of the engine and of the table
// changes goes through the FileSystem in use, so that a test can stand in
// between: one that records what would reach the disk before a power cut,
// or one that fails a flush, runs out of space or refuses to write into a
// folder. Each call reports as the POSIX call it stands for: -1 with errno
// set on failure. The base class is the operating system itself; a test's
// file system derives from it and calls through for what it does not change.
// Looking at a file (stat, directory listings) and file locks stay direct:
// they change nothing on the disk.
#include <cstddef>
#include <cstdint>
#include <string>

namespace matslip {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // open(2) (close-on-exec added), retried on EINTR.
  virtual int Open(const std::string& path, int flags, int mode);
  virtual int Close(int fd);
  // pread/pwrite: one call, the count done (short counts are the caller's).
  virtual std::int64_t ReadAt(int fd, void* buf, std::size_t size,
                              std::int64_t offset);
  virtual std::int64_t WriteAt(int fd, const void* buf, std::size_t size,
                               std::int64_t offset);
  // copy_file_range(2) between two positioned descriptors.
  virtual std::int64_t CopyRange(int from, std::int64_t* from_at, int to,
                                 std::int64_t* to_at, std::size_t size);
  virtual int Truncate(int fd, std::int64_t size);
  // fdatasync with `data_only`, else fsync.
  virtual int Sync(int fd, bool data_only);
  virtual int Rename(const std::string& from, const std::string& to);
  // A rename that fails with EEXIST where `to` exists (renameat2
  // RENAME_NOREPLACE); EINVAL where the file system cannot do that.
  virtual int RenameNoReplace(const std::string& from, const std::string& to);
  // Swaps two existing names in one step (renameat2 RENAME_EXCHANGE).
  virtual int Exchange(const std::string& a, const std::string& b);
  virtual int Link(const std::string& from, const std::string& to);
  virtual int Unlink(const std::string& path);
  virtual int MakeDirectory(const std::string& path, int mode);
  // Flushes the folder `folder` itself: its names as they are now.
  virtual int SyncDirectory(const std::string& folder);
};

// The file system in use: the operating system's unless a test set another.
FileSystem& Fs();
// Puts `fs` in use (null: the operating system's again) and returns the
// one it replaces. `fs` must outlive its use.
FileSystem* SetFileSystem(FileSystem* fs);

}  // namespace matslip
