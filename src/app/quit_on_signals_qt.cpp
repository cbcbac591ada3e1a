#include "app/quit_on_signals_qt.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>

namespace matslip {
namespace {

constexpr std::array kQuitSignals = {SIGTERM, SIGINT, SIGHUP};

// The pipe's ends; the handler may only touch async-signal-safe state.
int g_read_end = -1;
int g_write_end = -1;

void OnSignal(int signal_number) {
  const int saved_errno = errno;
  const unsigned char byte = static_cast<unsigned char>(signal_number);
  // A full pipe already holds a signal that ends the run.
  [[maybe_unused]] ssize_t written = write(g_write_end, &byte, 1);
  errno = saved_errno;
}

void RestoreDefaults() {
  for (int s : kQuitSignals) std::signal(s, SIG_DFL);
}

void ClosePipe() {
  if (g_read_end >= 0) close(g_read_end);
  if (g_write_end >= 0) close(g_write_end);
  g_read_end = -1;
  g_write_end = -1;
}

}  // namespace

bool QuitOnSignals::Install() {
  if (notifier_ || g_read_end >= 0) return false;
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  g_read_end = ends[0];
  g_write_end = ends[1];
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int s : kQuitSignals) {
    if (sigaction(s, &action, nullptr) != 0) {
      RestoreDefaults();
      ClosePipe();
      return false;
    }
  }
  notifier_ = new QSocketNotifier(g_read_end, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this,
          &QuitOnSignals::OnSignalReceived);
  return true;
}

QuitOnSignals::~QuitOnSignals() {
  if (!notifier_) return;
  RestoreDefaults();
  delete notifier_;
  ClosePipe();
}

void QuitOnSignals::OnSignalReceived() {
  unsigned char byte = 0;
  if (read(g_read_end, &byte, 1) != 1) return;
  // exit() rather than quit(): it also ends the loop of an open modal
  // dialog, and no window may refuse it.
  QCoreApplication::exit(128 + byte);
}

}  // namespace matslip
