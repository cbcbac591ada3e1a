#include "fuzz_corpus.h"

#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <system_error>

namespace matslip::fuzzing {

namespace fs = std::filesystem;

namespace {

std::string& WorkDir() {
  static std::string dir;
  return dir;
}

bool IsEmptyDirectory(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec) && fs::is_empty(path, ec);
}

// libFuzzer ends a run on a finding without running exit handlers: the
// folders "<prefix>-<pid>" of processes that are gone are removed here.
void RemoveLeftovers(const fs::path& parent, const std::string& prefix) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(parent, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() <= prefix.size() || !name.starts_with(prefix)) continue;
    pid_t pid = 0;
    const char* digits = name.data() + prefix.size();
    const char* end = name.data() + name.size();
    const auto [last, error] = std::from_chars(digits, end, pid);
    if (error != std::errc() || last != end || pid <= 0) continue;
    if (kill(pid, 0) != 0 && errno == ESRCH) {
      std::error_code ignored;
      fs::remove_all(entry.path(), ignored);
    }
  }
}

}  // namespace

const std::string& MakeWorkDir(const char* prefix) {
  std::error_code ec;
  const fs::path parent = fs::is_directory("/dev/shm", ec)
                              ? fs::path("/dev/shm")
                              : fs::temp_directory_path();
  const std::string named = std::string(prefix) + "-";
  RemoveLeftovers(parent, named);
  const fs::path dir = parent / (named + std::to_string(getpid()));
  fs::remove_all(dir, ec);  // a gone process's with this process's number
  if (!fs::create_directory(dir, ec)) abort();
  WorkDir() = dir.string();
  std::atexit([] {
    std::error_code ignored;
    fs::remove_all(WorkDir(), ignored);
  });
  return WorkDir();
}

void SeedEmptyCorpora(int argc, char** argv,
                      const std::function<void(const std::string&)>& seed) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (!arg.empty() && arg[0] != '-' && IsEmptyDirectory(arg)) seed(arg);
  }
}

}  // namespace matslip::fuzzing
