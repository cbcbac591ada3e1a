#pragma once
// The built program (or a helper such as a display server) run in a child
// process, for tests that watch it from outside: environment changes, its
// standard error, signals, and its end.
#include <sys/types.h>

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace matslip::testing {

// Environment changes: a name and its new value, or nullopt to remove it.
using EnvChanges =
    std::vector<std::pair<std::string, std::optional<std::string>>>;

class ChildProcess {
 public:
  ChildProcess() = default;
  // Kills a child that is still running.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts argv[0] (looked up in PATH) with the environment changed; its
  // standard output is discarded, its standard error kept for Errors().
  // False when it cannot be started.
  bool Start(const std::vector<std::string>& argv, const EnvChanges& env);
  bool Signal(int signal_number);
  // Waits for the end, at most `limit_seconds`; false when the child still
  // runs then (it is killed). `*status` as waitpid gives it.
  bool Wait(int limit_seconds, int* status);
  // Whatever the child wrote to standard error so far.
  std::string Errors();
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int error_pipe_ = -1;
  std::string errors_;
};

// Calls `done` every 50 ms until it answers true, at most `limit_seconds`;
// whether it did. For waiting on another process, never for timing one.
bool WaitUntil(const std::function<bool()>& done, int limit_seconds);

// Kills `child` with SIGKILL a random while of up to `max_delay_us` after
// `ready` first answers true (asked every 0.5 ms, for at most 10 s), and
// reaps it. True when the kill ended it; otherwise it had ended on its own,
// as `*status` tells.
bool KillAtRandomMoment(pid_t child, const std::function<bool()>& ready,
                        unsigned max_delay_us, std::mt19937& rng, int* status);

// KillAtRandomMoment for a child that writes "B" to `report_path` when a
// step begins and "D" when it ends: after a step began, or in one round of
// four after one ended, so that finished steps are seen however slow the
// machine is.
bool KillDuringSteps(pid_t child, const std::string& report_path, int round,
                     unsigned max_delay_us, std::mt19937& rng, int* status);

// Crash tests run their child as this test program started again: the
// environment variable `dir_var` names the child's folder, and
// MATSLIP_CRASH_SEED carries its seed. The new process image is named
// `name` (what ps shows).
pid_t StartCrashChild(const char* dir_var, const std::string& dir,
                      unsigned seed, const char* name);
// For a test file's static initialisation: when this process was started
// by StartCrashChild with `dir_var`, runs `child` and exits with its result;
// otherwise false.
bool RunIfCrashChild(
    const char* dir_var,
    const std::function<int(const std::string& dir, unsigned seed)>& child);

// The full path of a program found in PATH, or empty.
std::string FindProgram(const std::string& name);

// The standard output of a shell command, or nullopt when it fails.
std::optional<std::string> CommandOutput(const std::string& command);

}  // namespace matslip::testing
