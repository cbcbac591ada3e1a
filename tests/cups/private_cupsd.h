#pragma once
// A print scheduler of the test's own: cupsd in the foreground on a loopback
// port, with its configuration, spool, logs and the PDF printer's output
// under one temporary folder, and no authentication. The PDF backend reads
// its settings from a fixed system path; the scheduler runs in a mount
// namespace of its own where that path shows our settings file, so the
// system's printing set-up is neither used nor changed.
#include <sys/types.h>

#include <string>
#include <vector>

namespace matslip::testing {

class PrivateCupsd {
 public:
  // `root`: an empty folder that outlives the scheduler.
  explicit PrivateCupsd(std::string root);
  ~PrivateCupsd();
  PrivateCupsd(const PrivateCupsd&) = delete;
  PrivateCupsd& operator=(const PrivateCupsd&) = delete;

  // Starts the scheduler and waits until it answers; the reason when it
  // does not.
  std::string Start();
  // Ends the scheduler; true once it is gone.
  bool Stop();

  // What CUPS_SERVER must say to reach it: "127.0.0.1:<port>".
  const std::string& server() const { return server_; }
  // Where the PDF printer writes what it prints.
  std::string output_dir() const { return root_ + "/out"; }
  // The scheduler's error log (the first place to look when a job fails).
  std::string error_log() const { return root_ + "/log/error_log"; }

 private:
  std::string root_;
  std::string server_;
  pid_t pid_ = -1;
};

// Runs `command` (program and arguments, found on PATH) in this process's
// environment; its exit status, -1 when it cannot be run.
int RunCommand(const std::vector<std::string>& command);

}  // namespace matslip::testing
