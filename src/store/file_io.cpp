#include "store/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>
#include <utility>

#include "base/file_system.h"

namespace matslip {

namespace {

std::atomic<std::int64_t> lock_wait_limit_ms{3000};
// Lock waits of this thread that ran out, and open refusals.
thread_local std::uint64_t busy_events = 0;

}  // namespace

void SetLockWaitLimit(std::chrono::milliseconds limit) {
  lock_wait_limit_ms = limit.count();
}

std::chrono::milliseconds LockWaitLimit() {
  return std::chrono::milliseconds(lock_wait_limit_ms.load());
}

// Polled rather than waited for in the kernel: a blocking lock call cannot
// be given a time limit without a signal, which would reach any thread.
// The pauses start short, since a booking holds its locks for a few
// microseconds, and grow so that a long wait costs little.
bool WaitForLock(const std::function<int()>& try_lock) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + LockWaitLimit();
  std::chrono::microseconds pause(20);
  for (;;) {
    const int error = try_lock();
    if (error == 0) return true;
    if (error == EINTR) continue;
    if (error != EAGAIN && error != EWOULDBLOCK && error != EACCES) {
      errno = error;
      return false;
    }
    if (Clock::now() >= deadline) {
      ++busy_events;
      errno = EAGAIN;
      return false;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::microseconds(2000));
  }
}

BusyWatch::BusyWatch() : start_(busy_events) {}

bool BusyWatch::busy() const { return busy_events != start_; }

void NoteFileBusy() { ++busy_events; }

PosixFile::~PosixFile() { Close(); }

PosixFile::PosixFile(PosixFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)) {}

PosixFile& PosixFile::operator=(PosixFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

bool PosixFile::Open(const std::string& path, bool read_only) {
  Close();
  fd_ = Fs().Open(path, read_only ? O_RDONLY : O_RDWR, 0);
  if (fd_ < 0) return false;
  // Anything but a file fails with an errno of its own, never a stale one.
  struct stat st;
  int error = 0;
  if (::fstat(fd_, &st) != 0)
    error = errno;
  else if (!S_ISREG(st.st_mode))
    error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  if (error != 0) {
    Close();
    errno = error;
    return false;
  }
  return true;
}

bool PosixFile::Create(const std::string& path) {
  Close();
  fd_ = Fs().Open(path, O_RDWR | O_CREAT | O_TRUNC, 0666);
  return fd_ >= 0;
}

void PosixFile::Close() {
  if (fd_ >= 0) Fs().Close(fd_);
  fd_ = -1;
}

bool CopyRange(const PosixFile& from, std::int64_t from_at, PosixFile* to,
               std::int64_t to_at, std::int64_t length) {
  std::string chunk;
  for (std::int64_t done = 0; done < length;) {
    std::int64_t in_at = from_at + done, out_at = to_at + done;
    const std::int64_t n =
        Fs().CopyRange(from.fd(), &in_at, to->fd(), &out_at,
                       static_cast<std::size_t>(length - done));
    if (n > 0) {
      done += n;
      continue;
    }
    // Where the kernel cannot copy (or the file ends), a plain read and
    // write does, and a short file fails the read.
    chunk.resize(static_cast<std::size_t>(
        std::min<std::int64_t>(length - done, std::int64_t{1} << 20)));
    if (!from.ReadAt(from_at + done, chunk.data(), chunk.size()) ||
        !to->WriteAt(to_at + done, chunk))
      return false;
    done += static_cast<std::int64_t>(chunk.size());
  }
  return true;
}

void CloseInBackground(PosixFile file) {
  try {
    std::thread([f = std::move(file)]() mutable { f.Close(); }).detach();
  } catch (const std::system_error&) {
    // No thread: the descriptor closed with the thread's unused state.
  }
}

std::int64_t PosixFile::ReadUpTo(std::int64_t offset, void* buf,
                                 std::size_t size) const {
  if (fd_ < 0 || offset < 0) return -1;
  std::size_t done = 0;
  char* p = static_cast<char*>(buf);
  while (done < size) {
    const std::int64_t n =
        Fs().ReadAt(fd_, p + done, size - done, offset + done);
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

bool PosixFile::ReadAt(std::int64_t offset, void* buf, std::size_t size) const {
  return ReadUpTo(offset, buf, size) == static_cast<std::int64_t>(size);
}

bool PosixFile::WriteAt(std::int64_t offset, const void* buf,
                        std::size_t size) {
  if (fd_ < 0 || offset < 0) return false;
  std::size_t done = 0;
  const char* p = static_cast<const char*>(buf);
  while (done < size) {
    const std::int64_t n =
        Fs().WriteAt(fd_, p + done, size - done, offset + done);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::int64_t PosixFile::Size() const {
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

bool PosixFile::Truncate(std::int64_t size) {
  return fd_ >= 0 && Fs().Truncate(fd_, size) == 0;
}

bool PosixFile::Sync() { return fd_ >= 0 && Fs().Sync(fd_, true) == 0; }

namespace {

struct flock MakeLock(short type, std::int64_t offset, std::int64_t length) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = offset;
  fl.l_len = length == 0 ? kShareLockBase - offset : length;
  fl.l_pid = 0;  // required for OFD locks
  return fl;
}

bool SetLock(int fd, int cmd, short type, std::int64_t offset,
             std::int64_t length) {
  struct flock fl = MakeLock(type, offset, length);
  while (::fcntl(fd, cmd, &fl) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

bool PosixFile::Lock(std::int64_t offset, std::int64_t length, bool exclusive) {
  if (fd_ < 0) return false;
  const struct flock wanted =
      MakeLock(exclusive ? F_WRLCK : F_RDLCK, offset, length);
  return WaitForLock([&] {
    struct flock fl = wanted;
    return ::fcntl(fd_, F_OFD_SETLK, &fl) == 0 ? 0 : errno;
  });
}

bool PosixFile::Unlock(std::int64_t offset, std::int64_t length) {
  return fd_ >= 0 && SetLock(fd_, F_OFD_SETLK, F_UNLCK, offset, length);
}

bool PosixFile::IsLockedByOther(std::int64_t offset, std::int64_t length,
                                bool exclusive) const {
  if (fd_ < 0) return false;
  struct flock fl = MakeLock(exclusive ? F_WRLCK : F_RDLCK, offset, length);
  if (::fcntl(fd_, F_OFD_GETLK, &fl) != 0) return true;
  return fl.l_type != F_UNLCK;
}

char* PieceWriter::Next(std::size_t size) {
  if (pending_.size() >= piece_ && !Flush()) return nullptr;
  pending_.resize(pending_.size() + size, '\0');
  return pending_.data() + pending_.size() - size;
}

bool PieceWriter::Append(std::string_view bytes) {
  char* room = Next(bytes.size());
  if (room == nullptr) return false;
  std::memcpy(room, bytes.data(), bytes.size());
  return true;
}

bool PieceWriter::Flush() {
  if (!file_->WriteAt(at_, pending_)) return false;
  at_ += static_cast<std::int64_t>(pending_.size());
  pending_.clear();
  return true;
}

RegionLock::RegionLock(PosixFile* file, std::int64_t offset,
                       std::int64_t length, bool exclusive, bool skip)
    : file_(file), offset_(offset), length_(length) {
  if (skip) return;
  held_ = file_->Lock(offset, length, exclusive);
  ok_ = held_;
}

RegionLock::~RegionLock() {
  if (held_) file_->Unlock(offset_, length_);
}

}  // namespace matslip
