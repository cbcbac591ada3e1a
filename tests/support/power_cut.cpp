#include "support/power_cut.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <random>

#include "base/files.h"

namespace matslip::testing {

namespace {

constexpr std::int64_t kPage = 4096;

std::string Parent(const std::string& rel) {
  const std::size_t slash = rel.rfind('/');
  return slash == std::string::npos ? "" : rel.substr(0, slash);
}

std::string Join(const std::string& root, const std::string& rel) {
  return rel.empty() ? root : root + "/" + rel;
}

bool ReadWhole(const std::string& path, std::string* bytes) {
  return ReadFile(path, bytes);
}

void Put(std::string* file, std::int64_t at, std::string_view bytes) {
  const std::size_t end = static_cast<std::size_t>(at) + bytes.size();
  if (file->size() < end) file->resize(end, '\0');
  file->replace(static_cast<std::size_t>(at), bytes.size(), bytes);
}

}  // namespace

void PowerCutRecorder::Names::Apply(const Change& c) {
  auto has_folder = [this](const std::string& rel) {
    return folders.count(Parent(rel)) > 0;
  };
  switch (c.kind) {
    case Change::kCreate:
      if (has_folder(c.a)) files[c.a] = c.file;
      break;
    case Change::kMakeDir:
      if (has_folder(c.a)) folders.insert(c.a);
      break;
    case Change::kRename: {
      const auto from = files.find(c.a);
      if (from == files.end()) break;
      const int file = from->second;
      files.erase(from);
      if (has_folder(c.b)) files[c.b] = file;
      break;
    }
    case Change::kExchange: {
      const auto a = files.find(c.a), b = files.find(c.b);
      if (a != files.end() && b != files.end()) std::swap(a->second, b->second);
      break;
    }
    case Change::kLink: {
      const auto from = files.find(c.a);
      if (from != files.end() && has_folder(c.b)) files[c.b] = from->second;
      break;
    }
    case Change::kUnlink:
      files.erase(c.a);
      break;
    default:
      break;
  }
}

PowerCutRecorder::PowerCutRecorder(const std::string& root) : root_(root) {
  at_start_.folders.insert("");
  std::map<std::pair<dev_t, ino_t>, int> seen;  // hard links
  std::function<void(const std::string&)> walk = [&](const std::string& rel) {
    DIR* dir = ::opendir(Join(root_, rel).c_str());
    if (dir == nullptr) return;
    std::vector<std::string> entries;
    while (const dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") entries.push_back(name);
    }
    ::closedir(dir);
    for (const std::string& name : entries) {
      const std::string child = rel.empty() ? name : rel + "/" + name;
      struct stat st;
      if (::lstat(Join(root_, child).c_str(), &st) != 0) continue;
      if (S_ISDIR(st.st_mode)) {
        at_start_.folders.insert(child);
        walk(child);
      } else if (S_ISREG(st.st_mode)) {
        const auto [it, fresh] =
            seen.try_emplace({st.st_dev, st.st_ino}, files_);
        if (fresh) {
          start_bytes_.emplace_back();
          ReadWhole(Join(root_, child), &start_bytes_.back());
          ++files_;
        }
        at_start_.files[child] = it->second;
      }
    }
  };
  walk("");
  now_ = at_start_;
}

int PowerCutRecorder::changes() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(changes_.size());
}

bool PowerCutRecorder::Relative(const std::string& path,
                                std::string* rel) const {
  if (path == root_) {
    rel->clear();
    return true;
  }
  if (path.size() <= root_.size() + 1 || path.compare(0, root_.size(), root_) ||
      path[root_.size()] != '/')
    return false;
  *rel = path.substr(root_.size() + 1);
  return true;
}

int PowerCutRecorder::Open(const std::string& path, int flags, int mode) {
  std::lock_guard lock(mutex_);
  const int fd = FileSystem::Open(path, flags, mode);
  std::string rel;
  struct stat st;
  if (fd < 0 || !Relative(path, &rel) || ::fstat(fd, &st) != 0 ||
      !S_ISREG(st.st_mode))
    return fd;
  auto known = now_.files.find(rel);
  if (known == now_.files.end()) {
    if (!(flags & O_CREAT)) return fd;  // not made through us: not followed
    Change c{Change::kCreate, files_++};
    c.a = rel;
    start_bytes_.emplace_back();
    now_.Apply(c);
    Record(c);
    known = now_.files.find(rel);
  } else if (flags & O_TRUNC) {
    Record({Change::kTruncate, known->second, 0});
  }
  open_[fd] = known->second;
  return fd;
}

int PowerCutRecorder::Close(int fd) {
  std::lock_guard lock(mutex_);
  open_.erase(fd);
  return FileSystem::Close(fd);
}

std::int64_t PowerCutRecorder::WriteAt(int fd, const void* buf,
                                       std::size_t size, std::int64_t offset) {
  std::lock_guard lock(mutex_);
  const std::int64_t n = FileSystem::WriteAt(fd, buf, size, offset);
  const auto file = open_.find(fd);
  if (n > 0 && file != open_.end()) {
    Change c{Change::kWrite, file->second, offset};
    c.bytes.assign(static_cast<const char*>(buf), static_cast<std::size_t>(n));
    Record(std::move(c));
  }
  return n;
}

// Copies in the kernel would pass us by: the caller copies through reads
// and writes instead.
std::int64_t PowerCutRecorder::CopyRange(int, std::int64_t*, int, std::int64_t*,
                                         std::size_t) {
  errno = EXDEV;
  return -1;
}

int PowerCutRecorder::Truncate(int fd, std::int64_t size) {
  std::lock_guard lock(mutex_);
  const int r = FileSystem::Truncate(fd, size);
  const auto file = open_.find(fd);
  if (r == 0 && file != open_.end())
    Record({Change::kTruncate, file->second, size});
  return r;
}

int PowerCutRecorder::Sync(int fd, bool data_only) {
  std::lock_guard lock(mutex_);
  const int r = FileSystem::Sync(fd, data_only);
  const auto file = open_.find(fd);
  if (r == 0 && file != open_.end()) Record({Change::kSync, file->second});
  return r;
}

void PowerCutRecorder::RecordRename(const std::string& from,
                                    const std::string& to) {
  Change c{Change::kRename};
  if (Relative(from, &c.a) && Relative(to, &c.b)) {
    now_.Apply(c);
    Record(std::move(c));
  }
}

int PowerCutRecorder::Rename(const std::string& from, const std::string& to) {
  std::lock_guard lock(mutex_);
  const int r = FileSystem::Rename(from, to);
  if (r == 0) RecordRename(from, to);
  return r;
}

int PowerCutRecorder::RenameNoReplace(const std::string& from,
                                      const std::string& to) {
  std::lock_guard lock(mutex_);
  const int r = FileSystem::RenameNoReplace(from, to);
  if (r == 0) RecordRename(from, to);
  return r;
}

int PowerCutRecorder::Exchange(const std::string& a, const std::string& b) {
  std::lock_guard lock(mutex_);
  const int r = FileSystem::Exchange(a, b);
  Change c{Change::kExchange};
  if (r == 0 && Relative(a, &c.a) && Relative(b, &c.b)) {
    now_.Apply(c);
    Record(std::move(c));
  }
  return r;
}

int PowerCutRecorder::Link(const std::string& from, const std::string& to) {
  std::lock_guard lock(mutex_);
  const int r = FileSystem::Link(from, to);
  Change c{Change::kLink};
  if (r == 0 && Relative(from, &c.a) && Relative(to, &c.b)) {
    now_.Apply(c);
    Record(std::move(c));
  }
  return r;
}

int PowerCutRecorder::Unlink(const std::string& path) {
  std::lock_guard lock(mutex_);
  const int r = FileSystem::Unlink(path);
  Change c{Change::kUnlink};
  if (r == 0 && Relative(path, &c.a)) {
    now_.Apply(c);
    Record(std::move(c));
  }
  return r;
}

int PowerCutRecorder::MakeDirectory(const std::string& path, int mode) {
  std::lock_guard lock(mutex_);
  const int r = FileSystem::MakeDirectory(path, mode);
  Change c{Change::kMakeDir};
  if (r == 0 && Relative(path, &c.a)) {
    now_.Apply(c);
    Record(std::move(c));
  }
  return r;
}

int PowerCutRecorder::SyncDirectory(const std::string& folder) {
  std::lock_guard lock(mutex_);
  const int r = FileSystem::SyncDirectory(folder);
  Change c{Change::kSyncFolder};
  if (r == 0 && Relative(folder, &c.a)) Record(std::move(c));
  return r;
}

bool PowerCutRecorder::Rebuild(int changes, std::uint64_t variant,
                               const std::string& out) const {
  std::lock_guard lock(mutex_);
  const std::size_t n = std::min<std::size_t>(changes, changes_.size());
  std::mt19937_64 random(variant * 0x9E3779B97F4A7C15ull + n);

  // Which name changes a later flush of their folders made durable.
  std::vector<bool> kept(n, false);
  std::set<std::string> flushed_later;
  for (std::size_t i = n; i-- > 0;) {
    const Change& c = changes_[i];
    if (c.kind == Change::kSyncFolder) {
      flushed_later.insert(c.a);
    } else if (c.kind >= Change::kCreate) {
      bool durable = flushed_later.count(Parent(c.a)) > 0;
      if (c.kind == Change::kRename || c.kind == Change::kExchange)
        durable = durable && flushed_later.count(Parent(c.b)) > 0;
      if (c.kind == Change::kLink) durable = flushed_later.count(Parent(c.b));
      kept[i] = durable;
    }
  }
  Names names = at_start_;
  for (std::size_t i = 0; i < n; ++i) {
    if (kept[i]) names.Apply(changes_[i]);
  }

  // File contents: flushed changes whole, the rest by the variant.
  std::vector<std::string> bytes = start_bytes_;
  bytes.resize(static_cast<std::size_t>(files_));
  std::vector<std::vector<std::size_t>> pending(bytes.size());
  for (std::size_t i = 0; i < n; ++i) {
    const Change& c = changes_[i];
    if (c.kind == Change::kWrite || c.kind == Change::kTruncate) {
      pending[c.file].push_back(i);
    } else if (c.kind == Change::kSync) {
      for (std::size_t j : pending[c.file]) {
        const Change& p = changes_[j];
        if (p.kind == Change::kWrite)
          Put(&bytes[c.file], p.at, p.bytes);
        else
          bytes[c.file].resize(static_cast<std::size_t>(p.at), '\0');
      }
      pending[c.file].clear();
    }
  }
  for (std::size_t f = 0; f < bytes.size(); ++f) {
    if (pending[f].empty()) continue;
    // How many of the writes to each page reach it, in order.
    std::map<std::int64_t, int> writes_to, keep;
    for (std::size_t j : pending[f]) {
      const Change& p = changes_[j];
      if (p.kind != Change::kWrite || p.bytes.empty()) continue;
      for (std::int64_t page = p.at / kPage;
           page <= (p.at + std::int64_t(p.bytes.size()) - 1) / kPage; ++page)
        ++writes_to[page];
    }
    for (const auto& [page, count] : writes_to) {
      keep[page] = variant == 0   ? 0
                   : variant == 1 ? count
                                  : static_cast<int>(random() % (count + 1));
    }
    std::map<std::int64_t, int> seen;
    for (std::size_t j : pending[f]) {
      const Change& p = changes_[j];
      if (p.kind == Change::kTruncate) {
        if (variant == 1 || (variant != 0 && random() % 2 == 0))
          bytes[f].resize(static_cast<std::size_t>(p.at), '\0');
        continue;
      }
      const std::int64_t end = p.at + std::int64_t(p.bytes.size());
      for (std::int64_t page = p.at / kPage;
           p.at < end && page <= (end - 1) / kPage; ++page) {
        if (seen[page]++ >= keep[page]) continue;
        const std::int64_t from = std::max(p.at, page * kPage);
        const std::int64_t to = std::min(end, (page + 1) * kPage);
        Put(&bytes[f], from,
            std::string_view(p.bytes).substr(
                static_cast<std::size_t>(from - p.at),
                static_cast<std::size_t>(to - from)));
      }
    }
  }

  // The folders, then each file once and its further names as links.
  if (::mkdir(out.c_str(), 0777) != 0) return false;
  for (const std::string& folder : names.folders) {  // parents sort first
    if (!folder.empty() && ::mkdir(Join(out, folder).c_str(), 0777) != 0)
      return false;
  }
  std::map<int, std::string> written;
  for (const auto& [rel, file] : names.files) {
    const std::string path = Join(out, rel);
    const auto first = written.find(file);
    if (first != written.end()) {
      if (::link(first->second.c_str(), path.c_str()) != 0) return false;
      continue;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return false;
    const std::string& b = bytes[static_cast<std::size_t>(file)];
    const bool ok =
        ::write(fd, b.data(), b.size()) == static_cast<ssize_t>(b.size());
    ::close(fd);
    if (!ok) return false;
    written[file] = path;
  }
  return true;
}

bool FaultyFileSystem::ReadOnly(const std::string& path) const {
  return !read_only_folder.empty() &&
         path.compare(0, read_only_folder.size(), read_only_folder) == 0 &&
         (path.size() == read_only_folder.size() ||
          path[read_only_folder.size()] == '/');
}

int FaultyFileSystem::Open(const std::string& path, int flags, int mode) {
  if (ReadOnly(path) && (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC))) {
    errno = EROFS;
    return -1;
  }
  return FileSystem::Open(path, flags, mode);
}

std::int64_t FaultyFileSystem::WriteAt(int fd, const void* buf,
                                       std::size_t size, std::int64_t offset) {
  struct stat st;
  if (space_left < 0 || ::fstat(fd, &st) != 0)
    return FileSystem::WriteAt(fd, buf, size, offset);
  // Only bytes past the end of the file take new space; what fits of a
  // write that would take more is written.
  const std::int64_t end = offset + static_cast<std::int64_t>(size);
  if (end - st.st_size > space_left) {
    const std::int64_t fits = st.st_size + space_left - offset;
    if (fits <= 0) {
      errno = ENOSPC;
      return -1;
    }
    size = static_cast<std::size_t>(fits);
  }
  const std::int64_t n = FileSystem::WriteAt(fd, buf, size, offset);
  if (n > 0) space_left -= std::max<std::int64_t>(0, offset + n - st.st_size);
  return n;
}

std::int64_t FaultyFileSystem::CopyRange(int, std::int64_t*, int, std::int64_t*,
                                         std::size_t) {
  errno = EXDEV;  // through WriteAt, which counts the space
  return -1;
}

int FaultyFileSystem::Sync(int fd, bool data_only) {
  if (fail_syncs) {
    errno = EIO;
    return -1;
  }
  return FileSystem::Sync(fd, data_only);
}

int FaultyFileSystem::SyncDirectory(const std::string& folder) {
  if (fail_syncs || fail_folder_syncs) {
    errno = EIO;
    return -1;
  }
  return FileSystem::SyncDirectory(folder);
}

#define MATSLIP_REFUSE_IN_READ_ONLY(path) \
  if (ReadOnly(path)) {                   \
    errno = EROFS;                        \
    return -1;                            \
  }

int FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
  MATSLIP_REFUSE_IN_READ_ONLY(from)
  MATSLIP_REFUSE_IN_READ_ONLY(to)
  return FileSystem::Rename(from, to);
}

int FaultyFileSystem::RenameNoReplace(const std::string& from,
                                      const std::string& to) {
  MATSLIP_REFUSE_IN_READ_ONLY(from)
  MATSLIP_REFUSE_IN_READ_ONLY(to)
  return FileSystem::RenameNoReplace(from, to);
}

int FaultyFileSystem::Exchange(const std::string& a, const std::string& b) {
  MATSLIP_REFUSE_IN_READ_ONLY(a)
  MATSLIP_REFUSE_IN_READ_ONLY(b)
  return FileSystem::Exchange(a, b);
}

int FaultyFileSystem::Link(const std::string& from, const std::string& to) {
  MATSLIP_REFUSE_IN_READ_ONLY(to)
  return FileSystem::Link(from, to);
}

int FaultyFileSystem::Unlink(const std::string& path) {
  MATSLIP_REFUSE_IN_READ_ONLY(path)
  return FileSystem::Unlink(path);
}

int FaultyFileSystem::MakeDirectory(const std::string& path, int mode) {
  MATSLIP_REFUSE_IN_READ_ONLY(path)
  return FileSystem::MakeDirectory(path, mode);
}

#undef MATSLIP_REFUSE_IN_READ_ONLY

}  // namespace matslip::testing
