#pragma once
// Runs work in a child process and measures how much its resident memory
// grew at the peak: what a reader takes, apart from what the test program
// held before.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>

namespace matslip::testing {

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM"), -1 if missing.
inline long StatusKiB(const char* field) {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kib = -1;
  const std::size_t length = std::strlen(field);
  while (std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
      std::sscanf(line + length + 1, "%ld", &kib);
      break;
    }
  }
  std::fclose(f);
  return kib;
}

// Lowers this process's peak resident size to what it holds now (a child
// starts with its parent's peak).
inline bool ResetPeak() {
  std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
  if (!f) return false;
  const bool written = std::fputs("5", f) >= 0;
  return std::fclose(f) == 0 && written;
}

// The peak growth in KiB, or -1 when the child failed.
inline long PeakGrowthKiB(const std::function<void()>& work) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    close(fds[0]);
    if (!ResetPeak()) _exit(1);
    const long before = StatusKiB("VmRSS");
    work();
    const long growth = StatusKiB("VmHWM") - before;
    const ssize_t ignored = write(fds[1], &growth, sizeof growth);
    (void)ignored;
    _exit(0);
  }
  close(fds[1]);
  long growth = -1;
  if (read(fds[0], &growth, sizeof growth) != sizeof growth) growth = -1;
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? growth : -1;
}

}  // namespace matslip::testing
