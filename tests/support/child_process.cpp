#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "base/files.h"

namespace matslip::testing {

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (error_pipe_ >= 0) close(error_pipe_);
}

bool ChildProcess::Start(const std::vector<std::string>& argv,
                         const EnvChanges& env) {
  int ends[2];
  if (argv.empty() || pipe2(ends, O_CLOEXEC) != 0) return false;
  const pid_t pid = fork();
  if (pid < 0) {
    close(ends[0]);
    close(ends[1]);
    return false;
  }
  if (pid == 0) {
    for (const auto& [name, value] : env) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
    const int null_fd = open("/dev/null", O_WRONLY);
    dup2(null_fd, STDOUT_FILENO);
    dup2(ends[1], STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& a : argv)
      args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(ends[1]);
  fcntl(ends[0], F_SETFL, O_NONBLOCK);
  pid_ = pid;
  error_pipe_ = ends[0];
  return true;
}

bool ChildProcess::Signal(int signal_number) {
  return pid_ > 0 && kill(pid_, signal_number) == 0;
}

bool ChildProcess::Wait(int limit_seconds, int* status) {
  if (pid_ <= 0) return false;
  const bool ended = WaitUntil(
      [&] {
        Errors();  // a full pipe would hold the child up
        return waitpid(pid_, status, WNOHANG) == pid_;
      },
      limit_seconds);
  if (!ended) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  pid_ = -1;
  return ended;
}

std::string ChildProcess::Errors() {
  char buffer[4096];
  ssize_t n;
  while (error_pipe_ >= 0 && (n = read(error_pipe_, buffer, sizeof buffer)) > 0)
    errors_.append(buffer, n);
  return errors_;
}

bool WaitUntil(const std::function<bool()>& done, int limit_seconds) {
  const auto end =
      std::chrono::steady_clock::now() + std::chrono::seconds(limit_seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t colon = dirs.find(':', start);
    if (colon == std::string::npos) colon = dirs.size();
    const std::string candidate =
        dirs.substr(start, colon - start) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = colon + 1;
  }
  return "";
}

std::optional<std::string> CommandOutput(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return std::nullopt;
  std::string out;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  if (pclose(pipe) != 0) return std::nullopt;
  return out;
}

bool KillAtRandomMoment(pid_t child, const std::function<bool()>& ready,
                        unsigned max_delay_us, std::mt19937& rng, int* status) {
  for (int waited = 0; waited < 20000 && !ready(); ++waited) ::usleep(500);
  ::usleep(rng() % max_delay_us);
  ::kill(child, SIGKILL);
  *status = 0;
  return ::waitpid(child, status, 0) == child && WIFSIGNALED(*status) &&
         WTERMSIG(*status) == SIGKILL;
}

bool KillDuringSteps(pid_t child, const std::string& report_path, int round,
                     unsigned max_delay_us, std::mt19937& rng, int* status) {
  const char awaited = round % 4 == 0 ? 'D' : 'B';
  return KillAtRandomMoment(
      child,
      [&] {
        std::string report;
        return ReadFile(report_path, &report) &&
               report.find(awaited) != std::string::npos;
      },
      max_delay_us, rng, status);
}

namespace {
constexpr char kCrashSeedVar[] = "MATSLIP_CRASH_SEED";
}  // namespace

pid_t StartCrashChild(const char* dir_var, const std::string& dir,
                      unsigned seed, const char* name) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::setenv(dir_var, dir.c_str(), 1);
  ::setenv(kCrashSeedVar, std::to_string(seed).c_str(), 1);
  ::execl("/proc/self/exe", name, nullptr);
  ::_exit(127);
}

bool RunIfCrashChild(
    const char* dir_var,
    const std::function<int(const std::string& dir, unsigned seed)>& child) {
  const char* dir = std::getenv(dir_var);
  const char* seed = std::getenv(kCrashSeedVar);
  if (dir != nullptr && seed != nullptr)
    ::_exit(child(dir, unsigned(std::strtoul(seed, nullptr, 10))));
  return false;
}

}  // namespace matslip::testing
