#pragma once
// A file descriptor with whole-buffer positioned reads and writes, and the
// byte-range locks the engine takes. Locks are open-file-description locks
// (F_OFD_SETLK): they belong to this descriptor, so closing another
// descriptor of the same file never drops them, and they conflict between
// two descriptors of one process just as between two processes.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/byte_order.h"

namespace matslip {

class PosixFile {
 public:
  PosixFile() = default;
  ~PosixFile();
  PosixFile(PosixFile&& other) noexcept;
  PosixFile& operator=(PosixFile&& other) noexcept;
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  // Opens an existing file; read-write unless `read_only`. False, errno
  // set, when it fails or `path` names no file (a folder: EISDIR).
  bool Open(const std::string& path, bool read_only);
  // Creates (or truncates) a file for reading and writing.
  bool Create(const std::string& path);
  void Close();
  bool is_open() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  // Reads exactly `size` bytes at `offset`; false on error or short read.
  bool ReadAt(std::int64_t offset, void* buf, std::size_t size) const;
  // Reads up to `size` bytes; the count read, -1 on error.
  std::int64_t ReadUpTo(std::int64_t offset, void* buf, std::size_t size) const;
  bool WriteAt(std::int64_t offset, const void* buf, std::size_t size);
  bool WriteAt(std::int64_t offset, std::string_view bytes) {
    return WriteAt(offset, bytes.data(), bytes.size());
  }
  std::int64_t Size() const;  // -1 on error
  bool Truncate(std::int64_t size);
  bool Sync();

  // Byte-range locks; `Lock` waits for a conflicting lock to go, at most
  // LockWaitLimit(), then fails (and a BusyWatch sees it). A length of 0
  // means "to the end of the lockable data region" (all of the file's bytes,
  // but not the share-mode marker bytes).
  bool Lock(std::int64_t offset, std::int64_t length, bool exclusive);
  bool Unlock(std::int64_t offset, std::int64_t length);
  // True when another descriptor holds a lock that would conflict with an
  // exclusive (or shared) lock of ours on the range.
  bool IsLockedByOther(std::int64_t offset, std::int64_t length,
                       bool exclusive) const;

 private:
  int fd_ = -1;
};

// How long a lock waits for another holder (another window of the program,
// another PC, another program) before the step gives up: a few seconds.
void SetLockWaitLimit(std::chrono::milliseconds limit);
std::chrono::milliseconds LockWaitLimit();

// Waits, at most LockWaitLimit(), for `try_lock` to take a lock: it answers
// 0 when taken, EAGAIN (or EWOULDBLOCK, EACCES) while another holds it, and
// another errno when it fails otherwise. False, errno set, when it failed
// or the wait ran out; a wait that ran out is seen by a BusyWatch.
bool WaitForLock(const std::function<int()>& try_lock);

// Tells whether a step of this thread met a file that another opener holds:
// a lock wait that ran out, or an open refused by another opener's share
// mode, since the watch was made. So a caller can say "in use, try again"
// rather than "damaged".
class BusyWatch {
 public:
  BusyWatch();
  bool busy() const;

 private:
  std::uint64_t start_;
};
// Counts a refusal of the kind BusyWatch reports.
void NoteFileBusy();

// Copies `length` bytes of `from` at `from_at` to `to` at `to_at`, in the
// kernel where it can (the bytes need not pass through this process);
// false on an error or when `from` ends before.
bool CopyRange(const PosixFile& from, std::int64_t from_at, PosixFile* to,
               std::int64_t to_at, std::int64_t length);

// Closes `file` on a thread of its own and returns at once: the last close of
// a file that has been replaced frees its blocks, which the caller need not
// wait for. Closes it here when no thread can be started.
void CloseInBackground(PosixFile file);

// Bytes written one after another into a file from a starting offset,
// gathered into pieces of at most about `piece` bytes, so that records go
// out in a few large writes.
class PieceWriter {
 public:
  PieceWriter(PosixFile* file, std::int64_t at, std::size_t piece)
      : file_(file), at_(at), piece_(piece) {}
  // Room for `size` more bytes, zeroed; valid until the next call. Null when
  // a full piece could not be written.
  char* Next(std::size_t size);
  bool Append(std::string_view bytes);
  // Writes what is gathered.
  bool Flush();

 private:
  PosixFile* file_;
  std::int64_t at_;
  std::size_t piece_;
  std::string pending_;
};

// Holds a lock for a scope. A whole-file lock taken by a bulk operation makes
// the smaller locks inside it unnecessary: `Region` skips them then (taking
// and releasing them would punch holes into the whole-file lock).
class RegionLock {
 public:
  RegionLock(PosixFile* file, std::int64_t offset, std::int64_t length,
             bool exclusive, bool skip = false);
  ~RegionLock();
  RegionLock(const RegionLock&) = delete;
  RegionLock& operator=(const RegionLock&) = delete;
  bool ok() const { return ok_; }

 private:
  PosixFile* file_;
  std::int64_t offset_, length_;
  bool held_ = false;
  bool ok_ = true;
};

// Where the share-mode marker bytes of DbOpen live: far beyond any data, so
// no record or block lock ever touches them.
inline constexpr std::int64_t kShareLockBase = INT64_C(0x7FFFFFFF00000000);

}  // namespace matslip
