#include "base/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <functional>

#include "base/file_system.h"

namespace matslip {
namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) Fs().Close(fd_);
  }
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closes now and reports whether the close succeeded.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return Fs().Close(fd) == 0;
  }

 private:
  int fd_;
};

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  return Fs().Open(path, flags, static_cast<int>(mode));
}

// Writes `bytes` at `*at` and moves `*at` past them.
bool WriteAll(int fd, std::int64_t* at, std::string_view bytes) {
  while (!bytes.empty()) {
    const std::int64_t n = Fs().WriteAt(fd, bytes.data(), bytes.size(), *at);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
    *at += n;
  }
  return true;
}

// Reads `fd` from its start to its end, handing each piece read to `take`;
// false on a read error or when `take` refuses a piece.
bool ReadToEnd(int fd, const std::function<bool(std::string_view)>& take) {
  char buffer[1 << 16];
  for (std::int64_t at = 0;;) {
    const std::int64_t n = Fs().ReadAt(fd, buffer, sizeof buffer, at);
    if (n < 0) return false;
    if (n == 0) return true;
    at += n;
    if (!take(std::string_view(buffer, static_cast<std::size_t>(n))))
      return false;
  }
}

bool FsyncRetrying(int fd) { return Fs().Sync(fd, false) == 0; }

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
      Fs().Rename(temp_path, path) != 0) {
    Fs().Unlink(temp_path);
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

bool IsWritable(const std::string& path) {
  return ::access(path.c_str(), W_OK) == 0;
}

bool CreateDirectory(const std::string& path) {
  if (path.empty()) return false;
  if (DirectoryExists(path)) return true;
  const std::string parent = DirName(path);
  if (parent != path && !CreateDirectory(parent)) return false;
  // The new folder's name is in its parent folder, which is flushed so
  // that files made durable inside it cannot lose their folder.
  return (Fs().MakeDirectory(path, 0777) == 0 && SyncDirectoryOf(path)) ||
         DirectoryExists(path);
}

bool CopyFile(const std::string& from, const std::string& to) {
  Fd in(OpenRetrying(from.c_str(), O_RDONLY));
  if (!in.ok()) return false;
  struct stat st;
  if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  return ReplaceWith(to, [&](int out) {
    std::int64_t at = 0;
    return ReadToEnd(in.get(), [out, &at](std::string_view piece) {
      return WriteAll(out, &at, piece);
    });
  });
}

bool MoveFile(const std::string& from, const std::string& to) {
  if (Fs().Rename(from, to) == 0) return SyncDirectoryOf(to);
  return CopyFile(from, to) && RemoveFile(from);
}

bool RemoveFile(const std::string& path) {
  return Fs().Unlink(path) == 0 || errno == ENOENT;
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
  return ReadToEnd(fd.get(), [bytes](std::string_view piece) {
    bytes->append(piece);
    return true;
  });
}
std::string ExistingPathIgnoringCase(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) return path;
  const std::string dir = DirName(path);
  const std::string name = BaseName(path);
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return path;
  std::string found;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view entry = e->d_name;
    if (NamesEqual(entry, name) && (found.empty() || entry < found))
      found = entry;
  }
  ::closedir(d);
  if (found.empty()) return path;
  return dir == "/" ? "/" + found : dir + "/" + found;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  return ReplaceWith(path, [&](int fd) {
    std::int64_t at = 0;
    return WriteAll(fd, &at, bytes);
  });
}

bool SyncFile(const std::string& path) {
  Fd fd(OpenRetrying(path.c_str(), O_RDONLY));
  return fd.ok() && FsyncRetrying(fd.get());
}

bool SyncDirectoryOf(const std::string& path) {
  return Fs().SyncDirectory(DirName(path)) == 0;
}

std::string ProgramFilePath(const std::string& dir, std::string_view name) {
  std::string path = dir;
  path += '/';
  path += name;
  return ExistingPathIgnoringCase(path);
}

}  // namespace matslip
