#include "base/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <functional>

namespace matslip {
namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closes now and reports whether the close succeeded.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool FsyncRetrying(int fd) {
  int result;
  do {
    result = ::fsync(fd);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

// Creates a new file beside `path` with a name nobody else uses.
int CreateTemporaryBeside(const std::string& path, std::string* temp_path) {
  static std::atomic<unsigned> counter{0};
  const std::string dir = DirName(path);
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temp_path = dir + "/." + BaseName(path) + ".tmp" +
                 std::to_string(::getpid()) + "-" +
                 std::to_string(counter.fetch_add(1));
    const int fd =
        OpenRetrying(temp_path->c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Replaces `path` by a file whose bytes `fill` writes to the descriptor it
// gets: temporary file, flush, rename, flush of the folder.
bool ReplaceWith(const std::string& path,
                 const std::function<bool(int fd)>& fill) {
  std::string temp_path;
  Fd fd(CreateTemporaryBeside(path, &temp_path));
  if (!fd.ok()) return false;
  if (!fill(fd.get()) || !FsyncRetrying(fd.get()) || !fd.Close() ||
      ::rename(temp_path.c_str(), path.c_str()) != 0) {
    ::unlink(temp_path.c_str());
    return false;
  }
  return SyncDirectoryOf(path);
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDirectory(const std::string& path) {
  if (path.empty()) return false;
  if (DirectoryExists(path)) return true;
  const std::string parent = DirName(path);
  if (parent != path && !CreateDirectory(parent)) return false;
  return ::mkdir(path.c_str(), 0777) == 0 || DirectoryExists(path);
}

bool CopyFile(const std::string& from, const std::string& to) {
  Fd in(OpenRetrying(from.c_str(), O_RDONLY));
  if (!in.ok()) return false;
  struct stat st;
  if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  return ReplaceWith(to, [&](int out) {
    char buffer[1 << 16];
    for (;;) {
      const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) return true;
      if (!WriteAll(out, std::string_view(buffer, n))) return false;
    }
  });
}

bool MoveFile(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) == 0) return SyncDirectoryOf(to);
  return CopyFile(from, to) && RemoveFile(from);
}

bool RemoveFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

long long FileModifiedTime(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return -1;
  return static_cast<long long>(st.st_mtime);
}

bool ReadFile(const std::string& path, std::string* bytes) {
  bytes->clear();
  Fd fd(OpenRetrying(path.c_str(), O_RDONLY));
  if (!fd.ok()) return false;
  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // The size is only a hint; read until the end, whatever it is by then.
  bytes->reserve(static_cast<std::size_t>(st.st_size));
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    bytes->append(buffer, static_cast<std::size_t>(n));
  }
}

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  return ReplaceWith(path, [&](int fd) { return WriteAll(fd, bytes); });
}

bool SyncFile(const std::string& path) {
  Fd fd(OpenRetrying(path.c_str(), O_RDONLY));
  return fd.ok() && FsyncRetrying(fd.get());
}

bool SyncDirectoryOf(const std::string& path) {
  Fd fd(OpenRetrying(DirName(path).c_str(), O_RDONLY | O_DIRECTORY));
  return fd.ok() && FsyncRetrying(fd.get());
}

std::string ProgramFilePath(const std::string& dir, std::string_view name) {
  std::string path = dir;
  path += '/';
  path += name;
  return path;
}

}  // namespace matslip
