#include "app/folder_file_system.h"

#include <stdlib.h>
#include <sys/vfs.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace matslip {
namespace {

// statfs f_type values (linux/magic.h).
constexpr long kTmpfs = 0x01021994;
constexpr long kNfs = 0x6969;
constexpr long kSmb = 0x517B;
constexpr long kCifs = 0xFF534D42;
constexpr long kSmb2 = 0xFE534D42;
constexpr long kFuse = 0x65735546;
constexpr long kV9fs = 0x01021997;
constexpr long kVboxsf = 0x786F4256;

bool HasOption(const std::string& options, const std::string& name) {
  std::stringstream in(options);
  for (std::string item; std::getline(in, item, ',');) {
    if (item == name || item.starts_with(name + "=")) return true;
  }
  return false;
}

}  // namespace

std::string FileSystemWarningFor(long f_type, const std::string& fs_type,
                                 const std::string& options) {
  if (f_type == kTmpfs) return kVolatileFolder;
  std::string local;
  if (f_type == kNfs) {
    // local_lock=none is the one value that keeps locks on the server.
    const bool local_lock = HasOption(options, "local_lock") &&
                            !HasOption(options, "local_lock=none");
    if (HasOption(options, "nolock") || local_lock) local = "NFS nolock";
  } else if (f_type == kSmb || f_type == kCifs || f_type == kSmb2) {
    if (HasOption(options, "nobrl")) local = "SMB nobrl";
  } else if (f_type == kFuse || f_type == kV9fs || f_type == kVboxsf) {
    local = fs_type.empty() ? "FUSE" : fs_type;
  }
  return local.empty() ? "" : kLocalLocksStart + local + kLocalLocksEnd;
}

std::string FolderFileSystemWarning(const std::string& dir) {
  struct statfs st;
  char* real = ::realpath(dir.c_str(), nullptr);
  if (real == nullptr) return "";
  const std::string path = real;
  ::free(real);
  if (::statfs(path.c_str(), &st) != 0) return "";
  // The mount the folder lies on: the longest mount point above it.
  // A line: id parent major:minor root mount-point options [tags] - type
  // source super-options.
  std::ifstream mounts("/proc/self/mountinfo");
  std::string best_point, fs_type, options;
  for (std::string line; std::getline(mounts, line);) {
    std::stringstream in(line);
    std::vector<std::string> f;
    for (std::string word; in >> word;) f.push_back(word);
    std::size_t dash = 4;
    while (dash < f.size() && f[dash] != "-") ++dash;
    if (f.size() < 6 || dash + 1 >= f.size()) continue;
    const std::string& point = f[4];
    const bool above =
        point == "/" || path == point || path.starts_with(point + "/");
    if (!above || point.size() < best_point.size()) continue;
    best_point = point;
    fs_type = f[dash + 1];
    options = f[5] + (dash + 3 < f.size() ? "," + f[dash + 3] : "");
  }
  return FileSystemWarningFor(static_cast<long>(st.f_type), fs_type, options);
}

}  // namespace matslip
