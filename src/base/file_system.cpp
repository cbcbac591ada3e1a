#include "base/file_system.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace matslip {

namespace {

// Never destroyed: files kept open by static objects are closed through it
// after every other static object of this file is gone.
FileSystem& OsFileSystem() {
  static FileSystem* const os = new FileSystem;
  return *os;
}
// Null while the operating system's file system serves.
std::atomic<FileSystem*> in_use{nullptr};

template <typename Call>
auto Retrying(Call call) {
  decltype(call()) result;
  do {
    result = call();
  } while (result < 0 && errno == EINTR);
  return result;
}

}  // namespace

FileSystem& Fs() {
  FileSystem* const fs = in_use.load();
  return fs ? *fs : OsFileSystem();
}

FileSystem* SetFileSystem(FileSystem* fs) { return in_use.exchange(fs); }

int FileSystem::Open(const std::string& path, int flags, int mode) {
  return Retrying(
      [&] { return ::open(path.c_str(), flags | O_CLOEXEC, mode); });
}

int FileSystem::Close(int fd) { return ::close(fd); }

std::int64_t FileSystem::ReadAt(int fd, void* buf, std::size_t size,
                                std::int64_t offset) {
  return Retrying([&] { return ::pread(fd, buf, size, offset); });
}

std::int64_t FileSystem::WriteAt(int fd, const void* buf, std::size_t size,
                                 std::int64_t offset) {
  return Retrying([&] { return ::pwrite(fd, buf, size, offset); });
}

std::int64_t FileSystem::CopyRange(int from, std::int64_t* from_at, int to,
                                   std::int64_t* to_at, std::size_t size) {
  loff_t in = *from_at, out = *to_at;
  const ssize_t n = ::copy_file_range(from, &in, to, &out, size, 0);
  *from_at = in;
  *to_at = out;
  return n;
}

int FileSystem::Truncate(int fd, std::int64_t size) {
  return Retrying([&] { return ::ftruncate(fd, size); });
}

int FileSystem::Sync(int fd, bool data_only) {
  return Retrying([&] { return data_only ? ::fdatasync(fd) : ::fsync(fd); });
}

int FileSystem::Rename(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str());
}

int FileSystem::RenameNoReplace(const std::string& from,
                                const std::string& to) {
  return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                     RENAME_NOREPLACE);
}

int FileSystem::Exchange(const std::string& a, const std::string& b) {
  return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
}

int FileSystem::Link(const std::string& from, const std::string& to) {
  return ::link(from.c_str(), to.c_str());
}

int FileSystem::Unlink(const std::string& path) {
  return ::unlink(path.c_str());
}

int FileSystem::MakeDirectory(const std::string& path, int mode) {
  return ::mkdir(path.c_str(), static_cast<mode_t>(mode));
}

int FileSystem::SyncDirectory(const std::string& folder) {
  // Not through Open: a file system standing in sees one flush of a folder.
  const int fd = Retrying([&] {
    return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  });
  if (fd < 0) return -1;
  const int synced = Retrying([&] { return ::fsync(fd); });
  const int saved = errno;
  ::close(fd);
  errno = saved;
  return synced;
}

}  // namespace matslip
