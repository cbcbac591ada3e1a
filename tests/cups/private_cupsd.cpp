#include "cups/private_cupsd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

extern char** environ;

namespace matslip::testing {
namespace {

constexpr char kCupsd[] = "/usr/sbin/cupsd";
// Where the PDF backend looks for its settings, whoever runs it.
constexpr char kPdfBackendSettings[] = "/etc/cups/cups-pdf.conf";
constexpr auto kStartWait = std::chrono::seconds(30);

// A loopback port nobody listens on now.
int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof addr;
  int port = -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) == 0)
    port = ntohs(addr.sin_port);
  close(fd);
  return port;
}

bool Answers(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok =
      connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

pid_t Spawn(const std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (const std::string& arg : command)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
    return -1;
  return pid;
}

}  // namespace

PrivateCupsd::PrivateCupsd(std::string root) : root_(std::move(root)) {}

PrivateCupsd::~PrivateCupsd() { Stop(); }

std::string PrivateCupsd::Start() {
  namespace fs = std::filesystem;
  const int port = FreePort();
  if (port < 0) return "no free loopback port";
  server_ = "127.0.0.1:" + std::to_string(port);
  std::error_code ec;
  for (const char* dir :
       {"conf", "spool", "cache", "state", "log", "tmp", "out"})
    fs::create_directories(root_ + "/" + dir, ec);
  // Filters run as lp: they must reach the folders they write into.
  chmod(root_.c_str(), 0755);
  chmod((root_ + "/tmp").c_str(), 01777);
  chmod((root_ + "/out").c_str(), 0755);
  const std::string conf = root_ + "/conf";
  const bool written =
      WriteText(conf + "/cups-files.conf",
                "User lp\nGroup lp\nSystemGroup root\n"
                "ServerRoot " +
                    conf + "\nRequestRoot " + root_ +
                    "/spool\n"
                    "CacheDir " +
                    root_ + "/cache\nStateDir " + root_ +
                    "/state\n"
                    "TempDir " +
                    root_ + "/tmp\nPrintcap " + root_ +
                    "/state/printcap\n"
                    "AccessLog " +
                    root_ +
                    "/log/access_log\n"
                    "ErrorLog " +
                    root_ +
                    "/log/error_log\n"
                    "PageLog " +
                    root_ + "/log/page_log\n") &&
      WriteText(
          conf + "/cupsd.conf",
          "Listen 127.0.0.1:" + std::to_string(port) +
              "\n"
              "LogLevel info\nBrowsing No\nDefaultAuthType None\n"
              "WebInterface No\n"
              "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
              "<Policy default>\n  <Limit All>\n    Order deny,allow\n"
              "  </Limit>\n</Policy>\n") &&
      WriteText(conf + "/cups-pdf.conf", "Out " + output_dir() +
                                             "\nAnonDirName " + output_dir() +
                                             "\nGrp root\n");
  if (!written) return "cannot write the scheduler's settings under " + root_;
  if (!fs::exists(kCupsd) || !fs::exists(kPdfBackendSettings))
    return "cups and printer-driver-cups-pdf are not installed (make deps)";

  pid_ = Spawn({"unshare", "--mount", "--propagation", "private", "sh", "-c",
                "mount --bind \"$0\" " + std::string(kPdfBackendSettings) +
                    " && exec " + kCupsd + " -f -c \"$1\" -s \"$2\"",
                conf + "/cups-pdf.conf", conf + "/cupsd.conf",
                conf + "/cups-files.conf"});
  if (pid_ < 0) return "cannot start unshare";
  const auto deadline = std::chrono::steady_clock::now() + kStartWait;
  while (!Answers(port)) {
    int status;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return "the scheduler ended at once (its mount namespace needs root); "
             "see " +
             error_log();
    }
    if (std::chrono::steady_clock::now() > deadline)
      return "the scheduler does not answer on " + server_;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return "";
}

bool PrivateCupsd::Stop() {
  if (pid_ < 0) return true;
  kill(pid_, SIGTERM);
  int status;
  const bool ended = waitpid(pid_, &status, 0) == pid_;
  pid_ = -1;
  return ended;
}

int RunCommand(const std::vector<std::string>& command) {
  const pid_t pid = Spawn(command);
  int status;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
    return -1;
  return WEXITSTATUS(status);
}

}  // namespace matslip::testing
